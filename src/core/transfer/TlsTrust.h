#pragma once

#include "Result.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QString>

#include <optional>

// A server certificate that nothing vouched for (self-signed, or from an unknown issuer): the
// operator may pin it for that server and send again.
struct UntrustedCertificate
{
    QString hostPort; // "10.0.0.5:443", "[::1]:8443": the server as its pin names it
    QSslCertificate certificate;

    QByteArray sha256() const;
    // "AB:CD:..." in pairs, as certificate viewers show it.
    QString fingerprint() const;
    // The operator's question: server, subject, issuer, validity dates and fingerprint.
    QString description() const;
};

// The trust of one TLS connection: the system's store, the CA file and client certificate of
// the settings file's [TLS] section, and the server's pin. A pinned server is accepted with that
// certificate alone, whatever else the handshake finds; nothing is ever accepted silently.
class TlsTrust
{
public:
    // Fails, naming the file, when the settings name a file that cannot be read or holds no
    // usable PEM certificate or key.
    static Result<TlsTrust> load(const QString &settingsFile, const QString &host, quint16 port);

    const QSslConfiguration &configuration() const { return m_configuration; }

    // The handshake found these errors in the peer's certificate chain: accepted when the
    // server is pinned to this certificate, otherwise the reason it is refused.
    Result<> judgeErrors(const QSslCertificate &peer, const QList<QSslError> &errors);
    // The handshake ended well: a pinned server must still show its pinned certificate.
    Result<> judgeFinished(const QSslCertificate &peer) const;
    // The reason for a socket error of a TLS connection; handshakeDone says whether the
    // handshake had ended. Ok when the error is not TLS's own.
    Result<> judgeSocketError(QAbstractSocket::SocketError error, const QString &errorString,
                              bool handshakeDone) const;

    // The reason for a fatal alert from the server; ok for one that says nothing more than the
    // socket's error will.
    static Result<> judgeAlert(QSsl::AlertType type);

    // After a refusal for an untrusted certificate: that certificate.
    const std::optional<UntrustedCertificate> &untrusted() const { return m_untrusted; }

private:
    QString m_host;
    QString m_hostPort;
    QString m_pin; // lower-case hex, empty when the server is not pinned
    QSslConfiguration m_configuration;
    std::optional<UntrustedCertificate> m_untrusted;
};

// "10.0.0.5:443", "[::1]:8443", "xn--bcher-kva.example:443": the server as its pin is stored
// and looked up. The host is in lower-case ASCII (letter case of ASCII is all that folds).
QString pinHostPort(const QString &host, quint16 port);

// Whether an answer's first byte opens a TLS record (an alert or a handshake): a plain request
// reached a TLS server, and "(a TLS port?)" goes after the reason it was malformed.
bool opensTlsRecord(char firstByte);
