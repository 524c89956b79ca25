#include "LetteredChunks.h"
#include "ScriptedHttpServer.h"
#include "transfer/HeaderBlock.h"
#include "transfer/InetTransfer.h"
#include "transfer/RequestWire.h"
#include "transfer/TrackingUrl.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

const QList<int> FullSequence{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12};
const QList<int> FailedReceiving{1, 2, 3, 4, 5, 6, 7, 11};
const QByteArray Ok = "HTTP/1.1 200 OK\r\n";
const QByteArray Chunked = Ok + "Transfer-Encoding: chunked\r\n\r\n";
const QString CutShort = u"connection closed before the answer was complete"_s;
const QString TooLarge = u"answer larger than the limit"_s;

// How one transfer is asked for and answered.
struct Case
{
    QString url = u"http://SERVER/x"_s; // SERVER: the scripted server, REFUSING: a closed port
    QString headers = u"Host: h\r\n\r\n"_s, method = u"GET"_s, body{};
    QByteArray response = ScriptedHttpServer::okResponse({});
    int pieceSize = -1, pieceDelayMs = 0; // pieces of -1: 1 to 20 bytes; 0: all at once
    qsizetype resetAfter = -1;
    bool silent = false;
    std::chrono::milliseconds timeout = 10s;
};
Q_DECLARE_METATYPE(Case)

namespace {

// A transfer and the scripted server it talks to, with the states it reports.
class Exchange
{
public:
    Exchange()
    {
        QObject::connect(&transfer, &InetTransfer::StateChanged, &transfer, [this](qint16 s) {
            states.append(s);
            endedAfterMs = clock.elapsed();
        });
    }

    void execute(const Case &how)
    {
        transfer.Execute(QString(how.url)
                             .replace(u"SERVER"_s, server.authority())
                             .replace(u"REFUSING"_s, ScriptedHttpServer::refusingAuthority()),
                         how.method, how.body, how.headers);
    }

    int ended() const { return int(states.count(11) + states.count(12)); }

    ScriptedHttpServer server;
    InetTransfer transfer;
    QList<int> states;
    QElapsedTimer clock;
    qint64 endedAfterMs = 0; // when the last state came
};

// The case's transfer to its end. No state comes before the handler that started it returns,
// and an Execute while it runs is ignored.
void runToEnd(Exchange &x, const Case &c)
{
    x.server.setResponse(c.response);
    x.server.setPieceSize(c.pieceSize);
    x.server.setPieceDelay(c.pieceDelayMs);
    x.server.setResetAfter(c.resetAfter);
    x.server.setSilent(c.silent);
    x.transfer.setTimeout(c.timeout);
    x.clock.start();
    x.execute(c);
    QVERIFY(x.transfer.StillExecuting() && x.states.isEmpty());
    x.execute({.url = u"http://SERVER/ignored-while-running"_s});
    QTRY_COMPARE_WITH_TIMEOUT(x.ended(), 1, 20000);
    QCOMPARE(x.transfer.bytesSent(), x.server.received(0).size());
}

// The completed body in pieces of 1024 bytes, the last one the rest; the transfer runs until
// it is read, and an Execute meanwhile is ignored.
void readBody(Exchange &x, const QByteArray &body)
{
    QByteArray read;
    for (QByteArray chunk; !(chunk = x.transfer.GetChunk(1024)).isEmpty(); read += chunk) {
        QVERIFY(x.transfer.StillExecuting());
        QCOMPARE(chunk.size(), qMin(1024, body.size() - read.size()));
        x.execute({.url = u"http://SERVER/ignored-while-body-unread"_s});
    }
    QCOMPARE(read, body);
}

// Whatever the first connection still does shows nowhere in the next transfer.
void nextTransferIsClean(Exchange &x, int connections)
{
    QVERIFY(!x.transfer.StillExecuting());
    const qsizetype first = x.states.size();
    x.server.setSilent(false);
    x.server.setResetAfter(-1);
    x.server.setResponse(ScriptedHttpServer::okResponse("next"));
    x.execute({.url = u"http://SERVER/next"_s});
    QTRY_COMPARE(x.ended(), 2);
    QCOMPARE(x.states.mid(first), FullSequence);
    QCOMPARE(x.server.connectionCount(), connections);
    QCOMPARE(x.transfer.GetChunk(1024), QByteArray("next"));
}

QString statusLine(const InetTransfer &transfer)
{
    return u"HTTP %1 %2"_s.arg(transfer.statusCode())
        .arg(QString::fromUtf8(transfer.reasonPhrase()));
}

const QByteArray kTo = " HTTP/1.1\r\nHost: h\r\n", kLen2 = "Content-Length: 2\r\n";
const QByteArray kLength = Ok + "Content-Length: ";
const QByteArray kX64k(70000, 'x');
const Case kIn4k{.pieceSize = 4096};
// A head of exactly 64 KiB, the cap: 43 bytes besides the X field's value.
const QByteArray kHeadAtCap = Ok + "X: " + QByteArray(65536 - 43, 'a') + "\r\n" + kLen2 + "\r\n";

} // namespace

