#include "MainWindowFixture.h"
#include "TlsTestServer.h"

#include <QCryptographicHash>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

class tst_TlsConnection final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Refused, the operator is asked once the failure shows: the box names the server (typed
    // with its scheme in capitals) and the certificate. Cancelled, nothing is pinned; trusted,
    // the certificate is pinned and the list sent again goes through. (The trust itself is
    // tst_tlstrust's.)
    void askedToTrust()
    {
        MainWindowFixture f;
        TlsTestServer server(m_identities.selfSigned);
        const QString hostPort = u"127.0.0.1:"_s + QString::number(server.port());
        const QString ini = f.path(u"ORVA_Test_Application.ini"_s);
        QVERIFY(f.start(u"HTTPS://"_s + hostPort));
        QVERIFY(writeFileBytes(ini, "[IP]\r\nAddress=x\r\n"));
        QVERIFY(f.send("cmd1"));
        QCOMPARE(f.lblStat()->text(), u"Error"_s);
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
        QCOMPARE(fileBytes(ini), "[IP]\r\nAddress=x\r\n");
        QCOMPARE(server.received().join(), QByteArray());
        // The pane and the log show the URL as sent, with its scheme.
        const QString url = u"https://"_s + hostPort + u"/api/videocompare/tracking"_s;
        QVERIFY(f.txText().startsWith(url + u"\r\n"_s));
        QVERIFY(f.log().contains("---Data Transmitted---\r\n" + url.toUtf8() + "\r\n"));

        f.boxes->acceptQuestions = true;
        QVERIFY(f.send("cmd1"));
        QTRY_COMPARE(f.boxes->shown.size(), 2);
        QCOMPARE(fileBytes(ini),
                 "[IP]\r\nAddress=x\r\n[TLS]\r\nPin." + hostPort.toUtf8() + '=' + pin.toHex()
                     + "\r\n");
        QVERIFY(f.send("cmd1"));
        QCOMPARE(f.lblStat()->text(), u"Response Completed"_s);
        QCOMPARE(server.received().join(),
                 QByteArray(ListRequest).replace("127.0.0.1:PORT", hostPort.toUtf8()));
        QCOMPARE(f.boxes->shown.size(), 2);
    }

    // A CA file that is a FIFO fails the list at once with the file named; the window is never
    // left waiting for a writer that does not come. (Each file's reasons are tst_tlstrust's.)
    void caFileThatIsAFifo()
    {
        MainWindowFixture f;
        TlsTestServer server(m_identities.selfSigned);
        QVERIFY(f.start(u"https://127.0.0.1:"_s + QString::number(server.port())));
        const QString fifo = f.path(u"ca.fifo"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(
            writeFileBytes(f.path(u"ORVA_Test_Application.ini"_s), "[TLS]\r\nCAFile=ca.fifo\r\n"));
        QVERIFY(f.send("cmd1", 5000));
        QCOMPARE(f.lblStat()->text(), u"Error"_s);
        QCOMPARE(
            f.lblStat()->toolTip(),
            u"Failed: cannot read the CA file %1: it is not a regular file but a FIFO"_s.arg(fifo));
        QCOMPARE(server.received().join(), QByteArray());
    }

private:
    const TlsIdentities m_identities{};
};

QTEST_MAIN(tst_TlsConnection)
#include "tst_tlsconnection.moc"
