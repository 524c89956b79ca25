#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"

#include <QTest>

namespace {

// The member form the scanner accepts: "key": "value".
QByteArray member(const QByteArray &key, const QByteArray &value)
{
    return "\"" + key + "\": \"" + value + "\"";
}

// An object of the given members, joined by ", ".
QByteArray object(const QByteArrayList &members)
{
    return "{" + members.join(", ") + "}";
}

QByteArray job(const QByteArray &id, const QByteArray &status, const QByteArray &time)
{
    return object({member("externalId", id), member("latestAlertStatus", status),
                   member("latestAlertTime", time)});
}

const QByteArray kId = member("externalId", "A7");
const QByteArray kStatus = member("latestAlertStatus", "s1");
const QByteArray kTime = member("latestAlertTime", "t1");

// "id/status/time" for every job in the table, in slot order.
QByteArrayList scan(const QByteArray &text)
{
    JobStatusTable table;
    ParseJobList(text, table);
    QByteArrayList jobs;
    for (qsizetype i = 0; i < table.jobCount(); ++i) {
        const JobStatus &slot = table.slot(i);
        jobs << slot.externalId + '/' + slot.latestAlertStatus + '/' + slot.latestAlertTime;
    }
    return jobs;
}

} // namespace

class tst_JobScanner final : public QObject
{
    Q_OBJECT

private slots:
    void extractBetween_data();
    void extractBetween();
    void jobFound_data();
    void jobFound();
    void jobNotFound_data();
    void jobNotFound();
};

void tst_JobScanner::extractBetween_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("expected");

    // The end marker is ">" throughout.
    const auto row = [](const char *name, const char *start, const char *text, const char *found) {
        QTest::newRow(name) << QByteArray(start) << QByteArray(text) << QByteArray(found);
    };
    row("value between markers", "<", "x<v1>y", "v1");
    row("spaces trimmed, inner ones kept", "<", "< a b >", "a b");
    row("tab and line break kept", "<", "< \ta\n >", "\ta\n");
    row("only spaces", "<", "<   >", "");
    row("end marker right at s", "<", "x<>y>", "");
    row("end marker missing", "<", "x<abc", "");
    row("start marker missing", "<", "abc>", "");
    row("start marker at the very end", "<<", "a>b<<", "");
    row("end marker before the start not used", "<", ">a<b>", "b");
    row("first start marker wins when empty", "<", "<> <b>", "");
}

void tst_JobScanner::extractBetween()
{
    QFETCH(QByteArray, start);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, expected);

    const QByteArrayView found = ExtractBetween(start, ">", text);
    QCOMPARE(found.toByteArray(), expected);
    // The result is a view into the text, not a copy.
    if (!found.isEmpty())
        QVERIFY(found.data() > text.constData() && found.data() < text.constData() + text.size());
}

void tst_JobScanner::jobFound_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArrayList>("expected");

    const QByteArrayList plain{"A7/s1/t1"};
    QTest::newRow("members in order") << job("A7", "s1", "t1") << plain;
    QTest::newRow("members in any order") << "[" + object({kTime, kId, kStatus}) + "]" << plain;
    QTest::newRow("spaces inside quotes trimmed")
        << job("  A7 ", " s 1 ", "t1  ") << QByteArrayList{"A7/s 1/t1"};
    QTest::newRow("tab inside quotes kept")
        << job("\tA7", "s1", "t1") << QByteArrayList{"\tA7/s1/t1"};
    QTest::newRow("key ending in the key name")
        << object({member("myexternalId", "A7"), kStatus, kTime}) << plain;
    QTest::newRow("first of two members taken")
        << object({kId, member("externalId", "B2"), kStatus, kTime}) << plain;
    QTest::newRow("nested object before the members")
        << object({"\"meta\": " + object({member("x", "y")}), kId, kStatus, kTime}) << plain;
    QTest::newRow("brace in a value before the members")
        << object({member("note", "a{b"), kId, kStatus, kTime}) << plain;
    QTest::newRow("brace in a value after the members")
        << object({kId, kStatus, kTime, member("note", "{")}) << plain;
    QTest::newRow("escaped quote ends the value")
        << job("A\\\"7", "s1", "t1") << QByteArrayList{"A\\/s1/t1"};
    QTest::newRow("bytes kept raw")
        << job("\xc3\xa9\xff", "s1", "t1") << QByteArrayList{"\xc3\xa9\xff/s1/t1"};
    QTest::newRow("pretty printed with CR LF")
        << "[\r\n    {\r\n        " + kId + ",\r\n        " + kStatus + ",\r\n        " + kTime
            + "\r\n    }\r\n]\r\n"
        << plain;
    QTest::newRow("array order kept, a skipped job leaves no gap")
        << "[" + job("C3", "s", "t") + ", " + job("B2", "", "t") + ", " + job("A1", "s", "t") + "]"
        << QByteArrayList{"C3/s/t", "A1/s/t"};
}

void tst_JobScanner::jobFound()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArrayList, expected);

    QCOMPARE(scan(text), expected);
}

void tst_JobScanner::jobNotFound_data()
{
    QTest::addColumn<QByteArray>("text");

    const QByteArray statusAndTime = kStatus + ", " + kTime;
    QTest::newRow("empty text") << QByteArray();
    QTest::newRow("no brace") << kId + ", " + statusAndTime;
    QTest::newRow("members before the first brace") << kId + ", " + statusAndTime + " {}";
    QTest::newRow("compact form")
        << QByteArray("{\"externalId\":\"A7\",\"latestAlertStatus\":\"s1\","
                      "\"latestAlertTime\":\"t1\"}");
    QTest::newRow("two spaces after the colon") << "{\"externalId\":  \"A7\", " + statusAndTime;
    QTest::newRow("space before the colon") << "{\"externalId\" : \"A7\", " + statusAndTime;
    QTest::newRow("null value") << object({kId, kStatus, "\"latestAlertTime\": null"});
    QTest::newRow("number value") << object({"\"externalId\": 815", kStatus, kTime});
    QTest::newRow("empty value") << job("A7", "", "t1");
    QTest::newRow("value of spaces only") << job("A7", "s1", "   ");
    QTest::newRow("key in another case") << object({member("ExternalId", "A7"), kStatus, kTime});
    QTest::newRow("member missing") << object({kId, kStatus});
    QTest::newRow("members split by a nested object")
        << object({kId, "\"x\": " + object({member("y", "z")}), kStatus, kTime});
    QTest::newRow("brace in a value between the members")
        << object({kId, member("note", "{"), kStatus, kTime});
    QTest::newRow("brace in a job value") << job("A7", "s{1", "t1");
    QTest::newRow("value not closed") << "{" + statusAndTime + ", \"externalId\": \"A7";
    QTest::newRow("first member empty, second filled")
        << object({member("externalId", ""), kId, kStatus, kTime});
}

void tst_JobScanner::jobNotFound()
{
    QFETCH(QByteArray, text);

    JobStatusTable table;
    ParseJobList(text, table);
    QCOMPARE(table.jobCount(), 0);
    QCOMPARE(table.upperBound(), 0);
    QVERIFY(!table.slot(0).InUse);
}

QTEST_GUILESS_MAIN(tst_JobScanner)
#include "tst_jobscanner.moc"
