#include "transfer/HeaderBlock.h"
#include "transfer/InetTransfer.h"

#include "ScriptedHttpServer.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QList<int> FullSequence{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12};

QList<int> statesOf(const QSignalSpy &spy)
{
    QList<int> states;
    for (const QList<QVariant> &arguments : spy)
        states.append(arguments.at(0).toInt());
    return states;
}

// Transfers that ended, by 11 or 12.
qsizetype endedCount(const QSignalSpy &spy)
{
    const QList<int> states = statesOf(spy);
    return states.count(InetTransfer::Failed) + states.count(InetTransfer::ResponseCompleted);
}

QByteArray readBody(InetTransfer &transfer, int chunkSize = 1024)
{
    QByteArray body;
    for (QByteArray chunk = transfer.GetChunk(chunkSize); !chunk.isEmpty();
         chunk = transfer.GetChunk(chunkSize)) {
        body += chunk;
    }
    return body;
}

QString serverUrl(const ScriptedHttpServer &server, const QString &pattern)
{
    return QString(pattern).replace(u"SERVER"_s, server.authority());
}

} // namespace

class tst_InetTransfer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void requestBytes_data();
    void requestBytes();
    void refusedWithoutConnecting_data();
    void refusedWithoutConnecting();
    void goodResponse_data();
    void goodResponse();
    void failure_data();
    void failure();
    void unreachable_data();
    void unreachable();
    void chunksOfTheBody();
    void busyUntilBodyRead();
    void bigBody();
    void ipv6Literal();
};

void tst_InetTransfer::requestBytes_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("headers");
    QTest::addColumn<QByteArray>("expected");

    const QString block = BuildHeaderBlock(u"10.0.0.5"_s);
    const QString host = u"Host: h\r\n\r\n"_s;

    QTest::newRow("GET with the program's header block")
        << u"GET"_s << u"http://SERVER/api/videocompare/tracking"_s << QString() << block
        << "GET /api/videocompare/tracking HTTP/1.1\r\n" + block.toUtf8();
    QTest::newRow("POST body length counts UTF-8 bytes")
        << u"POST"_s << u"http://SERVER/api/videocompare/tracking"_s << u"{\"n\":\"é\"}\r\n"_s
        << host
        << QByteArray("POST /api/videocompare/tracking HTTP/1.1\r\nHost: h\r\n"
                      "Content-Length: 12\r\n\r\n{\"n\":\"\xc3\xa9\"}\r\n");
    QTest::newRow("POST without a body still says its length")
        << u"POST"_s << u"http://SERVER/api/videocompare/tracking/J1/stopTracking"_s << QString()
        << host
        << QByteArray("POST /api/videocompare/tracking/J1/stopTracking HTTP/1.1\r\nHost: h\r\n"
                      "Content-Length: 0\r\n\r\n");
    QTest::newRow("DELETE without a body") << u"DELETE"_s << u"http://SERVER/api/x/J1"_s
                                           << QString() << host
                                           << QByteArray("DELETE /api/x/J1 HTTP/1.1\r\nHost: h\r\n\r\n");
    QTest::newRow("block without its empty line") << u"GET"_s << u"http://SERVER/x"_s << QString()
                                                  << u"Host: h\r\n"_s
                                                  << QByteArray("GET /x HTTP/1.1\r\nHost: h\r\n\r\n");
    QTest::newRow("tab inside a value") << u"GET"_s << u"http://SERVER/x"_s << QString()
                                        << u"X-A: a\tb\r\n\r\n"_s
                                        << QByteArray("GET /x HTTP/1.1\r\nX-A: a\tb\r\n\r\n");
    QTest::newRow("unsafe target bytes percent-encoded")
        << u"GET"_s << u"http://SERVER/a b\t\x01é\"<>\\^`{|}#%41?q=1 2"_s << QString() << host
        << QByteArray("GET /a%20b%09%01%C3%A9%22%3C%3E%5C%5E%60%7B%7C%7D%23%41?q=1%202 HTTP/1.1\r\n"
                      "Host: h\r\n\r\n");
}

