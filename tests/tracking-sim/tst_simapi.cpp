// The simulator's API over real HTTP: routes, refusals, the exact rendering of jobs, and how
// jobs change when stopped, deleted or left running.

#include "RawHttp.h"
#include "SimFixtures.h"
#include "SimProcess.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList kAlerts
    = {u"Video Freeze"_s, u"Audio Silence"_s, u"Black Frame"_s, u"Stream Mismatch"_s, u"OK"_s};

// The worked example as the simulator shows it on its own; %1 is the time it was created.
constexpr char kExampleJob[] = R"({
    "externalId": "4123856710",
    "latestAlertStatus": "None",
    "latestAlertTime": "%1",
    "programName": "Evening News",
    "startTrackingUtc": "2027-03-01T09:32:00-0500",
    "endTrackingUtc": "2027-03-01T10:02:00-0500",
    "channelGroup": [
        {
            "primaryUdpMulticastIpAddress": "239.10.0.1",
            "primaryUdpPort": 5000,
            "backupUdpMulticastIpAddress": "239.10.0.2",
            "backupUdpPort": 5002,
            "channelName": "Feed A"
        },
        {
            "primaryUdpMulticastIpAddress": "239.20.0.1",
            "primaryUdpPort": 6000,
            "backupUdpMulticastIpAddress": "239.20.0.2",
            "backupUdpPort": 6002,
            "channelName": "Feed B"
        }
    ],
    "defaultThresholdInfos": {
        "thresholdKey1": "ThresholdValue1",
        "thresholdKey2": "ThresholdValue2"
    }
})";

// The same job as the only member of the list.
constexpr char kExampleList[] = R"([
    {
        "externalId": "4123856710",
        "latestAlertStatus": "None",
        "latestAlertTime": "%1",
        "programName": "Evening News",
        "startTrackingUtc": "2027-03-01T09:32:00-0500",
        "endTrackingUtc": "2027-03-01T10:02:00-0500",
        "channelGroup": [
            {
                "primaryUdpMulticastIpAddress": "239.10.0.1",
                "primaryUdpPort": 5000,
                "backupUdpMulticastIpAddress": "239.10.0.2",
                "backupUdpPort": 5002,
                "channelName": "Feed A"
            },
            {
                "primaryUdpMulticastIpAddress": "239.20.0.1",
                "primaryUdpPort": 6000,
                "backupUdpMulticastIpAddress": "239.20.0.2",
                "backupUdpPort": 6002,
                "channelName": "Feed B"
            }
        ],
        "defaultThresholdInfos": {
            "thresholdKey1": "ThresholdValue1",
            "thresholdKey2": "ThresholdValue2"
        }
    }
])";

QByteArray filled(const char *layout, const QString &time)
{
    return QString::fromUtf8(layout).arg(time).toUtf8();
}

QJsonObject jsonObject(const RawResponse &response)
{
    return QJsonDocument::fromJson(response.body).object();
}

} // namespace

class TestSimApi final : public QObject
{
    Q_OBJECT

private:
    RawResponse send(const QByteArray &method, const QByteArray &target,
                     const QByteArray &body = {})
    {
        return exchange(m_sim->port(), composeRequest(method, target, body));
    }
    QByteArray jobPath(const QByteArray &encodedId) const { return kListPath + '/' + encodedId; }
    QJsonObject jobState(const QByteArray &encodedId)
    {
        return jsonObject(send("GET", jobPath(encodedId)));
    }
    void restartWith(const QStringList &extraArguments,
                     const QProcessEnvironment &environment
                     = QProcessEnvironment::systemEnvironment())
    {
        m_sim = std::make_unique<SimProcess>();
        QVERIFY(m_sim->start(QStringList{u"--port"_s, u"0"_s, u"--quiet"_s} + extraArguments,
                             environment));
    }

    std::unique_ptr<SimProcess> m_sim;

private Q_SLOTS:
    void init() { restartWith({}); }
    void cleanup() { m_sim.reset(); }

