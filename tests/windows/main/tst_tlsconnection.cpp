#include "MainWindowFixture.h"
#include "ScriptedHttpServer.h"
#include "TlsTestServer.h"

#include <QCryptographicHash>

#include <memory>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

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

enum class Server {
    Tls,
    ClientCertificateRequired,
    PlainRefusing, // plain TCP that answers any bytes with an HTTP 400
    PlainSilent,   // plain TCP that never answers
};

// One server, one [TLS] section, one list click.
struct TlsCase
{
    Server server = Server::Tls;
    const PemPair *identity = nullptr; // of a TLS server; none: signed by the test CA for 127.0.0.1
    QString scheme = u"https://"_s;
    QString tls{};      // [TLS] lines, naming the test's files ca.pem, client.pem and client.key
    QString outcome{};  // the status tooltip; PORT and DIR stand for the server's port and folder
    QByteArray bytes{}; // what the server received over HTTP (inside TLS where there was TLS)
    bool prefixOnly = false; // bytes is how the received bytes start (a TLS hello)
    bool asked = false;      // the operator is asked to trust the certificate (and cancels)
};

} // namespace

Q_DECLARE_METATYPE(TlsCase)

class tst_TlsConnection final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void transfer_data()
    {
        QTest::addColumn<TlsCase>("c");
        const QString ca = u"[TLS]\r\nCAFile=ca.pem\r\n"_s;
        const QString ok = u"HTTP 200 OK \u00b7 2 bytes"_s, failed = u"Failed: "_s;
        const auto row = [](const char *name, const QString &outcome, const QString &tls,
                            TlsCase c = {}) {
            c.outcome = outcome;
            c.tls = tls;
            QTest::newRow(name) << c;
        };
        row("trusted through the CA file", ok, ca, {.bytes = ListRequest});
        row("unknown issuer, not trusted", failed + u"certificate not trusted: unknown issuer"_s,
            {}, {.asked = true});
        row("pinned to another certificate, though the CA vouches",
            failed + u"certificate changed since it was trusted"_s,
            ca + u"Pin.127.0.0.1:PORT="_s + QString(64, u'0') + u"\r\n"_s);
        const auto refused = [&](const char *name, const PemPair &identity, const char *why) {
            row(name, failed + u"certificate "_s + QLatin1String(why), ca, {.identity = &identity});
        };
        refused("for another name", m_identities.otherName,
                "is for tracker.example, not 127.0.0.1");
        refused("expired", m_identities.expired, "expired on 2002-01-01 00:00:00 UTC");
        refused("not yet valid", m_identities.notYetValid,
                "not valid before 2090-01-01 00:00:00 UTC");
        row("plain HTTP on a TLS port",
            failed + u"connection closed before the answer was complete"_s, {}, {.scheme = {}});
        // A plain server gets the start of a TLS hello.
        const auto plain = [&](const char *name, Server server, const QString &outcome) {
            row(name, failed + outcome, {},
                {.server = server, .bytes = "\x16\x03", .prefixOnly = true});
        };
        plain("TLS on a plain port", Server::PlainRefusing,
              u"the server did not answer TLS (plain HTTP on this port?)"_s);
        plain("a handshake that never finishes", Server::PlainSilent, u"no answer within 1 s"_s);
        const Server asks = Server::ClientCertificateRequired;
        row("client certificate asked for", failed + u"the server asked for a client certificate"_s,
            ca, {.server = asks});
        row("client certificate given", ok,
            ca + u"ClientCertificate=client.pem\r\nClientKey=client.key\r\n"_s,
            {.server = asks, .bytes = ListRequest});
        row("a CA file that is not there",
            failed + u"cannot read the CA file DIR/missing.pem: No such file or directory"_s,
            u"[TLS]\r\nCAFile=missing.pem\r\n"_s);
        // Files that would freeze the window or end the program, refused at once.
        row("a CA file that is a FIFO",
            failed + u"cannot read the CA file DIR/fifo: it is not a regular file but a FIFO"_s,
            u"[TLS]\r\nCAFile=fifo\r\n"_s);
        row("a CA file over 1 MiB",
            failed + u"cannot read the CA file DIR/large.pem: it is larger than 1 MiB"_s,
            u"[TLS]\r\nCAFile=large.pem\r\n"_s);
        row("a client key that never ends",
            failed
                + u"cannot read the client key /dev/zero: it is not a regular file but a "
                  "character device"_s,
            ca + u"ClientCertificate=client.pem\r\nClientKey=/dev/zero\r\n"_s);
    }

    // Each reason text, the exact bytes the server received, and the settings left alone.
    void transfer()
    {
        QFETCH(TlsCase, c);
        MainWindowFixture f;
        f.customize = [](AppEnvironment &env) { env.transferTimeout = 1s; };
        QVERIFY(startWithFiles(f));
        ScriptedHttpServer plain;
        plain.setAnswerAtOnce(true);
        plain.setSilent(c.server == Server::PlainSilent);
        plain.setResponse("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
        std::unique_ptr<TlsTestServer> tls;
        if (c.server < Server::PlainRefusing)
            tls = std::make_unique<TlsTestServer>(c.identity ? *c.identity : m_identities.server,
                                                  c.server == Server::ClientCertificateRequired
                                                      ? std::optional(m_identities.clientCa)
                                                      : std::nullopt);
        const quint16 port = tls ? tls->port() : plain.port();
        const auto filled = [&](QString text) {
            return text.replace(u"PORT"_s, QString::number(port))
                .replace(u"DIR"_s, f.folder.path());
        };
        const QString settings = f.path(u"ORVA_Test_Application.ini"_s);
        const QByteArray before = "[IP]\r\nAddress=x\r\n" + filled(c.tls).toUtf8();
        QVERIFY(writeFileBytes(settings, before));

        f.txtIP()->setText(c.scheme + u"127.0.0.1:"_s + QString::number(port));
        QVERIFY(f.send("cmd1"));
        QTRY_VERIFY2(f.lblStat()->toolTip().startsWith(filled(c.outcome)),
                     qPrintable(f.lblStat()->toolTip()));
        // Connections whose handshake failed bring nothing.
        QByteArray received = tls ? tls->received().join() : plain.received(0);
        if (c.prefixOnly)
            received = received.left(c.bytes.size());
        QCOMPARE(received, filled(QString::fromUtf8(c.bytes)).toUtf8());
        QTest::qWait(0); // a box would be queued by now
        QTRY_COMPARE(f.boxes->shown.size(), c.asked ? 1 : 0);
        QCOMPARE(fileBytes(settings), before);
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
    // Started, with the test's CA and client certificate files in the program folder.
    bool startWithFiles(MainWindowFixture &f) const
    {
        const auto written = [&f](const char *name, const std::string &text) {
            return writeFileBytes(f.path(QString::fromLatin1(name)),
                                  QByteArray::fromStdString(text));
        };
        return f.start() && written("ca.pem", m_identities.ca.certificate)
            && written("client.pem", m_identities.client.certificate)
            && written("client.key", m_identities.client.key)
            && written("large.pem", std::string((1 << 20) + 1, '-'))
            && ::mkfifo(QFile::encodeName(f.path(u"fifo"_s)).constData(), 0600) == 0;
    }

    const TlsIdentities m_identities;
};

QTEST_MAIN(tst_TlsConnection)
#include "tst_tlsconnection.moc"
