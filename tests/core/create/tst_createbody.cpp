#include "ExampleFields.h"
#include "create/CreateBody.h"
#include "create/ExternalId.h"
#include "create/RandomSource.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Hands out the given draws in turn.
class ScriptedRandom final : public RandomSource
{
public:
    QList<float> draws;
    float next() override { return draws.takeFirst(); }
};

} // namespace

class tst_CreateBody final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bodyIsTheApiText()
    {
        QCOMPARE(buildCreateBody(changedExample([](auto &) {})).toUtf8(), workedExampleBody());
    }

    // Values go in trimmed of spaces only, and otherwise exactly as typed; ports unquoted.
    void valuesAreTrimmedOfSpacesOnly_data()
    {
        QTest::addColumn<CreateFields>("fields");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("line");
        const auto program = [](const char *name, const QString &typed, const QString &line) {
            QTest::newRow(name) << changedExample([&](auto &f) { f.program = typed; }) << 4 << line;
        };
        program("spaces around", u"  News  "_s, u"    \"programName\": \"News\","_s);
        program("tab kept", u"\tNews"_s, u"    \"programName\": \"\tNews\","_s);
        program("quote kept", u"a\"b"_s, u"    \"programName\": \"a\"b\","_s);
        QTest::newRow("port as typed")
            << changedExample([](auto &f) { f.streams[1].primaryPort = u" &H50 "_s; }) << 15
            << u"            \"primaryUdpPort\": &H50,"_s;
    }

    void valuesAreTrimmedOfSpacesOnly()
    {
        QFETCH(CreateFields, fields);
        QFETCH(int, index);
        QFETCH(QString, line);
        QCOMPARE(buildCreateBody(fields).split(u"\r\n"_s).at(index), line);
    }

    void externalId_data()
    {
        QTest::addColumn<float>("first");
        QTest::addColumn<float>("second");
        QTest::addColumn<QString>("id");
        QTest::newRow("middle draws") << 0.5F << 0.25F << u"6400048000"_s;
        QTest::newRow("highest draw rounds up to 96000") << 0.99999994F << 0.0F << u"9600032000"_s;
        // 32062.5 and 32187.5: halfway goes to the even neighbour, down and up.
        QTest::newRow("halfway draws") << 0.0009765625F << 0.0029296875F << u"3206232188"_s;
    }

    void externalId()
    {
        QFETCH(float, first);
        QFETCH(float, second);
        QFETCH(QString, id);
        ScriptedRandom random;
        random.draws = {first, second};
        QCOMPARE(nextExternalId(random), id);
    }
};

QTEST_GUILESS_MAIN(tst_CreateBody)
#include "tst_createbody.moc"
