#include "FileBytes.h"
#include "ScriptedHttpServer.h"
#include "TlsTestServer.h"
#include "transfer/InetTransfer.h"
#include "transfer/TrackingRequest.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

enum class Server {
    Tls,
    ClientCertificateRequired,
    PlainRefusing, // plain TCP that answers any bytes with an HTTP 400
    PlainSilent,   // plain TCP that never answers
};

// One server, one [TLS] section, one list request.
struct TlsCase
{
    Server server = Server::Tls;
    const PemPair *identity = nullptr; // of a TLS server; none: signed by the test CA for 127.0.0.1
    QString scheme = u"https://"_s;
    QString tls{};      // [TLS] lines, naming the test's files ca.pem, client.pem and client.key
    QString outcome{};  // "completed", or the failure's reason; PORT and DIR as below
    QByteArray bytes{}; // what the server received over HTTP (inside TLS where there was TLS)
    bool prefixOnly = false; // bytes is how the received bytes start (a TLS hello)
    bool untrusted = false;  // the certificate is offered to the operator to pin
};

} // namespace

Q_DECLARE_METATYPE(TlsCase)

// The trust of a TLS transfer: the system's store, the CA file, the client certificate and the
// pins of the settings file's [TLS] section, each reason as the operator reads it.
class tst_TlsTrust final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void transfer_data()
    {
        QTest::addColumn<TlsCase>("c");
        const QString ca = u"[TLS]\r\nCAFile=ca.pem\r\n"_s;
        const QString ok = u"completed"_s;
        const auto row = [](const char *name, const QString &outcome, const QString &tls,
                            TlsCase c = {}) {
            c.outcome = outcome;
            c.tls = tls;
            QTest::newRow(name) << c;
        };
        row("trusted through the CA file", ok, ca, {.bytes = ListRequest});
        row("unknown issuer, not trusted", u"certificate not trusted: unknown issuer"_s, {},
            {.untrusted = true});
        row("self-signed, not trusted", u"certificate not trusted: self-signed"_s, {},
            {.identity = &m_identities.selfSigned, .untrusted = true});
        row("pinned to this certificate", ok, u"[TLS]\r\nPin.127.0.0.1:PORT=SELF\r\n"_s,
            {.identity = &m_identities.selfSigned, .bytes = ListRequest});
        row("pinned to another certificate, though the CA vouches",
            u"certificate changed since it was trusted"_s,
            ca + u"Pin.127.0.0.1:PORT="_s + QString(64, u'0') + u"\r\n"_s);
        const auto refused = [&](const char *name, const PemPair &identity, const char *why) {
            row(name, u"certificate "_s + QLatin1String(why), ca, {.identity = &identity});
        };
        refused("for another name", m_identities.otherName,
                "is for tracker.example, not 127.0.0.1");
        refused("expired, never offered to pin", m_identities.expired,
                "expired on 2002-01-01 00:00:00 UTC");
        refused("not yet valid", m_identities.notYetValid,
                "not valid before 2090-01-01 00:00:00 UTC");
        row("plain HTTP on a TLS port", u"connection closed before the answer was complete"_s, {},
            {.scheme = {}});
        // A plain server gets the start of a TLS hello.
        const auto plain = [&](const char *name, Server server, const QString &outcome) {
            row(name, outcome, {}, {.server = server, .bytes = "\x16\x03", .prefixOnly = true});
        };
        plain("TLS on a plain port", Server::PlainRefusing,
              u"the server did not answer TLS (plain HTTP on this port?)"_s);
        plain("a handshake that never finishes", Server::PlainSilent, u"no answer within 1 s"_s);
        const Server asks = Server::ClientCertificateRequired;
        row("client certificate asked for", u"the server asked for a client certificate"_s, ca,
            {.server = asks});
        row("client certificate given", ok,
            ca + u"ClientCertificate=client.pem\r\nClientKey=client.key\r\n"_s,
            {.server = asks, .bytes = ListRequest});
        row("a CA file that is not there",
            u"cannot read the CA file DIR/missing.pem: No such file or directory"_s,
            u"[TLS]\r\nCAFile=missing.pem\r\n"_s);
        // Files that would freeze the window or end the program, refused at once.
        row("a CA file that is a FIFO",
            u"cannot read the CA file DIR/fifo: it is not a regular file but a FIFO"_s,
            u"[TLS]\r\nCAFile=fifo\r\n"_s);
        row("a CA file over 1 MiB",
            u"cannot read the CA file DIR/large.pem: it is larger than 1 MiB"_s,
            u"[TLS]\r\nCAFile=large.pem\r\n"_s);
        row("a client key that never ends",
            u"cannot read the client key /dev/zero: it is not a regular file but a character "
            "device"_s,
            ca + u"ClientCertificate=client.pem\r\nClientKey=/dev/zero\r\n"_s);
    }

    // Each reason text, the exact bytes the server received, and the settings left alone.
    void transfer()
    {
        QFETCH(TlsCase, c);
        QTemporaryDir dir;
        QVERIFY(writeFiles(dir));
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
        const QByteArray selfPin =
            TlsIdentities::certificate(m_identities.selfSigned).digest(QCryptographicHash::Sha256);
        const auto filled = [&](QString text) {
            return text.replace(u"PORT"_s, QString::number(port))
                .replace(u"DIR"_s, dir.path())
                .replace(u"SELF"_s, QString::fromLatin1(selfPin.toHex()));
        };
        const QString settings = dir.filePath(u"ORVA_Test_Application.ini"_s);
        const QByteArray before = "[IP]\r\nAddress=x\r\n" + filled(c.tls).toUtf8();
        QVERIFY(writeFileBytes(settings, before));

        InetTransfer transfer;
        transfer.setTimeout(1s);
        transfer.setTlsSettingsFile(settings);
        const TrackingRequest request = composeTrackingRequest(
            c.scheme + u"127.0.0.1:"_s + QString::number(port), u"GET"_s, {}, {});
        QSignalSpy states(&transfer, &InetTransfer::StateChanged);
        transfer.Execute(request.url, request.method, request.body, request.headers);
        QTRY_VERIFY(!states.isEmpty() && states.last().at(0).toInt() >= InetTransfer::Failed);
        const bool completed = states.last().at(0).toInt() == InetTransfer::ResponseCompleted;
        QCOMPARE(completed ? u"completed"_s : transfer.failureText(), filled(c.outcome));
        QCOMPARE(transfer.untrustedCertificate().has_value(), c.untrusted);
        if (c.untrusted)
            QCOMPARE(transfer.untrustedCertificate()->hostPort,
                     u"127.0.0.1:"_s + QString::number(port));
        // Connections whose handshake failed bring nothing.
        QByteArray received = tls ? tls->received().join() : plain.received(0);
        if (c.prefixOnly)
            received = received.left(c.bytes.size());
        QCOMPARE(received, filled(QString::fromUtf8(c.bytes)).toUtf8());
        QCOMPARE(fileBytes(settings), before);
    }

private:
    // The test's CA and client certificate files, a file too large and a FIFO.
    bool writeFiles(const QTemporaryDir &dir) const
    {
        const auto written = [&dir](const char *name, const std::string &text) {
            return writeFileBytes(dir.filePath(QString::fromLatin1(name)),
                                  QByteArray::fromStdString(text));
        };
        return written("ca.pem", m_identities.ca.certificate)
            && written("client.pem", m_identities.client.certificate)
            && written("client.key", m_identities.client.key)
            && written("large.pem", std::string((1 << 20) + 1, '-'))
            && ::mkfifo(QFile::encodeName(dir.filePath(u"fifo"_s)).constData(), 0600) == 0;
    }

    const TlsIdentities m_identities{};
};

QTEST_GUILESS_MAIN(tst_TlsTrust)
#include "tst_tlstrust.moc"
