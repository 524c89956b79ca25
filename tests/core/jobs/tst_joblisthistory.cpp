#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A list of jobs written "id=status@time,id=status@time".
QByteArray listOf(const QByteArray &jobs)
{
    QByteArray list = "[";
    for (const QByteArray &job : jobs.split(',')) {
        if (job.isEmpty())
            continue;
        const QByteArray id = job.left(job.indexOf('='));
        const QByteArray status = job.sliced(id.size() + 1, job.indexOf('@') - id.size() - 1);
        const QByteArray time = job.sliced(job.indexOf('@') + 1);
        list += "{\"externalId\": \"" + id + "\", \"latestAlertStatus\": \"" + status
            + "\", \"latestAlertTime\": \"" + time + "\"},";
    }
    list.back() = ']';
    return list;
}

// The table's jobs written as listOf takes them.
QByteArray tableOf(const JobStatusTable &table)
{
    QByteArrayList jobs;
    for (qsizetype i = 0; i < table.jobCount(); ++i) {
        const JobStatus &job = table.slot(i);
        jobs << job.externalId + '=' + job.latestAlertStatus + '@' + job.latestAlertTime;
    }
    return jobs.join(',');
}

} // namespace

class tst_JobListHistory final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A list that fails part-way (memory ran out in its scan) leaves the table as it was: the
    // jobs it added go, the texts it changed come back, and the jobs it added can be added
    // again by the next list.
    void abandonedListLeavesTheTableAsItWas()
    {
        JobStatusTable table;
        ParseJobList(listOf("A=OK@1,B=OK@1"), table);
        JobListScanner scan(table);
        scan.makeRoomFor(1 << 20);
        scan.feed(listOf("B=Loss@2,A=OK@1,C=OK@2,D=OK@2,B=Freeze@3,E=OK@3"));
        QCOMPARE(tableOf(table), "A=OK@1,B=Freeze@3,C=OK@2,D=OK@2");
        scan.abandon();
        QCOMPARE(tableOf(table), "A=OK@1,B=OK@1");

        ParseJobList(listOf("D=OK@4,C=OK@4,A=OK@1"), table);
        QCOMPARE(tableOf(table), "A=OK@1,B=OK@1,D=OK@4,C=OK@4");
        ParseJobList(listOf("C=Loss@5"), table);
        QCOMPARE(tableOf(table), "A=OK@1,B=OK@1,D=OK@4,C=Loss@5");
    }
};

QTEST_APPLESS_MAIN(tst_JobListHistory)
#include "tst_joblisthistory.moc"
