#include "transfer/HeaderBlock.h"
#include "transfer/InetTransfer.h"
#include "transfer/RequestWire.h"

#include "ScriptedHttpServer.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QList<int> FullSequence{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12};
const QList<int> FailedReceiving{1, 2, 3, 4, 5, 6, 7, 11};
const QString Host = u"Host: h\r\n\r\n"_s;

// One transfer: what it is asked to send, what the server answers and what it should come to.
struct Case
{
    QString url = u"http://SERVER/x"_s; // SERVER: the scripted server, FREE: a closed port
    QString headers = Host;
    QString method = u"GET"_s;
    QString body{};
    QByteArray sent{}; // the exact request bytes, where they matter
    QByteArray read{}; // the body GetChunk hands out
    QByteArray response = ScriptedHttpServer::okResponse(read);
    int pieceSize = 0; // -1: the server stays silent
    QList<int> states = FullSequence;
};

} // namespace

Q_DECLARE_METATYPE(Case)

class tst_InetTransfer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void transfer_data();
    void transfer();
    void endpointNotSeenOnLoopback();
};

void tst_InetTransfer::transfer_data()
{
    QTest::addColumn<Case>("c");
    const QList<int> refused{InetTransfer::Failed};
    const QByteArray ok = "HTTP/1.1 200 OK\r\n";

    QTest::newRow("GET") << Case{.sent = "GET /x HTTP/1.1\r\nHost: h\r\n\r\n"};
    QTest::newRow("POST body length counts UTF-8 bytes") << Case{
        .method = u"POST"_s, .body = u"\"é\"\r\n"_s,
        .sent = "POST /x HTTP/1.1\r\nHost: h\r\nContent-Length: 6\r\n\r\n\"\xc3\xa9\"\r\n"};
    QTest::newRow("POST without a body still says its length") << Case{
        .method = u"POST"_s, .sent = "POST /x HTTP/1.1\r\nHost: h\r\nContent-Length: 0\r\n\r\n"};
    QTest::newRow("DELETE without a body")
        << Case{.method = u"DELETE"_s, .sent = "DELETE /x HTTP/1.1\r\nHost: h\r\n\r\n"};
    QTest::newRow("unsafe target bytes percent-encoded, % kept")
        << Case{.url = u"http://SERVER/a b\x01é\"#%41?q={}"_s,
                .sent = "GET /a%20b%01%C3%A9%22%23%41?q=%7B%7D HTTP/1.1\r\nHost: h\r\n\r\n"};
    QTest::newRow("line feed in a header line")
        << Case{.headers = BuildHeaderBlock(u"h\nX: 1"_s), .states = refused};
    QTest::newRow("CR LF in a header line")
        << Case{.headers = BuildHeaderBlock(u"h\r\n\r\nGET /evil HTTP/1.1"_s), .states = refused};
    QTest::newRow("empty host") << Case{.url = u"http:///x"_s, .states = refused};
    QTest::newRow("port 65536") << Case{.url = u"http://127.0.0.1:65536/x"_s, .states = refused};
    QTest::newRow("port 8o") << Case{.url = u"http://127.0.0.1:8o/x"_s, .states = refused};
    QTest::newRow("2,500 bytes, 700-byte pieces")
        << Case{.read = QByteArray("0123456789").repeated(250), .pieceSize = 700};
    QTest::newRow("chunked, 5-byte pieces")
        << Case{.read = "Wikipedia",
                .response = ok + "Transfer-Encoding: chunked\r\n\r\n4;x=1\r\nWiki\r\n5\r\npedia\r\n"
                                 "0\r\n\r\n",
                .pieceSize = 5};
    QTest::newRow("error page ended by the close, 3-byte pieces")
        << Case{.read = "no such job", .response = "HTTP/1.0 404 Not Found\r\n\r\nno such job",
                .pieceSize = 3};
    QTest::newRow("refused") << Case{.url = u"http://127.0.0.1:FREE/x"_s, .states = {1, 2, 3, 11}};
    QTest::newRow("time-out") << Case{.pieceSize = -1, .states = {1, 2, 3, 4, 5, 6, 11}};
    QTest::newRow("malformed status line")
        << Case{.response = "HTTP/1.1 OK\r\n\r\n", .states = FailedReceiving};
    QTest::newRow("body cut short")
        << Case{.response = ok + "Content-Length: 10\r\n\r\nshort", .states = FailedReceiving};
    QTest::newRow("body beyond 256 MiB")
        << Case{.response = ok + "Content-Length: 268435457\r\n\r\n", .states = FailedReceiving};
}

void tst_InetTransfer::transfer()
{
    QFETCH(Case, c);
    ScriptedHttpServer server;
    InetTransfer transfer;
    QList<int> states;
    connect(&transfer, &InetTransfer::StateChanged, this, [&](qint16 s) { states.append(s); });
    const auto ended = [&] { return states.count(11) + states.count(12); };
    const auto execute = [&](const Case &how) {
        transfer.Execute(QString(how.url).replace(u"SERVER"_s, server.authority()), how.method,
                         how.body, how.headers);
    };
    QTcpServer closed; // listened on, then closed: its port refuses
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    c.url.replace(u"FREE"_s, QString::number(closed.serverPort()));
    closed.close();
    server.setResponse(c.response);
    server.setPieceSize(c.pieceSize);
    server.setSilent(c.pieceSize < 0);
    transfer.setTimeout(c.pieceSize < 0 ? 200ms : 60s);

    execute(c);
    QVERIFY(transfer.StillExecuting());
    QVERIFY(states.isEmpty()); // the command handler returns before the first state
    execute({.url = u"http://SERVER/ignored-while-running"_s});
    QTRY_COMPARE(ended(), 1);
    QCOMPARE(states, c.states);
    if (!c.sent.isEmpty())
        QCOMPARE(server.received(0), c.sent);
    QByteArray read;
    for (QByteArray chunk; !(chunk = transfer.GetChunk(1024)).isEmpty(); read += chunk) {
        QVERIFY(transfer.StillExecuting());
        QCOMPARE(chunk.size(), qMin(1024, c.read.size() - read.size()));
        execute({.url = u"http://SERVER/ignored-while-body-unread"_s});
    }
    QCOMPARE(read, c.read);
    QVERIFY(!transfer.StillExecuting());

    // Whatever the first connection still does shows nowhere in the next transfer.
    server.setSilent(false);
    server.setResponse(ScriptedHttpServer::okResponse("next"));
    execute({.url = u"http://SERVER/next"_s});
    QTRY_COMPARE(ended(), 2);
    QCOMPARE(states.mid(c.states.size()), FullSequence);
    QCOMPARE(server.connectionCount(), c.states.contains(InetTransfer::Connected) ? 2 : 1);
    QCOMPARE(transfer.GetChunk(1024), QByteArray("next"));
}

// Where a request goes beyond what a loopback server can show: the default port, IPv6.
void tst_InetTransfer::endpointNotSeenOnLoopback()
{
    QCOMPARE(RequestWire::Compose(u"http://10.0.0.5/x"_s, u"GET"_s, {}, {})->port, 80);
    const auto v6 = RequestWire::Compose(u"http://[fe80::1]:81"_s, u"GET"_s, {}, {});
    QCOMPARE(v6->host, u"fe80::1"_s);
    QCOMPARE(v6->port, 81);
}

QTEST_GUILESS_MAIN(tst_InetTransfer)
#include "tst_InetTransfer.moc"
