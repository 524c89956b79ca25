#include "JobLists.h"
#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"
#include "traffic/TransferDetails.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The table's jobs written as jobList takes them.
QByteArray tableOf(const JobStatusTable &table)
{
    QByteArrayList jobs;
    for (qsizetype i = 0; i < table.jobCount(); ++i) {
        const JobStatus &job = table.slot(i);
        jobs << job.externalId + '/' + job.latestAlertStatus + '/' + job.latestAlertTime;
    }
    return jobs.join(' ');
}

// The marks of every job after the last list: "A:- B:new C:status+time(was OK@1) D:notlisted".
QByteArray marksOf(const JobStatusTable &table)
{
    QByteArrayList jobs;
    for (qsizetype i = 0; i < table.jobCount(); ++i) {
        const unsigned marks = table.history().marks(i, table.slot(i));
        QByteArrayList names;
        for (const auto &[mark, name] : {std::pair{JobListHistory::New, "new"},
                                         std::pair{JobListHistory::StatusChanged, "status"},
                                         std::pair{JobListHistory::TimeChanged, "time"},
                                         std::pair{JobListHistory::NotListed, "notlisted"}}) {
            if (marks & mark)
                names << name;
        }
        QByteArray job = table.slot(i).externalId + ':' + (names.isEmpty() ? "-" : names.join('+'));
        if (const JobListHistory::Change *was = table.history().changeOf(i))
            job += "(was " + was->latestAlertStatus + '@' + was->latestAlertTime + ')';
        jobs << job;
    }
    return jobs.join(' ');
}

// What a watch prints after the last list: "B:new C:changed D:gone".
QByteArray differencesOf(const JobStatusTable &table)
{
    QByteArrayList lines;
    table.history().forEachDifference(
        table.jobCount(), [&](qsizetype slot, JobListHistory::Difference difference) {
            const char *what[] = {"new", "changed", "gone"};
            lines << table.slot(slot).externalId + ':' + what[int(difference)];
        });
    return lines.join(' ');
}

} // namespace

