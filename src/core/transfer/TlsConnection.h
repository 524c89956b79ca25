#pragma once

#include "Result.h"
#include "transfer/TlsTrust.h"

#include <QAbstractSocket>
#include <QString>

#include <functional>
#include <optional>

class QObject;
class QSslSocket;

// The TLS side of one transfer: its trust (TlsTrust), the socket made for it, and what its
// handshake came to. The handshake belongs to connecting: the transfer hears of the connection
// once the handshake is done and its certificate judged.
class TlsConnection
{
public:
    // Loads the trust of the settings file's [TLS] section for this server; fails, naming the
    // file, when a file it names cannot be read.
    static Result<TlsConnection> load(const QString &settingsFile, const QString &host,
                                      quint16 port);

    // A socket for the server, owned by owner, that calls handshakeDone() once the handshake
    // has ended with a certificate accepted, and refused(reason) when a finished handshake
    // shows a certificate other than the pinned one. Errors the trust refuses fail the
    // handshake; the reason is judgeSocketError's then. The connection must outlive the
    // socket's signals.
    QSslSocket *makeSocket(QObject *owner, const QString &host, std::function<void()> handshakeDone,
                           std::function<void(const QString &)> refused);

    // The reason a socket error of this connection is TLS's own; ok when it is not (the
    // transfer's own reason stands then). handshakeDone says whether the handshake had ended.
    Result<> judgeSocketError(QAbstractSocket::SocketError error, const QString &errorString) const;

    // After a refusal for a certificate nothing vouched for: that certificate.
    const std::optional<UntrustedCertificate> &untrusted() const { return m_trust.untrusted(); }

private:
    explicit TlsConnection(TlsTrust trust)
        : m_trust(std::move(trust))
    { }

    TlsTrust m_trust;
    bool m_handshakeDone = false;
    QString m_refusal; // what the trust refused during the handshake
};
