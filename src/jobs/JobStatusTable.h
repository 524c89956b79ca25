#pragma once

#include "jobs/JobStatus.h"

#include <QByteArray>
#include <QList>

#include <unordered_map>

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
    void StoreJobStatus(const JobStatus &record);

private:
    // The identifiers are short texts, looked up once per job of a list that may hold a
    // million jobs. QHash's seeded hash costs about 200 ns a key on our machines, which made
    // the table most of the scan's time; this keyed hash is as hard to flood with colliding
    // identifiers sent by a server, at a fraction of the cost.
    struct IdHash
    {
        quint64 key0 = 0;
        quint64 key1 = 0;
        size_t operator()(const QByteArray &id) const;
    };

    QList<JobStatus> m_slots;
    std::unordered_map<QByteArray, qsizetype, IdHash> m_index;
};
