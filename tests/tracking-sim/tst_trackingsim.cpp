// The simulator over real HTTP: routes, refusals, a job rendered to the byte, and the program.

#include "SimProcess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

#include <signal.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray kList = "/api/videocompare/tracking";
const QByteArray kJob = kList + "/4123856710";
const QStringList kQuietAnyPort = {u"--port=0"_s, u"--quiet"_s};

// The worked example as the simulator renders it; %1 is the time it was created.
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

// What the client sends for the example: the rendering without the alert members, CR LF ends.
const QByteArray kExampleBody = [] {
    QList<QByteArray> lines = QByteArray(kExampleJob).split('\n');
    lines.remove(2, 2);
    return lines.join("\r\n");
}();

struct Reply
{
    int status = 0;
    QByteArray raw;
    QByteArray body; // chunked coding undone
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

// One request ("GET /path") on its own connection, read until the simulator closes it.
Reply exchange(quint16 port, const QByteArray &request, const QByteArray &body = {})
{
    QTcpSocket socket;
    socket.connectToHost(u"127.0.0.1"_s, port);
    socket.write(request + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                 + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    Reply reply;
    while (socket.waitForReadyRead(15000))
        reply.raw += socket.readAll();
    reply.status = reply.raw.startsWith("HTTP/1.1 ") ? reply.raw.mid(9, 3).toInt() : 0;
    const qsizetype headEnd = reply.raw.indexOf("\r\n\r\n") + 4;
    const bool chunked = reply.raw.left(headEnd).contains("\r\nTransfer-Encoding: chunked\r\n");
    reply.body = chunked ? QByteArray() : reply.raw.mid(headEnd);
    for (qsizetype at = headEnd, size = chunked; size > 0; at += size + 2) { // if chunked
        const qsizetype sizeEnd = reply.raw.indexOf("\r\n", at);
        size = sizeEnd < 0 ? 0 : reply.raw.mid(at, sizeEnd - at).toLongLong(nullptr, 16);
        reply.body += reply.raw.mid(sizeEnd + 2, size);
        at = sizeEnd + 2;
    }
    return reply;
}

} // namespace

class TestTrackingSim final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void routes_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("answer"); // a member and how its text begins
        // Refused bodies are under a new id, so only what is wrong with them can refuse them.
        const QJsonObject example = QJsonDocument::fromJson(kExampleBody).object();
        const auto changed = [&example](const QString &member,
                                        const QJsonValue &value = QJsonValue::Undefined) {
            QJsonObject body = example;
            body.insert(u"externalId"_s, u"new"_s);
            body.insert(member, value); // none removes it
            return QJsonDocument(body).toJson();
        };
        const QJsonArray oneStream{example.value(u"channelGroup").toArray().first()};
        const QByteArray get = "GET ", post = "POST ", del = "DELETE ", none, other = kList + "/x";
        const QString noJob = u"error: no job with externalId \"x\""_s;

