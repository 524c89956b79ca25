// The simulator's request framing without a socket: each request fed whole and byte by byte.

#include "RequestFramer.h"

#include <QTest>

namespace {

struct Framed
{
    RequestFramer::Status status = RequestFramer::Status::Incomplete;
    std::size_t consumed = 0;
    std::string request;
    int refusal = 0;
};

Framed frame(const QByteArray &bytes, std::size_t piece)
{
    RequestFramer framer({.maxHeadBytes = 128, .maxBodyBytes = 64});
    Framed framed;
    for (qsizetype at = 0; at < bytes.size() && framed.status == RequestFramer::Status::Incomplete;
         at += piece) {
        const QByteArray part = bytes.mid(at, static_cast<qsizetype>(piece));
        const RequestFramer::Result result =
            framer.feed({part.constData(), std::size_t(part.size())});
        framed.status = result.status;
        framed.consumed += result.consumed;
    }
    if (framed.status == RequestFramer::Status::Complete)
        framed.request = framer.framedRequest();
    framed.refusal = framer.refusalStatus();
    return framed;
}

} // namespace

class tst_RequestFramer final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void framing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("framed"); // the request handed on, after "POST / HTTP/1.1"
        QTest::addColumn<int>("rest");          // bytes left for the next request
        const QByteArray post = "POST / HTTP/1.1\r\n", chunked = "Transfer-Encoding: chunked\r\n";
        QTest::newRow("no length: empty body")
            << post + "\r\nGET" << QByteArray("Content-Length: 0\r\n\r\n") << 3;
        QTest::newRow("bare LF, blank line first")
            << "\r\n" + post.chopped(2) + "\nHost: x\n\n"
            << QByteArray("Host: x\r\nContent-Length: 0\r\n\r\n") << 0;
        QTest::newRow("sized") << post + "Content-Length: 3\r\n\r\nabcGET"
                               << QByteArray("Content-Length: 3\r\n\r\nabc") << 3;
        QTest::newRow("same length twice")
            << post + "Content-Length: 3\r\nContent-Length: 03\r\n\r\nabc"
            << QByteArray("Content-Length: 3\r\n\r\nabc") << 0;
        QTest::newRow("chunked, extension, trailer, continue")
            << post + chunked
                + "Expect: 100-continue\r\n\r\n3;x=y\r\nabc\r\n1\r\nd\r\n0\r\nT: 1\r\n\r\nGET"
            << QByteArray("Content-Length: 4\r\n\r\nabcd") << 3;
        QTest::newRow("chunked wins over a length")
            << post + "Content-Length: 50\r\n" + chunked + "\r\n2\r\nab\r\n0\r\n\r\n"
            << QByteArray("Content-Length: 2\r\n\r\nab") << 0;
    }

    void framing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, framed);
        QFETCH(int, rest);
        for (const std::size_t piece : {std::size_t(1), std::size_t(1000)}) {
            const Framed result = frame(bytes, piece);
            QCOMPARE(result.status, RequestFramer::Status::Complete);
            QCOMPARE(result.consumed, std::size_t(bytes.size() - rest));
            QCOMPARE(QByteArray::fromStdString(result.request), "POST / HTTP/1.1\r\n" + framed);
        }
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        // A negative length and bodies over the cap are refused in the simulator's test on the wire.
        const QByteArray post = "POST / HTTP/1.1\r\n",
                         chunked = "Transfer-Encoding: chunked\r\n\r\n";
        QTest::newRow("signed length") << post + "Content-Length: +1\r\n\r\n" << 400;
        QTest::newRow("two lengths") << post + "Content-Length: 1\r\nContent-Length: 2\r\n\r\n"
                                     << 400;
        QTest::newRow("other coding") << post + "Transfer-Encoding: gzip, chunked\r\n\r\n" << 400;
        QTest::newRow("chunk longer than said") << post + chunked + "1\r\nab\r\n" << 400;
        QTest::newRow("chunk size not hex") << post + chunked + "x\r\n" << 400;
        QTest::newRow("not HTTP/1.x") << QByteArray("PRI * HTTP/2.0\r\n\r\n") << 400;
        QTest::newRow("header without colon") << post + "Host\r\n\r\n" << 400;
        QTest::newRow("chunk size overflows") << post + chunked + "10000000000000041\r\n" << 413;
        QTest::newRow("head over the cap") << post + "X: " + QByteArray(128, 'x') << 431;
    }

    void refusals()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        for (const std::size_t piece : {std::size_t(1), std::size_t(1000)}) {
            const Framed result = frame(bytes, piece);
            QCOMPARE(result.status, RequestFramer::Status::Refused);
            QCOMPARE(result.refusal, status);
        }
    }
};

QTEST_GUILESS_MAIN(tst_RequestFramer)
#include "tst_requestframer.moc"
