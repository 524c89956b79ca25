#include "jobs/JobStatusTable.h"

namespace {

constexpr qsizetype kGrowth = 10;

bool isStorable(const JobStatus &record)
{
    return record.InUse && !record.externalId.isEmpty() && !record.latestAlertStatus.isEmpty()
        && !record.latestAlertTime.isEmpty();
}

} // namespace

JobStatusTable::JobStatusTable()
    : m_slots(1)
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
    return m_index.size();
}

void JobStatusTable::StoreJobStatus(const JobStatus &record)
{
    // A slot in use must hold three texts: a partial record would leave a slot that looks
    // free to the grid but is indexed here, so it is refused.
    if (!isStorable(record))
        return;

    const auto found = m_index.constFind(record.externalId);
    if (found != m_index.constEnd()) {
        m_slots[found.value()] = record;
        return;
    }

    // Slots in use are always 0 .. jobCount() - 1, so the first free slot is jobCount().
    const qsizetype free = m_index.size();
    if (free >= m_slots.size()) {
        // The visible bound grows by ten; the storage grows geometrically so that large
        // lists do not copy the whole table every ten jobs.
        if (m_slots.capacity() < m_slots.size() + kGrowth)
            m_slots.reserve(qMax(m_slots.capacity() * 2, m_slots.size() + kGrowth));
        m_slots.resize(m_slots.size() + kGrowth);
    }
    m_slots[free] = record;
    m_index.insert(record.externalId, free);
}
