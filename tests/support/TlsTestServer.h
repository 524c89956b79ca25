#pragma once

#include "TlsFixtures.h"

#include <QHostAddress>
#include <QSslServer>
#include <QSslSocket>

#include <optional>

using namespace Qt::StringLiterals;

// The list request as it must reach the server, inside TLS or not; PORT is the server's.
inline const QByteArray ListRequest = "GET /api/videocompare/tracking HTTP/1.1\r\n"
                                      "Connection: close\r\n"
                                      "Content-Type: application/json\r\n"
                                      "Accept: application/json\r\n"
                                      "User-Agent: Mozilla/4.0 (compatible; Win32; "
                                      "WinHttp.WinHttpRequest.5)\r\n"
                                      "Host: 127.0.0.1:PORT\r\n"
                                      "\r\n";

// An HTTPS server on 127.0.0.1 and a free port: it records the HTTP bytes each connection sent
// inside TLS, answers a whole request head with a fixed 200 and closes. With a client
// authority it asks for a client certificate and refuses a connection without one from it.
class TlsTestServer final
{
    Q_DISABLE_COPY_MOVE(TlsTestServer)

public:
    explicit TlsTestServer(const PemPair &identity,
                           const std::optional<PemPair> &clientCa = std::nullopt)
    {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(TlsIdentities::certificate(identity));
        configuration.setPrivateKey(TlsIdentities::key(identity));
        configuration.setPeerVerifyMode(clientCa ? QSslSocket::VerifyPeer : QSslSocket::VerifyNone);
        if (clientCa) {
            configuration.setCaCertificates({TlsIdentities::certificate(*clientCa)});
            // Refused inside the handshake, with the alert a TLS 1.3 server sends for it.
            configuration.setMissingCertificateIsFatal(true);
        }
        m_server.setSslConfiguration(configuration);
        m_server.setHandshakeTimeout(60000);
        QObject::connect(&m_server, &QTcpServer::pendingConnectionAvailable, &m_server,
                         [this] { accept(); });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    ~TlsTestServer()
    {
        for (QSslSocket *socket : m_server.findChildren<QSslSocket *>())
            socket->disconnect();
    }

    quint16 port() const { return m_server.serverPort(); }
    // HTTP bytes of each connection whose handshake ended well.
    QList<QByteArray> received() const { return m_received; }

private:
    void accept()
    {
        while (auto *socket = qobject_cast<QSslSocket *>(m_server.nextPendingConnection())) {
            const qsizetype index = m_received.size();
            m_received.append(QByteArray());
            QObject::connect(socket, &QIODevice::readyRead, socket, [this, socket, index] {
                m_received[index] += socket->readAll();
                if (m_received[index].contains("\r\n\r\n")) {
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n[]");
                    socket->disconnectFromHost();
                }
            });
        }
    }

    QList<QByteArray> m_received;
    QSslServer m_server; // last: its sockets go first
};
