#include "JobLists.h"
#include "MainWindowFixture.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

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
        QTest::addColumn<QByteArray>("body"); // in the pane
        QTest::addColumn<QString>("toolTip"); // a pattern
        QTest::addColumn<QColor>("color");
        const QColor green(0, 255, 0);
        const QString done = u"Response Completed"_s;
        // After a list its count: none of these answers holds a job.
        const auto timed = [](const QString &details) {
            return u"^"_s + QRegularExpression::escape(details)
                + u" · \\d+ ms\\nconnect \\d+ ms · first byte \\d+ ms · body \\d+ ms\\n"
                  "0 jobs · no change$"_s;
        };
        const QByteArray missing = "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nno such j";
        QTest::newRow("empty body") << ScriptedHttpServer::okResponse({}) << done << QByteArray("")
                                    << timed(u"HTTP 200 OK · 0 bytes"_s) << green;
        QTest::newRow("404") << missing << done << QByteArray("no such j")
                             << timed(u"HTTP 404 Not Found · 9 bytes"_s) << QColor(255, 191, 0);
        QTest::newRow("failed") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nshort")
                                << u"Error"_s << QByteArray()
                                << u"^Failed: connection closed before the answer was complete$"_s
                                << QColor(255, 80, 80);
    }

    void listAnswered()
    {
        QFETCH(QByteArray, response);
        QFETCH(QString, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, toolTip);
        QFETCH(QColor, color);
        MainWindowFixture f;
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
            const bool failed = status == u"Error"_s; // then no answer is logged
            QCOMPARE(f.log(),
                     transmitted + (failed ? "" : "---Data Received---\r\n" + body + "\r\n"));
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

    // The saved file and list answers, error pages too, fill one table. The pane shows a list
    // before it is scanned, and the grid once it is: the window keeps the exchange's order
    // (tst_trackingexchange checks the order and that only lists are scanned).
    void gridTakesListsAndTheSavedFile()
    {
        MainWindowFixture f;
        QVERIFY(f.serve());
        auto *cmdJob = f.control<QPushButton>("cmdJob");
        cmdJob->click(); // no saved file: nothing changes, nothing is shown
        QCOMPARE(gridText(*f.grid()), u"||"_s);
        QVERIFY(f.boxes->shown.isEmpty());
        QVERIFY(writeFileBytes(f.path(u"JobReturn.txt"_s), jobList("A7/None/t1 B2/OK/t2")));
        cmdJob->click();
        QCOMPARE(gridText(*f.grid()), u"A7|None|t1 B2|OK|t2"_s);

        // A job from the file and from an answer, an error page too, has one row, with the later
        // values.
        const QByteArray listed = jobList("B2/Freeze/t3");
        f.server.setResponse("HTTP/1.1 500 Internal Server Error\r\nContent-Length: "
                             + QByteArray::number(listed.size()) + "\r\n\r\n" + listed);
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
        QCOMPARE(paneAtTaking, listed);
        QCOMPARE(gridAtTaking, u"A7|None|t1 B2|OK|t2"_s);
        QCOMPARE(gridText(*f.grid()), u"A7|None|t1 B2|Freeze|t3"_s);
        QVERIFY(!f.log().contains("\"t2\"")); // the saved file is never logged
    }
};

QTEST_MAIN(tst_Collection)
#include "tst_collection.moc"
