#pragma once

#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"
#include "text/LineIndex.h"

#include <QByteArrayView>

// The work on a response body before it is shown: the received pane's line index, built while
// the body is still on the wire, and for a job list the scan into a table of the list's own,
// done while the body is collected, a piece at a time with events between pieces. Scanning
// during the arrival itself slowed the receiving down by about twice what the scan costs:
// the reads fell behind and the server waited. Nothing reaches the pane or the run-long job
// table before the response is complete.
class ArrivingResponse
{
public:
    ArrivingResponse() = default;
    Q_DISABLE_COPY_MOVE(ArrivingResponse)

    // A new request: forget the last response.
    void start(bool jobList);
    // Indexes the pane's lines of the body bytes so far (all of them each time), while the
    // body arrives.
    void indexLines(QByteArrayView soFar);
    // Scans a job list's body up to the end of a piece (all of it each time), while the
    // completed body is collected.
    void scanJobs(QByteArrayView upToPieceEnd);

    // At completion: the pane's line index of what arrived (the pane indexes any rest when
    // it takes the whole body), and the list's jobs of the whole body in the order
    // ParseJobList would store them.
    LineIndex takeLines();
    JobStatusTable takeJobs(QByteArrayView whole);

private:
    bool m_jobList = false;
    qsizetype m_scanned = 0;
    LineIndex m_lines;
    JobStatusTable m_jobs;
    JobListScanner m_scan{m_jobs};
};
