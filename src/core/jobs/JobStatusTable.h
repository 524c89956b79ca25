#pragma once

#include "jobs/JobStatus.h"

#include <QByteArray>

#include <vector>

// The run-long table of job statuses. Slots are numbered from 0; it starts with one empty
// slot (upper bound 0) and grows ten slots at a time. Jobs keep the slot of their first
// sighting; nothing is ever removed.
class JobStatusTable
{
public:
    JobStatusTable();

    qsizetype upperBound() const;
    const JobStatus &slot(qsizetype index) const;
    // Number of slots in use; they are always slots 0 to jobCount() - 1.
    qsizetype jobCount() const;

    // Updates the slot holding record.externalId, or puts the record into the first free
    // slot, growing the table by ten when none is free.
    void StoreJobStatus(JobStatus record);
    // Stores the jobs of `later` in its slot order, as StoreJobStatus would one by one; this
    // gives the table that storing `later`'s own records in their order would give.
    void storeAll(JobStatusTable &&later);

private:
    // The index from identifier to slot is looked up once per job of a list that may hold a
    // million jobs. A QHash took two thirds of the scan there (its seeded hash alone costs
    // about 200 ns a key on our machines, and rehashing computes it again); this flat table
    // keeps each key's hash, so growing it never hashes again, and a new job costs one probe.
    // The hash is keyed per table, so a server cannot send identifiers built to collide.
    struct Bucket
    {
        quint64 hash = 0;
        qsizetype slot = -1;
    };

    quint64 hashOf(const QByteArray &id) const;
    // The bucket holding id, or the free bucket where it belongs.
    size_t bucketFor(const QByteArray &id, quint64 hash) const;
    void growIndex();

    std::vector<JobStatus> m_slots;
    std::vector<Bucket> m_buckets;
    qsizetype m_count = 0;
    quint64 m_key0 = 0;
    quint64 m_key1 = 0;
};
