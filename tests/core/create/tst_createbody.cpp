#include "CreateExample.h"
#include "create/CreateBody.h"
#include "create/CreateCheck.h"
#include "create/ExternalId.h"
#include "create/RandomSource.h"

#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Hands out the given draws in turn.
class ScriptedRandom final : public RandomSource
{
public:
    QList<float> draws;
    float next() override { return draws.takeFirst(); }
};

// The worked example, with the keys the window preselects, as `change` leaves it.
CreateFields changed(const std::function<void(CreateFields &)> &change)
{
    QStringList v;
    for (const auto &[name, value] : CreateExampleFields)
        v << QLatin1String(value);
    CreateFields fields{v[0], v[1], v[2], v[3], {}, u"ThresholdValue1"_s, u"ThresholdValue2"_s};
    fields.streams = {{{v[4], v[5], v[6], v[7], v[8]}, {v[9], v[10], v[11], v[12], v[13]}}};
    change(fields);
    return fields;
}

} // namespace

Q_DECLARE_METATYPE(CreateFields)

class tst_CreateBody final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bodyIsTheApiText()
    {
        QCOMPARE(buildCreateBody(changed([](auto &) {})).toUtf8(), workedExampleBody());
    }

    // The rules the window and the command-line client share; every field is named.
    void check_data()
    {
        QTest::addColumn<CreateFields>("fields");
        QTest::addColumn<QString>("reason"); // empty: accepted
        const auto row = [](const char *name, const QString &reason,
                            const std::function<void(CreateFields &)> &change) {
            QTest::newRow(name) << changed(change) << reason;
        };
        row("a tab is not empty", {}, [](auto &f) { f.program = u"\t"_s; });
        row("ports have no upper bound", {},
            [](auto &f) { f.streams[0].primaryPort = u"99999"_s; });
        row("only spaces", u"channelGroup 2 channelName is empty"_s,
            [](auto &f) { f.streams[1].channelName = u"   "_s; });
        row("port 0", u"channelGroup 2 backupUdpPort \"0\" is not a port"_s,
            [](auto &f) { f.streams[1].backupPort = u"0"_s; });
        QTest::newRow("every field empty")
            << CreateFields()
            << u"externalId is empty; startTrackingUtc is empty; endTrackingUtc is empty; "
               "programName is empty; channelGroup 1 primaryUdpMulticastIpAddress is empty; "
               "channelGroup 1 primaryUdpPort \"\" is not a port; channelGroup 1 "
               "backupUdpMulticastIpAddress is empty; channelGroup 1 backupUdpPort \"\" is not a "
               "port; channelGroup 1 channelName is empty; channelGroup 2 "
               "primaryUdpMulticastIpAddress is empty; channelGroup 2 primaryUdpPort \"\" is not a "
               "port; channelGroup 2 backupUdpMulticastIpAddress is empty; channelGroup 2 "
               "backupUdpPort \"\" is not a port; channelGroup 2 channelName is empty; "
               "thresholdKey1 \"\" is not ThresholdValue1 or ThresholdValue2; thresholdKey2 \"\" "
               "is not ThresholdValue1 or ThresholdValue2"_s;
    }

    void check()
    {
        QFETCH(CreateFields, fields);
        QFETCH(QString, reason);
        const Result<> checked = checkCreateFields(fields);
        QCOMPARE(checked ? QString() : checked.reason(), reason);
    }

    // Values go in trimmed of spaces only, and otherwise exactly as typed; ports unquoted.
    void valuesAreTrimmedOfSpacesOnly_data()
    {
        QTest::addColumn<CreateFields>("fields");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("line");
        const auto program = [](const char *name, const QString &typed, const QString &line) {
            QTest::newRow(name) << changed([&](auto &f) { f.program = typed; }) << 4 << line;
        };
        program("spaces around", u"  News  "_s, u"    \"programName\": \"News\","_s);
        program("tab kept", u"\tNews"_s, u"    \"programName\": \"\tNews\","_s);
        program("quote kept", u"a\"b"_s, u"    \"programName\": \"a\"b\","_s);
        QTest::newRow("port as typed")
            << changed([](auto &f) { f.streams[1].primaryPort = u" &H50 "_s; }) << 15
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
