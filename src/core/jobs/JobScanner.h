#pragma once

#include <QByteArrayView>

class JobStatusTable;

// Text between the first startMarker and the next endMarker after it, spaces trimmed; empty
// when either is missing. The result views into text.
QByteArrayView ExtractBetween(QByteArrayView startMarker, QByteArrayView endMarker,
                              QByteArrayView text);

// Cuts text at every "{" and stores each stretch holding all three string members
// (externalId, latestAlertStatus, latestAlertTime) into the table, as one list. Memory running
// out undoes the list and throws std::bad_alloc on.
void ParseJobList(QByteArrayView text, JobStatusTable &JobStatuses);

// ParseJobList a piece at a time, so that the window can answer between the pieces of a long
// list. Each feed() is given all the bytes so far (they may have moved since the last call,
// but never change) and stores the jobs whose stretch is whole, that is followed by a "{";
// finish() stores the last one. The table then holds what ParseJobList of the whole text
// would have stored. The scan is one list of the table (JobStatusTable::beginList), begun by
// the first call and ended by finish(); abandon() undoes it.
class JobListScanner
{
public:
    explicit JobListScanner(JobStatusTable &table)
        : m_table(&table)
    { }

    // Makes room in the table for the jobs of a list this long, before it is scanned: a table
    // that grows on the way moves all its records, in one step as long as the table is large.
    void makeRoomFor(qsizetype listBytes);
    // Work the first feed() would do, a step of a few milliseconds at a time, between
    // makeRoomFor() and the first feed(): false once none is left.
    bool prepare();
    void feed(QByteArrayView soFar);
    void finish(QByteArrayView whole);
    // The list failed part-way (memory ran out): the table is left as it was before it.
    void abandon();

private:
    void beginList();

    JobStatusTable *m_table;
    bool m_begun = false;
    qsizetype m_brace = -1;   // where the stretch not yet stored starts, once one was seen
    qsizetype m_searched = 0; // bytes already searched for the "{" that ends it
    qsizetype m_nextSlot = 0; // where the job after the last one stored is looked for first
};
