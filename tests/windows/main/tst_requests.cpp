#include "MainWindowFixture.h"
#include "ScriptedHttpServer.h"

#include <QClipboard>
#include <QGuiApplication>

using namespace Qt::StringLiterals;

class tst_Requests final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The pane and the log are written as soon as the request has started.
    void listRequest_data()
    {
        QTest::addColumn<QString>("typed"); // @: the scripted server's host and port
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("host");
        QTest::newRow("as given") << u"@"_s << u"@"_s << u"@"_s;
        QTest::newRow("spaces around") << u" @ "_s << u"@"_s << u"@"_s;
        QTest::newRow("slash not in Host") << u"@/"_s << u"@/"_s << u"@"_s;
        QTest::newRow("path prefix not in Host") << u"@/prefix"_s << u"@/prefix"_s << u"@"_s;
        QTest::newRow("tab is not trimmed") << u"\t@ "_s << u"\t@"_s << u"\t@"_s;
    }

    void listRequest()
    {
        QFETCH(QString, typed);
        QFETCH(QString, address);
        QFETCH(QString, host);
        ScriptedHttpServer server;
        server.setResponse(ScriptedHttpServer::okResponse("[]"));
        const QString authority = server.authority();
        MainWindowFixture f;
        QVERIFY(f.start(typed.replace(u'@', authority)));
        f.click("cmd1");
        const QByteArray headers =
            "Connection: close\r\nContent-Type: application/json\r\nAccept: application/json\r\n"
            "User-Agent: Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)\r\nHost: "
            + host.replace(u'@', authority).toUtf8() + "\r\n\r\n";
        const QByteArray pane = "http://" + address.replace(u'@', authority).toUtf8()
            + "/api/videocompare/tracking\r\n" + headers + "\r\n\r\n";
        QCOMPARE(f.txtTx()->bytes(), pane);
        QCOMPARE(f.log(), "---Data Transmitted---\r\n" + pane);
        if (address != authority)
            return;
        // Copy gives exactly the composed request text, CR LF included.
        f.click("cmdTxCopy");
        QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8(pane));
        QTRY_COMPARE(server.received(0), "GET /api/videocompare/tracking HTTP/1.1\r\n" + headers);
        QVERIFY(f.waitIdle());
        QCOMPARE(f.log(), "---Data Transmitted---\r\n" + pane + "---Data Received---\r\n[]\r\n");
    }

    void busyGuardChangesNothing()
    {
        ScriptedHttpServer server;
        server.setSilent(true);
        MainWindowFixture f;
        QVERIFY(f.start(server.authority()));
        f.click("cmd1");
        QTRY_COMPARE(server.connectionCount(), 1);

        const QString before = f.txText() + QString::fromUtf8(f.log());
        f.txtIP()->setText(u"10.9.9.9"_s);
        // Busy beats the empty-row box of the selected-job commands.
        for (const char *button : {"cmd1", "cmdGetJob", "cmdStopJob", "cmdDeleteJob"})
            f.click(button);
        QCOMPARE(f.window->requestKind(), RequestKind::List);
        QCOMPARE(f.boxes->shown.join(u'\n') + f.txText() + QString::fromUtf8(f.log()), before);
        QCOMPARE(server.connectionCount(), 1);
    }

    void selectedJob_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("request"); // empty: refused with a box
        const auto row = [](const char *name, const QString &id, const char *button,
                            RequestKind kind, const QByteArray &method, const QByteArray &target) {
            QTest::newRow(name) << id << QByteArray(button) << int(kind)
                                << method + " /api/videocompare/tracking/" + target
                    + " HTTP/1.1\r\n";
        };
        row("get", u"815"_s, "cmdGetJob", RequestKind::GetJob, "GET", "815");
        row("stop", u"815"_s, "cmdStopJob", RequestKind::StopJob, "POST", "815/stopTracking");
        row("delete", u"815"_s, "cmdDeleteJob", RequestKind::DeleteJob, "DELETE", "815");
        row("delimiters stay inside the identifier", u"a?b/c%41"_s, "cmdDeleteJob",
            RequestKind::DeleteJob, "DELETE", "a%3Fb%2Fc%2541");
        row("a space, sent encoded", u" "_s, "cmdGetJob", RequestKind::GetJob, "GET", "%20");
        for (const char *button : {"cmdGetJob", "cmdStopJob", "cmdDeleteJob"})
            QTest::addRow("%s, empty row", button)
                << QString() << QByteArray(button) << int(RequestKind::None) << QByteArray();
    }

    void selectedJob()
    {
        QFETCH(QString, id);
        QFETCH(QByteArray, button);
        QFETCH(int, kind);
        QFETCH(QByteArray, request);
        ScriptedHttpServer server;
        MainWindowFixture f;
        QVERIFY(f.start(server.authority()));
        f.txtTx()->setBytes("before");
        f.window->grid().setTextMatrix(f.window->grid().Row(), 0, id);
        f.click(button.constData());
        QCOMPARE(int(f.window->requestKind()), kind);
        if (request.isEmpty()) { // the pane keeps its text, and nothing is logged
            QCOMPARE(f.txText() + QString::fromUtf8(f.log()), u"before"_s);
        } else { // the pane shows the identifier as read from the grid
            QString target = QString::fromUtf8(request).section(u' ', 1, -2);
            QCOMPARE(f.txText().section(u"\r\n"_s, 0, 0),
                     u"http://"_s + server.authority() + target.replace(u"%20"_s, u" "_s));
            QTRY_VERIFY(server.received(0).startsWith(request));
            QVERIFY(f.waitIdle());
        }
        QCOMPARE(f.boxes->shown.join(u'\n'),
                 request.isEmpty() ? u"Error|Please select a row with a  valid externalId."_s
                                   : QString());
    }
};

QTEST_MAIN(tst_Requests)
#include "tst_requests.moc"