        QTest::newRow("get") << get + kJob << none << 200 << u"externalId: 4123856710"_s;
        QTest::newRow("stop") << post + kJob + "/stopTracking" << none << 200
                              << u"latestAlertStatus: Stopped"_s;
        QTest::newRow("delete") << del + kJob << none << 200 << u"result: Deleted"_s;
        QTest::newRow("duplicate")
            << post + kList << kExampleBody << 409
            << u"error: a job with externalId \"4123856710\" already exists"_s;
        QTest::newRow("invalid JSON") << post + kList << kExampleBody.chopped(1) << 400
                                      << u"error: the body is not valid JSON"_s;
        QTest::newRow("missing member") << post + kList << changed(u"programName"_s) << 400
                                        << u"error: programName is missing"_s;
        QTest::newRow("blank member") << post + kList << changed(u"externalId"_s, u" "_s) << 400
                                      << u"error: externalId must not be empty"_s;
        QTest::newRow("one stream") << post + kList << changed(u"channelGroup"_s, oneStream) << 400
                                    << u"error: channelGroup must hold two stream objects"_s;
        QTest::newRow("get unknown") << get + other << none << 404 << noJob;
        QTest::newRow("stop unknown") << post + other + "/stopTracking" << none << 404 << noJob;
        QTest::newRow("delete unknown") << del + other << none << 404 << noJob;
        QTest::newRow("unknown route") << get + "/api/other" << none << 404
                                       << u"error: no such route: /api/other"_s;
    }

    // Each request meets the example job, just created and listed (so the list is cached). The
    // list must then hold the job as this request answered it (or as created), to the byte.
    void routes()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, answer);
        SimProcess sim;
        QVERIFY(sim.start(kQuietAnyPort));
        const Reply created = exchange(sim.port(), "POST " + kList, kExampleBody);
        QCOMPARE(created.status, 201);
        const QString time = created.json().value(u"latestAlertTime").toString();
        QVERIFY2(QRegularExpression(u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[- ]\\d{4}$"_s)
                     .match(time).hasMatch(), qPrintable(time));
        QCOMPARE(created.body, QString::fromUtf8(kExampleJob).arg(time).toUtf8());
        const auto listOf
            = [](QByteArray job) { return "[\n    " + job.replace("\n", "\n    ") + "\n]"; };
        QCOMPARE(exchange(sim.port(), "GET " + kList).body, listOf(created.body));

        const Reply reply = exchange(sim.port(), request, body);
        QCOMPARE(reply.status, status);
        const QString text = reply.json().value(answer.section(u": "_s, 0, 0)).toString();
        QVERIFY2(text.startsWith(answer.section(u": "_s, 1)), reply.body.constData());
        QVERIFY(reply.raw.contains("\r\nContent-Length: " + QByteArray::number(reply.body.size())));
        const QByteArray kept = listOf(status == 200 ? reply.body : created.body);
        QCOMPARE(exchange(sim.port(), "GET " + kList).body,
                 request == "DELETE " + kJob ? QByteArray("[]") : kept);
    }

    void shortRuns_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // a pattern for stdout on success, else stderr
        QTest::newRow("help") << QStringList{u"--help"_s} << 0
                              << u"(?s)^(?=.*--host)(?=.*--port)(?=.*--jobs)(?=.*--delay-ms)"
                                 "(?=.*--chunked)(?=.*--alert-every)(?=.*--quiet)(?=.*--help)"_s;
        QTest::newRow("not a number") << QStringList{u"--port"_s, u"abc"_s} << 2 << u"--port"_s;
        QTest::newRow("out of range") << QStringList{u"--port=70000"_s} << 2 << u"--port"_s;
        QTest::newRow("value missing") << QStringList{u"--jobs"_s} << 2 << u"--jobs"_s;
        QTest::newRow("flag with value") << QStringList{u"--quiet=yes"_s} << 2 << u"--quiet"_s;
        QTest::newRow("unknown option") << QStringList{u"--verbose"_s} << 2 << u"--verbose"_s;
        QTest::newRow("stray argument") << QStringList{u"8080"_s} << 2 << u"8080"_s;
        // Not shared with the simulator already there, whose port stands in for %1.
        QTest::newRow("port taken") << QStringList{u"--port=%1"_s} << 1
                                    << u"cannot listen on 127\\.0\\.0\\.1 port "_s;
    }

    void shortRuns()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        SimProcess running;
        QVERIFY(running.start(kQuietAnyPort));
        QProcess sim;
        sim.start(SimProcess::program(),
                  arguments.replaceInStrings(u"%1"_s, QString::number(running.port())));
        QVERIFY(sim.waitForFinished(15000));
        QCOMPARE(sim.exitStatus() == QProcess::NormalExit ? sim.exitCode() : -1, exitCode);
        const QByteArray out = sim.readAllStandardOutput(), err = sim.readAllStandardError();
        const QString shown = QString::fromUtf8(exitCode == 0 ? out : err);
        QVERIFY2(QRegularExpression(output).match(shown).hasMatch(), qPrintable(shown));
        QVERIFY(exitCode == 0 || out.isEmpty());
    }

    void runs_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("jobs"); // -1: stopped at once, maybe before the server runs
        QTest::addColumn<QByteArray>("accessLog");
        QTest::newRow("quiet") << kQuietAnyPort << 0 << QByteArray();
        QTest::newRow("logging") << QStringList{u"--port=0"_s} << 0
                                 << QByteArray("GET /api/videocompare/tracking 200 2\n");
        QTest::newRow("chunked, many chunks")
            << kQuietAnyPort + QStringList{u"--jobs=1000"_s, u"--chunked"_s} << 1000
            << QByteArray();
        QTest::newRow("stopped at once") << kQuietAnyPort << -1 << QByteArray();
    }

    void runs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, jobs);
        QFETCH(QByteArray, accessLog);
        SimProcess sim;
        QVERIFY(sim.start(arguments));
        QCOMPARE(sim.firstLine(), u"http://127.0.0.1:"_s + QString::number(sim.port()));
        if (jobs >= 0) {
            const Reply list = exchange(sim.port(), "GET " + kList);
            QStringList ids;
            for (const QJsonValue &job : QJsonDocument::fromJson(list.body).array())
                ids.append(job.toObject().value(u"externalId").toString());
            QCOMPARE(ids.size(), jobs);
            QCOMPARE(ids.removeDuplicates(), 0);
            QCOMPARE(list.raw.endsWith("\r\n0\r\n\r\n"), arguments.contains(u"--chunked"_s));
        }
        // The log line is written before the answer, so it is there by now.
        QCOMPARE(::kill(static_cast<pid_t>(sim.process().processId()), SIGTERM), 0);
        QVERIFY(sim.waitForExit());
        QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process().exitCode(), 0);
        QCOMPARE(sim.process().readAllStandardOutput(), accessLog);
    }
};

QTEST_GUILESS_MAIN(TestTrackingSim)
#include "tst_trackingsim.moc"
