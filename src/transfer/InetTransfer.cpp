#include "transfer/InetTransfer.h"

#include "transfer/HttpResponseParser.h"
#include "transfer/RequestWire.h"

#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

class InetTransfer::Private
{
public:
    explicit Private(InetTransfer *q);

    void start(const QString &url, const QString &method, const QString &body,
               const QString &headers);
    void onConnected();
    void onBytesWritten(qint64 count);
    void onReadyRead();
    void onClosed();
    void take(const QByteArray &bytes);
    void settle(HttpResponseParser::Status status);
    void complete();
    void fail();
    void dropSocket();
    void reach(State state);
    void post(State state);
    void deliver(quint64 generation, State state);
    void restartTimer();

    InetTransfer *const m_q;
    int m_protocol = ProtocolHttp;
    std::chrono::milliseconds m_timeout = DefaultTimeout;
    QTimer m_timer;
    QTcpSocket *m_socket = nullptr;
    QByteArray m_request;
    qint64 m_written = 0;
    HttpResponseParser m_parser;
    QByteArray m_body;
    qsizetype m_offset = 0;
    // Every transfer gets a number; a queued state of an older one is dropped on arrival.
    quint64 m_generation = 0;
    int m_reached = 0;
    bool m_running = false;
    bool m_finalPosted = false;
    bool m_bodyReady = false;
};

InetTransfer::Private::Private(InetTransfer *q)
    : m_q(q)
{
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, q, [this] { fail(); });
}

void InetTransfer::Private::start(const QString &url, const QString &method, const QString &body,
                                  const QString &headers)
{
    ++m_generation;
    m_running = true;
    m_finalPosted = false;
    m_bodyReady = false;
    m_reached = 0;
    m_body = QByteArray();
    m_offset = 0;
    m_written = 0;
    m_parser = HttpResponseParser();

    std::optional<RequestWire> wire;
    if (m_protocol == ProtocolHttp)
        wire = RequestWire::Compose(url, method, body, headers);
    if (!wire) {
        post(Failed);
        return;
    }
    m_request = std::move(wire->bytes);

    reach(Resolving);
    m_socket = new QTcpSocket(m_q);
    QTcpSocket *const socket = m_socket;
    // dropSocket() cuts these before the socket is let go, so nothing an old socket still
    // does (its abort emits at once) can reach a later transfer.
    QObject::connect(socket, &QAbstractSocket::hostFound, m_q, [this] {
        restartTimer();
        reach(Connecting);
    });
    QObject::connect(socket, &QAbstractSocket::connected, m_q, [this] { onConnected(); });
    QObject::connect(socket, &QAbstractSocket::bytesWritten, m_q,
                     [this](qint64 count) { onBytesWritten(count); });
    QObject::connect(socket, &QIODevice::readyRead, m_q, [this] { onReadyRead(); });
    QObject::connect(socket, &QAbstractSocket::disconnected, m_q, [this] { onClosed(); });
    QObject::connect(socket, &QAbstractSocket::errorOccurred, m_q,
                     [this](QAbstractSocket::SocketError error) {
                         if (error == QAbstractSocket::RemoteHostClosedError)
                             onClosed();
                         else
                             fail();
                     });
    restartTimer();
    socket->connectToHost(wire->host, wire->port);
}

void InetTransfer::Private::onConnected()
{
    restartTimer();
    reach(Requesting);
    m_socket->write(m_request);
}

void InetTransfer::Private::onBytesWritten(qint64 count)
{
    restartTimer();
    m_written += count;
    if (m_written >= m_request.size()) {
        m_request = QByteArray();
        reach(RequestSent);
    }
}

void InetTransfer::Private::onReadyRead()
{
    restartTimer();
    take(m_socket->readAll());
}

void InetTransfer::Private::onClosed()
{
    // Bytes that came with the close are still waiting in the socket.
    const QByteArray rest = m_socket->readAll();
    if (!rest.isEmpty()) {
        take(rest);
        if (!m_socket)
            return;
    }
    settle(m_parser.connectionClosed());
}

void InetTransfer::Private::take(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    reach(Receiving);
    settle(m_parser.feed(bytes).status);
}

void InetTransfer::Private::settle(HttpResponseParser::Status status)
{
    if (status == HttpResponseParser::Status::Complete)
        complete();
    else if (status == HttpResponseParser::Status::Bad)
        fail();
}

void InetTransfer::Private::complete()
{
    m_body = m_parser.takeBody();
    reach(ResponseReceived);
    reach(Disconnecting);
    dropSocket();
    reach(Disconnected);
    post(ResponseCompleted);
}

void InetTransfer::Private::fail()
{
    dropSocket();
    m_request = QByteArray();
    m_body = QByteArray();
    m_parser = HttpResponseParser();
    post(Failed);
}

void InetTransfer::Private::dropSocket()
{
    m_timer.stop();
    if (!m_socket)
        return;
    QTcpSocket *const socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(m_q);
    // The whole response is framed (or given up on): nothing more is wanted from the peer,
    // and a close that waited on it could only turn a finished transfer into a failure.
    socket->abort();
    socket->deleteLater();
}

void InetTransfer::Private::reach(State state)
{
    while (m_reached < state)
        post(static_cast<State>(++m_reached));
}

void InetTransfer::Private::post(State state)
{
    if (m_finalPosted)
        return;
    m_finalPosted = state == Failed || state == ResponseCompleted;
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        m_q, [this, generation, state] { deliver(generation, state); }, Qt::QueuedConnection);
}

void InetTransfer::Private::deliver(quint64 generation, State state)
{
    if (generation != m_generation)
        return;
    if (state == Failed)
        m_running = false;
    else if (state == ResponseCompleted)
        m_bodyReady = true;
    Q_EMIT m_q->StateChanged(state);
}

void InetTransfer::Private::restartTimer()
{
    m_timer.start(m_timeout);
}

InetTransfer::InetTransfer(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(this))
{
}

InetTransfer::~InetTransfer()
{
    if (d->m_socket)
        d->m_socket->disconnect(this);
}

bool InetTransfer::StillExecuting() const
{
    return d->m_running;
}

int InetTransfer::Protocol() const
{
    return d->m_protocol;
}

void InetTransfer::setProtocol(int protocol)
{
    d->m_protocol = protocol;
}

void InetTransfer::Execute(const QString &url, const QString &method, const QString &requestData,
                           const QString &requestHeaders)
{
    if (d->m_running)
        return;
    d->start(url, method, requestData, requestHeaders);
}

QByteArray InetTransfer::GetChunk(int maxBytes, int /*dataType*/)
{
    if (!d->m_bodyReady || maxBytes <= 0)
        return {};
    const qsizetype left = d->m_body.size() - d->m_offset;
    if (left == 0) {
        d->m_bodyReady = false;
        d->m_running = false;
        d->m_body = QByteArray();
        d->m_offset = 0;
        return {};
    }
    const qsizetype count = std::min<qsizetype>(left, maxBytes);
    d->m_offset += count;
    // The whole body in one piece is the body itself, shared rather than copied.
    if (count == d->m_body.size())
        return d->m_body;
    return d->m_body.mid(d->m_offset - count, count);
}

void InetTransfer::setTimeout(std::chrono::milliseconds timeout)
{
    d->m_timeout = timeout;
}
