#include "MainWindowFixture.h"
#include "ScriptedHttpServer.h"

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
        rows << grid.TextMatrix(row, 0) + u'|' + grid.TextMatrix(row, 1) + u'|' + grid.TextMatrix(row, 2);
    return rows.join(u' ');
}

} // namespace

class tst_Collection final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bodyIsShownAndLogged_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QByteArray>("body");
        const auto ok = [](const QByteArray &body) { return ScriptedHttpServer::okResponse(body); };
        QTest::newRow("empty body") << ok({}) << QByteArray();
        QTest::newRow("2,500 bytes") << ok(QByteArray(2500, 'b')) << QByteArray(2500, 'b');
        QTest::newRow("chunked") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                               "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n")
                                 << QByteArray("hello world");
        QTest::newRow("not UTF-8: logged unchanged") << ok("caf\xe9 \xc3\xa9\n") << QByteArray("caf\xe9 \xc3\xa9\n");
    }

    void bodyIsShownAndLogged()
    {
        QFETCH(QByteArray, response);
        QFETCH(QByteArray, body);
        ScriptedHttpServer server;
        server.setResponse(response);
        server.setPieceSize(700);
        MainWindowFixture f;
        QVERIFY(f.start(server.authority()));
        // Two responses in a row: the pane shows only the second, the log holds both.
        for (int round = 1; round <= 2; ++round) {
            const QByteArray before = f.log();
            f.click("cmd1");
            const QByteArray transmitted = f.log();
            QVERIFY(f.waitIdle());
            QCOMPARE(f.lblStat()->text(), u"Response Completed"_qs);
            QCOMPARE(f.log(), transmitted + "---Data Received---\r\n" + body + "\r\n");
            QVERIFY(transmitted.startsWith(before));
            QCOMPARE(f.txtRx()->bytes(), body);
            // The pane and the log take the body as it was read, without a copy.
            if (!body.isEmpty())
                QCOMPARE(static_cast<const void *>(f.window->trafficLog().lastRecordData()),
                         static_cast<const void *>(f.txtRx()->bytes().constData()));
            // The counts are what crossed the connection, status line, headers and framing too.
            QCOMPARE(f.control<QLabel>("lblTXBytes")->text(),
                     QString::number(server.received(round - 1).size()));
            QCOMPARE(f.control<QLabel>("lblRXBytes")->text(), QString::number(response.size()));
        }
        // Clear leaves the counts alone.
        f.click("cmdRxClear");
        QCOMPARE(f.control<QLabel>("lblRXBytes")->text(), QString::number(response.size()));
    }

    // The saved file and list answers, error pages too, fill one table; other answers never do.
    void gridTakesListsAndTheSavedFile()
    {
        ScriptedHttpServer server;
        MainWindowFixture f;
        QVERIFY(f.start(ScriptedHttpServer::refusingAuthority()));
        auto *cmdJob = f.control<QPushButton>("cmdJob");
        cmdJob->click(); // no saved file: nothing changes, nothing is shown
        QCOMPARE(gridText(f.window->grid()), u"||"_qs);
        QVERIFY(f.boxes->shown.isEmpty());
        const QByteArray saved = "[" + job("A7", "None", "t1") + ",\r\n" + job("B2", "OK", "t2") + "]";
        QVERIFY(writeFileBytes(f.path(u"JobReturn.txt"_qs), saved));
        cmdJob->click();
        QCOMPARE(gridText(f.window->grid()), u"A7|None|t1 B2|OK|t2"_qs);

        // A refused list logs no answer and does not stand in the way of the next one.
        QVERIFY(f.send("cmd1"));
        QCOMPARE(f.lblStat()->text(), u"Error"_qs);
        QVERIFY(!f.log().contains("---Data Received---"));
        f.txtIP()->setText(server.authority());
        const auto send = [&](const char *button, const QByteArray &response) {
            server.setResponse(response);
            return f.send(button);
        };
        // A job from the file and from an answer has one row, with the later values.
        QByteArray errorPage = ScriptedHttpServer::okResponse(job("B2", "Freeze", "t3"));
        QVERIFY(send("cmd1", errorPage.replace("200 OK", "500 Internal Server Error")));
        QCOMPARE(f.lblStat()->text(), u"Response Completed"_qs);
        QCOMPARE(gridText(f.window->grid()), u"A7|None|t1 B2|Freeze|t3"_qs);
        QVERIFY(send("cmd1", ScriptedHttpServer::okResponse(
                                 "[" + job("C3", "Freeze", "t4") + "," + job("A7", "OK", "t5") + "]")));
        const QString listed = u"A7|OK|t5 B2|Freeze|t3 C3|Freeze|t4"_qs;
        QCOMPARE(gridText(f.window->grid()), listed);

        // Answers to create, get, stop and delete are shown but never scanned.
        server.setResponse(ScriptedHttpServer::okResponse(job("Z9", "None", "t")));
        for (const RequestKind kind : {RequestKind::Create, RequestKind::GetJob, RequestKind::StopJob,
                                       RequestKind::DeleteJob}) {
            QVERIFY(f.window->SendRequest(kind, u"POST"_qs, {}, u"{}"_qs));
            QVERIFY(f.waitIdle());
            QVERIFY(f.rxText().contains(u"Z9"_qs));
        }
        QCOMPARE(gridText(f.window->grid()), listed);
        QCOMPARE(f.window->jobStatuses().jobCount(), 3);
        QVERIFY(!f.log().contains("\"t2\"")); // the saved file is never logged
    }

    void closingWhileCollectingKeepsTheBlock()
    {
        ScriptedHttpServer server;
        server.setResponse(ScriptedHttpServer::okResponse(QByteArray(5000, 'x')));
        MainWindowFixture f;
        QVERIFY(f.start(server.authority()));
        // Queued behind "response complete", so the close arrives between the body's chunks.
        connect(&f.window->transfer(), &InetTransfer::StateChanged, f.window.get(), [&f](qint16 state) {
            if (state == InetTransfer::Disconnected)
                QMetaObject::invokeMethod(f.window.get(), &QWidget::close, Qt::QueuedConnection);
        });
        QVERIFY(f.send("cmd1"));
        QVERIFY(!f.window->isVisible());
        QVERIFY(f.log().endsWith("---Data Received---\r\n" + QByteArray(5000, 'x') + "\r\n"));
    }
};

QTEST_MAIN(tst_Collection)
#include "tst_collection.moc"
