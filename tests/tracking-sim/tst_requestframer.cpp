// The simulator's request framing without a socket: each request fed whole and byte by byte.

#include "LetteredChunks.h"
#include "RequestFramer.h"

#include <QTest>

class tst_RequestFramer final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void framing_data()
    {
        QTest::addColumn<QByteArray>("bytes");  // then "GET", the next request, to be left over
        QTest::addColumn<int>("refusal");       // the status refusing the request, or 0
        QTest::addColumn<QByteArray>("framed"); // the request handed on, after "POST / HTTP/1.1"
        const QByteArray post = "POST / HTTP/1.1\r\n", chunked = "Transfer-Encoding: chunked\r\n";
        auto row = [](const char *name, QByteArray bytes, int refusal, QByteArray framed = {}) {
            QTest::newRow(name) << bytes << refusal << framed;
        };
        row("no length: empty body", post + "\r\n", 0, "Content-Length: 0\r\n\r\n");
        row("bare LF, blank line first", "\r\n" + post.chopped(2) + "\nHost: x\n\n", 0,
            "Host: x\r\nContent-Length: 0\r\n\r\n");
        row("sized", post + "Content-Length: 3\r\n\r\nabc", 0, "Content-Length: 3\r\n\r\nabc");
        row("same length twice", post + "Content-Length: 3\r\nContent-Length: 03\r\n\r\nabc", 0,
            "Content-Length: 3\r\n\r\nabc");
        row("chunked, extension, trailer, continue",
            post + chunked
                + "Expect: 100-continue\r\n\r\n3;x=y\r\nabc\r\n1\r\nd\r\n0\r\nT: 1\r\n\r\n",
            0, "Content-Length: 4\r\n\r\nabcd");
        const LetteredChunks lettered = letteredChunks();
        row("chunk sizes with every hex letter in both cases",
            post + chunked + "\r\n" + lettered.chunks, 0,
            "Content-Length: 681\r\n\r\n" + lettered.body);
        row("chunked wins over a length",
            post + "Content-Length: 50\r\n" + chunked + "\r\n2\r\nab\r\n0\r\n\r\n", 0,
            "Content-Length: 2\r\n\r\nab");
        // Negative lengths and bodies over the cap: on the wire, in the simulator's test.
        row("signed length", post + "Content-Length: +1\r\n\r\n", 400);
        row("two lengths", post + "Content-Length: 1\r\nContent-Length: 2\r\n\r\n", 400);
        row("other coding", post + "Transfer-Encoding: gzip, chunked\r\n\r\n", 400);
        row("chunk longer than said", post + chunked + "\r\n1\r\nab\r\n", 400);
        row("chunk size not hex", post + chunked + "\r\nx\r\n", 400);
        row("not HTTP/1.x", "PRI * HTTP/2.0\r\n\r\n", 400);
        row("header without colon", post + "Host\r\n\r\n", 400);
        row("chunk size overflows", post + chunked + "\r\n10000000000000041\r\n", 413);
        row("head over the cap", post + "X: " + QByteArray(128, 'x'), 431);
    }

    void framing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, refusal);
        QFETCH(QByteArray, framed);
        using Status = RequestFramer::Status;
        bytes += "GET";
        for (const qsizetype piece : {1, 1000}) {
            RequestFramer framer({.maxHeadBytes = 128, .maxBodyBytes = 1024});
            RequestFramer::Result result{Status::Incomplete, 0};
            qsizetype consumed = 0;
            for (qsizetype at = 0; at < bytes.size() && result.status == Status::Incomplete;
                 at += piece) {
                result = framer.feed(bytes.mid(at, piece).toStdString());
                consumed += qsizetype(result.consumed);
            }
            QCOMPARE(framer.refusalStatus(), refusal);
            QCOMPARE(result.status, refusal ? Status::Refused : Status::Complete);
            if (refusal == 0) {
                QCOMPARE(consumed, bytes.size() - 3);
                QCOMPARE(QByteArray::fromStdString(framer.framedRequest()),
                         "POST / HTTP/1.1\r\n" + framed);
            }
        }
    }
};

QTEST_GUILESS_MAIN(tst_RequestFramer)
#include "tst_requestframer.moc"