void tst_InetTransfer::requestBytes()
{
    QFETCH(QString, method);
    QFETCH(QString, url);
    QFETCH(QString, body);
    QFETCH(QString, headers);
    QFETCH(QByteArray, expected);

    ScriptedHttpServer server;
    QVERIFY(server.isListening());
    InetTransfer transfer;
    QSignalSpy spy(&transfer, &InetTransfer::StateChanged);

    transfer.Execute(serverUrl(server, url), method, body, headers);
    QVERIFY(transfer.StillExecuting());
    QCOMPARE(spy.count(), 0); // a command handler finishes before the first state
    QTRY_COMPARE(endedCount(spy), 1);
    QCOMPARE(statesOf(spy), FullSequence);
    QCOMPARE(server.connectionCount(), 1);
    QCOMPARE(server.received(0), expected);
}

void tst_InetTransfer::refusedWithoutConnecting_data()
{
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("headers");

    const int http = InetTransfer::ProtocolHttp;
    const QString url = u"http://SERVER/api"_s;
    const QString host = u"Host: h\r\n\r\n"_s;

    QTest::newRow("line feed inside the Host value")
        << http << url << u"GET"_s << BuildHeaderBlock(u"10.0.0.5\nX-Injected: 1"_s);
    QTest::newRow("empty line inside the Host value")
        << http << url << u"GET"_s << BuildHeaderBlock(u"10.0.0.5\r\n\r\nGET /evil HTTP/1.1"_s);
    QTest::newRow("carriage return alone") << http << url << u"GET"_s << u"Host: a\rb\r\n\r\n"_s;
    QTest::newRow("NUL in a value") << http << url << u"GET"_s << u"X: a\0b\r\n\r\n"_s;
    QTest::newRow("second empty line") << http << url << u"GET"_s << u"Host: h\r\n\r\n\r\n"_s;
    QTest::newRow("empty host") << http << u"http:///api"_s << u"GET"_s << host;
    QTest::newRow("port 0") << http << u"http://127.0.0.1:0/api"_s << u"GET"_s << host;
    QTest::newRow("port 65536") << http << u"http://127.0.0.1:65536/api"_s << u"GET"_s << host;
    QTest::newRow("port 8o") << http << u"http://127.0.0.1:8o/api"_s << u"GET"_s << host;
    QTest::newRow("empty port") << http << u"http://127.0.0.1:/api"_s << u"GET"_s << host;
    QTest::newRow("space in the host") << http << u"http://127.0.0.1 /api"_s << u"GET"_s << host;
    QTest::newRow("other scheme") << http << u"https://SERVER/api"_s << u"GET"_s << host;
    QTest::newRow("no scheme") << http << u"SERVER/api"_s << u"GET"_s << host;
    QTest::newRow("unclosed IPv6 bracket") << http << u"http://[::1/api"_s << u"GET"_s << host;
    QTest::newRow("method carrying a line") << http << url << u"GET / HTTP/1.1\r\nX:"_s << host;
    QTest::newRow("not the HTTP protocol") << 2 << url << u"GET"_s << host;
}

void tst_InetTransfer::refusedWithoutConnecting()
{
    QFETCH(int, protocol);
    QFETCH(QString, url);
    QFETCH(QString, method);
    QFETCH(QString, headers);

    ScriptedHttpServer server;
    InetTransfer transfer;
    transfer.setProtocol(protocol);
    QSignalSpy spy(&transfer, &InetTransfer::StateChanged);

    transfer.Execute(serverUrl(server, url), method, QString(), headers);
    QCOMPARE(spy.count(), 0);
    QTRY_COMPARE(endedCount(spy), 1);
    QCOMPARE(statesOf(spy), QList<int>{InetTransfer::Failed});
    QVERIFY(!transfer.StillExecuting());
    QCOMPARE(server.connectionCount(), 0);
}

void tst_InetTransfer::goodResponse_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<int>("pieceSize");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("length, one write") << ScriptedHttpServer::okResponse("{\"jobs\":[]}") << 0
                                       << QByteArray("{\"jobs\":[]}");
    QTest::newRow("length, 3-byte pieces") << ScriptedHttpServer::okResponse("{\"jobs\":[]}") << 3
                                           << QByteArray("{\"jobs\":[]}");
    QTest::newRow("chunked with extension and trailer, 5-byte pieces")
        << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                      "4;x=1\r\nWiki\r\n5\r\npedia\r\n0\r\nX-T: 1\r\n\r\n")
        << 5 << QByteArray("Wikipedia");
    QTest::newRow("ended by the close, 4-byte pieces")
        << QByteArray("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nall until the close") << 4
        << QByteArray("all until the close");
    QTest::newRow("interim answer first, 1-byte pieces")
        << "HTTP/1.1 100 Continue\r\n\r\n" + ScriptedHttpServer::okResponse("ok") << 1
        << QByteArray("ok");
    QTest::newRow("no content") << QByteArray("HTTP/1.1 204 No Content\r\n\r\n") << 0 << QByteArray();
    QTest::newRow("error page is a body like any other")
        << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found") << 2
        << QByteArray("not found");
}