    void createdJobIsRenderedExactly()
    {
        const RawResponse created = send("POST", kListPath, exampleCreateBody());
        QCOMPARE(created.status, 201);
        QCOMPARE(created.header("Content-Type"), "application/json");
        const QString time = jsonObject(created).value(u"latestAlertTime").toString();
        QVERIFY2(QRegularExpression(u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[- ]\\d{4}$"_s)
                     .match(time)
                     .hasMatch(),
                 qPrintable(time));

        QCOMPARE(created.body, filled(kExampleJob, time));
        QCOMPARE(send("GET", jobPath("4123856710")).body, filled(kExampleJob, time));
        const RawResponse list = send("GET", kListPath);
        QCOMPARE(list.status, 200);
        QCOMPARE(list.body, filled(kExampleList, time));
        QCOMPARE(list.header("Content-Length").toLongLong(), list.body.size());
    }

    void refusedCreateBodies_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("error");
        const QJsonValue gone(QJsonValue::Undefined);
        const QJsonObject stream = QJsonDocument::fromJson(exampleCreateBody())
                                       .object()
                                       .value(u"channelGroup")
                                       .toArray()
                                       .at(0)
                                       .toObject();

        QTest::newRow("bare port with letters")
            << exampleCreateBody().replace("5000", "80abc") << u"the body is not valid JSON"_s;
        QTest::newRow("empty body") << QByteArray() << u"the body is not valid JSON"_s;
        QTest::newRow("array instead of object")
            << QByteArray("[]") << u"the body must be a JSON object"_s;
        QTest::newRow("externalId missing")
            << exampleWith(u"externalId"_s, gone) << u"externalId is missing"_s;
        QTest::newRow("externalId only spaces")
            << exampleWith(u"externalId"_s, u"   "_s) << u"externalId must not be empty"_s;
        QTest::newRow("externalId a number")
            << exampleWith(u"externalId"_s, 4123856710.0) << u"externalId must be a string"_s;
        QTest::newRow("programName empty")
            << exampleWith(u"programName"_s, u""_s) << u"programName must not be empty"_s;
        QTest::newRow("start not a time")
            << exampleWith(u"startTrackingUtc"_s, u"next Tuesday"_s)
            << u"startTrackingUtc is not a time like \"2027-03-01T09:32:00-0500\""_s;
        QTest::newRow("start in month 13")
            << exampleWith(u"startTrackingUtc"_s, u"2027-13-01T09:32:00-0500"_s)
            << u"startTrackingUtc is not a time like \"2027-03-01T09:32:00-0500\""_s;
        QTest::newRow("end without zone")
            << exampleWith(u"endTrackingUtc"_s, u"2027-03-01T10:02:00"_s)
            << u"endTrackingUtc is not a time like \"2027-03-01T09:32:00-0500\""_s;
        QTest::newRow("end before start")
            << exampleWith(u"endTrackingUtc"_s, u"2027-03-01T09:00:00-0500"_s)
            << u"endTrackingUtc must be later than startTrackingUtc"_s;
        // 14:32 UTC to 09:02 UTC, though the end's clock reading is the later one.
        QTest::newRow("end earlier as an instant")
            << exampleWith(u"endTrackingUtc"_s, u"2027-03-01T10:02:00 0100"_s)
            << u"endTrackingUtc must be later than startTrackingUtc"_s;
        QTest::newRow("one stream") << exampleWith(u"channelGroup"_s, QJsonArray{stream})
                                    << u"channelGroup must hold two stream objects"_s;
        QTest::newRow("stream is a text") << exampleWith(u"channelGroup/1"_s, u"Feed B"_s)
                                          << u"channelGroup must hold two stream objects"_s;
        QTest::newRow("port zero")
            << exampleWith(u"channelGroup/0/primaryUdpPort"_s, 0)
            << u"channelGroup[0].primaryUdpPort must be a whole number from 1 to 65535"_s;
        QTest::newRow("port above 65535")
            << exampleWith(u"channelGroup/1/backupUdpPort"_s, 65536)
            << u"channelGroup[1].backupUdpPort must be a whole number from 1 to 65535"_s;
        QTest::newRow("port with a fraction")
            << exampleWith(u"channelGroup/1/primaryUdpPort"_s, 1.5)
            << u"channelGroup[1].primaryUdpPort must be a whole number from 1 to 65535"_s;
        QTest::newRow("port as text")
            << exampleWith(u"channelGroup/0/backupUdpPort"_s, u"5002"_s)
            << u"channelGroup[0].backupUdpPort must be a whole number from 1 to 65535"_s;
        QTest::newRow("channel name missing") << exampleWith(u"channelGroup/1/channelName"_s, gone)
                                              << u"channelGroup[1].channelName is missing"_s;
        QTest::newRow("second threshold missing")
            << exampleWith(u"defaultThresholdInfos/thresholdKey2"_s, gone)
            << u"defaultThresholdInfos.thresholdKey2 is missing"_s;
    }

