#pragma once

#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"
#include "widgets/LineIndex.h"

#include <QByteArrayView>

// The work on a response body that need not wait for its end: the received pane's line index
// and, for a job list, the scan into a table of the list's own. A long list is then mostly
// indexed and scanned while it is still on the wire, and the completed response's handling
// only adds what came last. Nothing reaches the pane or the run-long job table before then.
class ArrivingResponse
{
public:
    ArrivingResponse() = default;
    Q_DISABLE_COPY_MOVE(ArrivingResponse)

    // A new request: forget the last response.
    void start(bool jobList);
    // All the body bytes so far.
    void arrived(QByteArrayView soFar);

    // At completion, for the whole body: the pane's line index, and the list's jobs in the
    // order ParseJobList would store them.
    LineIndex takeLines(QByteArrayView whole);
    JobStatusTable takeJobs(QByteArrayView whole);

private:
    bool m_jobList = false;
    qsizetype m_seen = 0;
    LineIndex m_lines;
    JobStatusTable m_jobs;
    JobListScanner m_scan{m_jobs};
};
