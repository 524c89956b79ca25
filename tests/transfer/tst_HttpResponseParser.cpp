#include "transfer/HttpResponseParser.h"

#include <QTest>

#include <algorithm>

using Status = HttpResponseParser::Status;

namespace {

// Small limits so the rows that go past them stay small.
constexpr HttpResponseParser::Limits TestLimits{256, 64};

HttpResponseParser::Result feedInPieces(HttpResponseParser &parser, const QByteArray &bytes,
                                        qsizetype piece)
{
    qsizetype consumed = 0;
    for (qsizetype pos = 0; pos < bytes.size(); pos += piece) {
        const qsizetype count = std::min(piece, bytes.size() - pos);
        const HttpResponseParser::Result result = parser.feed(QByteArrayView(bytes).sliced(pos, count));
        consumed += result.consumed;
        if (result.status != Status::Incomplete)
            return {result.status, consumed};
    }
    return {parser.status(), consumed};
}

QList<qsizetype> pieceSizes(const QByteArray &bytes)
{
    return {std::max<qsizetype>(bytes.size(), 1), 1, 7};
}

} // namespace

class tst_HttpResponseParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
    void limitsAreInclusive();
};

void tst_HttpResponseParser::accepted_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<bool>("endsAtClose");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("trailing");

    const QByteArray ok = "HTTP/1.1 200 OK\r\n";
    const QByteArray chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";

    QTest::newRow("content-length") << ok + "Content-Length: 5\r\n\r\nhello" << false << 200
                                    << QByteArray("hello") << 0;
    QTest::newRow("field names in any case") << ok + "cOnTeNt-LeNgTh: 5\r\n\r\nhello" << false
                                             << 200 << QByteArray("hello") << 0;
    QTest::newRow("one length said twice")
        << ok + "Content-Length: 2\r\nContent-Length: 2, 2\r\n\r\nok" << false << 200
        << QByteArray("ok") << 0;
    QTest::newRow("zero length") << ok + "Content-Length: 0\r\n\r\n" << false << 200
                                 << QByteArray() << 0;
    QTest::newRow("error page framed like any answer")
        << QByteArray("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 4\r\n\r\noops")
        << false << 500 << QByteArray("oops") << 0;
    QTest::newRow("no reason, HTTP/1.0") << QByteArray("HTTP/1.0 200\r\nContent-Length: 2\r\n\r\nok")
                                         << false << 200 << QByteArray("ok") << 0;
    QTest::newRow("bare LF line ends") << QByteArray("HTTP/1.1 200 OK\nContent-Length: 2\n\nok")
                                       << false << 200 << QByteArray("ok") << 0;
    QTest::newRow("folded length value") << ok + "X-A: 1\r\nContent-Length:\r\n 2\r\n\r\nok"
                                         << false << 200 << QByteArray("ok") << 0;
    const QByteArray binary("\r\n\r\nHTTP/1.1 200\0\xff\r\n\n", 21);
    QTest::newRow("body bytes are not interpreted")
        << ok + "Content-Length: 21\r\n\r\n" + binary << false << 200 << binary << 0;
    QTest::newRow("chunked") << chunked + "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n" << false << 200
                             << QByteArray("hello world") << 0;
    QTest::newRow("chunk extensions, hex case, trailers")
        << chunked + "4;name=value\r\nWiki\r\nA ; x=\"y;z\"\r\n pedia in \r\n0;end\r\n"
                     "Expires: never\r\nX-Trailer: 1\r\n\r\n"
        << false << 200 << QByteArray("Wiki pedia in ") << 0;
    QTest::newRow("chunked wins over content-length")
        << ok + "Content-Length: 100\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n"
        << false << 200 << QByteArray("ok") << 0;
    QTest::newRow("chunked last of two codings")
        << ok + "Transfer-Encoding: gzip\r\nTransfer-Encoding: Chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n"
        << false << 200 << QByteArray("abc") << 0;
    QTest::newRow("other coding last reads to close")
        << ok + "Transfer-Encoding: chunked, gzip\r\nContent-Length: 1\r\n\r\n3\r\nraw" << true
        << 200 << QByteArray("3\r\nraw") << 0;
    QTest::newRow("interim answers skipped")
        << QByteArray("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 Processing\r\nX: 1\r\n\r\n"
                      "HTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nok")
        << false << 201 << QByteArray("ok") << 0;
    QTest::newRow("close-delimited") << QByteArray("HTTP/1.0 200 OK\r\n\r\nuntil close") << true
                                     << 200 << QByteArray("until close") << 0;
    QTest::newRow("close-delimited, empty") << QByteArray("HTTP/1.0 200 OK\r\n\r\n") << true << 200
                                            << QByteArray() << 0;
    QTest::newRow("204 has no body whatever it says")
        << QByteArray("HTTP/1.1 204 No Content\r\nContent-Length: 5\r\n\r\n") << false << 204
        << QByteArray() << 0;
    QTest::newRow("304 has no body") << QByteArray("HTTP/1.1 304 Not Modified\r\n\r\n") << false
                                     << 304 << QByteArray() << 0;
    QTest::newRow("bytes after the response are not taken")
        << ok + "Content-Length: 2\r\n\r\nokHTTP/1.1" << false << 200 << QByteArray("ok") << 8;
}

