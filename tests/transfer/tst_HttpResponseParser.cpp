#include "transfer/HttpResponseParser.h"

#include <QTest>

using Status = HttpResponseParser::Status;

namespace {

// Small limits so the rows that go past them stay small.
constexpr HttpResponseParser::Limits TestLimits{256, 64};
const QByteArray Ok = "HTTP/1.1 200 OK\r\n";
const QByteArray Chunked = Ok + "Transfer-Encoding: chunked\r\n\r\n";

QByteArray withLength(const char *value)
{
    return Ok + "Content-Length: " + value + "\r\n\r\nok";
}

// Fed whole, then byte by byte, up to a verdict: the status and how many bytes were taken.
template<typename Check>
void feedWholeAndByteByByte(const QByteArray &response, Check check)
{
    for (const qsizetype piece : {qMax<qsizetype>(response.size(), 1), qsizetype(1)}) {
        HttpResponseParser parser(TestLimits);
        HttpResponseParser::Result total{Status::Incomplete, 0};
        for (qsizetype pos = 0; pos < response.size() && total.status == Status::Incomplete;
             pos += piece) {
            const HttpResponseParser::Result result = parser.feed(response.mid(pos, piece));
            total = {result.status, total.consumed + result.consumed};
        }
        check(parser, total);
    }
}

} // namespace

class tst_HttpResponseParser final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void accepted_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QByteArray>("body");
        // Where an answer ends; the other forms of answer are in the transfer's table.
        const auto row = [](const char *name, const QByteArray &response, const QByteArray &body) {
            QTest::newRow(name) << response << body;
        };
        const QByteArray binary("\r\n\r\nHTTP/1.1 200\0\xff\r\n\n", 21);

        row("length, field name in any case", Ok + "cOnTeNt-LeNgTh: 5\r\n\r\nhello", "hello");
        row("HTTP/1.0 error, no reason, bare LF", "HTTP/1.0 404\nContent-Length: 2\n\nno", "no");
        row("body bytes not interpreted", Ok + "Content-Length: 21\r\n\r\n" + binary, binary);
        row("chunked: extensions, hex case, trailers",
            Chunked + "4;a=b\r\nWiki\r\nA ; x=\"y;z\"\r\n pedia in \r\n0;end\r\nExpires: 0\r\n\r\n",
            "Wiki pedia in ");
        row("chunked wins over length",
            Ok + "Content-Length: 9\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n", "ok");
    }

    void accepted()
    {
        QFETCH(QByteArray, response);
        QFETCH(QByteArray, body);

        // What follows a framed response is not part of it.
        feedWholeAndByteByByte(response + "HTTP/1.1", [&](HttpResponseParser &parser,
                                                          HttpResponseParser::Result r) {
            QCOMPARE(r.status, Status::Complete);
            QCOMPARE(r.consumed, response.size());
            QCOMPARE(parser.takeBody(), body);
        });
    }

    void refused_data()
    {
        // Refusals with a text of their own are in the transfer's table over a real server.
        QTest::addColumn<QByteArray>("response");
        const auto row = [](const char *name, const QByteArray &response) {
            QTest::newRow(name) << response;
        };
        const QByteArray interim = "HTTP/1.1 100 Continue\r\nX: " + QByteArray(50, 'i') + "\r\n\r\n";

        row("not HTTP", "SSH-2.0-OpenSSH_9.2\r\n");
        row("switching protocols", "HTTP/1.1 101 Switching Protocols\r\n\r\n");
        row("header without colon", Ok + "NoColon\r\n\r\n");
        row("overflowing length", withLength("99999999999999999999"));
        row("overflowing chunk size", Chunked + "fffffffffffffffffff\r\n");
        row("chunk longer than its size", Chunked + "2\r\nabc\r\n0\r\n\r\n");
        row("overlong chunk line", Chunked + "1;" + QByteArray(300, 'x'));
        row("interim answers add up too large", interim.repeated(5));
        row("chunks add up too large", Chunked + "40\r\n" + QByteArray(64, 'x') + "\r\n1\r\n");
        row("close-delimited body too large", "HTTP/1.0 200 OK\r\n\r\n" + QByteArray(65, 'x'));
    }

    void refused()
    {
        QFETCH(QByteArray, response);

        feedWholeAndByteByByte(response, [&](HttpResponseParser &parser, HttpResponseParser::Result r) {
            QCOMPARE(r.status, Status::Bad);
            // A verdict stands: later bytes change nothing.
            QCOMPARE(parser.feed(withLength("2")).consumed, 0);
            QCOMPARE(parser.status(), Status::Bad);
        });
    }
};

QTEST_GUILESS_MAIN(tst_HttpResponseParser)
#include "tst_HttpResponseParser.moc"
