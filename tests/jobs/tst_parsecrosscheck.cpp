// The scanner's single-pass search and the table's index are checked against a plain reading
// of the rules: split at every "{", search each marker from the start of "{" + piece, and a
// linear search over the slots.

#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"

#include <QTest>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

struct RefJob
{
    bool inUse = false;
    std::string id;
    std::string status;
    std::string time;
};

std::string refTrim(const std::string &text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// 1-based positions, 0 for "not found", as the rules are written.
std::string refExtract(const std::string &start, const std::string &end, const std::string &text)
{
    const size_t found = text.find(start);
    const size_t p1 = found == std::string::npos ? 0 : found + 1;
    if (p1 == 0)
        return std::string();
    const size_t s = p1 + start.size();
    const size_t foundEnd = s - 1 <= text.size() ? text.find(end, s - 1) : std::string::npos;
    const size_t p2 = foundEnd == std::string::npos ? 0 : foundEnd + 1;
    if (p2 > p1 && s < p2)
        return refTrim(text.substr(s - 1, p2 - s));
    return std::string();
}

void refStore(std::vector<RefJob> &table, const RefJob &record)
{
    long long free = -1;
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i].inUse && table[i].id == record.id) {
            table[i] = record;
            return;
        }
        if (!table[i].inUse && free == -1)
            free = static_cast<long long>(i);
    }
    if (free >= 0) {
        table[static_cast<size_t>(free)] = record;
        return;
    }
    const size_t oldSize = table.size();
    table.resize(oldSize + 10);
    table[oldSize] = record;
}

// Returns how many records were stored.
int refParse(const std::string &text, std::vector<RefJob> &table)
{
    int stored = 0;
    std::vector<std::string> pieces;
    size_t from = 0;
    for (size_t brace = text.find('{'); brace != std::string::npos;
         brace = text.find('{', from)) {
        pieces.push_back(text.substr(from, brace - from));
        from = brace + 1;
    }
    pieces.push_back(text.substr(from));
    for (size_t i = 1; i < pieces.size(); ++i) {
        const std::string t = "{" + pieces[i];
        RefJob record;
        record.id = refExtract("externalId\": \"", "\"", t);
        record.status = refExtract("latestAlertStatus\": \"", "\"", t);
        record.time = refExtract("latestAlertTime\": \"", "\"", t);
        if (!record.id.empty() && !record.status.empty() && !record.time.empty()) {
            record.inUse = true;
            refStore(table, record);
            ++stored;
        }
    }
    return stored;
}

int pick(std::mt19937 &random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

template<size_t N>
const char *choose(std::mt19937 &random, const char *const (&options)[N])
{
    return options[pick(random, 0, static_cast<int>(N) - 1)];
}

std::string makeMember(std::mt19937 &random, const char *key)
{
    static const char *const values[] = {"A", "a", "B", " C ", "A7", "A", "B", "a",
                                         "",  "  ", "x{y", "\xc3\xa9", "\t", "q\\\"", "s", "t"};
    static const char *const separators[] = {"\": \"", "\": \"", "\": \"", "\": \"",
                                             "\": \"", "\": \"", "\": \"", "\": \"",
                                             "\": \"", "\": \"", "\":\"", "\":  \""};
    return std::string("\"") + key + choose(random, separators) + choose(random, values) + "\"";
}

// Mostly the three job members in any order, now and then a member missing, another key or a
// near miss.
std::string makeJob(std::mt19937 &random)
{
    static const char *const keys[] = {"externalId", "latestAlertStatus", "latestAlertTime"};
    static const char *const otherKeys[] = {"myexternalId", "other", "externalId"};
    std::vector<std::string> members;
    for (const char *key : keys) {
        if (pick(random, 0, 9) > 0)
            members.push_back(makeMember(random, key));
    }
    for (int extra = pick(random, 0, 2); extra > 0; --extra)
        members.push_back(makeMember(random, choose(random, otherKeys)));
    std::shuffle(members.begin(), members.end(), random);
    std::string out = "{";
    for (size_t i = 0; i < members.size(); ++i)
        out += (i ? (pick(random, 0, 1) ? ", " : ",\r\n    ") : "") + members[i];
    return out + (pick(random, 0, 3) ? "}" : "");
}

// Texts built from pieces close to the member form, so that near misses, repeats, nested
// objects and stray braces all come up often.
std::string makeText(std::mt19937 &random)
{
    static const char *const fragments[] = {
        "{", "}", "[", "]", ", ", " ", "\"", ":", ": ", "\": \"", "null", "\n", "\r\n", "\t",
        "\"externalId\": \"", "\"latestAlertStatus\": \"", "\"latestAlertTime\": \"",
        "latestAlertTime\": ", "\"x\": {\"y\": \"z\"}", "A", "B"};
    std::string out;
    const int parts = pick(random, 0, 40);
    for (int i = 0; i < parts; ++i)
        out += pick(random, 0, 2) == 0 ? makeJob(random) : choose(random, fragments);
    return out;
}

} // namespace

class tst_ParseCrossCheck final : public QObject
{
    Q_OBJECT

private slots:
    void parseMatchesReference();
};

void tst_ParseCrossCheck::parseMatchesReference()
{
    std::mt19937 random(20240531u);
    int recordsStored = 0;
    for (int run = 0; run < 3000; ++run) {
        // Several responses into one table, as in a run of the program.
        JobStatusTable table;
        std::vector<RefJob> reference(1);
        for (int response = 0; response < 4; ++response) {
            const std::string text = makeText(random);
            ParseJobList(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())), table);
            recordsStored += refParse(text, reference);
            QCOMPARE(table.upperBound(), static_cast<qsizetype>(reference.size()) - 1);
            for (size_t i = 0; i < reference.size(); ++i) {
                const JobStatus &slot = table.slot(static_cast<qsizetype>(i));
                QCOMPARE(slot.InUse, reference[i].inUse);
                QCOMPARE(slot.externalId.toStdString(), reference[i].id);
                QCOMPARE(slot.latestAlertStatus.toStdString(), reference[i].status);
                QCOMPARE(slot.latestAlertTime.toStdString(), reference[i].time);
            }
        }
    }
    // The generated texts must actually produce jobs, or the comparison proves little.
    QVERIFY2(recordsStored > 10000, qPrintable(QString::number(recordsStored)));
}

QTEST_GUILESS_MAIN(tst_ParseCrossCheck)
#include "tst_parsecrosscheck.moc"
