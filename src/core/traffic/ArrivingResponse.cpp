#include "traffic/ArrivingResponse.h"

#include <utility>

void ArrivingResponse::start(bool jobList)
{
    m_jobList = jobList;
    m_digested = 0;
    m_lines = LineIndex();
    m_jobs = JobStatusTable();
    m_scan = JobListScanner(m_jobs);
}

void ArrivingResponse::arrived(QByteArrayView soFar)
{
    m_lines.extend(soFar);
}

void ArrivingResponse::digest(QByteArrayView soFar)
{
    if (!m_jobList || soFar.size() <= m_digested)
        return;
    m_digested = soFar.size();
    m_scan.feed(soFar);
}

LineIndex ArrivingResponse::takeLines()
{
    return std::exchange(m_lines, LineIndex());
}

JobStatusTable ArrivingResponse::takeJobs(QByteArrayView whole)
{
    // A body shorter than what was digested is not the one scanned so far.
    if (whole.size() < m_digested)
        start(m_jobList);
    // finish() leaves the scanner ready for a new list in m_jobs.
    m_scan.finish(whole);
    return std::exchange(m_jobs, JobStatusTable());
}
