#include "MainWindowFixture.h"
#include "ScriptedHttpServer.h"

#include "transfer/HeaderBlock.h"

namespace {

const QByteArray kUserAgent =
    "User-Agent: Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)\r\n";

QByteArray headerBlock(const QByteArray &host)
{
    return "Connection: close\r\nContent-Type: application/json\r\nAccept: application/json\r\n"
        + kUserAgent + "Host: " + host + "\r\n\r\n";
}

QString lf(QByteArray crlfText)
{
    return QString::fromUtf8(crlfText.replace("\r\n", "\n"));
}

} // namespace

class tst_Requests final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void headerBlockLength();
    void addressForms_data();
    void addressForms();
    void listRequestOnTheWire();
    void busyGuardChangesNothing();
    void twoListsInARow();
    void selectedJobRequests_data();
    void selectedJobRequests();
    void emptyRowShowsErrorBox();
    void busyBeatsEmptyRowBox();
    void singleSpaceIdIsSentSafely();
};

void tst_Requests::headerBlockLength()
{
    const QString block = BuildHeaderBlock(TrimSpaces(u" 10.0.0.5 "_qs));
    QCOMPARE(block.size(), 166);
    QCOMPARE(block.toUtf8(), headerBlock("10.0.0.5"));
    // Only spaces are trimmed from the address.
    QCOMPARE(TrimSpaces(u"\t10.0.0.5 \t "_qs), u"\t10.0.0.5 \t"_qs);
}

void tst_Requests::addressForms_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("hostLine");

    QTest::newRow("spaces around")
        << u" 10.0.0.5 "_qs << u"http://10.0.0.5/api/videocompare/tracking"_qs << u"Host: 10.0.0.5"_qs;
    QTest::newRow("with a port")
        << u"10.0.0.5:81"_qs << u"http://10.0.0.5:81/api/videocompare/tracking"_qs
        << u"Host: 10.0.0.5:81"_qs;
    QTest::newRow("trailing slash")
        << u"10.0.0.5/"_qs << u"http://10.0.0.5//api/videocompare/tracking"_qs
        << u"Host: 10.0.0.5/"_qs;
    QTest::newRow("empty") << QString() << u"http:///api/videocompare/tracking"_qs << u"Host: "_qs;
}

void tst_Requests::addressForms()
{
    QFETCH(QString, typed);
    QFETCH(QString, url);
    QFETCH(QString, hostLine);

    MainWindowFixture f;
    QVERIFY(f.start());
    f.txtIP()->setText(typed);
    f.click("cmd1");
    const QStringList lines = f.txtTx()->toPlainText().split(u'\n');
    QCOMPARE(lines.value(0), url);
    QCOMPARE(lines.value(5), hostLine);
    QCOMPARE(f.window->requestKind(), RequestKind::List);
}

void tst_Requests::listRequestOnTheWire()
{
    ScriptedHttpServer server;
    QVERIFY(server.isListening());
    server.setResponse(ScriptedHttpServer::okResponse("[]"));

    MainWindowFixture f;
    QVERIFY(f.start());
    f.txtIP()->setText(server.authority());
    f.click("cmd1");

    const QByteArray host = server.authority().toUtf8();
    const QByteArray url = "http://" + host + "/api/videocompare/tracking";
    // The pane and the log are written as soon as the request has started.
    QCOMPARE(f.txtTx()->toPlainText(), lf(url + "\r\n" + headerBlock(host) + "\r\n\r\n"));
    QCOMPARE(f.log(), "---Data Transmitted---\r\n" + url + "\r\n" + headerBlock(host) + "\r\n\r\n");

    QTRY_COMPARE(server.connectionCount(), 1);
    QTRY_COMPARE(server.received(0),
                 "GET /api/videocompare/tracking HTTP/1.1\r\n" + headerBlock(host));
    QTRY_COMPARE(f.lblStat()->text(), u"Response Completed"_qs);
    QCOMPARE(f.control<QLabel>("lblTXBytes")->text(), u"0"_qs);
}

void tst_Requests::busyGuardChangesNothing()
{
    ScriptedHttpServer server;
    server.setSilent(true);

    MainWindowFixture f;
    QVERIFY(f.start());
    f.txtIP()->setText(server.authority());
    f.click("cmd1");
    QTRY_COMPARE(server.connectionCount(), 1);
    QVERIFY(f.window->StillExecuting());

    const QString pane = f.txtTx()->toPlainText();
    const QByteArray log = f.log();
    f.txtIP()->setText(u"10.9.9.9"_qs);
    f.click("cmd1");
    f.click("cmdGetJob");
    f.click("cmdStopJob");
    f.click("cmdDeleteJob");
    QCOMPARE(f.window->requestKind(), RequestKind::List);
    QCOMPARE(f.txtTx()->toPlainText(), pane);
    QCOMPARE(f.log(), log);
    QVERIFY(f.boxes->shown.isEmpty());
    QCOMPARE(server.connectionCount(), 1);
}

