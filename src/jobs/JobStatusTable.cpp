#include "jobs/JobStatusTable.h"

#include <QRandomGenerator>
#include <QtEndian>


namespace {

constexpr qsizetype kGrowth = 10;

bool isStorable(const JobStatus &record)
{
    return record.InUse && !record.externalId.isEmpty() && !record.latestAlertStatus.isEmpty()
        && !record.latestAlertTime.isEmpty();
}

quint64 rotl(quint64 x, int bits)
{
    return (x << bits) | (x >> (64 - bits));
}

// SipHash-1-3: one compression round per 8 bytes, three finalisation rounds.
struct SipState
{
    quint64 v0, v1, v2, v3;

    void round()
    {
        v0 += v1; v1 = rotl(v1, 13); v1 ^= v0; v0 = rotl(v0, 32);
        v2 += v3; v3 = rotl(v3, 16); v3 ^= v2;
        v0 += v3; v3 = rotl(v3, 21); v3 ^= v0;
        v2 += v1; v1 = rotl(v1, 17); v1 ^= v2; v2 = rotl(v2, 32);
    }

    void absorb(quint64 word)
    {
        v3 ^= word;
        round();
        v0 ^= word;
    }
};

} // namespace

size_t JobStatusTable::IdHash::operator()(const QByteArray &id) const
{
    SipState s{key0 ^ 0x736f6d6570736575ULL, key1 ^ 0x646f72616e646f6dULL,
               key0 ^ 0x6c7967656e657261ULL, key1 ^ 0x7465646279746573ULL};
    const auto *bytes = reinterpret_cast<const uchar *>(id.constData());
    const size_t size = size_t(id.size());
    const size_t whole = size & ~size_t(7);
    for (size_t i = 0; i < whole; i += 8)
        s.absorb(qFromLittleEndian<quint64>(bytes + i));
    quint64 last = quint64(size) << 56;
    for (size_t i = whole; i < size; ++i)
        last |= quint64(bytes[i]) << (8 * (i - whole));
    s.absorb(last);
    s.v2 ^= 0xff;
    s.round();
    s.round();
    s.round();
    return size_t(s.v0 ^ s.v1 ^ s.v2 ^ s.v3);
}

JobStatusTable::JobStatusTable()
    : m_slots(1)
    , m_index(0, IdHash{QRandomGenerator::system()->generate64(),
                        QRandomGenerator::system()->generate64()})
{
}

qsizetype JobStatusTable::upperBound() const
{
    return m_slots.size() - 1;
}

const JobStatus &JobStatusTable::slot(qsizetype index) const
{
    static const JobStatus empty;
    if (index < 0 || index >= m_slots.size())
        return empty;
    return m_slots.at(index);
}

qsizetype JobStatusTable::jobCount() const
{
    return qsizetype(m_index.size());
}

void JobStatusTable::StoreJobStatus(const JobStatus &record)
{
    // A slot in use must hold three texts: a partial record would leave a slot that looks
    // free to the grid but is indexed here, so it is refused.
    if (!isStorable(record))
        return;

    const auto found = m_index.find(record.externalId);
    if (found != m_index.end()) {
        m_slots[found->second] = record;
        return;
    }

    // Slots in use are always 0 .. jobCount() - 1, so the first free slot is jobCount().
    const qsizetype free = jobCount();
    if (free >= m_slots.size()) {
        // The visible bound grows by ten; the storage grows geometrically so that large
        // lists do not copy the whole table every ten jobs.
        if (m_slots.capacity() < m_slots.size() + kGrowth)
            m_slots.reserve(qMax(m_slots.capacity() * 2, m_slots.size() + kGrowth));
        m_slots.resize(m_slots.size() + kGrowth);
    }
    m_slots[free] = record;
    m_index.emplace(record.externalId, free);
}
