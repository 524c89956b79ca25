#include "MainWindowFixture.h"

#include <QRegularExpression>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

class tst_Requests final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The pane and the log are written as soon as the request has started. One that cannot be
    // sent (a tab in the host) is shown but not logged, and the status line says why.
    void listRequest_data()
    {
        QTest::addColumn<QString>("typed"); // @: the scripted server's host and port
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("refused"); // the status line's tooltip, when refused
        QTest::newRow("as given") << u"@"_s << u"@"_s << u"@"_s << QString();
        QTest::newRow("spaces around, path prefix not in Host")
            << u" @/prefix "_s << u"@/prefix"_s << u"@"_s << QString();
        QTest::newRow("tab is not trimmed")
            << u"\t@ "_s << u"\t@"_s << u"\t@"_s
            << u"Failed: cannot send to this address: the host holds a space or a control "
               "character"_s;
    }

    void listRequest()
    {
        QFETCH(QString, typed);
        QFETCH(QString, address);
        QFETCH(QString, host);
        QFETCH(QString, refused);
        MainWindowFixture f;
        const QString authority = f.server.authority();
        f.server.setResponse(ScriptedHttpServer::okResponse("[]"));
        QVERIFY(f.start(typed.replace(u'@', authority)));
        f.click("cmd1");
        const QByteArray headers =
            "Connection: close\r\nContent-Type: application/json\r\nAccept: application/json\r\n"
            "User-Agent: Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)\r\nHost: "
            + host.replace(u'@', authority).toUtf8() + "\r\n\r\n";
        const QByteArray pane = "http://" + address.replace(u'@', authority).toUtf8()
            + "/api/videocompare/tracking\r\n" + headers + "\r\n\r\n";
        QCOMPARE(f.txtTx()->bytes(), pane);
        if (!refused.isEmpty()) {
            QCOMPARE(f.lblStat()->toolTip(), refused.replace(u'@', authority));
            QCOMPARE(f.log(), QByteArray());
            return;
        }
        QCOMPARE(f.log(), "---Data Transmitted---\r\n" + pane);
        if (address != authority)
            return;
        QTRY_COMPARE(f.server.received(0), "GET /api/videocompare/tracking HTTP/1.1\r\n" + headers);
        QVERIFY(f.waitIdle());
        QCOMPARE(f.log(), "---Data Transmitted---\r\n" + pane + "---Data Received---\r\n[]\r\n");
    }

    // A received block that does not fit the disk leaves no part in the log, and the status
    // line's tooltip says so for that transfer, also when the log's thread finds it out after
    // the status is shown; the next one is logged again.
    void fullDiskShowsInTheToolTip_data()
    {
        QTest::addColumn<qsizetype>("bodySize");
        QTest::addColumn<QString>("details");
        QTest::newRow("written at once") << qsizetype(300000) << u"HTTP 200 OK · 300000 bytes"_s;
        QTest::newRow("written by the log's thread")
            << TrafficLog::BackgroundBytes << u"HTTP 200 OK · 4194304 bytes"_s;
    }

    void fullDiskShowsInTheToolTip()
    {
        QFETCH(qsizetype, bodySize);
        QFETCH(QString, details);
        const QByteArray body(bodySize, 'j');
        MainWindowFixture f;
        QVERIFY(f.serve(ScriptedHttpServer::okResponse(body)));
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        f.click("cmd1");
        const QByteArray transmitted = f.log();
        const rlimit full{rlim_t(transmitted.size() + 100), saved.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);
        QTest::ignoreMessage(QtWarningMsg, "The traffic log could not be written: File too large");
        const bool idle = f.waitIdle();
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(idle);
        QCOMPARE(f.lblStat()->text(), u"Response Completed"_s);
        const QRegularExpression detailsLine(u"^"_s + details + u" · \\d+ ms$"_s);
        QTRY_VERIFY2(f.lblStat()->toolTip().endsWith(u"\nnot logged: File too large"_s),
                     qPrintable(f.lblStat()->toolTip()));
        QVERIFY(detailsLine.match(f.lblStat()->toolTip().section(u'\n', 0, 0)).hasMatch());
        QCOMPARE(f.log(), transmitted);

        QVERIFY(f.send("cmd1"));
        const QStringList lines = f.lblStat()->toolTip().split(u'\n');
        // The details, the timing and the list's count, no longer "not logged".
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(2), u"0 jobs · no change"_s);
        QVERIFY(detailsLine.match(lines.at(0)).hasMatch());
        QCOMPARE(f.log(), transmitted.repeated(2) + "---Data Received---\r\n" + body + "\r\n");
    }

    // Clicks while a list is under way start nothing and change nothing: the list is still
    // scanned into the grid when its slow answer is whole.
    void busyGuardChangesNothing()
    {
        MainWindowFixture f;
        f.server.setPieceSize(10);
        f.server.setPieceDelay(100);
        QVERIFY(f.serve(ScriptedHttpServer::okResponse(
            R"([{"externalId": "A7", "latestAlertStatus": "OK", "latestAlertTime": "t"}])")));
        f.click("cmd1");
        QTRY_COMPARE(f.server.connectionCount(), 1);

        const QString before = f.txText() + QString::fromUtf8(f.log());
        f.txtIP()->setText(u"10.9.9.9"_s);
        // Busy beats the empty-row box of the selected-job commands.
        for (const char *button : {"cmd1", "cmdGetJob", "cmdStopJob", "cmdDeleteJob"})
            f.click(button);
        QCOMPARE(f.boxes->shown.join(u'\n') + f.txText() + QString::fromUtf8(f.log()), before);
        QVERIFY(f.waitIdle());
        QCOMPARE(f.server.connectionCount(), 1);
        QCOMPARE(f.grid()->TextMatrix(1, 0), u"A7"_s);
    }

    void selectedJobSends_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QString>("paneUrl");
        QTest::addColumn<QByteArray>("requestLine");
        const auto row = [](const char *name, const QString &id, const char *button,
                            const char *shownTarget, const QByteArray &requestLine) {
            QTest::newRow(name) << id << QByteArray(button)
                                << u"/api/videocompare/tracking/"_s + QString::fromUtf8(shownTarget)
                                << requestLine + " HTTP/1.1\r\n";
        };
        row("get", u"815"_s, "cmdGetJob", "815", "GET /api/videocompare/tracking/815");
        row("stop", u"815"_s, "cmdStopJob", "815/stopTracking",
            "POST /api/videocompare/tracking/815/stopTracking");
        row("delete", u"815"_s, "cmdDeleteJob", "815", "DELETE /api/videocompare/tracking/815");
        row("delimiters encoded, a space shown as typed and sent encoded", u"a?b/c d"_s,
            "cmdGetJob", "a%3Fb%2Fc d", "GET /api/videocompare/tracking/a%3Fb%2Fc%20d");
        QTest::newRow("an empty row: a box, and nothing sent or logged")
            << QString() << QByteArray("cmdStopJob") << QString() << QByteArray();
    }

    // The pane shows the identifier as read from the grid; no box. An empty row gets a box, and
    // the pane keeps its text (the three buttons share the check).
    void selectedJobSends()
    {
        QFETCH(QString, id);
        QFETCH(QByteArray, button);
        QFETCH(QString, paneUrl);
        QFETCH(QByteArray, requestLine);
        MainWindowFixture f;
        QVERIFY(f.serve());
        f.txtTx()->setBytes("before");
        f.grid()->setTextMatrix(f.grid()->Row(), 0, id);
        f.click(button.constData());
        if (id.isEmpty()) {
            QCOMPARE(f.boxes->shown,
                     QStringList{u"Error|Please select a row with a  valid externalId."_s});
            QCOMPARE(f.txText() + QString::fromUtf8(f.log()), u"before"_s);
            QCOMPARE(f.server.connectionCount(), 0);
            return;
        }
        QCOMPARE(f.txText().section(u"\r\n"_s, 0, 0),
                 u"http://"_s + f.server.authority() + paneUrl);
        QTRY_VERIFY(f.server.received(0).startsWith(requestLine));
        QVERIFY(f.waitIdle());
        QCOMPARE(f.boxes->shown, QStringList());
    }
};

QTEST_MAIN(tst_Requests)
#include "tst_requests.moc"
