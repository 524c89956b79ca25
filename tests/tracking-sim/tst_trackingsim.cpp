// The simulator over real HTTP, slow clients, the program's options and the run script.

#include "CreateExample.h"
#include "FileBytes.h"
#include "SimProcess.h"
#include "transfer/HttpResponseParser.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kList = "/api/videocompare/tracking", kJob = kList + "/4123856710";
const QStringList kQuietAnyPort = {u"--port=0"_s, u"--quiet"_s};
const QByteArray kExampleBody = workedExampleBody(); // what the client sends for the example

struct Reply
{
    int status = 0;
    QByteArray raw, body; // as it came; with any chunked coding undone
};

// Request text with "\n" for CR LF, @L for the list's path and @J for the example job's.
QByteArray wire(QByteArray text)
{
    return text.replace("\n", "\r\n").replace("@L", kList).replace("@J", kJob);
}

// One request ("GET @L") with a sized body.
QByteArray request(const QByteArray &line, const QByteArray &body = {})
{
    return wire(line + " HTTP/1.1\nContent-Length: " + QByteArray::number(body.size()) + "\n\n")
        + body;
}

// Sends bytes on one connection; frames `count` answers with the client's own framer, or fewer if
// the simulator closes or is silent 4 s (below its 5 s deadlines, so that a set one acts).
QList<Reply> converse(quint16 port, const QByteArray &bytes, qsizetype count = 1, bool *closed = {})
{
    QTcpSocket socket;
    socket.connectToHost(u"127.0.0.1"_s, port);
    socket.write(bytes);
    QList<Reply> replies;
    HttpResponseParser parser;
    QByteArray pending, raw;
    while (replies.size() < count && parser.status() != HttpResponseParser::Status::Bad
           && (!pending.isEmpty() || socket.waitForReadyRead(4000))) {
        pending += socket.readAll();
        const HttpResponseParser::Result fed = parser.feed(pending);
        raw += pending.left(fed.consumed);
        pending.remove(0, fed.consumed);
        if (fed.status == HttpResponseParser::Status::Complete) {
            replies.append({parser.statusCode(), std::exchange(raw, {}), parser.takeBody()});
            parser = HttpResponseParser();
        }
    }
    // A connection kept alive is closed only after seconds of silence, so one second tells.
    if (closed)
        *closed = socket.state() != QTcpSocket::ConnectedState || socket.waitForDisconnected(1000);
    return replies;
}

const auto listOf = [](QByteArray job) { return "[\n    " + job.replace("\n", "\n    ") + "\n]"; };

} // namespace

