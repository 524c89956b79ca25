#include "CliProcess.h"
#include "FileBytes.h"
#include "JobLists.h"
#include "ScriptedHttpServer.h"
#include "SimProcess.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <csignal>
#include <optional>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kJobList = "[\r\n"
                            " {\"externalId\": \"J1\", \"latestAlertStatus\": \"None\", "
                            "\"latestAlertTime\": \"2027-03-01T09:33:00-0500\"},\r\n"
                            " {\"externalId\": \"J\\/2\", \"latestAlertStatus\": \"Video\tLoss\", "
                            "\"latestAlertTime\": \"\\u00e9t\\u00e9\"}\r\n"
                            "]";

const QByteArray kNotFound =
    "HTTP/1.1 404 Not Found\r\nContent-Length: 24\r\n\r\n{\"error\": \"no such job\"}";

QByteArray chunked(const QByteArray &body)
{
    QByteArray raw = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (qsizetype at = 0; at < body.size(); at += 7) {
        const QByteArray piece = body.mid(at, 7);
        raw += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
    }
    return raw + "0\r\n\r\n";
}

} // namespace

class tst_Cli final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_sim.start({u"--port"_s, u"0"_s, u"--quiet"_s}));
        m_address = u"127.0.0.1:"_s + QString::number(m_sim.port());
    }

    void init() { m_server.emplace(); }

    // The list's three forms, for a body with an escaped quote, a tab and escaped letters.
    void listForms_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("table") << QStringList()
                               << QByteArray("externalId\tlatestAlertStatus\tlatestAlertTime\n"
                                             "J1\tNone\t2027-03-01T09:33:00-0500\n"
                                             "J\\/2\tVideo Loss\t\\u00e9t\\u00e9\n");
        QTest::newRow("json")
            << QStringList{u"--json"_s}
            << QByteArray("{\"externalId\":\"J1\",\"latestAlertStatus\":\"None\","
                          "\"latestAlertTime\":\"2027-03-01T09:33:00-0500\"}\n"
                          "{\"externalId\":\"J/2\",\"latestAlertStatus\":"
                          "\"Video\\tLoss\",\"latestAlertTime\":\"\xc3\xa9t\xc3\xa9\"}\n");
        QTest::newRow("raw, chunked") << QStringList{u"--raw"_s} << kJobList;
    }

    void listForms()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, out);
        m_server->setResponse(chunked(kJobList));
        const CliResult result = run(QStringList{u"list"_s} + options);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, out);
        QCOMPARE(result.err, QByteArray());
    }

    // Usage and bad input: one line, exit status 2, nothing sent and nothing logged.
    void badInput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        // The arguments written with "|" between them.
        const auto row = [](const char *name, const QString &arguments, const QString &message) {
            QTest::newRow(name) << (arguments.isEmpty() ? QStringList() : arguments.split(u'|'))
                                << message;
        };
        row("no command", {}, u"no command given"_s);
        row("unknown command", u"lsit"_s, u"unknown command \"lsit\""_s);
        row("unknown option", u"list|--fast"_s, u"Unknown option 'fast'."_s);
        row("get without ID", u"get"_s, u"get needs the job's ID"_s);
        row("empty ID", u"delete|"_s, u"delete: the job's ID is empty"_s);
        row("two IDs", u"stop|a|b"_s, u"stop: unexpected argument \"b\""_s);
        row("create option on list", u"list|--id|1"_s, u"--id is an option of create"_s);
        row("json and raw", u"list|--json|--raw"_s, u"--json and --raw exclude each other"_s);
        row("timeout 0", u"list|--timeout|0"_s, u"--timeout \"0\" is not"_s);
        row("watch: a report", u"watch|--junit|r.xml"_s, u"--junit is not an option of watch"_s);
        row("watch: no lists", u"watch|--count|0"_s,
            u"--count \"0\" is not a number of lists from 1"_s);
        row("watch: under a millisecond", u"watch|--interval|0.0004"_s,
            u"--interval \"0.0004\" is not a number of seconds from 0.001 to 86400"_s);
        row("watch option on list", u"list|--interval|1"_s, u"--interval is an option of watch"_s);
        row("space in the host", u"list|--address|10.0 .0.5"_s,
            u"the address \"10.0 .0.5\" cannot be used"_s);
        row("report in a missing folder", u"list|--junit|/nonexistent/r.xml"_s,
            u"cannot write /nonexistent/r.xml"_s);
        row("report onto a FIFO", u"list|--junit|"_s + m_fifo,
            u"cannot write %1: it is not a regular file but a FIFO"_s.arg(m_fifo));
        // An ID that cannot be sent as it is: refused before anything is sent or logged.
        const QString dotSegment = u"a \".\" or \"..\" path segment would name another resource"_s;
        row("ID of two dots", u"get|.."_s,
            u"get: the job's ID \"..\" cannot be sent: "_s + dotSegment);
        row("ID of one dot", u"delete|."_s,
            u"delete: the job's ID \".\" cannot be sent: "_s + dotSegment);
        row("group of four parts", u"create|--group1|a,1,b,2"_s,
            u"--group1: \"a,1,b,2\" is not IP,PORT,IP,PORT,NAME"_s);
        // The window's field rules, naming each failing field by its member in the body.
        row("fields refused; the last of an option given twice wins",
            workedExampleArguments().join(u'|')
                + u"|--program| |--group2|239.20.0.1,6000,239.20.0.2,-1,Feed B|--key2|Other"_s,
            u"create: programName is empty; channelGroup 2 backupUdpPort \"-1\" is not a port; "
            "thresholdKey2 \"Other\" is not ThresholdValue1 or ThresholdValue2 (see"_s);
        // create --from a file holding json (null: no such file); %1 in the reason is its name.
        const auto from = [this, &row](const char *name, const QByteArray &json,
                                       const char *reason) {
            const QString file = json.isNull() ? m_home.filePath(u"none.json"_s) : jobFile(json);
            row(name, u"create|--from|"_s + file, QString::fromLatin1(reason).arg(file));
        };
        from("missing file", {}, "--from: cannot read %1");
        // Files that would hang the run or end it: refused at once (tst_regularfile: each kind).
        row("--from a FIFO", u"create|--from|"_s + m_fifo,
            u"--from: cannot read %1: it is not a regular file but a FIFO"_s.arg(m_fifo));
        row("--from a device that never ends", u"create|--from|/dev/zero"_s,
            u"--from: cannot read /dev/zero: it is not a regular file but a character device"_s);
        from("--from a file over 1 MiB", QByteArray((1 << 20) + 1, ' '),
             "--from: cannot read %1: it is larger than 1 MiB");
        from("not JSON", "{\"externalId\": ", "--from: %1 is not valid JSON");
        from("an array", "[]", "--from: %1 does not hold a JSON object");
        from("a number for a text", "{\"externalId\": 4123856710}",
             "--from: %1: externalId is not a text");
        from("three streams", "{\"channelGroup\": [{}, {}, {}]}",
             "--from: %1: channelGroup holds 3 streams; a job has two");
        from("a stream that is a text", "{\"channelGroup\": [\"x\"]}",
             "--from: %1: channelGroup 1 is not an object");
    }

    void badInput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const QString log = m_home.filePath(u"bad.log"_s);
        const CliResult result = run(arguments << u"--log"_s << log);
        QCOMPARE(result.exitCode, 2);
        QVERIFY2(result.err.startsWith("talus-test-cli: " + message.toUtf8()),
                 result.err.constData());
        QCOMPARE(result.err.count('\n'), 1);
        QCOMPARE(result.out, QByteArray());
        QCOMPARE(m_server->connectionCount(), 0);
        QVERIFY(!QFile::exists(log));
    }

    // With no --address, the address comes from the installed window's settings file, trimmed;
    // the arguments after "--" are the command's own, never options.
    void addressFromSettings_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("target");
        QTest::newRow("list") << QStringList{u"list"_s} << QByteArray();
        QTest::newRow("\"--address\" after \"--\" is an ID")
            << QStringList{u"get"_s, u"--"_s, u"--address"_s} << QByteArray("/--address");
    }

    void addressFromSettings()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, target);
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkpath(u"talus-test-app"_s));
        QVERIFY(writeFileBytes(home.filePath(u"talus-test-app/ORVA_Test_Application.ini"_s),
                               "[IP]\r\nAddress= " + m_server->authority().toUtf8() + " \r\n"));
        QCOMPARE(runCli(arguments, cliEnvironment(home.path())).exitCode, 0);
        QVERIFY2(m_server->received(0).startsWith("GET /api/videocompare/tracking" + target
                                                  + " HTTP/1.1\r\n"),
                 m_server->received(0).constData());
    }

    // Output that cannot be written (a full disk, a reader that went away) is a failure: exit
    // status 3 and one line, never a silent success.
    void outputCannotBeWritten_data()
    {
        QTest::addColumn<QStringList>("arguments"); // against the simulator, or a list server
        QTest::addColumn<bool>("closed");           // the pipe closed early, else /dev/full
        QTest::addColumn<QByteArray>("err");
        QTest::addColumn<int>("sent"); // requests in the log at LOG, when there is one
        const QByteArray full = "talus-test-cli: cannot write standard output: No space left on "
                                "device\n";
        const QByteArray broken = "talus-test-cli: cannot write standard output: Broken pipe\n";
        const QStringList list{u"list"_s, u"--address"_s, u"SERVER"_s};
        QTest::newRow("list, full disk") << list << false << full << 0;
        QTest::newRow("list --json, full disk")
            << list + QStringList{u"--json"_s} << false << full << 0;
        QTest::newRow("list, pipe closed") << list << true << broken << 0;
        QTest::newRow("--help, pipe closed") << QStringList{u"--help"_s} << true << broken << 0;
        // The run stops at its first failed line: nothing more is sent once no one can be told.
        QTest::newRow("smoke, full disk")
            << QStringList{u"smoke"_s, u"--log"_s, u"LOG"_s} << false << full << 1;
        QTest::newRow("--help, full disk") << QStringList{u"--help"_s} << false << full << 0;
    }

    void outputCannotBeWritten()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, closed);
        QFETCH(QByteArray, err);
        QFETCH(int, sent);
        m_server->setResponse(chunked(kJobList));
        const QString log = m_home.filePath(u"full.log"_s);
        arguments.replaceInStrings(u"SERVER"_s, m_server->authority());
        arguments.replaceInStrings(u"LOG"_s, log);
        const CliResult result = runCli(QStringList{u"--address"_s, m_address} + arguments, m_env,
                                        closed ? CliOutput::Closed : CliOutput::ToFile,
                                        u"/dev/full"_s);
        QCOMPARE(result.exitCode, 3);
        QCOMPARE(result.err, err);
        if (sent > 0)
            QCOMPARE(fileBytes(log).count("---Data Transmitted---"), sent);
    }

    // A list whose table does not fit the memory available fails as a transfer does: exit
    // status 3 and the reason, with the report saying so.
    void outOfMemoryInTheScan()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer's allocator cannot be given a ceiling");
