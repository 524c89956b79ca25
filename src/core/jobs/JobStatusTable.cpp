#include "jobs/JobStatusTable.h"

#include <QRandomGenerator>
#include <QtEndian>

#include <algorithm>
#include <utility>

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
        v0 += v1;
        v1 = rotl(v1, 13);
        v1 ^= v0;
        v0 = rotl(v0, 32);
        v2 += v3;
        v3 = rotl(v3, 16);
        v3 ^= v2;
        v0 += v3;
        v3 = rotl(v3, 21);
        v3 ^= v0;
        v2 += v1;
        v1 = rotl(v1, 17);
        v1 ^= v2;
        v2 = rotl(v2, 32);
    }

    void absorb(quint64 word)
    {
        v3 ^= word;
        round();
        v0 ^= word;
    }
};

} // namespace

quint64 JobStatusTable::hashOf(const QByteArray &id) const
{
    SipState s{m_key0 ^ 0x736f6d6570736575ULL, m_key1 ^ 0x646f72616e646f6dULL,
               m_key0 ^ 0x6c7967656e657261ULL, m_key1 ^ 0x7465646279746573ULL};
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
    return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

size_t JobStatusTable::bucketFor(const QByteArray &id, quint64 hash) const
{
    const size_t mask = m_buckets.size() - 1;
    for (size_t at = size_t(hash) & mask;; at = (at + 1) & mask) {
        const Bucket &bucket = m_buckets[at];
        if (bucket.slot < 0
            || (bucket.hash == hash && m_slots[size_t(bucket.slot)].externalId == id))
            return at;
    }
}

void JobStatusTable::growIndex()
{
    std::vector<Bucket> old(std::max<size_t>(16, m_buckets.size() * 2));
    old.swap(m_buckets);
    const size_t mask = m_buckets.size() - 1;
    for (const Bucket &bucket : old) {
        if (bucket.slot < 0)
            continue;
        size_t at = size_t(bucket.hash) & mask;
        while (m_buckets[at].slot >= 0)
            at = (at + 1) & mask;
        m_buckets[at] = bucket;
    }
}

JobStatusTable::JobStatusTable()
    : m_slots(1)
    , m_key0(QRandomGenerator::system()->generate64())
    , m_key1(QRandomGenerator::system()->generate64())
{ }

qsizetype JobStatusTable::upperBound() const
{
    return qsizetype(m_slots.size()) - 1;
}

const JobStatus &JobStatusTable::slot(qsizetype index) const
{
    static const JobStatus empty;
    if (index < 0 || index >= qsizetype(m_slots.size()))
        return empty;
    return m_slots[size_t(index)];
}

qsizetype JobStatusTable::jobCount() const
{
    return m_count;
}

void JobStatusTable::StoreJobStatus(JobStatus record)
{
    // A slot in use must hold three texts: a partial record would leave a slot that looks
    // free to the grid but is indexed here, so it is refused.
    if (!isStorable(record))
        return;

    // At most half the buckets in use keeps the probe runs short.
    if (2 * (m_count + 1) > qsizetype(m_buckets.size()))
        growIndex();
    const quint64 hash = hashOf(record.externalId);
    Bucket &bucket = m_buckets[bucketFor(record.externalId, hash)];
    if (bucket.slot >= 0) {
        m_slots[size_t(bucket.slot)] = std::move(record);
        return;
    }

    // Slots in use are always 0 .. jobCount() - 1, so the first free slot is jobCount().
    // The visible bound grows by ten; the vector's own geometric growth moves the records
    // instead of copying them.
    const qsizetype free = m_count;
    if (free >= qsizetype(m_slots.size()))
        m_slots.resize(m_slots.size() + size_t(kGrowth));
    m_slots[size_t(free)] = std::move(record);
    bucket = Bucket{hash, free};
    ++m_count;
}

void JobStatusTable::storeAll(JobStatusTable &&later)
{
    if (m_count == 0) {
        *this = std::move(later);
        return;
    }
    // A server listed again mostly sends its jobs in the same order: a job found in the slot
    // of the same number is updated without hashing its identifier.
    for (qsizetype i = 0; i < later.m_count; ++i) {
        JobStatus &record = later.m_slots[size_t(i)];
        if (i < m_count && m_slots[size_t(i)].externalId == record.externalId)
            m_slots[size_t(i)] = std::move(record);
        else
            StoreJobStatus(std::move(record));
    }
}
