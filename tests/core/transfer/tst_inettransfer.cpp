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

// One transfer: what it is asked to send, what the server answers, and what it comes to.
struct Case
{
    QString url = u"http://SERVER/x"_s; // SERVER: the scripted server, REFUSING: a closed port
    QString headers = u"Host: h\r\n\r\n"_s, method = u"GET"_s, body{};
    QByteArray sent{}, read{}; // the exact request bytes where they matter; what GetChunk gives
    QByteArray response = ScriptedHttpServer::okResponse(read);
    int pieceSize = -1, pieceDelayMs = 0; // pieces of -1: 1 to 20 bytes; 0: all at once
    qsizetype resetAfter = -1;
    bool silent = false;
    std::chrono::milliseconds timeout = 10s;
    QList<int> states = FullSequence;
    QString outcome = u"HTTP 200 OK"_s; // status and reason at 12, the reason for 11
    qsizetype received = -1;            // bytes read off the socket: -1, all the response
    bool readInPart = false; // refused before its end and not read on: `received` is the most
    int connections = 2;     // the next transfer's included
};
Q_DECLARE_METATYPE(Case)

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

    void transfer_data()
    {
        QTest::addColumn<Case>("c");
        const auto row = [](const char *name, const Case &c) { QTest::newRow(name) << c; };
        // Read whole: its status line; refused while receiving: its reason.
        const auto reply = [&](const char *name, const QByteArray &response, const QByteArray &read,
                               const QString &outcome = u"HTTP 200 OK"_s, Case c = {}) {
            c.response = response;
            c.read = read;
            c.outcome = outcome;
            row(name, c);
        };
        // Closed before the answer was whole: every byte sent is read.
        const auto cutShort = [&](const char *name, const QByteArray &response, Case c = {}) {
            c.states = FailedReceiving;
            reply(name, response, {}, CutShort, c);
        };
        // Refused while it arrives: read no further than its end.
        const auto refused = [&](const char *name, const QByteArray &response,
                                 const QString &outcome, Case c = {}) {
            c.readInPart = true;
            c.received = c.received < 0 ? response.size() : c.received;
            c.states = FailedReceiving;
            reply(name, response, {}, outcome, c);
        };
        const auto bad = [&](const char *name, const QByteArray &response, const char *why,
                             Case c = {}) {
            refused(name, response, u"malformed answer: "_s + QLatin1String(why), c);
        };
        // Ended before an answer came: nothing read.
        const auto unanswered = [&](const char *name, const QList<int> &states,
                                    const QString &outcome, Case c) {
            c.states = states;
            c.outcome = outcome;
            c.received = 0;
            row(name, c);
        };
        const auto badAddress = [&](const char *name, Case c, const QString &why) {
            c.connections = 1;
            unanswered(name, {InetTransfer::Failed}, u"cannot send to this address: "_s + why, c);
        };

        const QByteArray to = " HTTP/1.1\r\nHost: h\r\n", end = to + "\r\n";
        const QByteArray post = "POST /x" + to + "Content-Length: ", len2 = "Content-Length: 2\r\n";
        row("POST body length counts UTF-8 bytes",
            {.method = u"POST"_s,
             .body = u"\"é\"\r\n"_s,
             .sent = post + "6\r\n\r\n\"\xc3\xa9\"\r\n"});
        row("POST without a body says length 0", {.method = u"POST"_s, .sent = post + "0\r\n\r\n"});
        row("DELETE without a body", {.method = u"DELETE"_s, .sent = "DELETE /x" + end});
        row("unsafe bytes encoded, % kept",
            {.url = u"http://SERVER/a b\x01é\"%41{}/a.b/..."_s,
             .sent = "GET /a%20b%01%C3%A9%22%41%7B%7D/a.b/..." + end});
        row("prefix kept", {.url = u"http://SERVER/prefix/x"_s, .sent = "GET /prefix/x" + end});

        const QByteArray binary("\r\n\r\nHTTP/1.1 200\0\xff\r\n\n", 21);
        row("raw body in 700-byte pieces", {.read = binary.repeated(120), .pieceSize = 700});
        reply("chunk extensions and trailer fields",
              Chunked + "4;x=1\r\nWiki\r\n5 ; y=\"a;b\"\r\npedia\r\n0\r\nExpires: 0\r\n\r\n",
              "Wikipedia");
        reply("upper-case and zero-padded chunk sizes",
              Chunked + "000A\r\n0123456789\r\n000\r\n\r\n", "0123456789");
        const LetteredChunks lettered = letteredChunks();
        reply("every hex letter in chunk sizes", Chunked + lettered.chunks, lettered.body);
        reply("chunked wins over length",
              Ok + len2 + "Transfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n", "ok");
        reply("field names in any case", Ok + "cOnTeNt-LeNgTh: 5\r\n\r\nhello", "hello");
        const QByteArray interim = "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 Processing\r\n\r\n";
        reply("several 1xx answers first",
              interim + "HTTP/1.1 103 Hints\r\nLink: </a>\r\n\r\n" + Ok + len2 + "\r\nok", "ok");
        reply("empty reason phrase", "HTTP/1.1 200 \r\n" + len2 + "\r\nok", "ok", u"HTTP 200 "_s);
        reply("status outside 100-599 taken as a server error",
              "HTTP/1.1 999 Odd\r\nContent-Length: 3\r\n\r\nodd", "odd", u"HTTP 999 Odd"_s);
        reply("HTTP/1.0 answer ended by the close, no reason, bare LF",
              "HTTP/1.0 404\n\nno such job", "no such job", u"HTTP 404 "_s);
        reply("204 with a length field", "HTTP/1.1 204 No Content\r\nContent-Length: 5\r\n\r\n", {},
              u"HTTP 204 No Content"_s);
        reply("Content-Length 0", Ok + "Content-Length: 0\r\n\r\n", {});
        reply("18 KB headers", Ok + "X: " + QByteArray(18000, 'a') + "\r\n" + len2 + "\r\nok", "ok",
              u"HTTP 200 OK"_s, {.pieceSize = 512});
        reply("one byte at a time, within the time-out", Ok + "Content-Length: 4\r\n\r\nslow",
              "slow", u"HTTP 200 OK"_s, {.pieceSize = 1, .pieceDelayMs = 10, .timeout = 300ms});

        const char *cap = "header section too large", *nan = "Content-Length is not a number";
        const char *tlsPort = "no HTTP/1.x status line (a TLS port?)";
        const QByteArray x64k(70000, 'x'), huge(1 << 20, 'x'), length = Ok + "Content-Length: ";
        const Case in4k{.pieceSize = 4096};
        bad("two lengths", length + "2\r\nContent-Length: 3\r\n\r\nok",
            "conflicting Content-Length");
        bad("negative length", length + "-2\r\n\r\nok", nan);
        bad("overflowing length", length + "99999999999999999999\r\n\r\nok", nan);
        bad("chunk size not hex", Chunked + "zz\r\n", "chunk size is not hexadecimal");
        bad("chunk size over 16 digits", Chunked + "00000000000000001\r\nx\r\n0\r\n\r\n",
            "chunk size longer than 16 digits");
        bad("chunk over its size", Chunked + "2\r\nabc\r\n0\r\n\r\n", "chunk longer than its size");
        bad("chunk line over the cap", Chunked + "1;" + x64k, "chunk line too long", in4k);
        cutShort("close before the last chunk", Chunked + "5\r\nhello\r\n");
        cutShort("close inside the header section", Ok + "Content-Le");
        bad("no status line", "garbage\r\n\r\n", "no HTTP/1.x status line");
        bad("a TLS alert to a plain request", QByteArray::fromHex("15030300020246"), tlsPort);
        bad("a TLS record with a line end", QByteArray::fromHex("160301000461620d0a"), tlsPort);
        bad("status of 100 digits", "HTTP/1.1 " + QByteArray(100, '2') + " OK\r\n\r\n",
            "status code is not three digits");
        bad("switching protocols", "HTTP/1.1 101 Switching Protocols\r\n\r\n",
            "switching protocols, which was not asked for");
        bad("line with no colon", Ok + "NoColon\r\n\r\n", "header line without a field name");
        cutShort("body cut short", length + "10\r\n\r\nshort");
        row("empty reply", {.response = {}, .states = {1, 2, 3, 4, 5, 6, 11}, .outcome = CutShort});
        bad("header section over the cap", Ok + "X: " + x64k + "\r\n\r\n", cap, in4k);
        bad("interim answers add up over the cap",
            ("HTTP/1.1 100 Continue\r\nX: " + QByteArray(20000, 'i') + "\r\n\r\n").repeated(4), cap,
            in4k);
        refused("announced body too large", length + "2147483648\r\n\r\n", TooLarge);
        cutShort("reset in the middle of the body", length + "10\r\n\r\n0123456789",
                 {.pieceSize = 0, .resetAfter = Ok.size() + 24, .received = Ok.size() + 24});
        unanswered("accepted and never answered", {1, 2, 3, 4, 5, 6, 11},
                   u"no answer within 0.2 s"_s, {.silent = true, .timeout = 200ms});
        unanswered("connection refused", {1, 2, 3, 11}, u"connection refused"_s,
                   {.url = u"http://REFUSING/x"_s, .connections = 1});

        const QString badLine = u"a header line holds a line break or a control character"_s;
        const QString dots = u"a \".\" or \"..\" path segment would name another resource"_s;
        const QString port = u"the port is not a number from 1 to 65535"_s;
        const QString query = u"it holds \"?\" or \"#\""_s, api = u"/api/videocompare/tracking"_s;
        badAddress("CR LF in a header line",
                   {.headers = BuildHeaderBlock(u"h\r\n\r\nGET /evil HTTP/1.1"_s)}, badLine);
        badAddress("empty host", {.url = u"http:///x"_s}, u"no host"_s);
        badAddress("port 65536", {.url = u"http://127.0.0.1:65536/x"_s}, port);
        badAddress("port 8o", {.url = u"http://127.0.0.1:8o/x"_s}, port);
        badAddress("identifier ..", {.url = u"http://SERVER"_s + api + u"/.."_s}, dots);
        badAddress("encoded dot segment in a prefix", {.url = u"http://SERVER/%2e%2E/api"_s}, dots);
        badAddress("query in the address", {.url = u"http://SERVER?x"_s + api}, query);
        badAddress("fragment in the address", {.url = u"http://SERVER/p#x"_s + api}, query);
    }

    void transfer()
    {
        QFETCH(Case, c);
        ScriptedHttpServer server;
        InetTransfer transfer;
        QList<int> states;
        qint64 endedAfterMs = 0; // when the last state came
        QElapsedTimer clock;
        connect(&transfer, &InetTransfer::StateChanged, this, [&](qint16 s) {
            states.append(s);
            endedAfterMs = clock.elapsed();
        });
        const auto ended = [&] { return states.count(11) + states.count(12); };
        const auto execute = [&](const Case &how) {
            transfer.Execute(QString(how.url).replace(u"SERVER"_s, server.authority()), how.method,
                             how.body, how.headers);
        };
        c.url.replace(u"REFUSING"_s, ScriptedHttpServer::refusingAuthority());
        server.setResponse(c.response);
        server.setPieceSize(c.pieceSize); // below 0: random pieces
        server.setPieceDelay(c.pieceDelayMs);
        server.setResetAfter(c.resetAfter);
        server.setSilent(c.silent);
        transfer.setTimeout(c.timeout);

        clock.start();
        execute(c);
        QVERIFY(transfer.StillExecuting() && states.isEmpty()); // none until the handler returns
        execute({.url = u"http://SERVER/ignored-while-running"_s});
        QTRY_COMPARE_WITH_TIMEOUT(ended(), 1, 20000);
        QCOMPARE(states, c.states);
        const QString reason = QString::fromUtf8(transfer.reasonPhrase());
        QCOMPARE(states.last() == InetTransfer::Failed
                     ? transfer.failureText()
                     : u"HTTP %1 %2"_s.arg(transfer.statusCode()).arg(reason),
                 c.outcome);
        QVERIFY(!transfer.failureText().startsWith(u"no answer within"_s)
                || endedAfterMs >= c.timeout.count());
        if (!c.sent.isEmpty())
            QCOMPARE(server.received(0), c.sent);

        QCOMPARE(transfer.bytesSent(), server.received(0).size());
        const qsizetype received = c.received < 0 ? c.response.size() : c.received;
        if (c.readInPart)
            QVERIFY(transfer.bytesReceived() <= received);
        else
            QCOMPARE(transfer.bytesReceived(), received);

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
        server.setResetAfter(-1);
        server.setResponse(ScriptedHttpServer::okResponse("next"));
        execute({.url = u"http://SERVER/next"_s});
        QTRY_COMPARE(ended(), 2);
        QCOMPARE(states.mid(c.states.size()), FullSequence);
        QCOMPARE(server.connectionCount(), c.connections);
        QCOMPARE(transfer.GetChunk(1024), QByteArray("next"));
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