    void refusedCreateBodies()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, error);
        const RawResponse refused = send("POST", kListPath, body);
        QCOMPARE(refused.status, 400);
        QVERIFY2(refused.error().startsWith(error), qPrintable(refused.error()));
        QCOMPARE(send("GET", kListPath).body, "[]");
    }

    void acceptedTimeForms_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::newRow("behind UTC")
            << u"2027-03-01T09:32:00-0500"_s << u"2027-03-01T10:02:00-0500"_s;
        QTest::newRow("ahead, with a space")
            << u"2027-03-01T09:32:00 0100"_s << u"2027-03-01T10:02:00 0100"_s;
        QTest::newRow("ahead, with a plus")
            << u"2027-03-01T09:32:00+0100"_s << u"2027-03-01T10:02:00+0100"_s;
        QTest::newRow("UTC as Z") << u"2027-03-01T09:32:00Z"_s << u"2027-03-01T10:02:00Z"_s;
        QTest::newRow("offset with a colon")
            << u"2027-03-01T09:32:00+05:30"_s << u"2027-03-01T10:02:00+05:30"_s;
        // 04:32 UTC to 14:02 UTC, though the end's clock reading is the earlier one.
        QTest::newRow("end later as an instant")
            << u"2027-03-01T09:32:00 0500"_s << u"2027-03-01T09:02:00-0500"_s;
    }

    void acceptedTimeForms()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        const RawResponse created = send("POST", kListPath, exampleFor(u"T1"_s, start, end));
        QCOMPARE(created.status, 201);
        QCOMPARE(jsonObject(created).value(u"startTrackingUtc").toString(), start);
        QCOMPARE(jsonObject(created).value(u"endTrackingUtc").toString(), end);
    }

    void duplicateIdIsAConflict()
    {
        QCOMPARE(send("POST", kListPath, exampleCreateBody()).status, 201);
        const RawResponse again = send("POST", kListPath, exampleCreateBody());
        QCOMPARE(again.status, 409);
        QCOMPARE(again.error(), u"a job with externalId \"4123856710\" already exists"_s);
        QCOMPARE(QJsonDocument::fromJson(send("GET", kListPath).body).array().size(), 1);
    }

    void refusedRoutes_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QByteArray>("allow");
        const QByteArray job = kListPath + "/nope";
        QTest::newRow("get unknown job") << QByteArray("GET") << job << 404
                                         << u"no job with externalId \"nope\""_s << QByteArray();
        QTest::newRow("delete unknown job") << QByteArray("DELETE") << job << 404
                                            << u"no job with externalId \"nope\""_s << QByteArray();
        QTest::newRow("stop unknown job") << QByteArray("POST") << job + "/stopTracking" << 404
                                          << u"no job with externalId \"nope\""_s << QByteArray();
        QTest::newRow("other path") << QByteArray("GET") << QByteArray("/api/other") << 404
                                    << u"no such route: /api/other"_s << QByteArray();
        QTest::newRow("deeper path")
            << QByteArray("GET") << job + "/stop" << 404 << u"no such route"_s << QByteArray();
        QTest::newRow("put on the list") << QByteArray("PUT") << kListPath << 405
                                         << u"PUT is not allowed here"_s << QByteArray("GET, POST");
        QTest::newRow("delete the list")
            << QByteArray("DELETE") << kListPath << 405 << u"DELETE is not allowed here"_s
            << QByteArray("GET, POST");
        QTest::newRow("post on a job")
            << QByteArray("POST") << job << 405 << u"POST is not allowed here"_s
            << QByteArray("GET, DELETE");
        QTest::newRow("get on stopTracking") << QByteArray("GET") << job + "/stopTracking" << 405
                                             << u"GET is not allowed here"_s << QByteArray("POST");
        QTest::newRow("broken escape in id")
            << QByteArray("GET") << kListPath + "/%zz" << 400
            << u"the job id in the path has a broken %-escape"_s << QByteArray();
    }

    void refusedRoutes()
    {
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, target);
        QFETCH(int, status);
        QFETCH(QString, error);
        QFETCH(QByteArray, allow);
        const RawResponse refused = send(method, target, method == "PUT" ? "{}" : "");
        QCOMPARE(refused.status, status);
        QCOMPARE(refused.header("Content-Type"), "application/json");
        QVERIFY2(refused.error().startsWith(error), qPrintable(refused.error()));
        QCOMPARE(refused.header("Allow"), allow);
    }

    void postWithoutLengthIsExplained()
    {
        const RawResponse refused = exchange(m_sim->port(),
                                             "POST " + kListPath
                                                 + "/x/stopTracking HTTP/1.1\r\nHost: a\r\n"
                                                   "Connection: close\r\n\r\n");
        QCOMPARE(refused.status, 400);
        QVERIFY2(refused.error().contains(u"Content-Length"), qPrintable(refused.error()));
    }

    void stopReportsStopped()
    {
        QCOMPARE(send("POST", kListPath, exampleCreateBody()).status, 201);
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        const RawResponse stopped = send("POST", jobPath("4123856710/stopTracking"));
        QCOMPARE(stopped.status, 200);
        const QJsonObject job = jsonObject(stopped);
        QCOMPARE(job.value(u"latestAlertStatus").toString(), u"Stopped"_s);
        // The simulator runs in this process's zone, so its local time reads back directly.
        const QString stopTime = job.value(u"latestAlertTime").toString();
        const qint64 at
            = QDateTime::fromString(stopTime.left(19), u"yyyy-MM-ddTHH:mm:ss"_s).toSecsSinceEpoch();
        QVERIFY2(at >= before && at <= before + 5, qPrintable(stopTime));

        QCOMPARE(jobState("4123856710"), job);
        const QJsonArray list = QJsonDocument::fromJson(send("GET", kListPath).body).array();
        QCOMPARE(list.at(0).toObject(), job);
        // Stopping again changes nothing.
        QCOMPARE(jsonObject(send("POST", jobPath("4123856710/stopTracking"))), job);
    }

    void deleteRemovesTheJob()
    {
        QCOMPARE(send("POST", kListPath,
                      exampleFor(u"first"_s, u"2027-03-01T09:32:00Z"_s, u"2027-03-01T10:02:00Z"_s))
                     .status,
                 201);
        QCOMPARE(send("POST", kListPath,
                      exampleFor(u"second"_s, u"2027-03-01T09:32:00Z"_s, u"2027-03-01T10:02:00Z"_s))
                     .status,
                 201);
        const RawResponse deleted = send("DELETE", jobPath("first"));
        QCOMPARE(deleted.status, 200);
        QCOMPARE(jsonObject(deleted),
                 (QJsonObject{{u"externalId"_s, u"first"_s}, {u"result"_s, u"Deleted"_s}}));
        QCOMPARE(send("GET", jobPath("first")).status, 404);
        QCOMPARE(send("DELETE", jobPath("first")).status, 404);
        const QJsonArray list = QJsonDocument::fromJson(send("GET", kListPath).body).array();
        QCOMPARE(list.size(), 1);
        QCOMPARE(list.at(0).toObject().value(u"externalId").toString(), u"second"_s);
    }

    void idsInThePathArePercentDecoded_data()
    {
        QTest::addColumn<QString>("externalId");
        QTest::addColumn<QByteArray>("encoded");
        QTest::newRow("space") << u"Evening Feed 1"_s << QByteArray("Evening%20Feed%201");
        QTest::newRow("slash stays in the id") << u"a/b"_s << QByteArray("a%2Fb");
        QTest::newRow("percent sign") << u"100%"_s << QByteArray("100%25");
        QTest::newRow("non-ASCII") << u"Käse"_s << QByteArray("K%C3%A4se");
    }

    void idsInThePathArePercentDecoded()
    {
        QFETCH(QString, externalId);
        QFETCH(QByteArray, encoded);
        QCOMPARE(send("POST", kListPath,
                      exampleFor(externalId, u"2027-03-01T09:32:00Z"_s, u"2027-03-01T10:02:00Z"_s))
                     .status,
                 201);
        QCOMPARE(jobState(encoded).value(u"externalId").toString(), externalId);
        QCOMPARE(send("POST", jobPath(encoded + "/stopTracking")).status, 200);
        QCOMPARE(send("DELETE", jobPath(encoded)).status, 200);
    }

    void runningJobRaisesAlerts()
    {
        restartWith({u"--alert-every"_s, u"1"_s});
        const RawResponse created = send(
            "POST", kListPath, exampleFor(u"live"_s, utcTimeFromNow(-3600), utcTimeFromNow(3600)));
        QCOMPARE(created.status, 201);
        QCOMPARE(jsonObject(created).value(u"latestAlertStatus").toString(), u"None"_s);
        // The list is rendered once here and must not be served stale after the first alert.
        const auto listedStatus = [this] {
            const QJsonArray list = QJsonDocument::fromJson(send("GET", kListPath).body).array();
            return list.at(0).toObject().value(u"latestAlertStatus").toString();
        };
        QCOMPARE(listedStatus(), u"None"_s);
        QTRY_VERIFY_WITH_TIMEOUT(kAlerts.contains(listedStatus()), 10000);
        QVERIFY(kAlerts.contains(jobState("live").value(u"latestAlertStatus").toString()));
    }

    void jobPastItsEndIsStopped()
    {
        const RawResponse created
            = send("POST", kListPath,
                   exampleFor(u"over"_s, u"2020-01-01T09:00:00Z"_s, u"2020-01-01T10:00:00Z"_s));
        QCOMPARE(created.status, 201);
        QCOMPARE(jsonObject(created).value(u"latestAlertStatus").toString(), u"Stopped"_s);
    }

    void timesFollowTheLocalZone_data()
    {
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("offset");
        QTest::addColumn<int>("eastSeconds");
        QTest::newRow("five hours behind") << u"SIM5"_s << u"-0500"_s << -5 * 3600;
        QTest::newRow("one hour ahead") << u"SIM-1"_s << u" 0100"_s << 3600;
        QTest::newRow("UTC") << u"UTC0"_s << u" 0000"_s << 0;
        QTest::newRow("half-hour zone ahead") << u"SIM-5:30"_s << u" 0530"_s << 5 * 3600 + 1800;
    }

    void timesFollowTheLocalZone()
    {
        QFETCH(QString, zone);
        QFETCH(QString, offset);
        QFETCH(int, eastSeconds);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"TZ"_s, zone);
        restartWith({}, environment);
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        const RawResponse created = send("POST", kListPath, exampleCreateBody());
        const QString time = jsonObject(created).value(u"latestAlertTime").toString();
        QCOMPARE(time.size(), 24);
        QCOMPARE(time.right(5), offset);
        QDateTime local = QDateTime::fromString(time.left(19), u"yyyy-MM-ddTHH:mm:ss"_s);
        local.setTimeSpec(Qt::UTC);
        const qint64 instant = local.toSecsSinceEpoch() - eastSeconds;
        QVERIFY2(instant >= before && instant <= before + 5, qPrintable(time));
    }
};

QTEST_GUILESS_MAIN(TestSimApi)
#include "tst_simapi.moc"
