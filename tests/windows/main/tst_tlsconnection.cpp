#include "MainWindowFixture.h"
#include "TlsTestServer.h"

#include <QCryptographicHash>

using namespace Qt::StringLiterals;

namespace {

// The list request as it must reach the server, inside TLS or not; PORT is the server's.
const QByteArray ListRequest =
    "GET /api/videocompare/tracking HTTP/1.1\r\n"
    "Connection: close\r\n"
    "Content-Type: application/json\r\n"
    "Accept: application/json\r\n"
    "User-Agent: Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)\r\n"
    "Host: 127.0.0.1:PORT\r\n"
    "\r\n";

} // namespace

class tst_TlsConnection final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Refused, the operator is asked once the failure shows; cancelled, nothing is pinned. (The
    // trust itself is tst_tlstrust's.)
    void askedAndCancelled()
    {
        MainWindowFixture f;
        TlsTestServer server(m_identities.server);
        QVERIFY(f.start(u"https://127.0.0.1:"_s + QString::number(server.port())));
        QVERIFY(writeFileBytes(f.path(u"ORVA_Test_Application.ini"_s), "[IP]\r\nAddress=x\r\n"));
        QVERIFY(f.send("cmd1"));
        QCOMPARE(f.lblStat()->text(), u"Error"_s);
        QCOMPARE(f.lblStat()->toolTip(), u"Failed: certificate not trusted: unknown issuer"_s);
        QTRY_COMPARE(f.boxes->shown.size(), 1);
        QVERIFY(f.boxes->shown.first().startsWith(u"Untrusted Certificate|"_s));
        QCOMPARE(fileBytes(f.path(u"ORVA_Test_Application.ini"_s)), "[IP]\r\nAddress=x\r\n");
        QCOMPARE(server.received().join(), QByteArray());
    }

    // The box names the server (typed with its scheme in capitals) and the certificate; trusted,
    // the certificate is pinned and the list sent again goes through.
    void trustedWhenAsked()
    {
        MainWindowFixture f;
        f.boxes->acceptQuestions = true;
        TlsTestServer server(m_identities.selfSigned);
        const QString hostPort = u"127.0.0.1:"_s + QString::number(server.port());
        QVERIFY(f.start(u"HTTPS://"_s + hostPort));
        QVERIFY(f.send("cmd1"));
        QCOMPARE(f.lblStat()->toolTip(), u"Failed: certificate not trusted: self-signed"_s);
        QTRY_COMPARE(f.boxes->shown.size(), 1);
        const QByteArray pin =
            TlsIdentities::certificate(m_identities.selfSigned).digest(QCryptographicHash::Sha256);
        QCOMPARE(f.boxes->shown.first(),
                 u"Untrusted Certificate|The certificate of %1 is not trusted.\n\n"
                 "Subject: CN=tracker, O=tracking-sim\n"
                 "Issuer: CN=tracker, O=tracking-sim\n"
                 "Valid from: 2001-01-01 00:00:00 UTC\n"
                 "Valid until: 2091-01-01 00:00:00 UTC\n"
                 "SHA-256: %2\n\n"
                 "Trust this certificate for %1 from now on?|Trust/Cancel"_s.arg(
                     hostPort, QString::fromLatin1(pin.toHex(':').toUpper())));
        // The pane and the log show the URL as sent, with its scheme.
        const QString url = u"https://"_s + hostPort + u"/api/videocompare/tracking"_s;
        QVERIFY(f.txText().startsWith(url + u"\r\n"_s));
        QVERIFY(f.log().contains("---Data Transmitted---\r\n" + url.toUtf8() + "\r\n"));
        QCOMPARE(fileBytes(f.path(u"ORVA_Test_Application.ini"_s)),
                 "[TLS]\r\nPin." + hostPort.toUtf8() + '=' + pin.toHex() + "\r\n");

        QVERIFY(f.send("cmd1"));
        QCOMPARE(f.lblStat()->text(), u"Response Completed"_s);
        QCOMPARE(server.received().join(),
                 QByteArray(ListRequest).replace("127.0.0.1:PORT", hostPort.toUtf8()));
        QCOMPARE(f.boxes->shown.size(), 1);
    }

private:
    const TlsIdentities m_identities{};
};

QTEST_MAIN(tst_TlsConnection)
#include "tst_tlsconnection.moc"