void tst_InetTransfer::goodResponse()
{
    QFETCH(QByteArray, response);
    QFETCH(int, pieceSize);
    QFETCH(QByteArray, body);

    ScriptedHttpServer server;
    server.setResponse(response);
    server.setPieceSize(pieceSize);
    InetTransfer transfer;
    QSignalSpy spy(&transfer, &InetTransfer::StateChanged);

    transfer.Execute(serverUrl(server, u"http://SERVER/api"_s), u"GET"_s, QString(),
                     BuildHeaderBlock(server.authority()));
    QTRY_COMPARE(endedCount(spy), 1);
    QCOMPARE(statesOf(spy), FullSequence);
    QCOMPARE(readBody(transfer), body);
    QVERIFY(!transfer.StillExecuting());
}

void tst_InetTransfer::failure_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("timeoutMs");

    QTest::newRow("malformed status line") << QByteArray("HTTP/1.1 OK\r\n\r\n") << false << 60000;
    QTest::newRow("body shorter than announced")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten b") << false << 60000;
    QTest::newRow("closed without an answer") << QByteArray() << false << 60000;
    QTest::newRow("body beyond 256 MiB announced")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 268435457\r\n\r\n") << false << 60000;
    QTest::newRow("switching protocols") << QByteArray("HTTP/1.1 101 Switching Protocols\r\n\r\n")
                                         << false << 60000;
    QTest::newRow("silent server times out") << QByteArray() << true << 200;
}

void tst_InetTransfer::failure()
{
    QFETCH(QByteArray, response);
    QFETCH(bool, silent);
    QFETCH(int, timeoutMs);

    ScriptedHttpServer server;
    server.setResponse(response);
    server.setSilent(silent);
    InetTransfer transfer;
    transfer.setTimeout(std::chrono::milliseconds(timeoutMs));
    QSignalSpy spy(&transfer, &InetTransfer::StateChanged);

    const QString url = serverUrl(server, u"http://SERVER/api"_s);
    transfer.Execute(url, u"GET"_s, QString(), BuildHeaderBlock(server.authority()));
    QTRY_COMPARE(endedCount(spy), 1);
    const QList<int> states = statesOf(spy);
    QCOMPARE(states.last(), int(InetTransfer::Failed));
    QVERIFY(states.contains(InetTransfer::RequestSent));
    QVERIFY(!transfer.StillExecuting());
    QCOMPARE(transfer.GetChunk(1024), QByteArray());

    // Whatever the failed connection still does must not show in the next transfer.
    server.setSilent(false);
    server.setResponse(ScriptedHttpServer::okResponse("next"));
    transfer.setTimeout(60s);
    transfer.Execute(url, u"GET"_s, QString(), BuildHeaderBlock(server.authority()));
    QTRY_COMPARE(endedCount(spy), 2);
    QCOMPARE(statesOf(spy).mid(states.size()), FullSequence);
    QCOMPARE(readBody(transfer), QByteArray("next"));
}

void tst_InetTransfer::unreachable_data()
{
    QTest::addColumn<QString>("url");

    QTest::newRow("nothing listens on the port") << u"http://127.0.0.1:FREE/api"_s;
    QTest::newRow("host not found") << u"http://no-such-host.invalid/api"_s;
}

void tst_InetTransfer::unreachable()
{
    QFETCH(QString, url);

    quint16 freePort = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        freePort = probe.serverPort();
    }
    InetTransfer transfer;
    transfer.setTimeout(3s);
    QSignalSpy spy(&transfer, &InetTransfer::StateChanged);

    transfer.Execute(url.replace(u"FREE"_s, QString::number(freePort)), u"GET"_s, QString(),
                     QString());
    QTRY_COMPARE_WITH_TIMEOUT(endedCount(spy), 1, 15000);
    QCOMPARE(statesOf(spy).last(), int(InetTransfer::Failed));
    QVERIFY(!statesOf(spy).contains(InetTransfer::Connected));
    QVERIFY(!transfer.StillExecuting());
}

