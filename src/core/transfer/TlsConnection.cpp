#include "transfer/TlsConnection.h"

#include <QSslSocket>

Result<TlsConnection> TlsConnection::load(const QString &settingsFile, const QString &host,
                                          quint16 port)
{
    Result<TlsTrust> trust = TlsTrust::load(settingsFile, host, port);
    if (!trust)
        return Failure{trust.reason()};
    return TlsConnection(std::move(trust).value());
}

QSslSocket *TlsConnection::makeSocket(QObject *owner, const QString &host,
                                      std::function<void()> handshakeDone,
                                      std::function<void(const QString &)> refused)
{
    auto *const socket = new QSslSocket(owner);
    socket->setSslConfiguration(m_trust.configuration());
    socket->setPeerVerifyName(host);
    QObject::connect(
        socket, &QSslSocket::sslErrors, owner, [this, socket](const QList<QSslError> &errors) {
            const Result<> judged = m_trust.judgeErrors(socket->peerCertificate(), errors);
            if (judged)
                socket->ignoreSslErrors();
            else
                m_refusal = judged.reason(); // the handshake fails with it next
        });
    // Taken up when the connection ends: the alert comes from inside the library's reading.
    QObject::connect(socket, &QSslSocket::alertReceived, owner,
                     [this](QSsl::AlertLevel, QSsl::AlertType type, const QString &) {
                         if (const Result<> alert = TlsTrust::judgeAlert(type); !alert)
                             m_refusal = alert.reason();
                     });
    QObject::connect(
        socket, &QSslSocket::encrypted, owner,
        [this, socket, handshakeDone = std::move(handshakeDone), refused = std::move(refused)] {
            m_handshakeDone = true;
            if (const Result<> judged = m_trust.judgeFinished(socket->peerCertificate()); !judged)
                refused(judged.reason());
            else
                handshakeDone();
        });
    return socket;
}

Result<> TlsConnection::judgeSocketError(QAbstractSocket::SocketError error,
                                         const QString &errorString) const
{
    if (!m_refusal.isEmpty())
        return Failure{m_refusal};
    return m_trust.judgeSocketError(error, errorString, m_handshakeDone);
}
