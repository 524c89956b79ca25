// Scan speed of ParseJobList on pretty-printed job lists of growing size, into a fresh table
// each run. Prints the body size, the median time of several runs and the rate in MB/s.

#include "JobListGenerator.h"
#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 7;

double medianSeconds(const QByteArray &body, int expectedJobs, bool &ok)
{
    std::vector<double> seconds;
    for (int run = 0; run < kRuns; ++run) {
        JobStatusTable table;
        const auto start = std::chrono::steady_clock::now();
        ParseJobList(body, table);
        const auto stop = std::chrono::steady_clock::now();
        seconds.push_back(std::chrono::duration<double>(stop - start).count());
        // Also keeps the scan from being optimised away.
        ok = ok && table.jobCount() == expectedJobs;
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

} // namespace

int main()
{
    std::printf("ParseJobList into an empty table, median of %d runs\n", kRuns);
    std::printf("%8s %8s %14s %12s %10s\n", "indent", "jobs", "body bytes", "median ms", "MB/s");
    bool ok = true;
    for (const int indent : {4, 2}) {
        for (const int jobs : {1000, 32766, 100000}) {
            const QByteArray body = JobListGenerator::list(jobs, indent);
            const double seconds = medianSeconds(body, jobs, ok);
            std::printf("%8d %8d %14lld %12.3f %10.0f\n", indent, jobs,
                        static_cast<long long>(body.size()), seconds * 1e3,
                        static_cast<double>(body.size()) / 1e6 / seconds);
        }
    }
    if (!ok) {
        std::printf("ERROR: a run did not find every job\n");
        return 1;
    }
    return 0;
}
