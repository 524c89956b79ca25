#include "jobs/JobStatusTable.h"

#include "memory/HugePages.h"

#include <QRandomGenerator>
#include <QtEndian>

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

namespace {

constexpr qsizetype kGrowth = 10;

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

quint32 JobStatusTable::hashOf(QByteArrayView id) const
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
    return quint32(s.v0 ^ s.v1 ^ s.v2 ^ s.v3);
}

size_t JobStatusTable::bucketFor(QByteArrayView id, quint32 hash) const
{
    const size_t mask = m_bucketCount - 1;
    for (size_t at = size_t(hash) & mask;; at = (at + 1) & mask) {
        const Bucket &bucket = m_buckets[at];
        if (bucket.slotAfter == 0
            || (bucket.hash == hash && m_slots[size_t(bucket.slotAfter - 1)].externalId == id))
            return at;
    }
}

void JobStatusTable::growIndex(size_t buckets)
{
    auto *grown = static_cast<Bucket *>(std::calloc(buckets, sizeof(Bucket)));
    if (!grown)
        throw std::bad_alloc();
    offerHugePages(grown, qsizetype(buckets * sizeof(Bucket)));
    std::unique_ptr<Bucket[], FreeBuckets> old(grown);
    old.swap(m_buckets);
    const size_t oldCount = std::exchange(m_bucketCount, buckets);
    m_preparedBuckets = 0;
    const size_t mask = buckets - 1;
    for (size_t i = 0; i < oldCount; ++i) {
        const Bucket &bucket = old[i];
        if (bucket.slotAfter == 0)
            continue;
        size_t at = size_t(bucket.hash) & mask;
        while (m_buckets[at].slotAfter != 0)
            at = (at + 1) & mask;
        m_buckets[at] = bucket;
    }
}

JobStatusTable::JobStatusTable()
    : m_slots(1)
    , m_key0(QRandomGenerator::system()->generate64())
    , m_key1(QRandomGenerator::system()->generate64())
{ }

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
    // free to the grid but is indexed here, so it is refused (storeNear refuses empty texts).
    if (record.InUse)
        storeNear(-1, record.externalId, record.latestAlertStatus, record.latestAlertTime);
}

qsizetype JobStatusTable::storeNear(qsizetype hint, QByteArrayView externalId,
                                    QByteArrayView latestAlertStatus,
                                    QByteArrayView latestAlertTime)
{
    if (externalId.isEmpty() || latestAlertStatus.isEmpty() || latestAlertTime.isEmpty())
        return -1;
    qsizetype at = hint;
    if (hint < 0 || hint >= m_count || m_slots[size_t(hint)].externalId != externalId) {
        // At most half the buckets in use keeps the probe runs short.
        if (2 * size_t(m_count + 1) > m_bucketCount)
            growIndex(std::max<size_t>(16, m_bucketCount * 2));
        const quint32 hash = hashOf(externalId);
        Bucket &bucket = m_buckets[bucketFor(externalId, hash)];
        if (bucket.slotAfter == 0) {
            insert(bucket, hash,
                   JobStatus{true, externalId.toByteArray(), latestAlertStatus.toByteArray(),
                             latestAlertTime.toByteArray()});
            m_history.stored(m_count - 1, true);
            return m_count - 1;
        }
        at = bucket.slotAfter - 1;
    }
    const bool firstInList = m_history.stored(at, false);
    JobStatus &slot = m_slots[size_t(at)];
    const bool statusDiffers = slot.latestAlertStatus != latestAlertStatus;
    const bool timeDiffers = slot.latestAlertTime != latestAlertTime;
    if (statusDiffers || timeDiffers)
        m_history.changing(at, slot, firstInList);
    if (statusDiffers)
        slot.latestAlertStatus = latestAlertStatus.toByteArray();
    if (timeDiffers)
        slot.latestAlertTime = latestAlertTime.toByteArray();
    return at;
}

