#pragma once

#include "jobs/JobListHistory.h"
#include "jobs/JobStatus.h"

#include <QByteArray>

#include <cstdlib>
#include <memory>
#include <vector>

// The run-long table of job statuses. Slots are numbered from 0; it starts with one empty
// slot and grows ten slots at a time. Jobs keep the slot of their first sighting; nothing is
// ever removed, but for the jobs of a list that is undone.
class JobStatusTable
{
public:
    JobStatusTable();

    // The slot's record; an empty one (not InUse) past the jobs.
    const JobStatus &slot(qsizetype index) const;
    // Number of slots in use; they are always slots 0 to jobCount() - 1.
    qsizetype jobCount() const;

    // Updates the slot holding record.externalId, or puts the record into the first free
    // slot, growing the table by ten when none is free.
    void StoreJobStatus(JobStatus record);
    // StoreJobStatus of the job with these texts, trying the slot `hint` first; returns the
    // slot stored into, or -1 when the job was refused. A server listed again mostly sends its
    // jobs in the order of the last time, so a list's scan hints the slot after its last
    // job's: the job is mostly there, and is then updated without a look-up in the index,
    // whose buckets are spread over memory that a million-job list cannot keep in any cache.
    // Texts that did not change are kept, not made again.
    qsizetype storeNear(qsizetype hint, QByteArrayView externalId, QByteArrayView latestAlertStatus,
                        QByteArrayView latestAlertTime);
    // Makes room for `jobs` jobs in all, so that storing up to that many moves no record and
    // rebuilds no index: either would take one step as long as the whole table is large.
    void reserve(qsizetype jobs);
    // Makes up to `bytes` more of a new index's pages, ahead of the jobs that would make them;
    // false once all are made. A new index is fresh memory, whose pages the kernel zeroes at
    // their first write, and a list's jobs land all over it: the first piece of a million-job
    // scan made all 32 MB of it and took 70 to 110 ms. Made a few megabytes a step before the
    // scan, no step takes long.
    bool prepareIndex(qsizetype bytes);

    // A list's jobs are stored between beginList() and endList() (JobListScanner does both);
    // history() tells what the last whole list changed. A list that fails part-way is undone
    // by abandonList(): the jobs it added go, with the room made for them, and the texts it
    // changed come back, so that memory running out in a scan leaves the table as it was.
    void beginList();
    void endList(const QDateTime &at = QDateTime::currentDateTime());
    void abandonList();
    const JobListHistory &history() const { return m_history; }

private:
    // The index from identifier to slot is looked up once per job of a list that may hold a
    // million jobs. A QHash took two thirds of the scan there (its seeded hash alone costs
    // about 200 ns a key on our machines, and rehashing computes it again); this flat table
    // keeps each key's hash, so growing it never hashes again, and a new job costs one probe.
    // The hash is keyed per table, so a server cannot send identifiers built to collide.
    // Eight bytes: the index of a million jobs takes 16 MB rather than 32. The low half of
    // the hash places a bucket in an index of up to 2^32 buckets, so no key is hashed again
    // when the index grows.
    struct Bucket
    {
        quint32 hash;
        quint32 slotAfter; // the slot's number + 1; 0 in a free bucket
    };
    // A new index is zeroed memory from calloc: a large one comes straight from the kernel,
    // its pages made a few at a time (prepareIndex), rather than all written in one pass.
    struct FreeBuckets
    {
        void operator()(Bucket *buckets) const { std::free(buckets); }
    };

    quint32 hashOf(QByteArrayView id) const;
    // The bucket holding id, or the free bucket where it belongs.
    size_t bucketFor(QByteArrayView id, quint32 hash) const;
    void growIndex(size_t buckets);
    // Puts a new job into the first free slot and bucket into the free bucket for it.
    void insert(Bucket &bucket, quint32 hash, JobStatus record);
    // Frees a bucket, moving the ones after it that belong before it back (no free bucket may
    // stand between a key's place and its bucket).
    void eraseBucket(size_t at);

    std::vector<JobStatus> m_slots;
    std::unique_ptr<Bucket[], FreeBuckets> m_buckets;
    size_t m_bucketCount = 0;     // a power of two once there is an index
    size_t m_preparedBuckets = 0; // the index's pages up to this bucket are made
    qsizetype m_count = 0;
    quint64 m_key0 = 0;
    quint64 m_key1 = 0;
    JobListHistory m_history;
    size_t m_slotsBeforeList = 0; // the slots' size when the list under way began
};
