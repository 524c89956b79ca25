#include "create/CreateBody.h"
#include "create/ExternalId.h"
#include "create/RandomSource.h"

#include <QTest>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Hands out the given draws in turn.
class ScriptedRandom final : public RandomSource
{
public:
    explicit ScriptedRandom(std::vector<float> draws)
        : m_draws(std::move(draws))
    { }
    float next() override { return m_draws.at(m_next++); }

private:
    std::vector<float> m_draws;
    std::size_t m_next = 0;
};

CreateFields exampleFields()
{
    CreateFields fields;
    fields.externalId = u"4711"_s;
    fields.start = u"2024-05-01T10:00:00+02:00"_s;
    fields.end = u"2024-05-01T10:30:00+02:00"_s;
    fields.program = u"News"_s;
    fields.streams[0] = {u"239.1.1.1"_s, u"5000"_s, u"239.1.1.2"_s, u"5001"_s, u"One"_s};
    fields.streams[1] = {u"239.2.2.1"_s, u"&H50"_s, u"239.2.2.2"_s, u"6001"_s, u"Two"_s};
    fields.thresholdKey1 = u"ThresholdValue1"_s;
    fields.thresholdKey2 = u"ThresholdValue2"_s;
    return fields;
}

} // namespace

class tst_CreateBody final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bodyIsTheApiText()
    {
        QCOMPARE(buildCreateBody(exampleFields()),
                 u"{\r\n"
                 "    \"externalId\": \"4711\",\r\n"
                 "    \"startTrackingUtc\": \"2024-05-01T10:00:00+02:00\",\r\n"
                 "    \"endTrackingUtc\": \"2024-05-01T10:30:00+02:00\",\r\n"
                 "    \"programName\": \"News\",\r\n"
                 "    \"channelGroup\": [\r\n"
                 "        {\r\n"
                 "            \"primaryUdpMulticastIpAddress\": \"239.1.1.1\",\r\n"
                 "            \"primaryUdpPort\": 5000,\r\n"
                 "            \"backupUdpMulticastIpAddress\": \"239.1.1.2\",\r\n"
                 "            \"backupUdpPort\": 5001,\r\n"
                 "            \"channelName\": \"One\"\r\n"
                 "        },\r\n"
                 "        {\r\n"
                 "            \"primaryUdpMulticastIpAddress\": \"239.2.2.1\",\r\n"
                 "            \"primaryUdpPort\": &H50,\r\n"
                 "            \"backupUdpMulticastIpAddress\": \"239.2.2.2\",\r\n"
                 "            \"backupUdpPort\": 6001,\r\n"
                 "            \"channelName\": \"Two\"\r\n"
                 "        }\r\n"
                 "    ],\r\n"
                 "    \"defaultThresholdInfos\": {\r\n"
                 "        \"thresholdKey1\": \"ThresholdValue1\",\r\n"
                 "        \"thresholdKey2\": \"ThresholdValue2\"\r\n"
                 "    }\r\n"
                 "}\r\n"_s);
    }

    // Values go in trimmed of spaces only, and otherwise exactly as typed.
    void valuesAreTrimmedOfSpacesOnly_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("line");
        QTest::newRow("spaces around") << u"  News  "_s << u"\"programName\": \"News\","_s;
        QTest::newRow("tab kept") << u"\tNews"_s << u"\"programName\": \"\tNews\","_s;
        QTest::newRow("quote kept") << u"a\"b"_s << u"\"programName\": \"a\"b\","_s;
        QTest::newRow("empty") << u"   "_s << u"\"programName\": \"\","_s;
    }

    void valuesAreTrimmedOfSpacesOnly()
    {
        QFETCH(QString, typed);
        QFETCH(QString, line);
        CreateFields fields = exampleFields();
        fields.program = typed;
        QCOMPARE(buildCreateBody(fields).split(u"\r\n"_s).at(4), u"    "_s + line);
    }

    void externalId_data()
    {
        QTest::addColumn<float>("first");
        QTest::addColumn<float>("second");
        QTest::addColumn<QString>("id");
        QTest::newRow("lowest draws") << 0.0F << 0.0F << u"3200032000"_s;
        QTest::newRow("middle draws") << 0.5F << 0.25F << u"6400048000"_s;
        QTest::newRow("highest draw rounds up to 96000") << 0.99999994F << 0.0F << u"9600032000"_s;
    }

    void externalId()
    {
        QFETCH(float, first);
        QFETCH(float, second);
        QFETCH(QString, id);
        ScriptedRandom random({first, second});
        QCOMPARE(nextExternalId(random), id);
    }

    void roundsHalfToEven_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<float>("rounded");
        QTest::newRow("2.5 down to even") << 2.5F << 2.0F;
        QTest::newRow("3.5 up to even") << 3.5F << 4.0F;
        QTest::newRow("2.4") << 2.4F << 2.0F;
        QTest::newRow("2.6") << 2.6F << 3.0F;
        QTest::newRow("32000.5") << 32000.5F << 32000.0F;
        QTest::newRow("32001.5") << 32001.5F << 32002.0F;
    }

    void roundsHalfToEven()
    {
        QFETCH(float, value);
        QFETCH(float, rounded);
        QCOMPARE(roundHalfEven(value), rounded);
    }
};

QTEST_GUILESS_MAIN(tst_CreateBody)
#include "tst_createbody.moc"
