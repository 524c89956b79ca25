#include "transfer/HeaderBlock.h"
#include "transfer/RequestWire.h"
#include "transfer/TlsTrust.h"
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
        // The URL is given without the path every row's ends in.
        const auto row = [](const char *name, const QString &address, const QString &url,
                            const QString &host, quint16 port, bool secure) {
            QTest::newRow(name) << address << url + u"/api/videocompare/tracking"_s << host << port
                                << secure;
        };
        row("no scheme, as always", u"10.0.0.5"_s, u"http://10.0.0.5"_s, u"10.0.0.5"_s, 80, false);
        row("http:// is the same as none", u"http://10.0.0.5:8080"_s, u"http://10.0.0.5:8080"_s,
            u"10.0.0.5:8080"_s, 8080, false);
        row("https:// to 443", u"https://10.0.0.5"_s, u"https://10.0.0.5"_s, u"10.0.0.5"_s, 443,
            true);
        row("HTTPS:// in capitals, with a port and a prefix", u"HTTPS://tracker:8443/pre"_s,
            u"https://tracker:8443/pre"_s, u"tracker:8443"_s, 8443, true);
        row("https:// with an IPv6 literal", u"https://[::1]:9443"_s, u"https://[::1]:9443"_s,
            u"[::1]:9443"_s, 9443, true);
        row("another scheme stays part of the address", u"ftp://10.0.0.5"_s,
            u"http://ftp://10.0.0.5"_s, u"ftp:"_s, 0, false);
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
        QCOMPARE(wire ? std::pair(wire->port, wire->secure) : std::pair(quint16(0), false),
                 std::pair(port, secure)); // port 0: refused
    }

    // The server as its pin names it: lower-case ASCII alone, so that no two hosts a reader
    // takes for one another share a pin.
    void pinKey_data()
    {
        QTest::addColumn<QString>("host"); // as the wire has it: IPv6 without brackets
        QTest::addColumn<quint16>("port");
        QTest::addColumn<QString>("key");
        QTest::newRow("IPv4") << u"10.0.0.5"_s << quint16(443) << u"10.0.0.5:443"_s;
        QTest::newRow("IPv6 in brackets") << u"::1"_s << quint16(8443) << u"[::1]:8443"_s;
        QTest::newRow("IPv6 written long")
            << u"0:0:0:0:0:0:0:1"_s << quint16(8443) << u"[::1]:8443"_s;
        QTest::newRow("a name in capitals")
            << u"LocalHost"_s << quint16(8443) << u"localhost:8443"_s;
        QTest::newRow("an international name")
            << u"B\u00fccher.example"_s << quint16(443) << u"xn--bcher-kva.example:443"_s;
    }

    void pinKey()
    {
        QFETCH(QString, host);
        QFETCH(quint16, port);
        QFETCH(QString, key);
        QCOMPARE(pinHostPort(host, port), key);
    }
};

QTEST_APPLESS_MAIN(tst_TlsAddress)
#include "tst_tlsaddress.moc"