void tst_InetTransfer::chunksOfTheBody()
{
    QByteArray body;
    for (int i = 0; i < 2500; ++i)
        body += char('a' + i % 26);
    ScriptedHttpServer server;
    server.setResponse(ScriptedHttpServer::okResponse(body));
    server.setPieceSize(700);
    InetTransfer transfer;
    QSignalSpy spy(&transfer, &InetTransfer::StateChanged);
    QByteArray takenEarly;
    connect(&transfer, &InetTransfer::StateChanged, this, [&](qint16 state) {
        if (state != InetTransfer::ResponseCompleted)
            takenEarly += transfer.GetChunk(1024);
    });

    transfer.Execute(serverUrl(server, u"http://SERVER/api"_s), u"GET"_s, QString(), QString());
    QTRY_COMPARE(endedCount(spy), 1);
    QCOMPARE(takenEarly, QByteArray());

    QByteArray read;
    QList<qsizetype> sizes;
    for (int i = 0; i < 3; ++i) {
        read += transfer.GetChunk(1024);
        sizes.append(read.size());
        QVERIFY(transfer.StillExecuting());
    }
    QCOMPARE(sizes, (QList<qsizetype>{1024, 2048, 2500}));
    QCOMPARE(read, body);
    QCOMPARE(transfer.GetChunk(1024), QByteArray());
    QVERIFY(!transfer.StillExecuting());
    QCOMPARE(transfer.GetChunk(1024), QByteArray());
}

void tst_InetTransfer::busyUntilBodyRead()
{
    ScriptedHttpServer server;
    server.setResponse(ScriptedHttpServer::okResponse("first"));
    InetTransfer transfer;
    QSignalSpy spy(&transfer, &InetTransfer::StateChanged);
    const auto execute = [&](const QString &path) {
        transfer.Execute(serverUrl(server, u"http://SERVER"_s + path), u"GET"_s, QString(),
                         QString());
    };

    execute(u"/first"_s);
    execute(u"/ignored-while-running"_s);
    QTRY_COMPARE(endedCount(spy), 1);
    QVERIFY(transfer.StillExecuting());
    execute(u"/ignored-while-body-unread"_s);
    QCOMPARE(readBody(transfer), QByteArray("first"));
    QVERIFY(!transfer.StillExecuting());

    server.setResponse(ScriptedHttpServer::okResponse("second"));
    execute(u"/second"_s);
    QTRY_COMPARE(endedCount(spy), 2);
    QCOMPARE(statesOf(spy), FullSequence + FullSequence);
    QCOMPARE(readBody(transfer), QByteArray("second"));
    QCOMPARE(server.connectionCount(), 2);
    QVERIFY(server.received(0).startsWith("GET /first "));
    QVERIFY(server.received(1).startsWith("GET /second "));
}

void tst_InetTransfer::bigBody()
{
    QByteArray body(24 * 1024 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < body.size(); ++i)
        body[i] = char(i * 31 % 251);
    ScriptedHttpServer server;
    server.setResponse(ScriptedHttpServer::okResponse(body));
    server.setPieceSize(256 * 1024);
    InetTransfer transfer;
    QSignalSpy spy(&transfer, &InetTransfer::StateChanged);

    transfer.Execute(serverUrl(server, u"http://SERVER/api"_s), u"GET"_s, QString(), QString());
    QTRY_COMPARE_WITH_TIMEOUT(endedCount(spy), 1, 60000);
    QCOMPARE(statesOf(spy), FullSequence);
    QVERIFY(readBody(transfer, 1024 * 1024) == body);
}

void tst_InetTransfer::ipv6Literal()
{
    ScriptedHttpServer server{QHostAddress(QHostAddress::LocalHostIPv6)};
    if (!server.isListening())
        QSKIP("no IPv6 loopback here");
    InetTransfer transfer;
    QSignalSpy spy(&transfer, &InetTransfer::StateChanged);

    transfer.Execute(u"http://"_s + server.authority() + u"/v6"_s, u"GET"_s, QString(), QString());
    QTRY_COMPARE(endedCount(spy), 1);
    QCOMPARE(statesOf(spy), FullSequence);
    QVERIFY(server.received(0).startsWith("GET /v6 HTTP/1.1\r\n"));
}

QTEST_GUILESS_MAIN(tst_InetTransfer)
#include "tst_InetTransfer.moc"
