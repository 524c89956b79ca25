// The simulator over real HTTP: routes, refusals, a job rendered to the byte, framing on the
// wire, slow clients, the program's options and the run script.

#include "CreateExample.h"
#include "FileBytes.h"
#include "SimProcess.h"
#include "transfer/HttpResponseParser.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

#include <memory>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray kList = "/api/videocompare/tracking";
const QByteArray kJob = kList + "/4123856710";
const QStringList kQuietAnyPort = {u"--port=0"_s, u"--quiet"_s};

// What the client sends for the example.
const QByteArray kExampleBody = workedExampleBody();

struct Reply
{
    int status = 0;
    QByteArray head; // the status line and the headers
    QByteArray body; // any chunked coding undone
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

struct Conversation
{
    QList<Reply> replies;
    bool closed = false; // the simulator closed the connection after the last reply
};

// Sends raw bytes on one connection and frames the answers with the client's own framer, until
// `count` are whole or the simulator closes or falls silent.
Conversation converse(quint16 port, const QByteArray &bytes, qsizetype count,
                      bool awaitClose = false)
{
    QTcpSocket socket;
    socket.connectToHost(u"127.0.0.1"_s, port);
    socket.write(bytes);
    Conversation result;
    auto parser = std::make_unique<HttpResponseParser>();
    QByteArray pending, current;
    const auto finish = [&] {
        result.replies.append({parser->statusCode(), current.left(current.indexOf("\r\n\r\n") + 2),
                               parser->takeBody()});
        parser = std::make_unique<HttpResponseParser>();
        current.clear();
    };
    while (result.replies.size() < count) {
        if (pending.isEmpty() && !socket.waitForReadyRead(15000)) {
            if (socket.state() != QAbstractSocket::ConnectedState
                && parser->connectionClosed() == HttpResponseParser::Status::Complete)
                finish();
            break;
        }
        pending += socket.readAll();
        const HttpResponseParser::Result fed = parser->feed(pending);
        current += pending.left(fed.consumed);
        pending.remove(0, fed.consumed);
        if (fed.status == HttpResponseParser::Status::Bad)
            break;
        if (fed.status == HttpResponseParser::Status::Complete)
            finish();
    }
    // A connection kept alive is closed only after seconds of silence, so one second tells.
    result.closed = socket.state() != QAbstractSocket::ConnectedState
        || (awaitClose && socket.waitForDisconnected(1000));
    return result;
}

// One request ("GET /path") on its own connection.
Reply exchange(quint16 port, const QByteArray &request, const QByteArray &body = {})
{
    const QList<Reply> replies =
        converse(port,
                 request + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                     + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body,
                 1)
            .replies;
    return replies.value(0);
}

} // namespace