class tst_TrackingSim final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answers_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // sent at once on one connection
        QTest::addColumn<QList<int>>("statuses");
        QTest::addColumn<QByteArrayList>("texts"); // in the answers; "!X" for no "X" header
        QTest::addColumn<bool>("closes");
        // The list after: the job as "created", or as the first answer gave it ("answered");
        // "none": an empty list; "": not looked at.
        QTest::addColumn<QByteArray>("listed");
        const auto row = [](const char *name, QByteArray bytes, QList<int> statuses,
                            QByteArrayList texts, bool closes = false,
                            QByteArray listed = "created") {
            QTest::newRow(name) << bytes << statuses << texts << closes << listed;
        };
        // Refused bodies are under a new id, so only what is wrong with them can refuse them.
        const QJsonObject example = QJsonDocument::fromJson(kExampleBody).object();
        const auto changed = [&example](const QString &member, const QJsonValue &value = {}) {
            QJsonObject body = example;
            value.isNull() ? void(body.remove(member)) : void(body.insert(member, value));
            return request("POST @L", QJsonDocument(body).toJson().replace("4123856710", "new"));
        };
        const QByteArray body = QByteArray(kExampleBody).replace("4123856710", "new id/1");
        const QByteArray chunked = wire("POST @L HTTP/1.1\nTransfer-Encoding: chunked\n\n");
        const auto chunk = [](const QByteArray &data) {
            return QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n";
        };
        row("reading, pipelined",
            request("GET @J") + request("GET @L/x") + request("POST @L/x/stopTracking")
                + request("DELETE @L/x") + request("GET /api/other"),
            {200, 404, 404, 404, 404},
            {"Keep-Alive: ", R"("externalId": "4123856710")",
             R"("error": "no job with externalId \"x\")",
             R"("error": "no such route: /api/other")"},
            false, "answered");
        row("delete, then read", request("DELETE @J") + request("GET @J"), {200, 404},
            {R"("result": "Deleted")", R"("error": "no job with externalId \"4123856710\")"}, false,
            "none");
        row("no length: stop, then create",
            wire("POST @J/stopTracking HTTP/1.1\n\nPOST @L HTTP/1.1\n\n"), {200, 400},
            {R"("latestAlertStatus": "Stopped")"}, false, "answered");
        row("refused creations",
            request("POST @L", kExampleBody) + request("POST @L", kExampleBody.chopped(3))
                + changed(u"programName"_s) + changed(u"externalId"_s, u" "_s)
                + changed(u"channelGroup"_s, QJsonArray{example[u"channelGroup"][0]}),
            {409, 400, 400, 400, 400},
            {R"("error": "a job with externalId \"4123856710\" already exists)",
             R"("error": "the body is not valid JSON)", R"("error": "programName is missing)",
             R"("error": "externalId must not be empty)",
             R"("error": "channelGroup must hold two stream objects)"});
        row("chunked creation: Location",
            chunked + chunk(body.left(100)) + chunk(body.mid(100)) + "0\r\n\r\n", {201},
            {"Location: " + kList + "/new%20id%2F1\r\n"}, false, "");
        row("Allow", request("PUT @L") + request("PUT @J"), {405, 405},
            {"Allow: GET, HEAD, POST\r\n", "Allow: GET, HEAD, DELETE\r\n"});
        row("HTTP/1.0 asking to keep alive", wire("GET @L HTTP/1.0\nConnection: keep-alive\n\n"),
            {200}, {"!Keep-Alive"}, true);
        row("negative length", wire("POST @L HTTP/1.1\nContent-Length: -5\n\nGET @L HTTP/1.1\n\n"),
            {400}, {"Connection: close"}, true);
        // A body of exactly the cap is read (and refused for what it holds); one byte more is
        // answered before a byte of the body is sent.
        const QByteArray notJson = "\"error\": \"the body is not valid JSON";
        const QByteArray half(0x80000, ' ');
        row("at the cap", request("POST @L", half + half), {400}, {notJson});
        row("chunked at the cap", chunked + chunk(half) + chunk(half) + "0\r\n\r\n", {400},
            {notJson});
        row("over the cap", wire("POST @L HTTP/1.1\nContent-Length: 1048577\n\n"), {413}, {}, true);
        row("chunked over the cap", chunked + chunk(QByteArray(0x80000, 'x')) + "80001\r\n", {413},
            {}, true);
        row("head never finished", wire("GET @L HTTP/1.1\nHost: 127."), {408}, {}, true);
    }

    // Each conversation meets the example job, just created and listed (so the list is cached).
    // The list must then hold the job as created or as the first answer gave it, to the byte.
    void answers()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<int>, statuses);
        QFETCH(QByteArrayList, texts);
        QFETCH(bool, closes);
        QFETCH(QByteArray, listed);
        SimProcess sim;
        QVERIFY(sim.start(kQuietAnyPort + QStringList{u"--head-deadline-ms=300"_s}));
        const Reply created = converse(sim.port(), request("POST @L", kExampleBody)).value(0);
        const QString time = QJsonDocument::fromJson(created.body)[u"latestAlertTime"].toString();
        const QRegularExpression stamp(u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[- ]\\d{4}$"_s);
        QVERIFY2(stamp.match(time).hasMatch(), qPrintable(time));
        QCOMPARE(created.body, QString::fromUtf8(WorkedExampleJob).arg(time).toUtf8());
        QCOMPARE(converse(sim.port(), request("GET @L")).value(0).body, listOf(created.body));

        if (!closes) // then a list request after them is answered too
            bytes += request("GET @L"), statuses << 200;
        bool closed = false;
        const QList<Reply> replies = converse(sim.port(), bytes, statuses.size(), &closed);
        QList<int> answered;
        QByteArray text;
        for (const Reply &reply : replies)
            answered << reply.status, text += reply.raw;
        QCOMPARE(answered, statuses);
        QCOMPARE(closed, closes);
        for (const QByteArray &expected : texts)
            QVERIFY2(expected.startsWith('!') ? !text.contains("\r\n" + expected.mid(1))
                                              : text.contains(expected),
                     expected.constData());
        if (listed.isEmpty()) // a job made in the conversation is listed too
            return;
        const QByteArray list = converse(sim.port(), request("GET @L")).value(0).body;
        QCOMPARE(list,
                 listed == "none" ? QByteArray("[]")
                                  : listOf(listed == "created" ? created.body : replies[0].body));
    }

    // Fifty clients that never finish their heads hold no one else up.
    void slowClients()
    {
        SimProcess sim;
        QVERIFY(sim.start(kQuietAnyPort));
        QTcpSocket slow[50];
        for (QTcpSocket &socket : slow) {
            socket.connectToHost(u"127.0.0.1"_s, sim.port());
            socket.write(wire("GET @L HTTP/1.1\nHo"));
            QVERIFY(socket.waitForBytesWritten(5000));
        }
        QElapsedTimer timer;
        qint64 fastest = 1000; // of three, against a busy machine
        for (int i = 0; i < 3; ++i, fastest = std::min(fastest, timer.elapsed())) {
            timer.start();
            QCOMPARE(converse(sim.port(), request("GET @L")).value(0).status, 200);
        }
        QVERIFY2(fastest < 100, qPrintable(QString::number(fastest) + u" ms"_s));
    }

    // The script with a program stand-in that asks for the list at the address in the settings
    // file beside it, as the program does on the first click; the first port is taken.
    void runScript()
    {
        SimProcess other;
        QVERIFY(other.start(kQuietAnyPort));
        QTemporaryDir dir;
        const QString standIn = dir.filePath(u"program"_s);
        const QString userSettings = dir.filePath(u"ORVA_Test_Application.ini"_s);
        QVERIFY(writeFileBytes(standIn, R"(#!/usr/bin/env bash
address=$(sed -n 's/^Address=\(.*\)\r$/\1/p' "$(dirname "$0")/ORVA_Test_Application.ini")
exec 3<>"/dev/tcp/${address%:*}/${address##*:}" || exit 1
printf 'GET /api/videocompare/tracking HTTP/1.1\r\nConnection: close\r\n\r\n' >&3 && cat <&3)"));
        QVERIFY(QFile::setPermissions(standIn, QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(writeFileBytes(userSettings, "[IP]\r\nAddress=10.9.8.7\r\n"));
        QProcess script;
        script.start(u"env"_s,
                     {u"TRACKING_SIM="_s + SimProcess::program(),
                      u"DEMO_DIR="_s + dir.filePath(u"demo"_s),
                      u"SIM_PORTS="_s + QString::number(other.port()) + u" 0"_s,
                      QString::fromUtf8(RUN_WITH_SIM_PATH), standIn});
        QVERIFY(script.waitForFinished(30000));
        QCOMPARE(script.exitCode(), 0);
        // Twelve sample jobs and four running ones come only from the script's simulator, not
        // from the one on the taken port.
        const QByteArray out = script.readAllStandardOutput();
        QCOMPARE(QJsonDocument::fromJson(out.mid(out.indexOf("\r\n\r\n") + 4)).array().size(), 16);
        QCOMPARE(fileBytes(userSettings), QByteArray("[IP]\r\nAddress=10.9.8.7\r\n"));
    }

    void runs_data()
    {
        QTest::addColumn<QString>("arguments"); // %1: a port another simulator holds
        QTest::addColumn<int>("jobs");          // listed, then stopped; -2: ends itself
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // a pattern for stdout on success, else stderr
        auto row = [](const char *name, auto... cells) { (QTest::newRow(name) << ... << cells); };
        row("help", u"--help"_s, -2, 0,
            u"(?s)(?=.*--host)(?=.*--port)(?=.*--jobs)(?=.*--delay-ms)(?=.*--chunked)(?=.*--help)"
            "(?=.*--alert-every)(?=.*--head-deadline-ms)(?=.*--quiet)(?=.*--version)(?=.*--running)"
            "(?=.*--tls-cert)(?=.*--tls-key)(?=.*--tls-self-signed)(?=.*--tls-client-ca)"_s);
        row("version", u"--version"_s, -2, 0, u"^tracking-sim \\d+\\.\\d+\\.\\d+\n$"_s);
        // The complaint names the argument at fault.
        for (const QString &wrong : {u"--port abc"_s, u"--port=70000"_s, u"--jobs"_s,
                                     u"--quiet=yes"_s, u"--verbose"_s, u"8080"_s})
            row(qPrintable(wrong), wrong, -2, 2, wrong.section(u'=', 0, 0).section(u' ', 0, 0));
        row("port taken", u"--port=%1"_s, -2, 1, u"cannot listen on 127\\.0\\.0\\.1 port "_s);
        const QString address = u"^http://127\\.0\\.0\\.1:\\d+\\n"_s;
        row("quiet", u"--port=0 --quiet"_s, 0, 0, address + u"$"_s);
        row("logging", u"--port=0"_s, 0, 0, address + u"GET /api/videocompare/tracking 200 2\n$"_s);
        row("chunked, many chunks", u"--port=0 --quiet --jobs=1000 --chunked"_s, 1000, 0,
            address + u"$"_s);
        row("sample and running jobs", u"--port=0 --quiet --jobs=3 --running=2"_s, 5, 0,
            address + u"$"_s);
        row("running jobs over the limit", u"--running=1001"_s, -2, 2, u"--running"_s);
        row("a key without its certificate", u"--port=0 --tls-key=k.pem"_s, -2, 2,
            u"--tls-cert and --tls-key go together"_s);
        row("a certificate of one's own and a throwaway one",
            u"--port=0 --tls-self-signed --tls-cert=c.pem --tls-key=k.pem"_s, -2, 2,
            u"--tls-self-signed takes the place of --tls-cert and --tls-key"_s);
        row("a client CA without TLS", u"--port=0 --tls-client-ca=ca.pem"_s, -2, 2,
            u"--tls-client-ca needs --tls-cert and --tls-key, or --tls-self-signed"_s);
        row("a certificate file that is not there",
            u"--port=0 --tls-cert=/nonexistent/c.pem --tls-key=/nonexistent/k.pem"_s, -2, 1,
            u"^tracking-sim: cannot read /nonexistent/c\\.pem: No such file or directory\n$"_s);
    }

    void runs()
    {
        QFETCH(QString, arguments);
        QFETCH(int, jobs);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        SimProcess other, sim;
        QVERIFY(other.start(kQuietAnyPort));
        // A run that ends by itself may end before its first line.
        QVERIFY(sim.start(arguments.replace(u"%1"_s, QString::number(other.port())).split(u' '))
                || jobs == -2);
        if (jobs >= 0) {
            const Reply list = converse(sim.port(), request("GET @L")).value(0);
            QSet<QString> ids; // a duplicate would be one short
            for (const QJsonValue &job : QJsonDocument::fromJson(list.body).array())
                ids.insert(job[u"externalId"].toString());
            QCOMPARE(ids.size(), jobs);
            QCOMPARE(list.raw.contains("\r\nTransfer-Encoding: chunked"),
                     arguments.contains(u"--chunked"_s));
            sim.process().terminate(); // SIGTERM; any log line was written before the answer
        }
        QVERIFY(sim.waitForExit());
        QCOMPARE(sim.process().exitStatus() == QProcess::NormalExit ? sim.process().exitCode() : -1,
                 exitCode);
        const QString shown = exitCode
            ? QString::fromUtf8(sim.process().readAllStandardError())
            : sim.firstLine() + u'\n' + QString::fromUtf8(sim.process().readAllStandardOutput());
        QVERIFY2(QRegularExpression(output).match(shown).hasMatch(), qPrintable(shown));
    }
};

QTEST_GUILESS_MAIN(tst_TrackingSim)
#include "tst_trackingsim.moc"