void tst_HttpResponseParser::accepted()
{
    QFETCH(QByteArray, response);
    QFETCH(bool, endsAtClose);
    QFETCH(int, code);
    QFETCH(QByteArray, body);
    QFETCH(int, trailing);

    for (const qsizetype piece : pieceSizes(response)) {
        HttpResponseParser parser(TestLimits);
        const HttpResponseParser::Result result = feedInPieces(parser, response, piece);
        if (endsAtClose) {
            QCOMPARE(result.status, Status::Incomplete);
            QCOMPARE(parser.connectionClosed(), Status::Complete);
        } else {
            QCOMPARE(result.status, Status::Complete);
        }
        QCOMPARE(result.consumed, response.size() - trailing);
        QCOMPARE(parser.statusCode(), code);
        QCOMPARE(parser.takeBody(), body);
    }
}

void tst_HttpResponseParser::refused_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<bool>("closeAfter");

    const QByteArray ok = "HTTP/1.1 200 OK\r\n";
    const QByteArray chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    const auto length = [&ok](const char *value) {
        return ok + "Content-Length: " + value + "\r\n\r\nok";
    };

    QTest::newRow("not HTTP") << QByteArray("SSH-2.0-OpenSSH_9.2\r\n") << false;
    QTest::newRow("HTTP/2 status line") << QByteArray("HTTP/2 200 OK\r\n\r\n") << false;
    QTest::newRow("two-digit status") << QByteArray("HTTP/1.1 20 OK\r\n\r\n") << false;
    QTest::newRow("letter in status") << QByteArray("HTTP/1.1 2x0 OK\r\n\r\n") << false;
    QTest::newRow("reason glued to status") << QByteArray("HTTP/1.1 200OK\r\n\r\n") << false;
    QTest::newRow("status below 100") << QByteArray("HTTP/1.1 099 Low\r\n\r\n") << false;
    QTest::newRow("switching protocols")
        << QByteArray("HTTP/1.1 101 Switching Protocols\r\nUpgrade: x\r\n\r\n") << false;
    QTest::newRow("header without colon") << ok + "NoColon\r\n\r\n" << false;
    QTest::newRow("space before colon") << ok + "Content-Length : 2\r\n\r\nok" << false;
    QTest::newRow("folded line before any field") << ok + " folded\r\n\r\n" << false;
    QTest::newRow("negative length") << length("-1") << false;
    QTest::newRow("signed length") << length("+2") << false;
    QTest::newRow("empty length") << length("") << false;
    QTest::newRow("letters in length") << length("2a") << false;
    QTest::newRow("overflowing length") << length("99999999999999999999") << false;
    QTest::newRow("conflicting lengths") << ok + "Content-Length: 2\r\nContent-Length: 3\r\n\r\nok"
                                         << false;
    QTest::newRow("conflicting lengths in one field") << length("2, 3") << false;
    QTest::newRow("bad chunk size") << chunked + "zz\r\n" << false;
    QTest::newRow("empty chunk size") << chunked + "\r\nok" << false;
    QTest::newRow("overflowing chunk size") << chunked + "fffffffffffffffffff\r\n" << false;
    QTest::newRow("chunk longer than its size") << chunked + "2\r\nabc\r\n0\r\n\r\n" << false;
    QTest::newRow("overlong chunk line") << chunked + "1;" + QByteArray(300, 'x') << false;
    QTest::newRow("header section too large") << ok + "X-Big: " + QByteArray(300, 'a') << false;
    QTest::newRow("interim answers add up too large")
        << QByteArray("HTTP/1.1 100 Continue\r\nX: 0123456789012345678901234567890\r\n\r\n")
               .repeated(5)
        << false;
    QTest::newRow("announced body too large") << length("65") << false;
    QTest::newRow("chunks add up too large")
        << chunked + "40\r\n" + QByteArray(64, 'x') + "\r\n1\r\n" << false;
    QTest::newRow("close-delimited body too large")
        << QByteArray("HTTP/1.0 200 OK\r\n\r\n") + QByteArray(65, 'x') << false;
    QTest::newRow("length body cut short") << ok + "Content-Length: 10\r\n\r\nshort" << true;
    QTest::newRow("chunk cut short") << chunked + "5\r\nhel" << true;
    QTest::newRow("no last chunk") << chunked + "5\r\nhello\r\n" << true;
    QTest::newRow("closed before any byte") << QByteArray() << true;
    QTest::newRow("closed inside the headers") << ok + "Content-Le" << true;
}

void tst_HttpResponseParser::refused()
{
    QFETCH(QByteArray, response);
    QFETCH(bool, closeAfter);

    for (const qsizetype piece : pieceSizes(response)) {
        HttpResponseParser parser(TestLimits);
        const Status status = feedInPieces(parser, response, piece).status;
        QCOMPARE(closeAfter ? parser.connectionClosed() : status, Status::Bad);
        // A verdict stands: later bytes change nothing.
        QCOMPARE(parser.feed("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n").consumed, 0);
        QCOMPARE(parser.status(), Status::Bad);
    }
}

void tst_HttpResponseParser::limitsAreInclusive()
{
    // Exactly TestLimits.maxHeaderBytes of header section, exactly maxBodyBytes of body.
    const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Length: 64\r\nX: ";
    const QByteArray response = head + QByteArray(256 - head.size() - 4, 'h') + "\r\n\r\n"
        + QByteArray(64, 'b');
    HttpResponseParser parser(TestLimits);
    QCOMPARE(parser.feed(response).status, Status::Complete);
    QCOMPARE(parser.body(), QByteArray(64, 'b'));
}

QTEST_GUILESS_MAIN(tst_HttpResponseParser)
#include "tst_HttpResponseParser.moc"