#endif
        m_server->setResponse(ScriptedHttpServer::okResponse(numberedJobList(27000)));
        QProcessEnvironment env = m_env;
        env.insert(u"TALUS_ALLOCATION_CEILING"_s, QString::number(2 << 20));
        const QString junit = m_home.filePath(u"oom.xml"_s);
        const CliResult result =
            runCli({u"list"_s, u"--address"_s, m_server->authority(), u"--junit"_s, junit}, env,
                   CliOutput::Read, {}, TALUS_TEST_CLI_CEILING_PATH);
        QCOMPARE(result.exitCode, 3);
        QCOMPARE(result.err, "talus-test-cli: Failed: answer too large for the memory available\n");
        QCOMPARE(result.out, QByteArray());
        QVERIFY(fileBytes(junit).contains(
            "<error message=\"Failed: answer too large for the memory available\">"));
    }

    // A run ended by a signal leaves a report that fails: the steps done so far, then the step
    // under way as an error naming the signal. A run killed outright leaves the report it
    // wrote at its start, which fails as well.
    void interruptedRunLeavesAFailingReport_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QByteArray>("testCase");
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("SIGTERM") << int(SIGTERM) << QByteArray("smoke create ")
                                 << QByteArray("interrupted by signal 15");
        QTest::newRow("SIGINT") << int(SIGINT) << QByteArray("smoke create ")
                                << QByteArray("interrupted by signal 2");
        QTest::newRow("SIGKILL") << int(SIGKILL) << QByteArray("smoke")
                                 << QByteArray("the run ended before its report was written");
    }

    void interruptedRunLeavesAFailingReport()
    {
        QFETCH(int, signal);
        QFETCH(QByteArray, testCase);
        QFETCH(QByteArray, error);
        m_server->setSilent(true);
        const QString junit = m_home.filePath(u"interrupted.xml"_s);
        QProcess process;
        process.setProcessEnvironment(m_env);
        process.start(QString::fromUtf8(TALUS_TEST_CLI_PATH),
                      {u"smoke"_s, u"--address"_s, m_server->authority(), u"--junit"_s, junit});
        QTRY_COMPARE_WITH_TIMEOUT(m_server->connectionCount(), 1, 10000);
        QTRY_VERIFY(m_server->received(0).contains("\r\n\r\n{"));
        ::kill(pid_t(process.processId()), signal);
        QTRY_VERIFY_WITH_TIMEOUT(process.state() == QProcess::NotRunning, 10000);
        if (signal == SIGKILL) {
            QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        } else {
            QCOMPARE(process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(process.exitCode(), 128 + signal);
        }
        const QByteArray report = validReport(junit);
        QVERIFY2(report.contains("tests=\"1\" failures=\"0\" errors=\"1\"")
                     && report.contains("<testcase classname=\"talus-test-cli smoke\" name=\""
                                        + testCase)
                     && report.contains("<error message=\"" + error + "\">"),
                 report.constData());
    }

    // watch against the simulator's running jobs: the first list gives every job as new, the
    // next ones the jobs whose alerts changed; --count ends it with exit status 0.
    void watchShowsChanges()
    {
        SimProcess sim;
        QVERIFY(sim.start({u"--port"_s, u"0"_s, u"--quiet"_s, u"--jobs"_s, u"1"_s, u"--running"_s,
                           u"2"_s, u"--alert-every"_s, u"1"_s}));
        const CliResult result =
            runCli({u"watch"_s, u"--address"_s, u"127.0.0.1:"_s + QString::number(sim.port()),
                    u"--interval"_s, u"1.1"_s, u"--count"_s, u"3"_s},
                   m_env);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.err, QByteArray());
        const QList<QByteArray> lines = result.out.trimmed().split('\n');
        QCOMPARE(lines.first(), "time\tchange\texternalId\tlatestAlertStatus\tlatestAlertTime");
        QStringList changes;
        for (const QByteArray &line : lines.mid(1))
            changes << QString::fromUtf8(line.split('\t').value(1) + ' '
                                         + line.split('\t').value(2));
        QCOMPARE(changes.mid(0, 3),
                 QStringList({u"new SIM-000001"_s, u"new SIM-R00001"_s, u"new SIM-R00002"_s}));
        // An alert a second: each later list changes both running jobs, never the finished one.
        QVERIFY2(changes.mid(3).count(u"changed SIM-R00001"_s) >= 1
                     && !changes.mid(3).join(u' ').contains(u"SIM-000001"_s),
                 result.out.constData());
        QVERIFY(QRegularExpression(u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[- ]\\d{4}$"_s)
                    .match(QString::fromUtf8(lines.at(1).split('\t').first()))
                    .hasMatch());
    }

    // A server that drops a job and changes another: a gone line and a changed one, as JSON
    // objects that parse, the changed one with its previous texts under "was".
    void watchAsJson()
    {
        m_server->setResponses(
            {ScriptedHttpServer::okResponse("[" + jobObject("A", "OK", "t1") + ","
                                            + jobObject("B", "OK", "t1") + "]"),
             ScriptedHttpServer::okResponse("[" + jobObject("A", "Loss", "t2") + "]")});
        const CliResult result =
            run({u"watch"_s, u"--json"_s, u"--interval"_s, u"0.3"_s, u"--count"_s, u"2"_s});
        QCOMPARE(result.exitCode, 0);
        QStringList seen;
        for (const QByteArray &line : result.out.trimmed().split('\n')) {
            QJsonParseError error;
            const QJsonObject object = QJsonDocument::fromJson(line, &error).object();
            QCOMPARE(error.error, QJsonParseError::NoError);
            seen << object.value(u"change"_s).toString() + u' '
                    + object.value(u"externalId"_s).toString() + u' '
                    + object.value(u"latestAlertStatus"_s).toString() + u' '
                    + object.value(u"was"_s).toObject().value(u"latestAlertStatus"_s).toString()
                    + u'/'
                    + object.value(u"was"_s).toObject().value(u"latestAlertTime"_s).toString();
        }
        QCOMPARE(seen,
                 QStringList({u"new A OK /"_s, u"new B OK /"_s, u"changed A Loss OK/t1"_s,
                              u"gone B OK /"_s}));
        QCOMPARE(m_server->connectionCount(), 2);
    }

    // A list that fails is said on standard error and the watch goes on; the last list failed,
    // the exit status is 3. A signal stops it at once with 0.
    void watchEnds_data()
    {
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("signalled");
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("failure"); // on standard error, once a list
        const QByteArray list = ScriptedHttpServer::okResponse("[]");
        QTest::newRow("every list failed")
            << true << false << list << 3
            << QByteArray("talus-test-cli: Failed: connection refused\n");
        QTest::newRow("an error page is no list")
            << false << false << kNotFound << 3
            << QByteArray("talus-test-cli: not a 2xx answer: HTTP 404 Not Found");
        QTest::newRow("stopped by SIGINT") << false << true << list << 0 << QByteArray("-");
    }

    void watchEnds()
    {
        QFETCH(bool, refused);
        QFETCH(bool, signalled);
        QFETCH(QByteArray, response);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, failure);
        m_server->setResponse(response);
        QProcess process;
        process.setProcessEnvironment(m_env);
        process.start(QString::fromUtf8(TALUS_TEST_CLI_PATH),
                      {u"watch"_s, u"--address"_s,
                       refused ? ScriptedHttpServer::refusingAuthority() : m_server->authority(),
                       u"--interval"_s, signalled ? u"60"_s : u"0.1"_s, u"--count"_s, u"2"_s});
        if (signalled) {
            QTRY_COMPARE(m_server->connectionCount(), 1);
            ::kill(pid_t(process.processId()), SIGINT);
        }
        QTRY_VERIFY_WITH_TIMEOUT(process.state() == QProcess::NotRunning, 10000);
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
        const QByteArray err = process.readAllStandardError();
        QCOMPARE(err.count(failure), signalled ? 0 : 2);
    }

    // The exit status of a get: 0 for a complete answer below 400 and 1 from 400 on, the body
    // as it came; 3 and the tool tip's words for a failed transfer (here the option's time-out).
    void exitStatus_data()
    {
        QTest::addColumn<int>("status"); // 0: no answer
        QTest::addColumn<QString>("timeout");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        for (const auto &[status, exitCode] : {std::pair(200, 0), {399, 0}, {400, 1}, {500, 1}})
            QTest::addRow("%d", status)
                << status << u"10"_s << exitCode << QByteArray("{}") << QByteArray();
        for (const QString &seconds : {u"0.3"_s, u"0.001"_s}) // the least is a millisecond
            QTest::addRow("no answer within %s s", qPrintable(seconds))
                << 0 << seconds << 3 << QByteArray()
                << "talus-test-cli: Failed: no answer within " + seconds.toUtf8() + " s\n";
    }

    void exitStatus()
    {
        QFETCH(int, status);
        QFETCH(QString, timeout);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        m_server->setSilent(status == 0);
        m_server->setResponse("HTTP/1.1 " + QByteArray::number(status)
                              + " Whatever\r\nContent-Length: 2\r\n\r\n{}");
        const CliResult result = run({u"get"_s, u"J1"_s, u"--timeout"_s, timeout});
        QCOMPARE(result.exitCode, exitCode);
        QCOMPARE(result.out, out);
        QCOMPARE(result.err, err);
    }

    // -v tells each stage of the status line, then the outcome, on standard error.
    void verbose()
    {
        m_server->setResponse(kNotFound);
        const CliResult result = run({u"-v"_s, u"get"_s, u"x"_s});
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.out, "{\"error\": \"no such job\"}");
        const QRegularExpression stages(u"^Resolving Host\n(?s:.*\n)?Response Completed\n"
                                        "HTTP 404 Not Found \u00b7 24 bytes \u00b7 [^\n]+\n"
                                        "\\d+ bytes sent, 70 bytes received\n$"_s);
        QVERIFY2(stages.match(QString::fromUtf8(result.err)).hasMatch(), result.err.constData());
    }

    // Smoke passes against the simulator, one line per step, and stops at the first answer
    // that is not a 2xx one or does not name its job; the report's failure gives the reason as
    // its message and its text.
    void smoke_data()
    {
        QTest::addColumn<QByteArray>("response"); // empty: the simulator answers
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("steps");   // each step's outcome
        QTest::addColumn<QString>("failure"); // how the failure's message starts, as read
        QTest::newRow("simulator")
            << QByteArray() << 0 << u"create ok|list ok|get ok|stop ok|delete ok"_s << QString();
        QTest::newRow("404") << kNotFound << 4 << u"create FAILED"_s
                             << u"not a 2xx answer: HTTP 404 Not Found"_s;
        QTest::newRow("another job")
            << ScriptedHttpServer::okResponse("{\"externalId\": \"1\"}") << 4 << u"create FAILED"_s
            << u"the answer does not name job "_s;
        // In the report once escaped, as the server said it.
        QTest::newRow("a reason holding what XML escapes")
            << QByteArray("HTTP/1.1 404 Not <Found> & \"gone\"\r\nContent-Length: 2\r\n\r\n{}") << 4
            << u"create FAILED"_s
            << u"not a 2xx answer: HTTP 404 Not <Found> & \"gone\" \u00b7 2 bytes"_s;
    }

    void smoke()
    {
        QFETCH(QByteArray, response);
        QFETCH(int, exitCode);
        QFETCH(QString, steps);
        QFETCH(QString, failure);
        m_server->setResponse(response);
        const QString junit = m_home.filePath(u"smoke.xml"_s);
        const CliResult result = run({u"smoke"_s, u"--junit"_s, junit, u"--address"_s,
                                      response.isEmpty() ? m_address : m_server->authority()});
        QCOMPARE(result.exitCode, exitCode);
        QStringList seen;
        for (const QByteArray &line : result.out.trimmed().split('\n'))
            seen << QString::fromUtf8(line).section(u' ', 0, 0) + u' '
                    + QString::fromUtf8(line).section(u' ', 2, 2).chopped(1);
        QCOMPARE(seen.join(u'|'), steps);
        const QByteArray bytes = validReport(junit);
        QCOMPARE(bytes.count("<testcase "), steps.count(u'|') + 1);
        QCOMPARE(bytes.count("<failure "), failure.isEmpty() ? 0 : 1);
        QXmlStreamReader report(bytes);
        while (!report.atEnd()
               && !(report.readNext() == QXmlStreamReader::StartElement
                    && report.name() == u"failure"_s)) {
        }
        const QString message = report.attributes().value(u"message"_s).toString();
        QVERIFY2(message.startsWith(failure), qPrintable(message));
        QCOMPARE(report.atEnd() ? QString() : report.readElementText(), message);
    }

    // An https address is checked by the window's [TLS] settings: an untrusted certificate
    // fails with the reason and the pin that would trust it (the fingerprint the simulator
    // printed for its throwaway certificate); pinned, the list comes.
    void httpsPinned()
    {
        SimProcess tls;
        QVERIFY(tls.start({u"--port"_s, u"0"_s, u"--quiet"_s, u"--tls-self-signed"_s}));
        QVERIFY(tls.process().canReadLine() || tls.process().waitForReadyRead(15000));
        const QByteArray printed = tls.process().readLine().trimmed();
        const QString address = u"https://127.0.0.1:"_s + QString::number(tls.port());
        const CliResult refused = runCli({u"list"_s, u"--address"_s, address}, m_env);
        QCOMPARE(refused.exitCode, 3);
        const QList<QByteArray> lines = refused.err.split('\n');
        QCOMPARE(lines.at(0), "talus-test-cli: Failed: certificate not trusted: self-signed");
        const QRegularExpressionMatch pin =
            QRegularExpression(u"add \"(Pin[^\"]+)\" under \\[TLS\\] in (.+), or"_s)
                .match(QString::fromUtf8(lines.value(1)));
        QVERIFY2(pin.hasMatch(), lines.value(1).constData());
        const QByteArray pinned = QByteArray::fromHex(pin.captured(1).section(u'=', 1).toLatin1());
        QCOMPARE(printed, "SHA-256 fingerprint: " + pinned.toHex(':').toUpper());
        QCOMPARE(pin.captured(2), m_home.filePath(u"talus-test-app/ORVA_Test_Application.ini"_s));
        // Every command that meets the certificate says the same.
        const CliResult smoke = runCli({u"smoke"_s, u"--address"_s, address}, m_env);
        QCOMPARE(smoke.exitCode, 3);
        QCOMPARE(smoke.err, lines.value(1) + '\n');

        QVERIFY(QDir(m_home.path()).mkpath(u"talus-test-app"_s));
        QVERIFY(writeFileBytes(pin.captured(2), "[TLS]\r\n" + pin.captured(1).toUtf8() + "\r\n"));
        const CliResult trusted = runCli({u"list"_s, u"--address"_s, address}, m_env);
        QVERIFY(QFile::remove(pin.captured(2)));
        QCOMPARE(trusted.exitCode, 0);
        QVERIFY(trusted.out.startsWith("externalId\tlatestAlertStatus\tlatestAlertTime\n"));
    }

    // The log gets the window's blocks, after what the file held.
    void logAppends()
    {
        m_server->setResponse(ScriptedHttpServer::okResponse("[]"));
        const QString log = m_home.filePath(u"traffic.txt"_s);
        QVERIFY(writeFileBytes(log, "earlier\r\n"));
        QCOMPARE(run({u"list"_s, u"--log"_s, log}).exitCode, 0);
        const QByteArray authority = m_server->authority().toUtf8();
        QCOMPARE(fileBytes(log),
                 "earlier\r\n---Data Transmitted---\r\nhttp://" + authority
                     + "/api/videocompare/tracking\r\nConnection: close\r\n"
                       "Content-Type: application/json\r\nAccept: application/json\r\n"
                       "User-Agent: Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)\r\n"
                       "Host: "
                     + authority + "\r\n\r\n\r\n\r\n---Data Received---\r\n[]\r\n");
    }

    // A body read from a file is checked and composed like the fields; options replace its
    // values.
    void createFromFile_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("body");
        const QByteArray job =
            QByteArray(WorkedExampleJob).replace("%1", "2027-03-01T09:33:00-0500");
        QTest::newRow("ports as texts") << QByteArray(job).replace("5000,", "\" 5000 \",")
                                        << QStringList() << workedExampleBody();
        QTest::newRow("an option replaces the file's value")
            << job << QStringList{u"--program"_s, u"Late News"_s}
            << workedExampleBody().replace("Evening News", "Late News");
        QTest::newRow("a key from the file")
            << QByteArray(job).replace("\"ThresholdValue2\"", "\"ThresholdValue1\"")
            << QStringList()
            << workedExampleBody().replace("\"thresholdKey2\": \"ThresholdValue2\"",
                                           "\"thresholdKey2\": \"ThresholdValue1\"");
    }

    void createFromFile()
    {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, options);
        QFETCH(QByteArray, body);
        const CliResult result =
            run(QStringList{u"create"_s, u"--from"_s, jobFile(json)} + options);
        QCOMPARE(result.exitCode, 0);
        QVERIFY(m_server->received(0).endsWith("\r\n\r\n" + body));
    }

    void helpAndVersion()
    {
        const CliResult help = runCli({u"list"_s, u"--help"_s}, m_env);
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.startsWith("Usage: talus-test-cli COMMAND [ARGUMENTS] [OPTIONS]\n"));
        const CliResult version = runCli({u"--version"_s}, m_env);
        QCOMPARE(version.exitCode, 0);
        QVERIFY(QRegularExpression(u"^talus-test-cli \\d+\\.\\d+\\.\\d+\n$"_s)
                    .match(QString::fromUtf8(version.out))
                    .hasMatch());
        QCOMPARE(help.err + version.err, QByteArray());
    }

