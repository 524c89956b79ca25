#include "transfer/HeaderBlock.h"
#include "transfer/RequestWire.h"
#include "transfer/TrackingUrl.h"

#include <QTest>

using namespace Qt::StringLiterals;

// How a typed address with or without a scheme becomes the URL, the Host field and the wire.
class tst_TlsAddress final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void address_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("host");
        QTest::addColumn<quint16>("port");
        QTest::addColumn<bool>("secure");
        const QString path = u"/api/videocompare/tracking"_s;
        QTest::newRow("no scheme, as always") << u"10.0.0.5"_s << u"http://10.0.0.5"_s + path
                                              << u"10.0.0.5"_s << quint16(80) << false;
        QTest::newRow("http:// is the same as none")
            << u"http://10.0.0.5:8080"_s << u"http://10.0.0.5:8080"_s + path << u"10.0.0.5:8080"_s
            << quint16(8080) << false;
        QTest::newRow("https:// to 443") << u"https://10.0.0.5"_s << u"https://10.0.0.5"_s + path
                                         << u"10.0.0.5"_s << quint16(443) << true;
        QTest::newRow("HTTPS:// in capitals, with a port and a prefix")
            << u"HTTPS://tracker:8443/pre"_s << u"https://tracker:8443/pre"_s + path
            << u"tracker:8443"_s << quint16(8443) << true;
        QTest::newRow("https:// with an IPv6 literal")
            << u"https://[::1]:9443"_s << u"https://[::1]:9443"_s + path << u"[::1]:9443"_s
            << quint16(9443) << true;
        QTest::newRow("another scheme stays part of the address")
            << u"ftp://10.0.0.5"_s << u"http://ftp://10.0.0.5"_s + path << u"ftp:"_s << quint16(0)
            << false;
    }

    void address()
    {
        QFETCH(QString, address);
        QFETCH(QString, url);
        QFETCH(QString, host);
        QFETCH(quint16, port);
        QFETCH(bool, secure);
        QCOMPARE(trackingUrl(address), url);
        QCOMPARE(hostField(address), host);
        QCOMPARE(isHttpsAddress(address), secure);
        const auto wire = RequestWire::compose(url, u"GET"_s, QString(), BuildHeaderBlock(host));
        QCOMPARE(wire.ok(), port != 0);
        if (wire) {
            QCOMPARE(wire->port, port);
            QCOMPARE(wire->secure, secure);
        }
    }
};

QTEST_APPLESS_MAIN(tst_TlsAddress)
#include "tst_tlsaddress.moc"
