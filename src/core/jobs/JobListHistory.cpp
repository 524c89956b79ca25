#include "jobs/JobListHistory.h"

#include <algorithm>

void JobListHistory::begin(qsizetype jobCount)
{
    m_attempt = ++m_lists;
    m_countBefore = jobCount;
    m_seen = 0;
    m_pending.clear();
    m_pendingSlots.clear();
    m_listed.resize(size_t(jobCount));
}

bool JobListHistory::stored(qsizetype slot, bool added)
{
    if (!inList())
        return false;
    // Grown by a quarter at a time, not doubled: what the marks keep stays near eight bytes a
    // job, however many jobs a list adds.
    if (added && m_listed.size() == m_listed.capacity())
        m_listed.reserve(m_listed.capacity() + m_listed.capacity() / 4 + 64);
    if (added)
        m_listed.push_back(Listed{});
    Listed &listed = m_listed[size_t(slot)];
    if (listed.last == m_attempt)
        return false;
    listed.before = listed.last;
    listed.last = m_attempt;
    ++m_seen;
    return true;
}

void JobListHistory::changing(qsizetype slot, const JobStatus &before, bool firstInList)
{
    if (!inList())
        return;
    // A job named twice in one list keeps the texts it had before the list. The changed jobs
    // are indexed only once a list names a job again, which a list rarely does.
    if (!firstInList) {
        if (m_pendingSlots.empty()) {
            for (const Change &change : m_pending)
                m_pendingSlots.insert(change.slot);
        }
        if (!m_pendingSlots.insert(slot).second)
            return;
    } else if (!m_pendingSlots.empty()) {
        m_pendingSlots.insert(slot);
    }
    m_pending.push_back(Change{slot, before.latestAlertStatus, before.latestAlertTime});
}

void JobListHistory::end(const std::vector<JobStatus> &jobs, qsizetype jobCount,
                         const QDateTime &at)
{
    if (!inList())
        return;
    // A job named twice may have come back to its old texts.
    std::erase_if(m_pending, [&jobs](const Change &change) {
        const JobStatus &now = jobs[size_t(change.slot)];
        return now.latestAlertStatus == change.latestAlertStatus
            && now.latestAlertTime == change.latestAlertTime;
    });
    std::sort(m_pending.begin(), m_pending.end(),
              [](const Change &a, const Change &b) { return a.slot < b.slot; });
    m_changes.swap(m_pending);
    m_pending = {};
    m_pendingSlots = {};
    m_previousWhole = m_whole;
    m_whole = m_attempt;
    m_wholeAt = at;
    m_attempt = 0;
    // A run's first list marks nothing as new: everything is new then.
    m_newFrom = m_previousWhole != 0 ? m_countBefore : jobCount;
    m_newTo = jobCount;
    m_summary =
        Summary{m_seen, m_newTo - m_newFrom, qsizetype(m_changes.size()), jobCount - m_seen};
}

JobListHistory::Undo JobListHistory::abandon()
{
    Undo undo{m_countBefore, std::move(m_pending)};
    m_pending = {};
    m_pendingSlots = {};
    // Only after a failure: a pass over the jobs puts back the list each named last.
    m_listed.resize(size_t(m_countBefore));
    m_listed.shrink_to_fit();
    for (Listed &listed : m_listed) {
        if (listed.last == m_attempt)
            listed.last = listed.before;
    }
    m_attempt = 0;
    return undo;
}

unsigned JobListHistory::marks(qsizetype slot, const JobStatus &now) const
{
    if (m_whole == 0 || slot < 0 || slot >= qsizetype(m_listed.size()))
        return Unmarked;
    unsigned marks = Unmarked;
    if (slot >= m_newFrom && slot < m_newTo)
        marks |= New;
    // While a list is under way, a job it named already counts as named by the last whole one.
    const Listed &listed = m_listed[size_t(slot)];
    const quint32 last = listed.last == m_attempt && m_attempt != 0 ? listed.before : listed.last;
    if (last != m_whole)
        marks |= NotListed;
    if (const Change *change = changeOf(slot)) {
        if (change->latestAlertStatus != now.latestAlertStatus)
            marks |= StatusChanged;
        if (change->latestAlertTime != now.latestAlertTime)
            marks |= TimeChanged;
    }
    return marks;
}

const JobListHistory::Change *JobListHistory::changeOf(qsizetype slot) const
{
    const auto found = std::lower_bound(
        m_changes.cbegin(), m_changes.cend(), slot,
        [](const Change &change, qsizetype wanted) { return change.slot < wanted; });
    return found != m_changes.cend() && found->slot == slot ? &*found : nullptr;
}

std::optional<JobListHistory::Summary> JobListHistory::lastList() const
{
    if (m_whole == 0)
        return std::nullopt;
    return m_summary;
}

qsizetype JobListHistory::nextMarked(qsizetype from, bool forward, qsizetype jobCount) const
{
    if (m_whole == 0 || jobCount <= 0)
        return -1;
    const qsizetype count = std::min(jobCount, qsizetype(m_listed.size()));
    const qsizetype step = forward ? 1 : count - 1;
    qsizetype slot = from < 0 || from >= count ? (forward ? count - 1 : 0) : from;
    for (qsizetype tried = 0; tried < count; ++tried) {
        slot = (slot + step) % count;
        const bool isNew = slot >= m_newFrom && slot < m_newTo;
        if (isNew || m_listed[size_t(slot)].last != m_whole || changeOf(slot))
            return slot;
    }
    return -1;
}

void JobListHistory::forEachDifference(
    qsizetype jobCount, const std::function<void(qsizetype slot, Difference)> &each) const
{
    if (m_whole == 0)
        return;
    const qsizetype count = std::min(jobCount, qsizetype(m_listed.size()));
    for (qsizetype slot = 0; slot < count; ++slot) {
        const Listed &listed = m_listed[size_t(slot)];
        if (listed.last != m_whole) {
            if (m_previousWhole != 0 && listed.last == m_previousWhole)
                each(slot, Difference::Gone);
        } else if (m_previousWhole == 0 || listed.before != m_previousWhole) {
            each(slot, Difference::New);
        } else if (changeOf(slot)) {
            each(slot, Difference::Changed);
        }
    }
}

qsizetype JobListHistory::jobBytes() const
{
    return qsizetype(m_listed.capacity() * sizeof(Listed));
}

qsizetype JobListHistory::changedTextBytes() const
{
    qsizetype bytes = 0;
    for (const Change &change : m_changes)
        bytes += qsizetype(sizeof(Change)) + change.latestAlertStatus.capacity()
            + change.latestAlertTime.capacity();
    return bytes;
}
