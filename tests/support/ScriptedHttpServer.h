#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

using namespace Qt::StringLiterals;

// An HTTP server on 127.0.0.1 and a free port that records every connection's bytes and answers
// each complete request with scripted raw bytes, in pieces from the event loop so that the client
// sees many reads, then closes. Settings apply to requests completed afterwards.
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

    quint16 port() const { return m_server.serverPort(); }
    // "127.0.0.1:port", as an operator would type it.
    QString authority() const { return u"127.0.0.1:"_s + QString::number(port()); }

    void setResponse(const QByteArray &raw) { m_response = raw; }
    // Requests answered in turn with these; the last answers every later one.
    void setResponses(QList<QByteArray> raws)
    {
        m_response = raws.takeLast();
        m_turns = std::move(raws);
    }
    void setPieceSize(qsizetype bytes) { m_pieceSize = bytes; } // 0 writes it all at once
    void setPieceDelay(int ms) { m_pieceDelayMs = ms; }
    void setFirstByteDelay(int ms) { m_firstByteDelayMs = ms; }   // after the request is whole
    void setResetAfter(qsizetype bytes) { m_resetAfter = bytes; } // -1: never
    void setSilent(bool silent) { m_silent = silent; }            // answers nothing, for time-outs
    // Answers the first bytes that come, whatever they are, as a server that refuses them does.
    void setAnswerAtOnce(bool atOnce) { m_answerAtOnce = atOnce; }

    qsizetype connectionCount() const { return m_received.size(); }
    QByteArray received(qsizetype connection) const { return m_received.value(connection); }

    // "127.0.0.1:port" where nothing listens any more, so a connection is refused.
    static QString refusingAuthority()
    {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost);
        return u"127.0.0.1:"_s + QString::number(closed.serverPort());
    }

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
        const bool whole = end >= 0 || (m_answerAtOnce && !bytes.isEmpty());
        if (m_silent || m_answered.at(index) || !whole)
            return;
        qsizetype length = 0;
        for (const QByteArray &line : bytes.left(end).split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        }
        if (!m_answerAtOnce && bytes.size() < end + 4 + length)
            return;
        m_answered[index] = true;
        const QByteArray response = m_turns.isEmpty() ? m_response : m_turns.takeFirst();
        if (m_firstByteDelayMs == 0)
            return writeFrom(socket, response, 0);
        QTimer::singleShot(m_firstByteDelayMs, Qt::PreciseTimer, socket,
                           [=, this] { writeFrom(socket, response, 0); });
    }

    void writeFrom(QTcpSocket *socket, const QByteArray &response, qsizetype offset)
    {
        const qsizetype piece = m_pieceSize > 0 ? m_pieceSize : response.size();
        qsizetype next = qMin(offset + piece, response.size());
        if (m_resetAfter >= 0)
            next = qMin(next, m_resetAfter);
        socket->write(response.constData() + offset, next - offset);
        socket->flush();
        if (next == m_resetAfter) {
            // A zero linger time makes the close a reset.
            ::linger hard{1, 0};
            ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard,
                         sizeof hard);
            socket->abort();
        } else if (next < response.size()) {
            QTimer::singleShot(m_pieceDelayMs, socket,
                               [=, this] { writeFrom(socket, response, next); });
        } else {
            socket->disconnectFromHost();
        }
    }

    QByteArray m_response = okResponse(QByteArray());
    QList<QByteArray> m_turns;
    qsizetype m_pieceSize = 0;
    int m_pieceDelayMs = 0;
    int m_firstByteDelayMs = 0;
    qsizetype m_resetAfter = -1;
    bool m_silent = false;
    bool m_answerAtOnce = false;
    QList<QByteArray> m_received;
    QList<bool> m_answered;
    QTcpServer m_server; // last: its sockets go first, before what their handlers use
};