class tst_InetTransfer final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Kept one path segment: what would end or split it is encoded, and "%" so none decodes twice.
    void pathSegment_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("segment");
        QTest::newRow("plain") << u"A7-b_c.d~"_s << u"A7-b_c.d~"_s;
        QTest::newRow("slash, query, fragment, %") << u"a/b?c#d%e"_s << u"a%2Fb%3Fc%23d%25e"_s;
        QTest::newRow("an encoding stays text") << u"%2F"_s << u"%252F"_s;
        QTest::newRow("dot segment left to the transfer to refuse") << u".."_s << u".."_s;
    }

    void pathSegment()
    {
        QFETCH(QString, id);
        QFETCH(QString, segment);
        QCOMPARE(::pathSegment(id), segment);
    }

    // The exact request bytes; the answer read whole: its status and reason, every byte of it
    // read, the body handed out.
    void answered_data()
    {
        QTest::addColumn<Case>("c");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QByteArray>("sent"); // null: not looked at
        const auto row = [](const char *name, const QByteArray &response, const QByteArray &body,
                            const QString &status = u"HTTP 200 OK"_s, Case c = {}) {
            c.response = response;
            QTest::newRow(name) << c << body << status << QByteArray();
        };
        const auto sent = [](const char *name, const Case &c, const QByteArray &bytes) {
            QTest::newRow(name) << c << QByteArray() << u"HTTP 200 OK"_s << bytes;
        };
        const QByteArray end = kTo + "\r\n", post = "POST /x" + kTo + "Content-Length: ";
        sent("POST body length counts UTF-8 bytes", {.method = u"POST"_s, .body = u"\"é\"\r\n"_s},
             post + "6\r\n\r\n\"\xc3\xa9\"\r\n");
        sent("POST without a body says length 0", {.method = u"POST"_s}, post + "0\r\n\r\n");
        sent("DELETE without a body", {.method = u"DELETE"_s}, "DELETE /x" + end);
        sent("unsafe bytes encoded, % kept", {.url = u"http://SERVER/a b\x01é\"%41{}/a.b/..."_s},
             "GET /a%20b%01%C3%A9%22%41%7B%7D/a.b/..." + end);
        sent("prefix kept", {.url = u"http://SERVER/prefix/x"_s}, "GET /prefix/x" + end);
        const QByteArray binary("\r\n\r\nHTTP/1.1 200\0\xff\r\n\n", 21);
        const QByteArray raw = binary.repeated(120);
        row("raw body in 700-byte pieces", ScriptedHttpServer::okResponse(raw), raw,
            u"HTTP 200 OK"_s, {.pieceSize = 700});
        row("chunk extensions and trailer fields",
            Chunked + "4;x=1\r\nWiki\r\n5 ; y=\"a;b\"\r\npedia\r\n0\r\nExpires: 0\r\n\r\n",
            "Wikipedia");
        row("upper-case and zero-padded chunk sizes", Chunked + "000A\r\n0123456789\r\n000\r\n\r\n",
            "0123456789");
        row("a chunk size of 16 digits", Chunked + "0000000000000002\r\nok\r\n0\r\n\r\n", "ok");
        const LetteredChunks lettered = letteredChunks();
        row("every hex letter in chunk sizes", Chunked + lettered.chunks, lettered.body);
        row("chunked wins over length",
            Ok + kLen2 + "Transfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n", "ok");
        row("field names in any case", Ok + "cOnTeNt-LeNgTh: 5\r\n\r\nhello", "hello");
        row("several 1xx answers first",
            "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 Processing\r\n\r\nHTTP/1.1 103 Hints\r\n"
            "Link: </a>\r\n\r\n"
                + Ok + kLen2 + "\r\nok",
            "ok");
        row("empty reason phrase", "HTTP/1.1 200 \r\n" + kLen2 + "\r\nok", "ok", u"HTTP 200 "_s);
        row("status outside 100-599 taken as a server error",
            "HTTP/1.1 999 Odd\r\nContent-Length: 3\r\n\r\nodd", "odd", u"HTTP 999 Odd"_s);
        row("HTTP/1.0 answer ended by the close, no reason, bare LF", "HTTP/1.0 404\n\nno such job",
            "no such job", u"HTTP 404 "_s);
        row("204 with a length field", "HTTP/1.1 204 No Content\r\nContent-Length: 5\r\n\r\n", {},
            u"HTTP 204 No Content"_s);
        row("304 with a length field", "HTTP/1.1 304 Not Modified\r\nContent-Length: 5\r\n\r\n", {},
            u"HTTP 304 Not Modified"_s);
        row("Content-Length 0", Ok + "Content-Length: 0\r\n\r\n", {});
        row("18 KB headers", Ok + "X: " + QByteArray(18000, 'a') + "\r\n" + kLen2 + "\r\nok", "ok",
            u"HTTP 200 OK"_s, {.pieceSize = 512});
        row("a header section of exactly the cap", kHeadAtCap + "ok", "ok", u"HTTP 200 OK"_s,
            kIn4k);
        row("one byte at a time, within the time-out", Ok + "Content-Length: 4\r\n\r\nslow", "slow",
            u"HTTP 200 OK"_s, {.pieceSize = 1, .pieceDelayMs = 10, .timeout = 300ms});
    }

    void answered()
    {
        QFETCH(Case, c);
        QFETCH(QByteArray, body);
        QFETCH(QString, status);
        QFETCH(QByteArray, sent);
        Exchange x;
        runToEnd(x, c);
        QCOMPARE(x.states, FullSequence);
        if (!sent.isNull())
            QCOMPARE(x.server.received(0), sent);
        QCOMPARE(statusLine(x.transfer), status);
        QCOMPARE(x.transfer.bytesReceived(), c.response.size());
        readBody(x, body);
        nextTransferIsClean(x, 2);
    }

    // The status lines and header lines as they came, interim answers' first.
    void head_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QByteArray>("head");
        const QByteArray interim = "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Hints\r\n"
                                   "Link: </a>\r\n\r\n";
        QTest::newRow("interim answers first")
            << interim + Ok + kLen2 + "\r\nok" << interim + Ok + kLen2 + "\r\n";
        QTest::newRow("chunked: no chunk lines, no trailer fields") << Chunked
                + "2\r\nok\r\n0\r\nExpires: 0\r\n\r\n" << Chunked;
        QTest::newRow("bare LF kept")
            << QByteArray("HTTP/1.0 404\n\nno such job") << QByteArray("HTTP/1.0 404\n\n");
    }

    void head()
    {
        QFETCH(QByteArray, response);
        QFETCH(QByteArray, head);
        Exchange x;
        runToEnd(x, {.response = response});
        QCOMPARE(x.states, FullSequence);
        QCOMPARE(x.transfer.responseHead(), head);
    }

    // Refused while it arrives: the reason, and read no further than `readAtMost` bytes.
    void refusedWhileArriving_data()
    {
        QTest::addColumn<Case>("c");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<qsizetype>("readAtMost");
        const auto row = [](const char *name, const QByteArray &response, const QString &reason,
                            Case c = {}, qsizetype readAtMost = -1) {
            c.response = response;
            QTest::newRow(name) << c << reason << (readAtMost < 0 ? response.size() : readAtMost);
        };
        const auto bad = [&row](const char *name, const QByteArray &response, const char *why,
                                Case c = {}) {
            row(name, response, u"malformed answer: "_s + QLatin1String(why), c);
        };
        const char *cap = "header section too large", *nan = "Content-Length is not a number";
        const char *tlsPort = "no HTTP/1.x status line (a TLS port?)";
        bad("two lengths", kLength + "2\r\nContent-Length: 3\r\n\r\nok",
            "conflicting Content-Length");
        bad("negative length", kLength + "-2\r\n\r\nok", nan);
        bad("overflowing length", kLength + "99999999999999999999\r\n\r\nok", nan);
        bad("chunk size not hex", Chunked + "zz\r\n", "chunk size is not hexadecimal");
        bad("chunk size over 16 digits", Chunked + "00000000000000001\r\nx\r\n0\r\n\r\n",
            "chunk size longer than 16 digits");
        bad("chunk over its size", Chunked + "2\r\nabc\r\n0\r\n\r\n", "chunk longer than its size");
        bad("chunk line over the cap", Chunked + "1;" + kX64k, "chunk line too long", kIn4k);
        bad("no status line", "garbage\r\n\r\n", "no HTTP/1.x status line");
        bad("a TLS alert to a plain request", QByteArray::fromHex("15030300020246"), tlsPort);
        bad("a TLS record with a line end", QByteArray::fromHex("160301000461620d0a"), tlsPort);
        bad("status of 100 digits", "HTTP/1.1 " + QByteArray(100, '2') + " OK\r\n\r\n",
            "status code is not three digits");
        bad("switching protocols", "HTTP/1.1 101 Switching Protocols\r\n\r\n",
            "switching protocols, which was not asked for");
        bad("line with no colon", Ok + "NoColon\r\n\r\n", "header line without a field name");
        bad("a header section one byte over the cap",
            kHeadAtCap.first(20) + "a" + kHeadAtCap.sliced(20) + "ok", cap, kIn4k);
        bad("header section over the cap", Ok + "X: " + kX64k + "\r\n\r\n", cap, kIn4k);
        bad("interim answers add up over the cap",
            ("HTTP/1.1 100 Continue\r\nX: " + QByteArray(20000, 'i') + "\r\n\r\n").repeated(4), cap,
            kIn4k);
        row("announced body too large", kLength + "2147483648\r\n\r\n", TooLarge);
    }

    void refusedWhileArriving()
    {
        QFETCH(Case, c);
        QFETCH(QString, reason);
        QFETCH(qsizetype, readAtMost);
        Exchange x;
        runToEnd(x, c);
        QCOMPARE(x.states, FailedReceiving);
        QCOMPARE(x.transfer.failureText(), reason);
        QVERIFY2(x.transfer.bytesReceived() <= readAtMost,
                 qPrintable(QString::number(x.transfer.bytesReceived())));
        QCOMPARE(x.transfer.GetChunk(1024), QByteArray());
        nextTransferIsClean(x, 2);
    }

    // Failed after connecting or trying to: closed before the answer was whole (every byte sent
    // is read), never answered (not before the time-out has passed), or refused.
    void failed_data()
    {
        QTest::addColumn<Case>("c");
        QTest::addColumn<QList<int>>("states");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<qsizetype>("received");
        const auto row = [](const char *name, Case c, qsizetype received = -1,
                            const QList<int> &states = FailedReceiving,
                            const QString &reason = CutShort) {
            QTest::newRow(name) << c << states << reason
                                << (received < 0 ? c.response.size() : received);
        };
        const QList<int> connected{1, 2, 3, 4, 5, 6, 11};
        row("close before the last chunk", {.response = Chunked + "5\r\nhello\r\n"});
        row("close inside the header section", {.response = Ok + "Content-Le"});
        row("body cut short", {.response = kLength + "10\r\n\r\nshort"});
        row("empty reply", {.response = {}}, 0, connected);
        row("reset in the middle of the body",
            {.response = kLength + "10\r\n\r\n0123456789",
             .pieceSize = 0,
             .resetAfter = Ok.size() + 24},
            Ok.size() + 24);
        row("accepted and never answered", {.silent = true, .timeout = 200ms}, 0, connected,
            u"no answer within 0.2 s"_s);
        row("connection refused", {.url = u"http://REFUSING/x"_s}, 0, {1, 2, 3, 11},
            u"connection refused"_s);
    }

    void failed()
    {
        QFETCH(Case, c);
        QFETCH(QList<int>, states);
        QFETCH(QString, reason);
        QFETCH(qsizetype, received);
        Exchange x;
        runToEnd(x, c);
        QCOMPARE(x.states, states);
        QCOMPARE(x.transfer.failureText(), reason);
        QCOMPARE(x.transfer.bytesReceived(), received);
        QVERIFY2(x.endedAfterMs >= c.timeout.count() || !c.silent,
                 qPrintable(QString::number(x.endedAfterMs)));
        QCOMPARE(x.transfer.GetChunk(1024), QByteArray());
        nextTransferIsClean(x, c.url.contains(u"REFUSING"_s) ? 1 : 2);
    }

    // Refused before connecting: state 11 alone, and why.
    void badAddress_data()
    {
        QTest::addColumn<Case>("c");
        QTest::addColumn<QString>("why");
        const QString badLine = u"a header line holds a line break or a control character"_s;
        const QString dots = u"a \".\" or \"..\" path segment would name another resource"_s;
        const QString port = u"the port is not a number from 1 to 65535"_s;
        const QString query = u"it holds \"?\" or \"#\""_s, api = u"/api/videocompare/tracking"_s;
        const auto row = [](const char *name, const Case &c, const QString &why) {
            QTest::newRow(name) << c << why;
        };
        row("CR LF in a header line",
            {.headers = BuildHeaderBlock(u"h\r\n\r\nGET /evil HTTP/1.1"_s)}, badLine);
        row("empty host", {.url = u"http:///x"_s}, u"no host"_s);
        row("port 65536", {.url = u"http://127.0.0.1:65536/x"_s}, port);
        row("port 8o", {.url = u"http://127.0.0.1:8o/x"_s}, port);
        row("identifier ..", {.url = u"http://SERVER"_s + api + u"/.."_s}, dots);
        row("encoded dot segment in a prefix", {.url = u"http://SERVER/%2e%2E/api"_s}, dots);
        row("query in the address", {.url = u"http://SERVER?x"_s + api}, query);
        row("fragment in the address", {.url = u"http://SERVER/p#x"_s + api}, query);
    }

    void badAddress()
    {
        QFETCH(Case, c);
        QFETCH(QString, why);
        Exchange x;
        runToEnd(x, c);
        QCOMPARE(x.states, QList<int>({InetTransfer::Failed}));
        QCOMPARE(x.transfer.failureText(), u"cannot send to this address: "_s + why);
        QCOMPARE(std::pair(x.transfer.bytesSent(), x.transfer.bytesReceived()),
                 std::pair(qint64(0), qint64(0)));
        nextTransferIsClean(x, 1);
    }

    void offeredStorage_data()
    {
        QTest::addColumn<qsizetype>("offered");
        QTest::addColumn<bool>("used");
        QTest::newRow("room for the body, not twice its size: used") << qsizetype(150000) << true;
        QTest::newRow("too small: let go") << qsizetype(50000) << false;
        QTest::newRow("over twice the body: let go") << qsizetype(300000) << false;
    }

    // The next body arrives into offered storage that fits it, and is whole either way.
    void offeredStorage()
    {
        QFETCH(qsizetype, offered);
        QFETCH(bool, used);
        const QByteArray body(100000, 'x');
        ScriptedHttpServer server;
        server.setResponse(ScriptedHttpServer::okResponse(body));
        InetTransfer transfer;
        QByteArray storage;
        storage.reserve(offered);
        const char *const storageData = storage.constData();
        transfer.offerBodyStorage(std::move(storage));
        QSignalSpy states(&transfer, &InetTransfer::StateChanged);
        transfer.Execute(u"http://%1/"_s.arg(server.authority()), u"GET"_s, {}, {});
        QTRY_VERIFY(!states.isEmpty() && states.last().at(0).toInt() == 12);
        const QByteArray got = transfer.GetChunk(std::numeric_limits<int>::max());
        QCOMPARE(got, body);
        QCOMPARE(got.constData() == storageData, used);
    }

    // Storage a body cannot arrive into is let go once the head is whole, not held beside the
    // body while it arrives.
    void offeredStorageLetGo_data()
    {
        QTest::addColumn<QByteArray>("response"); // 50 KB of body after a head of 47 bytes or less
        const QByteArray kb(1000, 'x');
        QTest::newRow("chunked") << Chunked + ("3e8\r\n" + kb + "\r\n").repeated(50) + "0\r\n\r\n";
        QTest::newRow("to the close") << "HTTP/1.0 200 OK\r\n\r\n" + kb.repeated(50);
    }

    void offeredStorageLetGo()
    {
        QFETCH(QByteArray, response);
        ScriptedHttpServer server;
        server.setResponse(response);
        server.setPieceSize(1000);
        server.setPieceDelay(20);
        InetTransfer transfer;
        QByteArray held(1 << 20, 'o');
        transfer.offerBodyStorage(held);
        QVERIFY(!held.isDetached());
        QSignalSpy states(&transfer, &InetTransfer::StateChanged);
        transfer.Execute(u"http://%1/"_s.arg(server.authority()), u"GET"_s, {}, {});
        QTRY_VERIFY(transfer.bytesReceived() > 47);
        QTRY_VERIFY(held.isDetached());
        QVERIFY(states.isEmpty() || states.last().at(0).toInt() != 12);
    }

    // An IPv6 host, which the loopback servers here do not show.
    void ipv6Endpoint()
    {
        const auto v6 = RequestWire::compose(u"http://[fe80::1]:81"_s, u"GET"_s, {}, {});
        QCOMPARE(std::pair(v6->host, v6->port), std::pair(u"fe80::1"_s, quint16(81)));
    }
};

QTEST_GUILESS_MAIN(tst_InetTransfer)
#include "tst_inettransfer.moc"
