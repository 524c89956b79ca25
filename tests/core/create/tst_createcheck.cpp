#include "ExampleFields.h"
#include "create/CreateCheck.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Change = std::function<void(CreateFields &)>;

// The rules the window and the command-line client share. Each refused row spoils one field of
// the worked example and nothing else, so a check that reads another field's value, or names
// another field, fails its row.
class tst_CreateCheck final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void accepted_data()
    {
        QTest::addColumn<CreateFields>("fields");
        const auto row = [](const char *name, const Change &change) {
            QTest::newRow(name) << changedExample(change);
        };
        row("the worked example", [](auto &) {});
        row("a tab is not empty", [](auto &f) { f.program = u"\t"_s; });
        row("spaces around a text", [](auto &f) { f.externalId = u" 42 "_s; });
        row("ports have no upper bound", [](auto &f) { f.streams[0].primaryPort = u"99999"_s; });
        row("a port read as just above 0", [](auto &f) { f.streams[1].backupPort = u" 0.5"_s; });
        row("keys the other way round",
            [](auto &f) { std::swap(f.thresholdKey1, f.thresholdKey2); });
    }

    void accepted()
    {
        QFETCH(CreateFields, fields);
        const Result<> checked = checkCreateFields(fields);
        QVERIFY2(checked, qPrintable(checked ? QString() : checked.reason()));
    }

    void refused_data()
    {
        QTest::addColumn<CreateFields>("fields");
        QTest::addColumn<QString>("reason");
        const auto row = [](const QString &reason, const Change &change) {
            QTest::newRow(qPrintable(reason)) << changedExample(change) << reason;
        };
        row(u"externalId is empty"_s, [](auto &f) { f.externalId.clear(); });
        row(u"startTrackingUtc is empty"_s, [](auto &f) { f.start = u"  "_s; });
        row(u"endTrackingUtc is empty"_s, [](auto &f) { f.end.clear(); });
        row(u"programName is empty"_s, [](auto &f) { f.program = u" "_s; });
        row(u"channelGroup 1 primaryUdpMulticastIpAddress is empty"_s,
            [](auto &f) { f.streams[0].primaryIP.clear(); });
        row(u"channelGroup 1 primaryUdpPort \"0\" is not a port"_s,
            [](auto &f) { f.streams[0].primaryPort = u"0"_s; });
        row(u"channelGroup 1 backupUdpMulticastIpAddress is empty"_s,
            [](auto &f) { f.streams[0].backupIP = u"   "_s; });
        row(u"channelGroup 1 backupUdpPort \"-1\" is not a port"_s,
            [](auto &f) { f.streams[0].backupPort = u"-1"_s; });
        row(u"channelGroup 1 channelName is empty"_s,
            [](auto &f) { f.streams[0].channelName.clear(); });
        row(u"channelGroup 2 primaryUdpMulticastIpAddress is empty"_s,
            [](auto &f) { f.streams[1].primaryIP = u" "_s; });
        row(u"channelGroup 2 primaryUdpPort \"\" is not a port"_s,
            [](auto &f) { f.streams[1].primaryPort.clear(); });
        row(u"channelGroup 2 backupUdpMulticastIpAddress is empty"_s,
            [](auto &f) { f.streams[1].backupIP.clear(); });
        row(u"channelGroup 2 backupUdpPort \"0\" is not a port"_s,
            [](auto &f) { f.streams[1].backupPort = u"0"_s; });
        row(u"channelGroup 2 channelName is empty"_s,
            [](auto &f) { f.streams[1].channelName = u"  "_s; });
        row(u"thresholdKey1 \"ThresholdValue3\" is not ThresholdValue1 or ThresholdValue2"_s,
            [](auto &f) { f.thresholdKey1 = u"ThresholdValue3"_s; });
        row(u"thresholdKey2 \"thresholdvalue2\" is not ThresholdValue1 or ThresholdValue2"_s,
            [](auto &f) { f.thresholdKey2 = u"thresholdvalue2"_s; });
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

    void refused()
    {
        QFETCH(CreateFields, fields);
        QFETCH(QString, reason);
        const Result<> checked = checkCreateFields(fields);
        QVERIFY(!checked);
        QCOMPARE(checked.reason(), reason);
    }
};

QTEST_GUILESS_MAIN(tst_CreateCheck)
#include "tst_createcheck.moc"