void JobStatusTable::insert(Bucket &bucket, quint32 hash, JobStatus record)
{
    // Slots in use are always 0 .. jobCount() - 1, so the first free slot is jobCount().
    // The visible bound grows by ten; the vector's own geometric growth moves the records
    // instead of copying them.
    const qsizetype free = m_count;
    // A bucket numbers slots in 32 bits; a list of four billion jobs cannot arrive anyway.
    if (free >= qsizetype(std::numeric_limits<quint32>::max()) - 1)
        throw std::bad_alloc();
    if (free >= qsizetype(m_slots.size()))
        m_slots.resize(m_slots.size() + size_t(kGrowth));
    m_slots[size_t(free)] = std::move(record);
    bucket = Bucket{hash, quint32(free + 1)};
    ++m_count;
}

bool JobStatusTable::prepareIndex(qsizetype bytes)
{
    constexpr size_t kPageBuckets = 4096 / sizeof(Bucket);
    const size_t end = std::min(m_bucketCount, m_preparedBuckets + size_t(bytes) / sizeof(Bucket));
    // Written as it is: the buckets may hold jobs already, moved there when the index grew.
    for (size_t at = m_preparedBuckets; at < end; at += kPageBuckets) {
        volatile quint32 *made = &m_buckets[at].slotAfter;
        *made = *made;
    }
    m_preparedBuckets = end;
    return m_preparedBuckets < m_bucketCount;
}

void JobStatusTable::reserve(qsizetype jobs)
{
    if (jobs <= m_count)
        return;
    m_slots.reserve(size_t(jobs) + 1);
    offerHugePages(m_slots.data(), qsizetype(m_slots.capacity() * sizeof(JobStatus)));
    size_t buckets = std::max<size_t>(16, m_bucketCount);
    while (buckets < 2 * size_t(jobs + 1))
        buckets *= 2;
    if (buckets > m_bucketCount)
        growIndex(buckets);
}

void JobStatusTable::eraseBucket(size_t at)
{
    const size_t mask = m_bucketCount - 1;
    size_t hole = at;
    for (size_t next = (hole + 1) & mask; m_buckets[next].slotAfter != 0;
         next = (next + 1) & mask) {
        // The bucket at `next` may fill the hole when its key's place is not after the hole.
        const size_t home = size_t(m_buckets[next].hash) & mask;
        if (((next - home) & mask) >= ((next - hole) & mask)) {
            m_buckets[hole] = m_buckets[next];
            hole = next;
        }
    }
    m_buckets[hole] = Bucket{0, 0};
}

void JobStatusTable::beginList()
{
    if (m_history.inList())
        abandonList();
    m_slotsBeforeList = m_slots.size();
    m_history.begin(m_count);
}

void JobStatusTable::endList(const QDateTime &at)
{
    m_history.end(m_slots, m_count, at);
}

void JobStatusTable::abandonList()
{
    if (!m_history.inList())
        return;
    JobListHistory::Undo undo = m_history.abandon();
    for (JobListHistory::Change &change : undo.changes) {
        JobStatus &slot = m_slots[size_t(change.slot)];
        slot.latestAlertStatus = std::move(change.latestAlertStatus);
        slot.latestAlertTime = std::move(change.latestAlertTime);
    }
    for (qsizetype at = m_count - 1; at >= undo.jobCount; --at) {
        const QByteArray &id = m_slots[size_t(at)].externalId;
        eraseBucket(bucketFor(id, hashOf(id)));
    }
    m_count = undo.jobCount;
    // The room made for the list goes too: resizing back releases the added jobs' texts, and
    // the records' block is given back when it is far larger than they need.
    m_slots.resize(std::max<size_t>(1, m_slotsBeforeList));
    if (m_slots.capacity() > 2 * m_slots.size())
        m_slots.shrink_to_fit();
    size_t buckets = 16;
    while (buckets < 2 * size_t(m_count + 1))
        buckets *= 2;
    if (buckets < m_bucketCount / 2) {
        try {
            growIndex(buckets);
        } catch (const std::bad_alloc &) {
            // What growIndex throws for the smaller index: the larger one serves as well.
        }
    }
}
