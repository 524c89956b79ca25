#include "transfer/RequestWire.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Where a request goes; what it sends is checked on a real connection in tst_InetTransfer.
class tst_RequestWire : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void endpoint_data();
    void endpoint();
};

void tst_RequestWire::endpoint_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QByteArray>("requestLine");

    QTest::newRow("port 80 unless given") << u"http://10.0.0.5/api/videocompare/tracking"_s
                                          << u"10.0.0.5"_s << 80
                                          << QByteArray("GET /api/videocompare/tracking HTTP/1.1");
    QTest::newRow("port given") << u"http://10.0.0.5:81/api"_s << u"10.0.0.5"_s << 81
                                << QByteArray("GET /api HTTP/1.1");
    QTest::newRow("highest port") << u"http://server:65535"_s << u"server"_s << 65535
                                  << QByteArray("GET / HTTP/1.1");
    QTest::newRow("typed trailing slash doubles it") << u"http://10.0.0.5//api/x"_s
                                                     << u"10.0.0.5"_s << 80
                                                     << QByteArray("GET //api/x HTTP/1.1");
    QTest::newRow("query right after the authority") << u"http://h:8080?a=1"_s << u"h"_s << 8080
                                                     << QByteArray("GET /?a=1 HTTP/1.1");
    QTest::newRow("IPv6 literal alone") << u"http://[fe80::1:2]"_s << u"fe80::1:2"_s << 80
                                        << QByteArray("GET / HTTP/1.1");
}

void tst_RequestWire::endpoint()
{
    QFETCH(QString, url);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QByteArray, requestLine);

    const std::optional<RequestWire> wire = RequestWire::Compose(url, u"GET"_s, QString(), QString());
    QVERIFY(wire);
    QCOMPARE(wire->host, host);
    QCOMPARE(int(wire->port), port);
    QCOMPARE(wire->bytes, requestLine + "\r\n\r\n");
}

QTEST_GUILESS_MAIN(tst_RequestWire)
#include "tst_RequestWire.moc"
