#include "transfer/HttpResponseParser.h"

#include <QTest>

#include <algorithm>
#include <cstring>

using namespace Qt::StringLiterals;

// The body cap of the response framer: a body is refused as soon as it goes past the cap,
// whether it is sized, chunked or ended by the close, and is taken when it is exactly the cap.
// The bytes are given as the transfer gives them: body bytes straight into the body where the
// framer takes them so, everything else through feed(), a few kilobytes at a time.
class tst_HttpResponseParser final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bodyCap_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<bool>("closed"); // the server closes after the bytes
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<qsizetype>("readAtMost"); // the framer stopped taking bytes by then
        const QByteArray cap(64, 'x'), over(65, 'x');
        const QByteArray length = "HTTP/1.1 200 OK\r\nContent-Length: ";
        const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
        const QByteArray toClose = "HTTP/1.0 200 OK\r\n\r\n";
        const auto row = [](const char *name, const QByteArray &response, bool closed,
                            const QString &outcome, qsizetype readAtMost = -1) {
            QTest::newRow(name) << response << closed << outcome
                                << (readAtMost < 0 ? response.size() : readAtMost);
        };
        row("sized, the cap", length + "64\r\n\r\n" + cap, false, u"complete"_s);
        row("sized, a byte over", length + "65\r\n\r\n" + over, false, u"too large"_s,
            length.size() + 6);
        row("ended by the close, the cap", toClose + cap, true, u"complete"_s);
        row("ended by the close, over: stopped while it arrives",
            toClose + QByteArray(1 << 20, 'x'), true, u"too large"_s, 4096);
        row("chunks up to the cap", chunked + "40\r\n" + cap + "\r\n0\r\n\r\n", false,
            u"complete"_s);
        row("chunks that add up over the cap", chunked + "40\r\n" + cap + "\r\n1\r\nx\r\n0\r\n\r\n",
            false, u"too large"_s);
    }

    void bodyCap()
    {
        QFETCH(QByteArray, response);
        QFETCH(bool, closed);
        QFETCH(QString, outcome);
        QFETCH(qsizetype, readAtMost);
        HttpResponseParser parser(HttpResponseParser::Limits{64 * 1024, 64});
        qsizetype at = 0;
        HttpResponseParser::Status status = HttpResponseParser::Status::Incomplete;
        while (status == HttpResponseParser::Status::Incomplete && at < response.size()) {
            const qsizetype left = response.size() - at;
            if (const qsizetype direct = parser.directBodyBytes(); direct > 0) {
                const qsizetype count = std::min(direct, std::min<qsizetype>(left, 4096));
                std::memcpy(parser.bodySpace(count), response.constData() + at, size_t(count));
                status = parser.bodyWritten(count);
                at += count;
            } else {
                const auto taken = parser.feed(
                    QByteArrayView(response).sliced(at).first(std::min<qsizetype>(left, 4096)));
                status = taken.status;
                at += taken.consumed;
            }
        }
        if (status == HttpResponseParser::Status::Incomplete && closed)
            status = parser.connectionClosed();
        const QString ended = status == HttpResponseParser::Status::Complete ? u"complete"_s
            : parser.failure() == HttpResponseParser::Failure::TooLarge      ? u"too large"_s
                                                                             : parser.failureText();
        QCOMPARE(ended, outcome);
        QVERIFY2(at <= readAtMost, qPrintable(QString::number(at)));
        if (outcome == u"complete")
            QCOMPARE(parser.body().size(), 64);
    }
};

QTEST_APPLESS_MAIN(tst_HttpResponseParser)
#include "tst_httpresponseparser.moc"