void tst_Requests::twoListsInARow()
{
    ScriptedHttpServer server;
    server.setResponse(ScriptedHttpServer::okResponse("[]"));

    MainWindowFixture f;
    QVERIFY(f.start());
    f.txtIP()->setText(server.authority());
    f.click("cmd1");
    QVERIFY(f.waitIdle());
    f.txtIP()->setText(u" "_qs + server.authority() + u" "_qs);
    f.click("cmd1");
    QVERIFY(f.waitIdle());

    const QByteArray host = server.authority().toUtf8();
    const QByteArray url = "http://" + host + "/api/videocompare/tracking";
    const QByteArray sent = "---Data Transmitted---\r\n" + url + "\r\n" + headerBlock(host) + "\r\n\r\n";
    const QByteArray answer = "---Data Received---\r\n[]\r\n";
    QCOMPARE(f.log(), sent + answer + sent + answer);
    QCOMPARE(f.txtTx()->toPlainText(), lf(url + "\r\n" + headerBlock(host) + "\r\n\r\n"));
    QCOMPARE(server.connectionCount(), 2);
}

void tst_Requests::selectedJobRequests_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("requestLine");
    QTest::addColumn<QByteArray>("extraHeader");
    QTest::addColumn<QByteArray>("urlTail");

    QTest::newRow("get") << QByteArray("cmdGetJob") << int(RequestKind::GetJob)
                         << QByteArray("GET /api/videocompare/tracking/815 HTTP/1.1")
                         << QByteArray() << QByteArray("/815");
    QTest::newRow("stop") << QByteArray("cmdStopJob") << int(RequestKind::StopJob)
                          << QByteArray("POST /api/videocompare/tracking/815/stopTracking HTTP/1.1")
                          << QByteArray("Content-Length: 0\r\n") << QByteArray("/815/stopTracking");
    QTest::newRow("delete") << QByteArray("cmdDeleteJob") << int(RequestKind::DeleteJob)
                            << QByteArray("DELETE /api/videocompare/tracking/815 HTTP/1.1")
                            << QByteArray() << QByteArray("/815");
}

void tst_Requests::selectedJobRequests()
{
    QFETCH(QByteArray, button);
    QFETCH(int, kind);
    QFETCH(QByteArray, requestLine);
    QFETCH(QByteArray, extraHeader);
    QFETCH(QByteArray, urlTail);

    MainWindowFixture f;
    QVERIFY(f.start());
    // The saved response puts job 815 on row 1, the current row.
    QVERIFY(writeFileBytes(f.path(u"JobReturn.txt"_qs),
                           R"([{"externalId": "815", "latestAlertStatus": "None", "latestAlertTime": "t"}])"));
    f.control<QPushButton>("cmdJob")->click();
    QCOMPARE(f.window->grid().TextMatrix(f.window->grid().Row(), 0), u"815"_qs);

    ScriptedHttpServer server;
    server.setResponse(ScriptedHttpServer::okResponse(R"({"externalId": "815"})"));
    f.txtIP()->setText(server.authority());
    f.click(button.constData());
    QCOMPARE(int(f.window->requestKind()), kind);

    const QByteArray host = server.authority().toUtf8();
    const QByteArray headers = headerBlock(host);
    QTRY_COMPARE(server.received(0), requestLine + "\r\n" + headers.chopped(2) + extraHeader + "\r\n");
    const QByteArray url = "http://" + host + "/api/videocompare/tracking" + urlTail;
    QCOMPARE(f.txtTx()->toPlainText().section(u'\n', 0, 0), QString::fromUtf8(url));
    QVERIFY(f.waitIdle());
    QCOMPARE(f.log(), "---Data Transmitted---\r\n" + url + "\r\n" + headers + "\r\n\r\n"
                 "---Data Received---\r\n{\"externalId\": \"815\"}\r\n");
    QVERIFY(f.boxes->shown.isEmpty());
}

void tst_Requests::emptyRowShowsErrorBox()
{
    MainWindowFixture f;
    QVERIFY(f.start());
    f.txtTx()->setPlainText(u"before"_qs);
    int expectedBoxes = 0;
    for (const char *button : {"cmdGetJob", "cmdStopJob", "cmdDeleteJob"}) {
        f.click(button);
        ++expectedBoxes;
        QCOMPARE(f.boxes->shown.size(), expectedBoxes);
        const auto &box = f.boxes->shown.last();
        QCOMPARE(box.title, u"Error"_qs);
        QCOMPARE(box.text, u"Please select a row with a  valid externalId."_qs);
        QCOMPARE(box.parent, f.window.get());
    }
    QCOMPARE(f.window->requestKind(), RequestKind::None);
    QCOMPARE(f.txtTx()->toPlainText(), u"before"_qs);
    QCOMPARE(f.log(), QByteArray());
    QVERIFY(!f.window->StillExecuting());
}

void tst_Requests::busyBeatsEmptyRowBox()
{
    ScriptedHttpServer server;
    server.setSilent(true);
    MainWindowFixture f;
    QVERIFY(f.start());
    f.txtIP()->setText(server.authority());
    f.click("cmd1");
    QVERIFY(f.window->StillExecuting());
    f.click("cmdGetJob");
    QVERIFY(f.boxes->shown.isEmpty());
}

void tst_Requests::singleSpaceIdIsSentSafely()
{
    ScriptedHttpServer server;
    MainWindowFixture f;
    QVERIFY(f.start());
    f.window->grid().setTextMatrix(1, 0, u" "_qs);
    f.txtIP()->setText(server.authority());
    f.click("cmdGetJob");
    QCOMPARE(f.txtTx()->toPlainText().section(u'\n', 0, 0),
             u"http://"_qs + server.authority() + u"/api/videocompare/tracking/ "_qs);
    QTRY_VERIFY(server.received(0).startsWith("GET /api/videocompare/tracking/%20 HTTP/1.1\r\n"));
    QVERIFY(f.waitIdle());
}

QTEST_MAIN(tst_Requests)
#include "tst_requests.moc"