class tst_JobListHistory final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Two and three lists in a row: each job's marks against the list before the last, the
    // status line's count, and the lines a watch prints.
    void marks_data()
    {
        QTest::addColumn<QByteArrayList>("lists");
        QTest::addColumn<QByteArray>("marks");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QByteArray>("differences");
        const auto row = [](const char *name, const QByteArray &lists, const QByteArray &marks,
                            const QString &count, const QByteArray &differences) {
            QTest::newRow(name) << lists.split('|') << marks << count << differences;
        };
        row("a run's first list marks nothing", "A/OK/1 B/OK/1", "A:- B:-", u"2 jobs · no change"_s,
            "A:new B:new");
        row("new", "A/OK/1|A/OK/1 B/OK/1", "A:- B:new", u"2 jobs · 1 new"_s, "B:new");
        row("status changed", "A/OK/1|A/Loss/1", "A:status(was OK@1)", u"1 job · 1 changed"_s,
            "A:changed");
        row("time changed", "A/OK/1|A/OK/2", "A:time(was OK@1)", u"1 job · 1 changed"_s,
            "A:changed");
        row("both changed", "A/OK/1|A/Loss/2", "A:status+time(was OK@1)", u"1 job · 1 changed"_s,
            "A:changed");
        row("not listed", "A/OK/1 B/OK/1|A/OK/1", "A:- B:notlisted", u"1 job · 1 not listed"_s,
            "B:gone");
        row("still not listed: gone once", "A/OK/1 B/OK/1|A/OK/1|A/OK/1", "A:- B:notlisted",
            u"1 job · 1 not listed"_s, "");
        row("listed again after being absent", "A/OK/1 B/OK/1|A/OK/1|B/OK/1 A/OK/1", "A:- B:-",
            u"2 jobs · no change"_s, "B:new");
        row("back and changed", "A/OK/1 B/OK/1|A/OK/1|B/Loss/1 A/OK/1", "A:- B:status(was OK@1)",
            u"2 jobs · 1 changed"_s, "B:new");
        row("changed, then unchanged", "A/OK/1|A/OK/2|A/OK/2", "A:-", u"1 job · no change"_s, "");
        row("new, then listed again", "A/OK/1|A/OK/1 B/OK/1|A/OK/1 B/OK/1", "A:- B:-",
            u"2 jobs · no change"_s, "");
        row("three lists: new, changed and not listed",
            "A/OK/1 B/OK/1|A/OK/1 C/OK/1|A/Loss/1 D/OK/1",
            "A:status(was OK@1) B:notlisted C:notlisted D:new",
            u"2 jobs · 1 new · 1 changed · 2 not listed"_s, "A:changed C:gone D:new");
        row("a job twice in one list keeps its texts from before the list",
            "A/OK/1|A/Loss/2 A/Freeze/3", "A:status+time(was OK@1)", u"1 job · 1 changed"_s,
            "A:changed");
        row("a job twice in one list, back to its texts", "A/OK/1|A/Loss/2 A/OK/1", "A:-",
            u"1 job · no change"_s, "");
        row("a job twice in one list, changed the second time", "A/OK/1|A/OK/1 A/Loss/1",
            "A:status(was OK@1)", u"1 job · 1 changed"_s, "A:changed");
        row("an empty list", "A/OK/1|", "A:notlisted", u"0 jobs · 1 not listed"_s, "A:gone");
    }

    void marks()
    {
        QFETCH(QByteArrayList, lists);
        QFETCH(QByteArray, marks);
        QFETCH(QString, count);
        QFETCH(QByteArray, differences);
        JobStatusTable table;
        for (const QByteArray &list : std::as_const(lists))
            ParseJobList(jobList(list), table);
        QCOMPARE(marksOf(table), marks);
        QCOMPARE(listDetails(table.history().lastList().value()), count);
        QCOMPARE(differencesOf(table), differences);
    }

    // Large counts are grouped in thousands as an operator reads them.
    void countOfALargeList()
    {
        JobStatusTable table;
        ParseJobList(jobList("A/OK/1"), table);
        ParseJobList(numberedJobList(1200), table);
        QCOMPARE(listDetails(table.history().lastList().value()),
                 u"1,200 jobs · 1,200 new · 1 not listed"_s);
    }

    // The next marked row forwards and backwards, wrapping at the ends.
    void nextMarked_data()
    {
        QTest::addColumn<qsizetype>("from");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<qsizetype>("next");
        // Slots 0 to 4 hold A C D E B; D (slot 2, changed) and B (slot 4, new) are marked.
        const auto row = [](const char *name, qsizetype from, bool forward, qsizetype next) {
            QTest::newRow(name) << from << forward << next;
        };
        row("forward from the first", 0, true, 2);
        row("forward from a marked one", 2, true, 4);
        row("forward from the last wraps", 4, true, 2);
        row("forward from just before one", 3, true, 4);
        row("backward from a marked one", 4, false, 2);
        row("backward from a marked one wraps", 2, false, 4);
        row("backward from the first wraps", 0, false, 4);
        row("forward from no row", -1, true, 2);
        row("backward from no row", -1, false, 4);
    }

    void nextMarked()
    {
        QFETCH(qsizetype, from);
        QFETCH(bool, forward);
        QFETCH(qsizetype, next);
        JobStatusTable table;
        ParseJobList(jobList("A/OK/1 C/OK/1 D/OK/1 E/OK/1"), table);
        ParseJobList(jobList("A/OK/1 C/OK/1 D/OK/2 E/OK/1 B/OK/1"), table);
        QCOMPARE(marksOf(table), "A:- C:- D:time(was OK@1) E:- B:new");
        QCOMPARE(table.history().nextMarked(from, forward, table.jobCount()), next);
    }

    void nothingMarked()
    {
        JobStatusTable table;
        QCOMPARE(table.history().nextMarked(0, true, 0), qsizetype(-1));
        ParseJobList(jobList("A/OK/1 B/OK/1"), table);
        ParseJobList(jobList("A/OK/1 B/OK/1"), table);
        QCOMPARE(table.history().nextMarked(0, true, 2), qsizetype(-1));
        QCOMPARE(table.history().nextMarked(1, false, 2), qsizetype(-1));
    }

    // A list that fails part-way (memory ran out in its scan) leaves the table as it was: the
    // jobs it added go, the texts it changed come back, and the jobs it added can be added
    // again by the next list.
    void abandonedListLeavesTheTableAsItWas()
    {
        JobStatusTable table;
        ParseJobList(jobList("A/OK/1 B/OK/1"), table);
        JobListScanner scan(table);
        scan.makeRoomFor(1 << 20);
        scan.feed(jobList("B/Loss/2 A/OK/1 C/OK/2 D/OK/2 B/Freeze/3 E/OK/3"));
        QCOMPARE(tableOf(table), "A/OK/1 B/Freeze/3 C/OK/2 D/OK/2");
        scan.abandon();
        QCOMPARE(tableOf(table), "A/OK/1 B/OK/1");

        ParseJobList(jobList("D/OK/4 C/OK/4 A/OK/1"), table);
        QCOMPARE(tableOf(table), "A/OK/1 B/OK/1 D/OK/4 C/OK/4");
        ParseJobList(jobList("C/Loss/5"), table);
        QCOMPARE(tableOf(table), "A/OK/1 B/OK/1 D/OK/4 C/Loss/5");
    }
};

QTEST_APPLESS_MAIN(tst_JobListHistory)
#include "tst_joblisthistory.moc"
