// The job-list scanner fills the status table; the table must keep its own promises, and the
// jobs must be those a plain, slow reading of the same lists finds.
//
// Input: one or more job lists separated by NUL bytes, scanned into the same table in turn.
#include "FuzzCheck.h"

#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"

#include <QHash>
#include <QList>

#include <array>
#include <cstddef>
#include <cstdint>

namespace {

// The reading the scanner promises, written the obvious way: every stretch from a "{" to the
// next one, each member the text between its first `key": "` and the next quote.
void referenceScan(QByteArrayView text, QList<JobStatus> &jobs, QHash<QByteArray, qsizetype> &index)
{
    static constexpr std::array<QByteArrayView, 3> kMarkers = {
        QByteArrayView("externalId\": \""),
        QByteArrayView("latestAlertStatus\": \""),
        QByteArrayView("latestAlertTime\": \""),
    };
    qsizetype brace = text.indexOf('{');
    while (brace >= 0) {
        const qsizetype next = text.indexOf('{', brace + 1);
        const QByteArrayView stretch = text.sliced(brace, (next < 0 ? text.size() : next) - brace);
        brace = next;
        std::array<QByteArray, 3> values;
        bool complete = true;
        for (std::size_t k = 0; k < kMarkers.size(); ++k) {
            values[k] = ExtractBetween(kMarkers[k], "\"", stretch).toByteArray();
            complete = complete && !values[k].isEmpty();
        }
        if (!complete)
            continue;
        const JobStatus job{true, values[0], values[1], values[2]};
        const auto found = index.constFind(job.externalId);
        if (found != index.constEnd()) {
            jobs[found.value()] = job;
        } else {
            index.insert(job.externalId, jobs.size());
            jobs.append(job);
        }
    }
}

bool sameJob(const JobStatus &a, const JobStatus &b)
{
    return a.InUse == b.InUse && a.externalId == b.externalId
        && a.latestAlertStatus == b.latestAlertStatus && a.latestAlertTime == b.latestAlertTime;
}

void checkTable(const JobStatusTable &table, const QList<JobStatus> &expected)
{
    const qsizetype count = table.jobCount();
    FUZZ_CHECK(count == expected.size());
    // One slot to begin with, then ten more whenever a job finds none free.
    const qsizetype bound = table.upperBound();
    FUZZ_CHECK(bound % 10 == 0);
    FUZZ_CHECK(bound >= count - 1 && (count == 0 ? bound == 0 : bound - (count - 1) < 10));

    QHash<QByteArray, qsizetype> seen;
    for (qsizetype i = 0; i <= bound; ++i) {
        const JobStatus &slot = table.slot(i);
        if (i < count) {
            FUZZ_CHECK(slot.InUse && !slot.externalId.isEmpty()
                       && !slot.latestAlertStatus.isEmpty() && !slot.latestAlertTime.isEmpty());
            FUZZ_CHECK(!seen.contains(slot.externalId));
            seen.insert(slot.externalId, i);
            FUZZ_CHECK(sameJob(slot, expected.at(i)));
        } else {
            FUZZ_CHECK(!slot.InUse && slot.externalId.isEmpty()
                       && slot.latestAlertStatus.isEmpty() && slot.latestAlertTime.isEmpty());
        }
    }
    FUZZ_CHECK(!table.slot(bound + 1).InUse && !table.slot(-1).InUse);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    JobStatusTable table;
    QList<JobStatus> expected;
    QHash<QByteArray, qsizetype> index;
    qsizetype start = 0;
    while (start <= input.size()) {
        qsizetype stop = input.indexOf('\0', start);
        if (stop < 0)
            stop = input.size();
        const QByteArrayView list = input.sliced(start, stop - start);
        ParseJobList(list, table);
        referenceScan(list, expected, index);
        checkTable(table, expected);
        start = stop + 1;
    }
    return 0;
}
