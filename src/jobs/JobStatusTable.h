#pragma once

#include "jobs/JobStatus.h"

#include <QHash>
#include <QList>

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
    QList<JobStatus> m_slots;
    QHash<QByteArray, qsizetype> m_index;
};