private:
    // The report, once xmllint has found it valid against the JUnit schema; else empty.
    static QByteArray validReport(const QString &junit)
    {
        const QStringList lint{u"--noout"_s, u"--schema"_s, QString::fromUtf8(JUNIT_SCHEMA), junit};
        return QProcess::execute(u"xmllint"_s, lint) == 0 ? fileBytes(junit) : QByteArray();
    }

    // The client against this test function's own scripted server; an --address in arguments
    // comes later and wins.
    CliResult run(const QStringList &arguments)
    {
        return runCli(QStringList{u"--address"_s, m_server->authority()} + arguments, m_env);
    }

    // A create job file of its own for each call.
    QString jobFile(const QByteArray &json)
    {
        const QString file = m_home.filePath(u"job%1.json"_s.arg(++m_jobFiles));
        return writeFileBytes(file, json) ? file : QString();
    }

    std::optional<ScriptedHttpServer> m_server;
    SimProcess m_sim;
    QString m_address;
    QTemporaryDir m_home;
    // A FIFO nothing ever writes to: a read or a rename onto it must not wait for one.
    QString m_fifo = ::mkfifo(QFile::encodeName(m_home.filePath(u"fifo"_s)).constData(), 0600) == 0
        ? m_home.filePath(u"fifo"_s)
        : QString();
    int m_jobFiles = 0;
    QProcessEnvironment m_env = cliEnvironment(m_home.path());
};

QTEST_MAIN(tst_Cli)
#include "tst_cli.moc"
