#pragma once

#include "jobs/JobStatus.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <unordered_set>
#include <vector>

// What the lists of a run did to the job table. A list is the jobs of one complete job-list
// response, stored between begin() and end(). Against the list before it, each job of the
// table is:
// - new: first seen in the last list (never in a run's first list: then every job is new, and
//   a mark on every row tells nothing);
// - changed: its status or time differs from what it was before the last list;
// - not listed: absent from the last list (it keeps its slot, as every job does);
// - none of these.
// The marks are kept as the jobs are stored, not found in a pass over the table afterwards:
// eight bytes a job (the list that last named it, and the one before), plus the texts that
// the last list changed, kept until the next list is whole.
//
// A list that fails part-way (abandon()) leaves the table as it was before it: the jobs it
// added go, the texts it changed come back, and the last whole list's marks stay.
class JobListHistory
{
public:
    // The texts a job had before a list changed them.
    struct Change
    {
        qsizetype slot = -1;
        QByteArray latestAlertStatus;
        QByteArray latestAlertTime;
    };
    struct Summary
    {
        qsizetype listed = 0;    // distinct jobs in the list
        qsizetype added = 0;     // new (0 in a run's first list)
        qsizetype changed = 0;   // status, time or both
        qsizetype notListed = 0; // in the table, absent from the list
    };
    enum Mark : unsigned {
        Unmarked = 0,
        New = 1,
        StatusChanged = 2,
        TimeChanged = 4,
        NotListed = 8,
    };

    // A list starts; the table holds jobCount jobs.
    void begin(qsizetype jobCount);
    bool inList() const { return m_attempt != 0; }
    // A job of the list under way was stored; `added` when it took a new slot (the next one).
    // True at the job's first sighting in the list. Before a stored job's texts change,
    // changing() is told their old values.
    bool stored(qsizetype slot, bool added);
    void changing(qsizetype slot, const JobStatus &before, bool firstInList);
    // The list is whole, at this time; jobs holds the table's records.
    void end(const std::vector<JobStatus> &jobs, qsizetype jobCount, const QDateTime &at);
    // The list under way failed: the table goes back to `jobCount` jobs and these texts.
    struct Undo
    {
        qsizetype jobCount = 0;
        std::vector<Change> changes;
    };
    Undo abandon();

    // Against the last whole list; Unmarked for every job before one.
    unsigned marks(qsizetype slot, const JobStatus &now) const;
    // The texts the last list changed, for a job it changed.
    const Change *changeOf(qsizetype slot) const;
    // The last whole list, if any, and when it became whole.
    std::optional<Summary> lastList() const;
    QDateTime lastListTime() const { return m_wholeAt; }
    // The next slot after `from` (before it, backwards) with any mark, wrapping at the ends of
    // the table's jobCount jobs; -1 when none has one.
    qsizetype nextMarked(qsizetype from, bool forward, qsizetype jobCount) const;

    // What the last whole list changed since the list before it, in slot order, for a stream
    // of changes: a job is New when that list named it and the one before did not (first
    // seen, or back after it was gone), Changed when its texts differ, Gone when the list
    // before named it and this one did not. After a run's first list, every job it named is
    // New, so that a reader of the stream has the state.
    enum class Difference { New, Changed, Gone };
    void forEachDifference(qsizetype jobCount,
                           const std::function<void(qsizetype slot, Difference)> &each) const;

    // Memory the marks take: what they keep for every job (eight bytes), and the texts the
    // last list changed.
    qsizetype jobBytes() const;
    qsizetype changedTextBytes() const;

private:
    struct Listed
    {
        quint32 last = 0;   // the list that last named the job (0: none)
        quint32 before = 0; // `last` before the list under way named it
    };

    std::vector<Listed> m_listed; // one per job, by slot
    quint32 m_lists = 0;          // lists begun so far: each gets its own number
    quint32 m_attempt = 0;        // the list under way, 0 when none
    quint32 m_whole = 0;          // the last whole list, 0 when none
    quint32 m_previousWhole = 0;  // the whole list before it, 0 when none
    QDateTime m_wholeAt;
    qsizetype m_countBefore = 0;   // jobs before the list under way
    qsizetype m_seen = 0;          // distinct jobs of the list under way
    std::vector<Change> m_pending; // texts the list under way changed, first change first
    std::unordered_set<qsizetype> m_pendingSlots; // their slots, once a job was named twice
    std::vector<Change> m_changes;                // those of the last whole list, by slot
    qsizetype m_newFrom = 0, m_newTo = 0;         // the slots the last whole list added
    Summary m_summary;
};
