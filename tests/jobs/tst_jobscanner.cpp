#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"

#include <QTest>

#include <algorithm>
#include <random>

namespace {

QByteArray job(const QByteArray &id, const QByteArray &status = "s", const QByteArray &time = "t")
{
    return "{\"externalId\": \"" + id + "\", \"latestAlertStatus\": \"" + status
        + "\", \"latestAlertTime\": \"" + time + "\"}";
}

const QByteArray kId = "\"externalId\": \"A7\"";
const QByteArray kRest = "\"latestAlertStatus\": \"s\", \"latestAlertTime\": \"t\"";
// The three job keys, then keys that merely end in one or differ from one in case.
const QByteArrayList kKeys = {"externalId", "latestAlertStatus", "latestAlertTime", "myexternalId",
                              "ExternalId"};

QByteArray slotText(const JobStatus &slot)
{
    return slot.externalId + '/' + slot.latestAlertStatus + '/' + slot.latestAlertTime;
}

// The rules read plainly: each "{" starts a stretch searched from its start for every marker;
// a job goes to the slot holding its id, else to the first free slot, else to ten new ones.
void referenceParse(const QByteArray &text, QList<JobStatus> &table)
{
    const QByteArrayList pieces = text.split('{');
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QByteArray t = '{' + pieces[i];
        QByteArrayList values;
        for (const QByteArray &key : kKeys.first(3))
            values << ExtractBetween(key + "\": \"", "\"", t).toByteArray();
        if (values.contains(QByteArray()))
            continue;
        const JobStatus record{true, values[0], values[1], values[2]};
        auto slot = std::ranges::find(table, record.externalId, &JobStatus::externalId);
        if (slot == table.end())
            slot = std::ranges::find(table, false, &JobStatus::InUse);
        if (slot == table.end()) {
            table.resize(table.size() + 10);
            slot = table.end() - 10;
        }
        *slot = record;
    }
}

// Job objects with near-miss members and repeated ids, stray braces and nested objects between.
QByteArray randomText(std::mt19937 &rng)
{
    const auto pick = [&rng](const QByteArrayList &from) { return from.at(rng() % from.size()); };
    const QByteArrayList joins = {"\": \"", "\": \"", "\": \"", "\": \"", "\": \"",
                                  "\":\"", "\":  \"", "\": ", " : \""};
    const QByteArrayList values = {"A", "a", "B", " C ", "q\\\"", "\t", "", "  ", "x{y"};
    const QByteArrayList fragments = {"{", "}", ", ", "\"", "\r\n", "\"x\": {\"y\": 1}"};
    QByteArray text;
    for (auto part = rng() % 40; part > 0; --part) {
        QByteArrayList object;
        for (qsizetype k = 0; k < 5; ++k) {
            if (rng() % 10 < (k < 3 ? 9u : 5u))
                object << '"' + (k < 3 ? kKeys[k] : pick(kKeys)) + pick(joins) + pick(values) + '"';
        }
        std::shuffle(object.begin(), object.end(), rng);
        text += rng() % 2 ? pick(fragments) : '{' + object.join(", ") + '}';
    }
    return text;
}

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
        row("spaces inside quotes trimmed, tab kept", {job("  A7 ", " s 1 ", "\tt ")}, {"A7/s 1/\tt"});
        row("key ending in the key name", {"{\"myexternalId\": \"A7\", " + kRest}, a7);
        row("first of two members taken", {"{" + kId + ", " + job("B2").mid(1)}, a7);
        row("nested object before the members", {"{\"m\": {\"x\": 1}, " + kId + ", " + kRest}, a7);
        row("escaped quote ends the value", {job("A\\\"7")}, {"A\\/s/t"});
        row("same id twice in one response", {job("A", "s1") + job("B") + job("A", "s2")},
            {"A/s2/t", "B/s/t"});
        row("ids differing only in case", {job("job") + job("JOB")}, {"job/s/t", "JOB/s/t"});
        row("a job that disappears stays", {job("A") + job("B"), job("C") + job("B", "s2"), "[]"},
            {"A/s/t", "B/s2/t", "C/s/t"});
        const QByteArray emptyTime = job("A7", "x", "");
        row("later null or empty time keeps the old values",
            {job("A7"), QByteArray(emptyTime).replace("\"\"}", "null}"), emptyTime}, a7);

        row("compact form", {"{\"externalId\":\"A7\", " + kRest}, {});
        row("two spaces", {"{\"externalId\":  \"A7\", " + kRest}, {});
        row("key not closed by its quote", {"{\"externalId : \"A7\", " + kRest}, {});
        row("number value", {"{\"externalId\": 815, " + kRest}, {});
        row("empty value", {job("A7", "")}, {});
        row("value of spaces only", {job("A7", "s", "   ")}, {});
        row("members split by a nested object", {"{" + kId + ", \"x\": {\"y\": 1}, " + kRest}, {});
        row("brace inside a value", {job("A7", "s{1")}, {});
        row("members before the first brace", {kId + ", " + kRest + " {}"}, {});
    }

    void scan()
    {
        QFETCH(QByteArrayList, responses);
        QFETCH(QByteArrayList, expected);

        JobStatusTable table;
        for (const QByteArray &response : responses)
            ParseJobList(response, table);
        QByteArrayList jobs;
        for (qsizetype i = 0; i <= table.upperBound(); ++i) {
            if (table.slot(i).InUse)
                jobs << slotText(table.slot(i));
        }
        QCOMPARE(jobs, expected);
    }

    void growth()
    {
        // Distinct jobs stored -> upper bound: the start-up slot takes one, then ten at a time.
        const QList<std::pair<int, int>> checks = {{1, 0}, {2, 10}, {11, 10}, {12, 20}, {40002, 40010}};
        JobStatusTable table;
        for (const auto &[jobs, upperBound] : checks) {
            for (qsizetype i = table.jobCount(); i < jobs; ++i) {
                table.StoreJobStatus(JobStatus{true, QByteArray::number(i), "s", "t"});
                // Seeing a job again, or a partial record, never takes a slot.
                table.StoreJobStatus(JobStatus{true, QByteArray::number(i / 2), "s2", "t"});
                table.StoreJobStatus(JobStatus{true, "partial", "s", ""});
            }
            QCOMPARE(table.upperBound(), upperBound);
            QCOMPARE(table.jobCount(), jobs);
        }
    }

    void matchesPlainReading()
    {
        std::mt19937 rng(20240531u);
        qsizetype jobsSeen = 0;
        for (int run = 0; run < 3000; ++run) {
            JobStatusTable table;
            QList<JobStatus> reference(1);
            for (int response = 0; response < 4; ++response) {
                const QByteArray text = randomText(rng);
                ParseJobList(text, table);
                referenceParse(text, reference);
                QCOMPARE(table.upperBound(), reference.size() - 1);
                for (qsizetype i = 0; i < reference.size(); ++i)
                    QCOMPARE(slotText(table.slot(i)), slotText(reference.at(i)));
            }
            jobsSeen += table.jobCount();
        }
        // The texts must yield jobs, or the comparison proves little.
        QVERIFY2(jobsSeen > 5000, qPrintable(QString::number(jobsSeen)));
    }
};

QTEST_GUILESS_MAIN(tst_JobScanner)
#include "tst_jobscanner.moc"
