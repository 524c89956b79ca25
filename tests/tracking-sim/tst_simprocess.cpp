// The simulator as a program: its options, first line, access log, exit statuses, signals,
// sample jobs, chunked bodies and connection handling.

#include "RawHttp.h"
#include "SimFixtures.h"
#include "SimProcess.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTcpServer>
#include <QTest>

#include <signal.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList kQuietAnyPort = {u"--port"_s, u"0"_s, u"--quiet"_s};

} // namespace

class TestSimProcess final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void badOptionsExitWithTwo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("named");
        QTest::newRow("port not a number") << QStringList{u"--port"_s, u"abc"_s} << u"--port"_s;
        QTest::newRow("port too large") << QStringList{u"--port=70000"_s} << u"--port"_s;
        QTest::newRow("port without value") << QStringList{u"--port"_s} << u"--port"_s;
        QTest::newRow("negative jobs") << QStringList{u"--jobs"_s, u"-1"_s} << u"--jobs"_s;
        QTest::newRow("delay with unit")
            << QStringList{u"--delay-ms"_s, u"5ms"_s} << u"--delay-ms"_s;
        QTest::newRow("alert period zero")
            << QStringList{u"--alert-every"_s, u"0"_s} << u"--alert-every"_s;
        QTest::newRow("empty host") << QStringList{u"--host="_s} << u"--host"_s;
        QTest::newRow("flag with value") << QStringList{u"--quiet=yes"_s} << u"--quiet"_s;
        QTest::newRow("unknown option") << QStringList{u"--verbose"_s} << u"--verbose"_s;
        QTest::newRow("stray argument") << QStringList{u"8080"_s} << u"8080"_s;
    }

    void badOptionsExitWithTwo()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, named);
        SimProcess sim;
        QVERIFY(!sim.start(arguments));
        QVERIFY(sim.waitForExit());
        QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process().exitCode(), 2);
        QCOMPARE(sim.process().readAllStandardOutput(), QByteArray());
        const QString error = QString::fromUtf8(sim.process().readAllStandardError());
        QVERIFY2(error.contains(named), qPrintable(error));
    }

    void helpDocumentsEveryOption()
    {
        SimProcess sim;
        QVERIFY(sim.start({u"--help"_s}));
        QVERIFY(sim.waitForExit());
        QCOMPARE(sim.process().exitCode(), 0);
        const QString help = sim.firstLine() + QString::fromUtf8(sim.process().readAll());
        for (const QString &option :
             {u"--host"_s, u"--port"_s, u"--jobs"_s, u"--delay-ms"_s, u"--chunked"_s,
              u"--alert-every"_s, u"--quiet"_s, u"--help"_s})
            QVERIFY2(help.contains(option), qPrintable(option));
    }

    void takenPortExitsWithOne_data()
    {
        QTest::addColumn<bool>("heldBySimulator");
        QTest::newRow("held by another program") << false;
        // Two simulators must not end up sharing one port between them.
        QTest::newRow("held by another simulator") << true;
    }

    void takenPortExitsWithOne()
    {
        QFETCH(bool, heldBySimulator);
        QTcpServer holder;
        SimProcess holdingSim;
        quint16 port = 0;
        if (heldBySimulator) {
            QVERIFY(holdingSim.start(kQuietAnyPort));
            port = holdingSim.port();
        } else {
            QVERIFY(holder.listen(QHostAddress::LocalHost));
            port = holder.serverPort();
        }
        SimProcess sim;
        QVERIFY(!sim.start({u"--port"_s, QString::number(port), u"--quiet"_s}));
        QVERIFY(sim.waitForExit());
        QCOMPARE(sim.process().exitCode(), 1);
        QCOMPARE(sim.process().readAllStandardOutput(), QByteArray());
        const QString error = QString::fromUtf8(sim.process().readAllStandardError());
        QVERIFY2(error.contains(u"cannot listen on 127.0.0.1 port "_s), qPrintable(error));
    }

    void firstLineIsTheAddress_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("accessLog");
        QTest::newRow("quiet") << kQuietAnyPort << QByteArray();
        QTest::newRow("logging") << QStringList{u"--port=0"_s}
                                 << QByteArray("GET /api/videocompare/tracking 200 2\n"
                                               "GET /nowhere 404 42\n");
        QTest::newRow("held answers") << QStringList{u"--port"_s, u"0"_s, u"--delay-ms"_s, u"20"_s}
                                      << QByteArray("GET /api/videocompare/tracking 200 2\n"
                                                    "GET /nowhere 404 42\n");
    }

    void firstLineIsTheAddress()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, accessLog);
        SimProcess sim;
        QVERIFY(sim.start(arguments));
        QVERIFY2(QRegularExpression(u"^http://127\\.0\\.0\\.1:[1-9][0-9]*$"_s)
                     .match(sim.firstLine())
                     .hasMatch(),
                 qPrintable(sim.firstLine()));
        QCOMPARE(exchange(sim.port(), composeRequest("GET", kListPath)).body, "[]");
        QCOMPARE(exchange(sim.port(), composeRequest("GET", "/nowhere")).status, 404);
        // The log line is written before the answer, so it is there by now.
        sim.process().terminate();
        QVERIFY(sim.waitForExit());
        QCOMPARE(sim.process().readAllStandardOutput(), accessLog);
    }

    void stopSignalsExitWithZero_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
    }

    void stopSignalsExitWithZero()
    {
        QFETCH(int, signal);
        SimProcess sim;
        QVERIFY(sim.start(kQuietAnyPort));
        // At once after the first line: before the server may have entered its accept loop.
        QCOMPARE(::kill(static_cast<pid_t>(sim.process().processId()), signal), 0);
        QVERIFY(sim.waitForExit());
        QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process().exitCode(), 0);
    }

    void sampleJobs_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("none") << 0;
        QTest::newRow("one") << 1;
        QTest::newRow("a dozen") << 12;
        QTest::newRow("a thousand") << 1000;
    }

    void sampleJobs()
    {
        QFETCH(int, count);
        SimProcess sim;
        QVERIFY(sim.start(kQuietAnyPort + QStringList{u"--jobs"_s, QString::number(count)}));
        const RawResponse list = exchange(sim.port(), composeRequest("GET", kListPath));
        QCOMPARE(list.status, 200);
        const QJsonArray jobs = QJsonDocument::fromJson(list.body).array();
        QCOMPARE(jobs.size(), count);
        QSet<QString> ids;
        for (const QJsonValue &job : jobs)
            ids.insert(job.toObject().value(u"externalId").toString());
        QCOMPARE(ids.size(), count);
        // What the client's scanner needs: each status member as "key": "value", ahead of the
        // first nested object of its job.
        const QList<QByteArray> stretches = list.body.split('{');
        qsizetype scannable = 0;
        for (const QByteArray &stretch : stretches) {
            if (stretch.contains("\"externalId\": \"")
                && stretch.contains("\"latestAlertStatus\": \"")
                && stretch.contains("\"latestAlertTime\": \""))
                ++scannable;
        }
        QCOMPARE(scannable, count);
        if (count >= 1000) {
            // Each job in the list, at 4-space indentation, takes about a kilobyte.
            const qsizetype perJob = list.body.size() / count;
            QVERIFY2(perJob >= 950 && perJob <= 1100, qPrintable(QString::number(perJob)));
        }
        // Sample jobs are finished: asking again gives the same bytes.
        QCOMPARE(exchange(sim.port(), composeRequest("GET", kListPath)).body, list.body);
    }

    void chunkedBodies()
    {
        SimProcess plain;
        QVERIFY(plain.start(kQuietAnyPort + QStringList{u"--jobs"_s, u"3"_s}));
        SimProcess chunked;
        QVERIFY(chunked.start(kQuietAnyPort + QStringList{u"--jobs"_s, u"3"_s, u"--chunked"_s}));

        const RawResponse expected = exchange(plain.port(), composeRequest("GET", kListPath));
        const RawResponse list = exchange(chunked.port(), composeRequest("GET", kListPath));
        QCOMPARE(list.status, 200);
        QCOMPARE(list.header("Transfer-Encoding"), "chunked");
        QVERIFY(!list.hasHeader("Content-Length"));
        QVERIFY(list.raw.endsWith("\r\n0\r\n\r\n"));
        QCOMPARE(list.body, expected.body);

        const RawResponse refused = exchange(chunked.port(), composeRequest("GET", "/nowhere"));
        QCOMPARE(refused.status, 404);
        QCOMPARE(refused.header("Transfer-Encoding"), "chunked");
        QCOMPARE(refused.error(), u"no such route: /nowhere"_s);
    }

    void connectionCloseIsHonoured()
    {
        SimProcess sim;
        QVERIFY(sim.start(kQuietAnyPort));
        const RawResponse answer = exchange(sim.port(), composeRequest("GET", kListPath));
        QCOMPARE(answer.status, 200);
        QVERIFY(answer.closedByServer);
        QCOMPARE(answer.header("Connection"), "close");
    }
};

QTEST_GUILESS_MAIN(TestSimProcess)
#include "tst_simprocess.moc"