class tst_TrackingSim final : public QObject
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

        const auto row = [](const char *name, const QByteArray &request, const QByteArray &body,
                            int status, const QString &answer) {
            QTest::newRow(name) << request << body << status << answer;
        };
        row("get", get + kJob, none, 200, u"externalId: 4123856710"_s);
        row("stop", post + kJob + "/stopTracking", none, 200, u"latestAlertStatus: Stopped"_s);
        row("delete", del + kJob, none, 200, u"result: Deleted"_s);
        row("duplicate", post + kList, kExampleBody, 409,
            u"error: a job with externalId \"4123856710\" already exists"_s);
        row("invalid JSON", post + kList, kExampleBody.chopped(3), 400,
            u"error: the body is not valid JSON"_s);
        row("missing member", post + kList, changed(u"programName"_s), 400,
            u"error: programName is missing"_s);
        row("blank member", post + kList, changed(u"externalId"_s, u" "_s), 400,
            u"error: externalId must not be empty"_s);
        row("one stream", post + kList, changed(u"channelGroup"_s, oneStream), 400,
            u"error: channelGroup must hold two stream objects"_s);
        row("get unknown", get + other, none, 404, noJob);
        row("stop unknown", post + other + "/stopTracking", none, 404, noJob);
        row("delete unknown", del + other, none, 404, noJob);
        row("unknown route", get + "/api/other", none, 404, u"error: no such route: /api/other"_s);
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
        const QRegularExpression stamp(u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[- ]\\d{4}$"_s);
        QVERIFY2(stamp.match(time).hasMatch(), qPrintable(time));
        QCOMPARE(created.body, QString::fromUtf8(WorkedExampleJob).arg(time).toUtf8());
        const auto listOf = [](QByteArray job) {
            return "[\n    " + job.replace("\n", "\n    ") + "\n]";
        };
        QCOMPARE(exchange(sim.port(), "GET " + kList).body, listOf(created.body));

        const Reply reply = exchange(sim.port(), request, body);
        QCOMPARE(reply.status, status);
        const QString text = reply.json().value(answer.section(u": "_s, 0, 0)).toString();
        QVERIFY2(text.startsWith(answer.section(u": "_s, 1)), reply.body.constData());
        QVERIFY(
            reply.head.contains("\r\nContent-Length: " + QByteArray::number(reply.body.size())));
        const QByteArray kept = listOf(status == 200 ? reply.body : created.body);
        QCOMPARE(exchange(sim.port(), "GET " + kList).body,
                 request == "DELETE " + kJob ? QByteArray("[]") : kept);
    }

    void wire_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // sent at once on one connection
        QTest::addColumn<QList<int>>("statuses");
        QTest::addColumn<bool>("closes"); // else a request at the end shows the connection lives
        QTest::addColumn<QByteArray>("firstHead"); // in the first answer's head; "!" for absent
        const QByteArray v11 = " HTTP/1.1\r\n", end = "\r\n",
                         chunked = "Transfer-Encoding: chunked\r\n";
        const QByteArray list = "GET " + kList + v11 + end, newJob = "POST " + kList + v11;
        const QByteArray body = QByteArray(kExampleBody).replace("4123856710", "new id/1");
        QByteArray chunks;
        for (qsizetype at = 0; at < body.size(); at += 100)
            chunks += QByteArray::number(body.mid(at, 100).size(), 16) + end + body.mid(at, 100)
                + end;

        const auto row = [](const char *name, const QByteArray &bytes, const QList<int> &statuses,
                            bool closes, const QByteArray &firstHead = {}) {
            QTest::newRow(name) << bytes << statuses << closes << firstHead;
        };
        row("no length: stop, then the next request",
            "POST " + kJob + "/stopTracking" + v11 + end + list, {200, 200}, false, "Keep-Alive: ");
        row("no length: create has an empty body", newJob + end + list, {400, 200}, false);
        row("pipelined, answered in order",
            "GET " + kJob + v11 + end + "GET " + kList + "/x" + v11 + end + "GET " + kList + v11
                + "Connection: close\r\n\r\n",
            {200, 404, 200}, true, "Keep-Alive: ");
        row("created: Location",
            newJob + "Content-Length: " + QByteArray::number(body.size()) + end + end + body + list,
            {201, 200}, false, "Location: " + kList + "/new%20id%2F1\r\n");
        row("chunked body", newJob + chunked + end + chunks + "0\r\n\r\n" + list, {201, 200}, false);
        row("HTTP/1.0", "GET " + kList + " HTTP/1.0\r\n\r\n", {200}, true, "!Keep-Alive");
        row("HTTP/1.0 asking to keep alive",
            "GET " + kList + " HTTP/1.0\r\nConnection: keep-alive\r\n\r\n", {200}, true,
            "!Keep-Alive");
        row("Allow on the list", "PUT " + kList + v11 + end + list, {405, 200}, false,
            "Allow: GET, HEAD, POST\r\n");
        row("Allow on a job", "PUT " + kJob + v11 + end + list, {405, 200}, false,
            "Allow: GET, HEAD, DELETE\r\n");
        row("negative length", newJob + "Content-Length: -5\r\n\r\n" + list, {400}, true,
            "Connection: close");
        // Both are answered before a byte of the body is sent.
        row("sized over the cap", newJob + "Content-Length: 1048577\r\n\r\n", {413}, true);
        row("chunked over the cap",
            newJob + chunked + end + "80000\r\n" + QByteArray(0x80000, 'x') + "\r\n80001\r\n",
            {413}, true);
        row("head never finished", "GET " + kList + v11 + "Host: 127.", {408}, true);
    }

    void wire()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<int>, statuses);
        QFETCH(bool, closes);
        QFETCH(QByteArray, firstHead);
        SimProcess sim;
        QVERIFY(sim.start(kQuietAnyPort + QStringList{u"--head-deadline-ms=300"_s}));
        QCOMPARE(exchange(sim.port(), "POST " + kList, kExampleBody).status, 201);
        const Conversation conversation = converse(sim.port(), bytes, statuses.size(), closes);
        QList<int> answered;
        for (const Reply &reply : conversation.replies)
            answered.append(reply.status);
        QCOMPARE(answered, statuses);
        QCOMPARE(conversation.closed, closes);
        const QByteArray head = conversation.replies.constFirst().head;
        if (firstHead.startsWith('!'))
            QVERIFY2(!head.contains("\r\n" + firstHead.mid(1)), head.constData());
        else
            QVERIFY2(head.contains(firstHead), head.constData());
    }

    // Fifty clients that never finish their heads hold no one else up.
    void slowClients()
    {
        SimProcess sim;
        QVERIFY(sim.start(kQuietAnyPort));
        std::vector<std::unique_ptr<QTcpSocket>> slow;
        for (int i = 0; i < 50; ++i) {
            slow.push_back(std::make_unique<QTcpSocket>());
            slow.back()->connectToHost(u"127.0.0.1"_s, sim.port());
            slow.back()->write("GET " + kList + " HTTP/1.1\r\nHo");
            QVERIFY(slow.back()->waitForBytesWritten(5000));
        }
        qint64 fastest = std::numeric_limits<qint64>::max(); // of three, against a busy machine
        for (int i = 0; i < 3; ++i) {
            QElapsedTimer timer;
            timer.start();
            QCOMPARE(exchange(sim.port(), "GET " + kList).status, 200);
            fastest = std::min(fastest, timer.elapsed());
        }
        QVERIFY2(fastest < 100, qPrintable(QString::number(fastest) + u" ms"_s));
    }

    void runScript_data()
    {
        QTest::addColumn<QString>("ports"); // %1: a port another simulator holds
        QTest::newRow("any free port") << u"0"_s;
        QTest::newRow("first port taken") << u"%1 0"_s;
    }

    // The script with a program stand-in that asks for the list at the address in the settings
    // file beside it, as the program does on the first click.
    void runScript()
    {
        QFETCH(QString, ports);
        SimProcess other;
        QVERIFY(other.start(kQuietAnyPort));
        QTemporaryDir dir;
        const QString standIn = dir.filePath(u"program"_s);
        const QString userSettings = dir.filePath(u"ORVA_Test_Application.ini"_s);
        QVERIFY(writeFileBytes(standIn, R"(#!/usr/bin/env bash
address=$(sed -n 's/^Address=\(.*\)\r$/\1/p' "$(dirname "$0")/ORVA_Test_Application.ini")
exec 3<>"/dev/tcp/${address%:*}/${address##*:}" || exit 1
printf 'GET /api/videocompare/tracking HTTP/1.1\r\nConnection: close\r\n\r\n' >&3
cat <&3
)"));
        QVERIFY(QFile::setPermissions(standIn, QFile::permissions(standIn) | QFileDevice::ExeOwner));
        QVERIFY(writeFileBytes(userSettings, "[IP]\r\nAddress=10.9.8.7\r\n"));

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"TRACKING_SIM"_s, SimProcess::program());
        environment.insert(u"DEMO_DIR"_s, dir.filePath(u"demo"_s));
        environment.insert(u"SIM_PORTS"_s, ports.replace(u"%1"_s, QString::number(other.port())));
        QProcess script;
        script.setProcessEnvironment(environment);
        script.start(QString::fromUtf8(RUN_WITH_SIM_PATH), {standIn});
        QVERIFY(script.waitForFinished(30000));
        QCOMPARE(script.exitCode(), 0);
        const QByteArray out = script.readAllStandardOutput();
        HttpResponseParser parser;
        parser.feed(out.mid(out.indexOf("HTTP/1.1 ")));
        QCOMPARE(parser.connectionClosed(), HttpResponseParser::Status::Complete);
        QCOMPARE(parser.statusCode(), 200);
        QCOMPARE(QJsonDocument::fromJson(parser.body()).array().size(), 12);
        const QByteArray demo = fileBytes(dir.filePath(u"demo/ORVA_Test_Application.ini"_s));
        QVERIFY(demo.contains("Address=") && !demo.contains(":" + QByteArray::number(other.port())));
        QCOMPARE(fileBytes(userSettings), QByteArray("[IP]\r\nAddress=10.9.8.7\r\n"));
    }

    void shortRuns_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // a pattern for stdout on success, else stderr
        QTest::newRow("help") << QStringList{u"--help"_s} << 0
                              << u"(?s)^(?=.*--host)(?=.*--port)(?=.*--jobs)(?=.*--delay-ms)"
                                 "(?=.*--chunked)(?=.*--alert-every)(?=.*--head-deadline-ms)"
                                 "(?=.*--quiet)(?=.*--help)(?=.*--version)"_s;
        QTest::newRow("version") << QStringList{u"--version"_s} << 0
                                 << u"^tracking-sim \\d+\\.\\d+\\.\\d+\n$"_s;
        QTest::newRow("not a number") << QStringList{u"--port"_s, u"abc"_s} << 2 << u"--port"_s;
        QTest::newRow("out of range") << QStringList{u"--port=70000"_s} << 2 << u"--port"_s;
        QTest::newRow("value missing") << QStringList{u"--jobs"_s} << 2 << u"--jobs"_s;
        QTest::newRow("flag with value") << QStringList{u"--quiet=yes"_s} << 2 << u"--quiet"_s;
        QTest::newRow("unknown option") << QStringList{u"--verbose"_s} << 2 << u"--verbose"_s;
        QTest::newRow("stray argument") << QStringList{u"8080"_s} << 2 << u"8080"_s;
        // Not shared with the simulator already there, whose port stands in for %1.
        QTest::newRow("port taken")
            << QStringList{u"--port=%1"_s} << 1 << u"cannot listen on 127\\.0\\.0\\.1 port "_s;
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
            QCOMPARE(list.head.contains("\r\nTransfer-Encoding: chunked"),
                     arguments.contains(u"--chunked"_s));
        }
        // The log line is written before the answer, so it is there by now.
        QCOMPARE(::kill(static_cast<pid_t>(sim.process().processId()), SIGTERM), 0);
        QVERIFY(sim.waitForExit());
        QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process().exitCode(), 0);
        QCOMPARE(sim.process().readAllStandardOutput(), accessLog);
    }
};

QTEST_GUILESS_MAIN(tst_TrackingSim)
#include "tst_trackingsim.moc"
