#include "traffic/ArrivingResponse.h"

#include <utility>

void ArrivingResponse::start(bool jobList)
{
    m_jobList = jobList;
    m_scanned = 0;
    m_lines = LineIndex();
    m_jobs = JobStatusTable();
    m_scan = JobListScanner(m_jobs);
}

void ArrivingResponse::indexLines(QByteArrayView soFar)
{
    m_lines.extend(soFar);
}

void ArrivingResponse::scanJobs(QByteArrayView upToPieceEnd)
{
    if (!m_jobList || upToPieceEnd.size() <= m_scanned)
        return;
    m_scanned = upToPieceEnd.size();
    m_scan.feed(upToPieceEnd);
}

LineIndex ArrivingResponse::takeLines()
{
    return std::exchange(m_lines, LineIndex());
}

JobStatusTable ArrivingResponse::takeJobs(QByteArrayView whole)
{
    // A body shorter than what was scanned is not the one scanned so far.
    if (whole.size() < m_scanned)
        start(m_jobList);
    // finish() leaves the scanner ready for a new list in m_jobs.
    m_scan.finish(whole);
    return std::exchange(m_jobs, JobStatusTable());
}
