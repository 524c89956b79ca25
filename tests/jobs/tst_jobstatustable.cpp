#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"

#include <QTest>

Q_DECLARE_METATYPE(JobStatus)

namespace {

JobStatus record(const QByteArray &id, const QByteArray &status, const QByteArray &time)
{
    return JobStatus{true, id, status, time};
}

QByteArray jobObject(const QByteArray &id, const QByteArray &status, const QByteArray &time)
{
    return "{\"externalId\": \"" + id + "\", \"latestAlertStatus\": \"" + status
        + "\", \"latestAlertTime\": \"" + time + "\"}";
}

// "id/status/time" for every slot in use, in slot order.
QByteArrayList jobs(const JobStatusTable &table)
{
    QByteArrayList rows;
    for (qsizetype i = 0; i <= table.upperBound(); ++i) {
        const JobStatus &slot = table.slot(i);
        if (slot.InUse)
            rows << slot.externalId + '/' + slot.latestAlertStatus + '/' + slot.latestAlertTime;
    }
    return rows;
}

} // namespace

class tst_JobStatusTable final : public QObject
{
    Q_OBJECT

private slots:
    void growth_data();
    void growth();
    void responses_data();
    void responses();
    void refusesIncompleteRecord_data();
    void refusesIncompleteRecord();
};

void tst_JobStatusTable::growth_data()
{
    QTest::addColumn<int>("distinctJobs");
    QTest::addColumn<int>("upperBound");

    QTest::newRow("fresh table") << 0 << 0;
    QTest::newRow("first job fits the start-up slot") << 1 << 0;
    QTest::newRow("second job grows to 10") << 2 << 10;
    QTest::newRow("eleventh job still fits") << 11 << 10;
    QTest::newRow("twelfth job grows to 20") << 12 << 20;
    QTest::newRow("twenty-second job grows to 30") << 22 << 30;
    QTest::newRow("past 32,766 jobs") << 40002 << 40010;
}

void tst_JobStatusTable::growth()
{
    QFETCH(int, distinctJobs);
    QFETCH(int, upperBound);

    JobStatusTable table;
    for (int i = 0; i < distinctJobs; ++i) {
        table.StoreJobStatus(record(QByteArray::number(i), "s", "t"));
        // Seeing a job again never takes a slot.
        table.StoreJobStatus(record(QByteArray::number(i / 2), "s2", "t"));
    }
    QCOMPARE(table.upperBound(), upperBound);
    QCOMPARE(table.jobCount(), distinctJobs);
    for (int i = 0; i < distinctJobs; ++i)
        QCOMPARE(table.slot(i).externalId, QByteArray::number(i));
    QVERIFY(!table.slot(distinctJobs).InUse);
    QVERIFY(table.slot(distinctJobs).externalId.isEmpty());
}

void tst_JobStatusTable::responses_data()
{
    QTest::addColumn<QByteArrayList>("responses");
    QTest::addColumn<QByteArrayList>("expected");

    QTest::newRow("same id twice in one response: later values, earlier slot")
        << QByteArrayList{"[" + jobObject("A", "s1", "t1") + "," + jobObject("B", "s", "t") + ","
                          + jobObject("A", "s2", "t2") + "]"}
        << QByteArrayList{"A/s2/t2", "B/s/t"};
    QTest::newRow("ids differing only in case are two jobs")
        << QByteArrayList{jobObject("job", "s", "t") + jobObject("JOB", "s", "t")}
        << QByteArrayList{"job/s/t", "JOB/s/t"};
    QTest::newRow("job missing from a later response stays")
        << QByteArrayList{jobObject("A", "s", "t") + jobObject("B", "s", "t"),
                          jobObject("B", "s2", "t2"), "[]"}
        << QByteArrayList{"A/s/t", "B/s2/t2"};
    QTest::newRow("later empty time keeps the old values")
        << QByteArrayList{jobObject("A", "s1", "t1"), jobObject("A", "s2", "")}
        << QByteArrayList{"A/s1/t1"};
    QTest::newRow("later null time keeps the old values")
        << QByteArrayList{jobObject("A", "s1", "t1"),
                          "{\"externalId\": \"A\", \"latestAlertStatus\": \"s2\", "
                          "\"latestAlertTime\": null}"}
        << QByteArrayList{"A/s1/t1"};
    QTest::newRow("later compact form keeps the old values")
        << QByteArrayList{jobObject("A", "s1", "t1"),
                          "{\"externalId\":\"A\",\"latestAlertStatus\":\"s2\","
                          "\"latestAlertTime\":\"t2\"}"}
        << QByteArrayList{"A/s1/t1"};
    QTest::newRow("new job after an update goes last")
        << QByteArrayList{jobObject("A", "s", "t") + jobObject("B", "s", "t"),
                          jobObject("C", "s", "t") + jobObject("A", "s3", "t3")}
        << QByteArrayList{"A/s3/t3", "B/s/t", "C/s/t"};
}

void tst_JobStatusTable::responses()
{
    QFETCH(QByteArrayList, responses);
    QFETCH(QByteArrayList, expected);

    JobStatusTable table;
    for (const QByteArray &response : responses)
        ParseJobList(response, table);
    QCOMPARE(jobs(table), expected);
}

void tst_JobStatusTable::refusesIncompleteRecord_data()
{
    QTest::addColumn<JobStatus>("bad");

    QTest::newRow("not in use, known id") << JobStatus{false, "A", "s2", "t2"};
    QTest::newRow("empty id") << record("", "s2", "t2");
    QTest::newRow("empty status, known id") << record("A", "", "t2");
    QTest::newRow("empty time, new id") << record("B", "s2", "");
}

void tst_JobStatusTable::refusesIncompleteRecord()
{
    // A slot in use always holds three texts, so a partial record can neither update a job
    // nor take a slot.
    QFETCH(JobStatus, bad);

    JobStatusTable table;
    table.StoreJobStatus(record("A", "s1", "t1"));
    table.StoreJobStatus(bad);
    QCOMPARE(jobs(table), QByteArrayList{"A/s1/t1"});
    QCOMPARE(table.upperBound(), 0);
    table.StoreJobStatus(record("C", "s", "t"));
    QCOMPARE(table.slot(1).externalId, QByteArray("C"));
}

QTEST_GUILESS_MAIN(tst_JobStatusTable)
#include "tst_jobstatustable.moc"
