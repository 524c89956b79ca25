#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

// An HTTP server for tests on 127.0.0.1 and a free port. It records the exact bytes of every
// connection and answers each complete request (headers, then Content-Length bytes of body)
// with scripted raw bytes, written in pieces from the event loop so the client sees many reads,
// then closes. A silent server answers nothing, for time-outs. Settings apply to requests
// completed afterwards.
class ScriptedHttpServer final
{
    Q_DISABLE_COPY_MOVE(ScriptedHttpServer)

public:
    ScriptedHttpServer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { accept(); });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    ~ScriptedHttpServer()
    {
        for (QTcpSocket *socket : m_server.findChildren<QTcpSocket *>())
            socket->disconnect();
    }

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    // "127.0.0.1:port", as an operator would type it.
    QString authority() const
    {
        return m_server.serverAddress().toString() + u':' + QString::number(port());
    }

    void setResponse(const QByteArray &raw) { m_response = raw; }
    void setPieceSize(qsizetype bytes) { m_pieceSize = bytes; } // 0 writes it all at once
    void setCloseAfterResponse(bool close) { m_closeAfterResponse = close; }
    void setSilent(bool silent) { m_silent = silent; }

    qsizetype connectionCount() const { return m_received.size(); }
    QByteArray received(qsizetype connection) const { return m_received.value(connection); }

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
        const QByteArray &bytes = m_received[index] += socket->readAll();
        const qsizetype end = bytes.indexOf("\r\n\r\n");
        if (m_silent || m_answered.at(index) || end < 0)
            return;
        qsizetype length = 0;
        for (const QByteArray &line : bytes.left(end).split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        }
        if (bytes.size() < end + 4 + length)
            return;
        m_answered[index] = true;
        writeFrom(socket, m_response, 0);
    }

    void writeFrom(QTcpSocket *socket, const QByteArray &response, qsizetype offset)
    {
        const qsizetype next = m_pieceSize > 0 ? qMin(offset + m_pieceSize, response.size())
                                               : response.size();
        socket->write(response.constData() + offset, next - offset);
        socket->flush();
        if (next < response.size())
            QTimer::singleShot(0, socket, [=, this] { writeFrom(socket, response, next); });
        else if (m_closeAfterResponse)
            socket->disconnectFromHost();
    }

    QByteArray m_response = okResponse(QByteArray());
    qsizetype m_pieceSize = 0;
    bool m_closeAfterResponse = true;
    bool m_silent = false;
    QList<QByteArray> m_received;
    QList<bool> m_answered;
    QTcpServer m_server; // last: its sockets go first, before what their handlers use
};
