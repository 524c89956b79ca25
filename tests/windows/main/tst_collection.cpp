#include "MainWindowFixture.h"

#include <QRegularExpression>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QByteArray job(const char *id, const char *status, const char *time)
{
    return QByteArray("{\r\n  \"externalId\": \"") + id + "\",\r\n  \"latestAlertStatus\": \""
        + status + "\",\r\n  \"latestAlertTime\": \"" + time + "\"\r\n}";
}

QString gridText(const FlexGrid &grid)
{
    QStringList rows;
    for (int row = 1; row < grid.Rows(); ++row)
        rows << grid.TextMatrix(row, 0) + u'|' + grid.TextMatrix(row, 1) + u'|'
                + grid.TextMatrix(row, 2);
    return rows.join(u' ');
}

} // namespace

class tst_Collection final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A list answered, as the window shows it: pane, log, byte counts, status and tooltip. Two
    // lists in a row: the pane shows only the second, the log holds both. A list that fails
    // logs no answer and shows why, in red; the window only puts "Failed: " in front of the
    // transfer's reason, which the transfer's own tests check for each way it fails.
    void listAnswered_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QByteArray>("body");   // in the pane
        QTest::addColumn<QByteArray>("logged"); // after the request's block
        QTest::addColumn<QString>("toolTip");   // a pattern
        QTest::addColumn<QColor>("color");
        const QColor green(0, 255, 0);
        const QString done = u"Response Completed"_s;
        const auto received = [](const QByteArray &body) {
            return "---Data Received---\r\n" + body + "\r\n";
        };
        // After a list its count: none of these answers holds a job.
        const auto timed = [](const QString &details) {
            return u"^"_s + QRegularExpression::escape(details)
                + u" · \\d+ ms\\nconnect \\d+ ms · first byte \\d+ ms · body \\d+ ms\\n"
                  "0 jobs · no change$"_s;
        };
        const QByteArray large(TrafficLog::BackgroundBytes, 'L'); // logged by the log's own thread
        const QByteArray missing = "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nno such j";
        QTest::newRow("empty body") << ScriptedHttpServer::okResponse({}) << done << QByteArray("")
                                    << received("") << timed(u"HTTP 200 OK · 0 bytes"_s) << green;
        QTest::newRow("large") << ScriptedHttpServer::okResponse(large) << done << large
                               << received(large) << timed(u"HTTP 200 OK · 4194304 bytes"_s)
                               << green;
        QTest::newRow("404") << missing << done << QByteArray("no such j") << received("no such j")
                             << timed(u"HTTP 404 Not Found · 9 bytes"_s) << QColor(255, 191, 0);
        QTest::newRow("failed") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nshort")
                                << u"Error"_s << QByteArray() << QByteArray()
                                << u"^Failed: connection closed before the answer was complete$"_s
                                << QColor(255, 80, 80);
    }

    void listAnswered()
    {
        QFETCH(QByteArray, response);
        QFETCH(QString, status);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, logged);
        QFETCH(QString, toolTip);
        QFETCH(QColor, color);
        MainWindowFixture f;
        f.server.setPieceSize(response.size() > 100000 ? 0 : 700);
        QVERIFY(f.serve(response));
        // The last transfer's details go away while the next one runs.
        QStringList whileRunning;
        connect(f.transfer(), &InetTransfer::StateChanged, this, [&](qint16 state) {
            if (state < InetTransfer::Failed)
                whileRunning << f.lblStat()->toolTip();
        });
        for (int round = 1; round <= 2; ++round) {
            const QByteArray before = f.log();
            f.click("cmd1");
            const QByteArray transmitted = f.log();
            QVERIFY(transmitted.startsWith(before));
            QVERIFY(f.waitIdle());
            QCOMPARE(f.lblStat()->text(), status);
            QCOMPARE(f.log(), transmitted + logged);
            QCOMPARE(f.txtRx()->bytes(), body);
            // The counts are what crossed the connection, status line, headers and framing too.
            QCOMPARE(f.control<QLabel>("lblTXBytes")->text(),
                     QString::number(f.server.received(round - 1).size()));
            QCOMPARE(f.control<QLabel>("lblRXBytes")->text(), QString::number(response.size()));
            QVERIFY2(QRegularExpression(toolTip).match(f.lblStat()->toolTip()).hasMatch(),
                     qPrintable(f.lblStat()->toolTip()));
            QCOMPARE(f.lblStat()->accessibleDescription(), f.lblStat()->toolTip());
            QCOMPARE(f.lblStat()->palette().color(QPalette::WindowText), color);
        }
        QCOMPARE(whileRunning.count(QString()), whileRunning.size());
        // Clear leaves the counts alone.
        f.click("cmdRxClear");
        QCOMPARE(f.control<QLabel>("lblRXBytes")->text(), QString::number(response.size()));
    }

    // The saved file and list answers, error pages too, fill one table; other answers never do.
    void gridTakesListsAndTheSavedFile()
    {
        MainWindowFixture f;
        QVERIFY(f.serve());
        auto *cmdJob = f.control<QPushButton>("cmdJob");
        cmdJob->click(); // no saved file: nothing changes, nothing is shown
        QCOMPARE(gridText(*f.grid()), u"||"_s);
        QVERIFY(f.boxes->shown.isEmpty());
        const QByteArray saved = "[" + job("A7", "None", "t1") + ",\r\n" + job("B2", "OK", "t2")
            + "]";
        QVERIFY(writeFileBytes(f.path(u"JobReturn.txt"_s), saved));
        cmdJob->click();
        QCOMPARE(gridText(*f.grid()), u"A7|None|t1 B2|OK|t2"_s);

        // A job from the file and from an answer, an error page too, has one row, with the later
        // values.
        QByteArray errorPage = ScriptedHttpServer::okResponse(job("B2", "Freeze", "t3"));
        f.server.setResponse(errorPage.replace("200 OK", "500 Internal Server Error"));
        QVERIFY(f.send("cmd1"));
        const QString listed = u"A7|None|t1 B2|Freeze|t3"_s;
        QCOMPARE(gridText(*f.grid()), listed);

        // Answers to create, get, stop and delete are shown but never scanned.
        f.server.setResponse(ScriptedHttpServer::okResponse(job("Z9", "None", "t")));
        for (const RequestKind kind : {RequestKind::Create, RequestKind::GetJob,
                                       RequestKind::StopJob, RequestKind::DeleteJob}) {
            QVERIFY(f.window->sendRequest(kind, u"Z9"_s, u"{}"_s));
            QVERIFY(f.waitIdle());
            QVERIFY(f.rxText().contains(u"Z9"_s));
        }
        QCOMPARE(gridText(*f.grid()), listed);
        QVERIFY(!f.log().contains("\"t2\"")); // the saved file is never logged
    }

    // The pane shows a new list before it is scanned, and the grid once it is; the window
    // keeps the exchange's order (tst_trackingexchange checks the pieces).
    void paneBeforeGrid()
    {
        MainWindowFixture f;
        QVERIFY(f.serve(ScriptedHttpServer::okResponse("[" + job("J0", "Bad", "t") + "]")));
        QVERIFY(f.send("cmd1"));
        const QByteArray body = "[" + job("J0", "OK", "t") + "," + job("J1", "OK", "t") + "]";
        f.server.setResponse(ScriptedHttpServer::okResponse(body));
        QByteArray paneAtTaking;
        QString gridAtTaking;
        connect(f.window->findChild<TrackingExchange *>(), &TrackingExchange::bodyTaken,
                f.window.get(), [&] {
                    // Queued: the window's own slot runs first.
                    QMetaObject::invokeMethod(
                        f.window.get(),
                        [&] {
                            paneAtTaking = f.txtRx()->bytes();
                            gridAtTaking = gridText(*f.grid());
                        },
                        Qt::QueuedConnection);
                });
        QVERIFY(f.send("cmd1"));
        QCOMPARE(paneAtTaking, body);
        QCOMPARE(gridAtTaking, u"J0|Bad|t"_s);
        QCOMPARE(gridText(*f.grid()), u"J0|OK|t J1|OK|t"_s);
    }
};

QTEST_MAIN(tst_Collection)
#include "tst_collection.moc"
