#include "FileBytes.h"
#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"
#include "jobs/SavedResponse.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray job(const QByteArray &id, const QByteArray &status = "s", const QByteArray &time = "t")
{
    return R"({"externalId": ")" + id + R"(", "latestAlertStatus": ")" + status
        + R"(", "latestAlertTime": ")" + time + R"("})";
}

const QByteArray kId = "\"externalId\": \"A7\"";
const QByteArray kRest = "\"latestAlertStatus\": \"s\", \"latestAlertTime\": \"t\"";

} // namespace

class tst_JobScanner final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scan_data()
    {
        QTest::addColumn<QByteArrayList>("responses");
        QTest::addColumn<QByteArrayList>("expected"); // "id/status/time" per slot in use
        const auto row = [](const char *name, const QByteArrayList &in, const QByteArrayList &out) {
            QTest::newRow(name) << in << out;
        };

        const QByteArrayList a7{"A7/s/t"};
        row("members in any order", {"{" + kRest + ", " + kId}, a7);
        row("spaces inside quotes trimmed, tab kept", {job("  A7 ", " s 1 ", "\tt ")},
            {"A7/s 1/\tt"});
        row("key ending in the key name", {"{\"myexternalId\": \"A7\", " + kRest}, a7);
        row("first of two members taken", {"{" + kId + ", " + job("B2").mid(1)}, a7);
        row("nested object before the members", {"{\"m\": {\"x\": 1}, " + kId + ", " + kRest}, a7);
        row("escaped quote ends the value", {job("A\\\"7")}, {"A\\/s/t"});
        row("same id twice in one response", {job("A", "s1") + job("B") + job("A", "s2")},
            {"A/s2/t", "B/s/t"});
        row("ids differing only in case", {job("job") + job("JOB")}, {"job/s/t", "JOB/s/t"});
        row("a job that disappears stays", {job("A") + job("B"), job("C") + job("B", "s2"), "[]"},
            {"A/s/t", "B/s2/t", "C/s/t"});
        row("relisted without its first job, with a new last one",
            {job("A") + job("B") + job("C"), job("B", "s2") + job("C", "s2") + job("D")},
            {"A/s/t", "B/s2/t", "C/s2/t", "D/s/t"});
        const QByteArray emptyTime = job("A7", "x", "");
        row("later null or empty time keeps the old values",
            {job("A7"), QByteArray(emptyTime).replace("\"\"}", "null}"), emptyTime}, a7);

        row("compact form", {"{\"externalId\":\"A7\", " + kRest}, {});
        row("two spaces", {"{\"externalId\":  \"A7\", " + kRest}, {});
        row("key not closed by its quote", {"{\"externalId : \"A7\", " + kRest}, {});
        row("other key with the same last letter", {"{" + kRest + ", \"otherId\": \"A7\"}"}, {});
        row("number value", {"{\"externalId\": 815, " + kRest}, {});
        row("empty value", {job("A7", "")}, {});
        row("empty first value, a second one not taken",
            {"{\"externalId\": \"\", " + kId + ", " + kRest}, {});
        row("value of spaces only", {job("A7", "s", "   ")}, {});
        row("members split by a nested object", {"{" + kId + ", \"x\": {\"y\": 1}, " + kRest}, {});
        row("brace inside a value", {job("A7", "s{1")}, {});
        row("members before the first brace", {kId + ", " + kRest + " {}"}, {});
    }

    void scan()
    {
        QFETCH(QByteArrayList, responses);
        QFETCH(QByteArrayList, expected);

        // At once, and as each list arrives byte by byte into a table made room for first.
        JobStatusTable table, arrived;
        for (const QByteArray &response : responses) {
            ParseJobList(response, table);
            arrived.reserve(response.size() / 8);
            JobListScanner scanner(arrived);
            for (qsizetype cut = 0; cut < response.size(); ++cut)
                scanner.feed(QByteArrayView(response).first(cut));
            scanner.finish(response);
        }
        for (const JobStatusTable *result : {&table, &arrived}) {
            QByteArrayList jobs;
            for (qsizetype i = 0; i <= result->jobCount(); ++i) {
                if (const JobStatus &slot = result->slot(i); slot.InUse)
                    jobs << slot.externalId + '/' + slot.latestAlertStatus + '/'
                            + slot.latestAlertTime;
            }
            QCOMPARE(jobs, expected);
        }
    }

    // The pages of a grown index are made ahead of the scan, a step at a time, over the jobs
    // moved into it: each is still found, not stored again.
    void preparedIndexKeepsItsJobs()
    {
        constexpr int kJobs = 20000;
        const auto id = [](int i) { return "J" + QByteArray::number(i); };
        JobStatusTable table;
        for (int i = 0; i < kJobs; ++i)
            table.storeNear(-1, id(i), "s", "t");
        JobListScanner scanner(table);
        scanner.makeRoomFor(qsizetype(kJobs) * 20 * 512);
        int steps = 0;
        while (scanner.prepare())
            ++steps;
        QVERIFY(steps > 0);
        for (int i = 0; i < kJobs; ++i)
            QCOMPARE(table.storeNear(-1, id(i), "s2", "t"), qsizetype(i));
        QCOMPARE(table.jobCount(), kJobs);
    }

    // A saved list is read as the scanner is given it: line breaks dropped, a lone LF kept; a
    // missing one says why.
    void savedResponse_data()
    {
        QTest::addColumn<QByteArray>("bytes");    // null: no file
        QTest::addColumn<QByteArray>("expected"); // or why it was not read
        QTest::newRow("CR LF lines equal the text on one line")
            << QByteArray("[\r\n  {\"externalId\": \"A7\",\r\n  \"x\": \"y\"}\r\n]\r\n")
            << QByteArray("[  {\"externalId\": \"A7\",  \"x\": \"y\"}]");
        QTest::newRow("lone CR ends a line") << QByteArray("a\rb\r\r\nc") << QByteArray("abc");
        QTest::newRow("lone LF stays") << QByteArray("a\nb\r\n\n") << QByteArray("a\nb\n");
        QTest::newRow("no file") << QByteArray() << QByteArray("No such file or directory");
    }

    void savedResponse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        const QTemporaryDir dir;
        const QString path = dir.filePath(u"JobReturn.txt"_s);
        QVERIFY(bytes.isNull() || writeFileBytes(path, bytes));
        const Result<QByteArray> read = readSavedResponse(path);
        QCOMPARE(read ? read.value() : read.reason().toUtf8(), expected);
    }
};

QTEST_GUILESS_MAIN(tst_JobScanner)
#include "tst_jobscanner.moc"
