// The simulator's request framing without a socket: each request fed whole and byte by byte.

#include "RequestFramer.h"

#include <QTest>

class tst_RequestFramer final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void framing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("refusal");       // the status refusing the request, or 0
        QTest::addColumn<QByteArray>("framed"); // the request handed on, after "POST / HTTP/1.1"
        QTest::addColumn<int>("rest");          // bytes left for the next request
        const QByteArray post = "POST / HTTP/1.1\r\n", chunked = "Transfer-Encoding: chunked\r\n";
        const auto framed = [](const char *name, const QByteArray &bytes, const QByteArray &framed,
                               int rest) { QTest::newRow(name) << bytes << 0 << framed << rest; };
        const auto refused = [](const char *name, const QByteArray &bytes, int status) {
            QTest::newRow(name) << bytes << status << QByteArray() << 0;
        };
        framed("no length: empty body", post + "\r\nGET", "Content-Length: 0\r\n\r\n", 3);
        framed("bare LF, blank line first", "\r\n" + post.chopped(2) + "\nHost: x\n\n",
               "Host: x\r\nContent-Length: 0\r\n\r\n", 0);
        framed("sized", post + "Content-Length: 3\r\n\r\nabcGET", "Content-Length: 3\r\n\r\nabc",
               3);
        framed("same length twice", post + "Content-Length: 3\r\nContent-Length: 03\r\n\r\nabc",
               "Content-Length: 3\r\n\r\nabc", 0);
        framed("chunked, extension, trailer, continue",
               post + chunked
                   + "Expect: 100-continue\r\n\r\n3;x=y\r\nabc\r\n1\r\nd\r\n0\r\nT: 1\r\n\r\nGET",
               "Content-Length: 4\r\n\r\nabcd", 3);
        framed("chunked wins over a length",
               post + "Content-Length: 50\r\n" + chunked + "\r\n2\r\nab\r\n0\r\n\r\n",
               "Content-Length: 2\r\n\r\nab", 0);
        // A negative length and bodies over the cap are refused in the simulator's test on the
        // wire.
        refused("signed length", post + "Content-Length: +1\r\n\r\n", 400);
        refused("two lengths", post + "Content-Length: 1\r\nContent-Length: 2\r\n\r\n", 400);
        refused("other coding", post + "Transfer-Encoding: gzip, chunked\r\n\r\n", 400);
        refused("chunk longer than said", post + chunked + "\r\n1\r\nab\r\n", 400);
        refused("chunk size not hex", post + chunked + "\r\nx\r\n", 400);
        refused("not HTTP/1.x", "PRI * HTTP/2.0\r\n\r\n", 400);
        refused("header without colon", post + "Host\r\n\r\n", 400);
        refused("chunk size overflows", post + chunked + "\r\n10000000000000041\r\n", 413);
        refused("head over the cap", post + "X: " + QByteArray(128, 'x'), 431);
    }

    void framing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, refusal);
        QFETCH(QByteArray, framed);
        QFETCH(int, rest);
        for (const qsizetype piece : {1, 1000}) {
            RequestFramer framer({.maxHeadBytes = 128, .maxBodyBytes = 64});
            RequestFramer::Result result{RequestFramer::Status::Incomplete, 0};
            qsizetype consumed = 0;
            for (qsizetype at = 0;
                 at < bytes.size() && result.status == RequestFramer::Status::Incomplete;
                 at += piece) {
                result = framer.feed(bytes.mid(at, piece).toStdString());
                consumed += qsizetype(result.consumed);
            }
            QCOMPARE(framer.refusalStatus(), refusal);
            QCOMPARE(result.status,
                     refusal ? RequestFramer::Status::Refused : RequestFramer::Status::Complete);
            if (refusal == 0) {
                QCOMPARE(consumed, bytes.size() - rest);
                QCOMPARE(QByteArray::fromStdString(framer.framedRequest()),
                         "POST / HTTP/1.1\r\n" + framed);
            }
        }
    }
};

QTEST_GUILESS_MAIN(tst_RequestFramer)
#include "tst_requestframer.moc"
