#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

// An HTTP server for tests, on the loopback interface and a free port, that records the exact
// bytes of every connection and answers each request with scripted raw bytes.
//
//   ScriptedHttpServer server;                       // listening on 127.0.0.1, port()
//   server.setResponse(ScriptedHttpServer::okResponse("{}"));
//   server.setPieceSize(3);                          // 3 bytes per event-loop turn
//   ... client connects to server.authority() ...
//   QTRY_COMPARE(server.connectionCount(), 1);
//   QCOMPARE(server.received(0), expectedRequestBytes);
//
// A connection is answered once its request is complete (headers, then Content-Length bytes
// of body). The response goes out in pieces, each written from the event loop so the client
// sees many reads, and the connection is closed after it unless setCloseAfterResponse(false).
// A truncated body is just a response shorter than it announces. setSilent(true) answers
// nothing and never closes, for time-outs. Settings apply to requests completed afterwards.
class ScriptedHttpServer final
{
    Q_DISABLE_COPY_MOVE(ScriptedHttpServer)

public:
    explicit ScriptedHttpServer(const QHostAddress &address = QHostAddress(QHostAddress::LocalHost))
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { accept(); });
        m_server.listen(address, 0);
    }

    ~ScriptedHttpServer()
    {
        for (QTcpSocket *socket : m_server.findChildren<QTcpSocket *>())
            socket->disconnect();
    }

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }

    // "127.0.0.1:port", or "[::1]:port" for an IPv6 server: what an operator would type.
    QString authority() const
    {
        const QHostAddress address = m_server.serverAddress();
        const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
            ? QStringLiteral("[%1]").arg(address.toString())
            : address.toString();
        return host + QLatin1Char(':') + QString::number(port());
    }

    void setResponse(const QByteArray &raw) { m_response = raw; }
    // Bytes per write; 0 writes the whole response at once.
    void setPieceSize(qsizetype bytes) { m_pieceSize = bytes; }
    void setCloseAfterResponse(bool close) { m_closeAfterResponse = close; }
    void setSilent(bool silent) { m_silent = silent; }

    qsizetype connectionCount() const { return m_received.size(); }
    QByteArray received(qsizetype connection) const { return m_received.value(connection); }

    // "HTTP/1.1 200 OK" with a Content-Length for body.
    static QByteArray okResponse(const QByteArray &body)
    {
        return "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    }

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            const qsizetype index = m_received.size();
            m_received.append(QByteArray());
            m_answered.append(false);
            QObject::connect(socket, &QIODevice::readyRead, socket,
                             [this, socket, index] { readFrom(socket, index); });
            readFrom(socket, index);
        }
    }

    void readFrom(QTcpSocket *socket, qsizetype index)
    {
        m_received[index] += socket->readAll();
        if (m_silent || m_answered.at(index) || !requestComplete(m_received.at(index)))
            return;
        m_answered[index] = true;
        writeFrom(socket, m_response, 0);
    }

    void writeFrom(QTcpSocket *socket, const QByteArray &response, qsizetype offset)
    {
        const qsizetype piece = m_pieceSize > 0 ? m_pieceSize : response.size();
        const qsizetype count = std::min(piece, response.size() - offset);
        socket->write(response.constData() + offset, count);
        socket->flush();
        const qsizetype next = offset + count;
        if (next < response.size()) {
            QTimer::singleShot(0, socket,
                               [this, socket, response, next] { writeFrom(socket, response, next); });
        } else if (m_closeAfterResponse) {
            socket->disconnectFromHost();
        }
    }

    static bool requestComplete(const QByteArray &bytes)
    {
        const qsizetype end = bytes.indexOf("\r\n\r\n");
        if (end < 0)
            return false;
        qsizetype length = 0;
        for (const QByteArray &line : bytes.left(end).split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        }
        return bytes.size() >= end + 4 + length;
    }

    QByteArray m_response = okResponse(QByteArray());
    qsizetype m_pieceSize = 0;
    bool m_closeAfterResponse = true;
    bool m_silent = false;
    QList<QByteArray> m_received;
    QList<bool> m_answered;
    QTcpServer m_server; // last: its sockets go first, before what their handlers use
};
