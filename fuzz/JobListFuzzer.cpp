// The scanner's table keeps its promises and holds the jobs a plain, slow reading finds; the
// lists scanned while they arrive, cut anywhere, straight into a table made room for, give the same
// table. Input: job lists separated by NUL bytes, scanned into the same table in turn.
#include "FuzzCheck.h"
#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"

#include <QList>

#include <algorithm>

// The reading the scanner promises, written the obvious way: every stretch from a "{" to the
// next one, each member the text between its first `key": "` and the next quote.
static void referenceScan(QByteArrayView text, QList<JobStatus> &jobs)
{
    for (qsizetype brace = text.indexOf('{'), next; brace >= 0; brace = next) {
        next = text.indexOf('{', brace + 1);
        const QByteArrayView stretch = text.sliced(brace, (next < 0 ? text.size() : next) - brace);
        JobStatus job{true, {}, {}, {}};
        for (auto [member, key] : {std::pair{&job.externalId, "externalId\": \""},
                                   {&job.latestAlertStatus, "latestAlertStatus\": \""},
                                   {&job.latestAlertTime, "latestAlertTime\": \""}})
            *member = ExtractBetween(key, "\"", stretch).toByteArray();
        if (job.externalId.isEmpty() || job.latestAlertStatus.isEmpty()
            || job.latestAlertTime.isEmpty())
            continue;
        const auto same = std::ranges::find(jobs, job.externalId, &JobStatus::externalId);
        same == jobs.end() ? jobs.append(job) : void(*same = job);
    }
}

FUZZ_TARGET(input)
{
    JobStatusTable table, arrived;
    QList<JobStatus> expected;
    for (const QByteArray &list : input.toByteArray().split('\0')) {
        ParseJobList(list, table);
        referenceScan(list, expected);
        arrived.reserve(list.size() / 16);
        JobListScanner scanner(arrived);
        for (qsizetype cut = 0; cut < list.size(); cut += 1 + uchar(list[cut]) % 5)
            scanner.feed(QByteArrayView(list).first(cut));
        scanner.finish(list);
        // Jobs in slots from 0, the rest free.
        const qsizetype count = table.jobCount();
        FUZZ_CHECK(count == expected.size() && arrived.jobCount() == count);
        for (qsizetype i = -1; i <= count + 10; ++i) {
            const JobStatus want = i >= 0 && i < count ? expected.at(i) : JobStatus();
            for (const JobStatus &got : {table.slot(i), arrived.slot(i)})
                FUZZ_CHECK(got.InUse == want.InUse && got.externalId == want.externalId
                           && got.latestAlertStatus == want.latestAlertStatus
                           && got.latestAlertTime == want.latestAlertTime);
        }
    }
}
