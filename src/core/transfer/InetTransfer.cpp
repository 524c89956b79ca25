#include "transfer/InetTransfer.h"

#include "transfer/HttpResponseParser.h"
#include "transfer/RequestWire.h"
#include "transfer/TlsConnection.h"
#include "transfer/TlsTrust.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Bytes of the status line, header lines and chunk lines are read through this much at a
// time; body bytes go straight into the body.
constexpr qsizetype kLineReadSize = 64 * 1024;
// Qt reads from the system into a buffer of its own before the body is read out of it. Left
// unbounded, a fast server fills it with megabytes at a time, and the heap keeps those blocks
// after they are read: some 4 MiB more than a 33 MB list at the peak of the lists after it.
// Half a megabyte a read is as fast.
constexpr qint64 kSocketBufferBytes = 512 * 1024;

QString seconds(std::chrono::milliseconds timeout)
{
    return QString::number(double(timeout.count()) / 1000.0);
}

} // namespace

class InetTransfer::Private
{
public:
    explicit Private(InetTransfer *q);

    void start(const QString &url, const QString &method, const QString &body,
               const QString &headers);
    Result<RequestWire> compose(const QString &url, const QString &method, const QString &body,
                                const QString &headers) const;
    void connectSocket(const RequestWire &wire);
    void onConnected();
    void onBytesWritten(qint64 count);
    void onReadyRead();
    void onClosed();
    void onSocketError(QAbstractSocket::SocketError error);
    bool failForTls(QAbstractSocket::SocketError error);
    void readAvailable();
    void handleParserStatus(HttpResponseParser::Status status);
    void complete();
    void fail(const QString &text);
    void failFromParser();
    void dropSocket();
    void advanceTo(State state);
    void queueState(State state);
    void emitQueuedState(quint64 generation, State state);
    void restartTimer();

    InetTransfer *const m_q;
    // Settings, kept from one transfer to the next.
    int m_protocol = ProtocolHttp;
    std::chrono::milliseconds m_timeout = DefaultTimeout;
    QString m_settingsFile; // where [TLS] is read
    QTimer m_timer;
    QByteArray m_offeredBody;
    std::array<char, kLineReadSize> m_lineBuffer{};
    // Every transfer gets a number; a queued state of an older one is dropped on arrival.
    quint64 m_generation = 0;

    // The transfer under way or the last one, made anew by each Execute.
    struct Transfer
    {
        QTcpSocket *socket = nullptr;
        QByteArray request;
        qint64 written = 0;
        qint64 received = 0;
        HttpResponseParser parser{HttpResponseParser::Limits{}};
        QByteArray body;
        qsizetype offset = 0;
        QString failureText;
        int statusCode = 0;
        QByteArray reasonPhrase;
        QByteArray head;
        QElapsedTimer clock;
        qint64 elapsedMs = 0;
        // Milliseconds from Execute; -1 until reached.
        struct
        {
            qint64 nameFound = -1, connected = -1, requestSent = -1, firstByte = -1, end = -1;
            bool byName = false;
        } marks;
        int reached = 0;
        bool running = false;
        bool finalPosted = false;
        bool bodyReady = false;
        char firstByte = 0;
        std::unique_ptr<TlsConnection> tls; // an https:// transfer
        std::optional<UntrustedCertificate> untrusted;
    } t;
};

InetTransfer::Private::Private(InetTransfer *q)
    : m_q(q)
{
    m_timer.setSingleShot(true);
    // A coarse timer may fire up to 5% early: a 60 s time-out would give up after 57 s.
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, q,
                     [this] { fail(u"no answer within "_s + seconds(m_timeout) + u" s"_s); });
}

void InetTransfer::Private::start(const QString &url, const QString &method, const QString &body,
                                  const QString &headers)
{
    ++m_generation;
    t = Transfer{};
    t.running = true;
    t.clock.start();
    t.parser.offerBodyStorage(std::exchange(m_offeredBody, QByteArray()));

    Result<RequestWire> wire = compose(url, method, body, headers);
    if (!wire) {
        fail(u"cannot send to this address: "_s + wire.reason());
        return;
    }
    if (wire->secure) {
        Result<TlsConnection> tls = TlsConnection::load(m_settingsFile, wire->host, wire->port);
        if (!tls) {
            fail(tls.reason());
            return;
        }
        t.tls = std::make_unique<TlsConnection>(std::move(tls).value());
    }
    t.request = std::move(wire.value().bytes);
    t.marks.byName = QHostAddress(wire->host).isNull();
    advanceTo(Resolving);
    connectSocket(*wire);
}

Result<RequestWire> InetTransfer::Private::compose(const QString &url, const QString &method,
                                                   const QString &body,
                                                   const QString &headers) const
{
    if (m_protocol != ProtocolHttp)
        return Failure{u"not an HTTP request"_s};
    return RequestWire::compose(url, method, body, headers);
}

void InetTransfer::Private::connectSocket(const RequestWire &wire)
{
    QTcpSocket *socket = nullptr;
    if (t.tls) {
        socket = t.tls->makeSocket(
            m_q, wire.host, [this] { onConnected(); },
            [this](const QString &reason) { fail(reason); });
        // The handshake belongs to connecting: "Connected" comes once it is done, and the
        // bytes counted are those of HTTP inside it.
        QObject::connect(socket, &QAbstractSocket::connected, m_q, [this] { restartTimer(); });
    } else {
        socket = new QTcpSocket(m_q);
        QObject::connect(socket, &QAbstractSocket::connected, m_q, [this] { onConnected(); });
    }
    t.socket = socket;
    socket->setReadBufferSize(kSocketBufferBytes);
    // dropSocket() cuts these before the socket is let go, so nothing an old socket still
    // does (its abort emits at once) can reach a later transfer.
    QObject::connect(socket, &QAbstractSocket::hostFound, m_q, [this] {
        t.marks.nameFound = t.clock.elapsed();
        restartTimer();
        advanceTo(Connecting);
    });
    QObject::connect(socket, &QAbstractSocket::bytesWritten, m_q,
                     [this](qint64 count) { onBytesWritten(count); });
    QObject::connect(socket, &QIODevice::readyRead, m_q, [this] { onReadyRead(); });
    QObject::connect(socket, &QAbstractSocket::disconnected, m_q, [this] { onClosed(); });
    QObject::connect(socket, &QAbstractSocket::errorOccurred, m_q,
                     [this](QAbstractSocket::SocketError error) { onSocketError(error); });
    restartTimer();
    if (t.tls)
        static_cast<QSslSocket *>(socket)->connectToHostEncrypted(wire.host, wire.port);
    else
        socket->connectToHost(wire.host, wire.port);
}

bool InetTransfer::Private::failForTls(QAbstractSocket::SocketError error)
{
    if (!t.tls || !t.socket)
        return false;
    const Result<> judged = t.tls->judgeSocketError(error, t.socket->errorString());
    if (judged)
        return false;
    t.untrusted = t.tls->untrusted();
    fail(judged.reason());
    return true;
}

void InetTransfer::Private::onConnected()
{
    t.marks.connected = t.clock.elapsed();
    restartTimer();
    advanceTo(Requesting);
    t.socket->write(t.request);
}

void InetTransfer::Private::onBytesWritten(qint64 count)
{
    restartTimer();
    t.written += count;
    Q_EMIT m_q->bytesMoved();
    if (t.written >= t.request.size()) {
        t.request = QByteArray();
        t.marks.requestSent = t.clock.elapsed();
        advanceTo(RequestSent);
    }
}

void InetTransfer::Private::onReadyRead()
{
    restartTimer();
    readAvailable();
}

void InetTransfer::Private::onClosed()
{
    if (failForTls(QAbstractSocket::RemoteHostClosedError))
        return;
    // Bytes that came with the close are still waiting in the socket.
    readAvailable();
    if (t.socket)
        handleParserStatus(t.parser.connectionClosed());
}

void InetTransfer::Private::onSocketError(QAbstractSocket::SocketError error)
{
    if (failForTls(error))
        return;
    switch (error) {
    case QAbstractSocket::RemoteHostClosedError:
        onClosed();
        break;
    case QAbstractSocket::ConnectionRefusedError:
        fail(u"connection refused"_s);
        break;
    case QAbstractSocket::HostNotFoundError:
        fail(u"host not found"_s);
        break;
    default:
        fail(u"network error: "_s + t.socket->errorString());
        break;
    }
}

void InetTransfer::Private::readAvailable()
{
    const qint64 before = t.received;
    while (t.socket && t.socket->bytesAvailable() > 0) {
        if (t.marks.firstByte < 0)
            t.marks.firstByte = t.clock.elapsed();
        advanceTo(Receiving);
        const qint64 available = t.socket->bytesAvailable();
        qint64 got = 0;
        // Running out of memory for the body is a failed transfer, not the end of the
        // program: bodySpace() and feed() grow the body (reserving for a Content-Length,
        // taking chunk bytes) and throw std::bad_alloc when it cannot grow.
        if (const qsizetype direct = t.parser.directBodyBytes(); direct > 0) {
            const qsizetype count = qsizetype(std::min<qint64>(direct, available));
            char *space = nullptr;
            try {
                space = t.parser.bodySpace(count);
            } catch (const std::bad_alloc &) {
                return m_q->failOutOfMemory();
            }
            got = std::max<qint64>(t.socket->read(space, count), 0);
            t.received += got;
            handleParserStatus(t.parser.bodyWritten(qsizetype(got)));
        } else {
            const qint64 count = std::min<qint64>(available, kLineReadSize);
            got = std::max<qint64>(t.socket->read(m_lineBuffer.data(), count), 0);
            if (t.received == 0 && got > 0)
                t.firstByte = m_lineBuffer[0];
            t.received += got;
            HttpResponseParser::Status status;
            try {
                status = t.parser.feed(QByteArrayView(m_lineBuffer.data(), qsizetype(got))).status;
            } catch (const std::bad_alloc &) {
                return m_q->failOutOfMemory();
            }
            handleParserStatus(status);
        }
        if (got == 0)
            break;
    }
    if (t.received != before)
        Q_EMIT m_q->bytesMoved();
}

void InetTransfer::Private::handleParserStatus(HttpResponseParser::Status status)
{
    if (status == HttpResponseParser::Status::Complete)
        complete();
    else if (status == HttpResponseParser::Status::Bad)
        failFromParser();
}

void InetTransfer::Private::complete()
{
    t.statusCode = t.parser.statusCode();
    t.reasonPhrase = t.parser.reasonPhrase();
    t.body = t.parser.takeBody();
    t.head = t.parser.head();
    t.marks.end = t.clock.elapsed();
    advanceTo(ResponseReceived);
    advanceTo(Disconnecting);
    dropSocket();
    advanceTo(Disconnected);
    queueState(ResponseCompleted);
}

void InetTransfer::Private::failFromParser()
{
    // A TLS server's alert to a plain request is all it sends: no HTTP answer starts so.
    const QString tlsHint = opensTlsRecord(t.firstByte) ? u" (a TLS port?)"_s : QString();
    switch (t.parser.failure()) {
    case HttpResponseParser::Failure::TooLarge:
        fail(u"answer larger than the limit"_s);
        break;
    case HttpResponseParser::Failure::CutShort:
        if (!tlsHint.isEmpty())
            fail(u"malformed answer: no HTTP/1.x status line"_s + tlsHint);
        else
            fail(u"connection closed before the answer was complete"_s);
        break;
    default:
        fail(u"malformed answer: "_s + t.parser.failureText() + tlsHint);
        break;
    }
}

void InetTransfer::Private::fail(const QString &text)
{
    // Only the first cause counts: dropping the socket can report more.
    if (t.finalPosted)
        return;
    t.failureText = text;
    dropSocket();
    t.request = QByteArray();
    t.body = QByteArray();
    t.parser = HttpResponseParser(HttpResponseParser::Limits{});
    queueState(Failed);
}

void InetTransfer::Private::dropSocket()
{
    m_timer.stop();
    if (!t.socket)
        return;
    QTcpSocket *const socket = std::exchange(t.socket, nullptr);
    socket->disconnect(m_q);
    // The whole response is framed (or given up on): nothing more is wanted from the peer,
    // and a close that waited on it could only turn a finished transfer into a failure.
    socket->abort();
    socket->deleteLater();
}

void InetTransfer::Private::advanceTo(State state)
{
    while (t.reached < state)
        queueState(static_cast<State>(++t.reached));
}

void InetTransfer::Private::queueState(State state)
{
    if (t.finalPosted)
        return;
    t.finalPosted = state == Failed || state == ResponseCompleted;
    if (t.finalPosted)
        t.elapsedMs = t.clock.elapsed();
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        m_q, [this, generation, state] { emitQueuedState(generation, state); },
        Qt::QueuedConnection);
}

void InetTransfer::Private::emitQueuedState(quint64 generation, State state)
{
    if (generation != m_generation)
        return;
    if (state == Failed)
        t.running = false;
    else if (state == ResponseCompleted)
        t.bodyReady = true;
    Q_EMIT m_q->StateChanged(state);
}

void InetTransfer::Private::restartTimer()
{
    m_timer.start(m_timeout);
}

InetTransfer::InetTransfer(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(this))
{ }

InetTransfer::~InetTransfer()
{
    if (d->t.socket)
        d->t.socket->disconnect(this);
}

bool InetTransfer::StillExecuting() const
{
    return d->t.running;
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
    if (d->t.running)
        return;
    d->start(url, method, requestData, requestHeaders);
}

QByteArray InetTransfer::GetChunk(int maxBytes, int /*dataType*/)
{
    if (!d->t.bodyReady || maxBytes <= 0)
        return {};
    const qsizetype left = d->t.body.size() - d->t.offset;
    if (left == 0) {
        d->t.bodyReady = false;
        d->t.running = false;
        d->t.body = QByteArray();
        d->t.offset = 0;
        return {};
    }
    const qsizetype count = std::min<qsizetype>(left, maxBytes);
    d->t.offset += count;
    if (count == d->t.body.size())
        return d->t.body;
    return d->t.body.mid(d->t.offset - count, count);
}

void InetTransfer::offerBodyStorage(QByteArray storage)
{
    d->m_offeredBody = std::move(storage);
}

QByteArrayView InetTransfer::bodySoFar() const
{
    return d->t.socket ? QByteArrayView(d->t.parser.body()) : QByteArrayView();
}

void InetTransfer::setTimeout(std::chrono::milliseconds timeout)
{
    d->m_timeout = timeout;
}

qint64 InetTransfer::bytesSent() const
{
    return d->t.written;
}

qint64 InetTransfer::bytesReceived() const
{
    return d->t.received;
}

void InetTransfer::failOutOfMemory()
{
    if (d->t.running)
        d->fail(outOfMemoryText());
}

QString InetTransfer::outOfMemoryText()
{
    return u"answer too large for the memory available"_s;
}

QString InetTransfer::failureText() const
{
    return d->t.failureText;
}

int InetTransfer::statusCode() const
{
    return d->t.statusCode;
}

QByteArray InetTransfer::reasonPhrase() const
{
    return d->t.reasonPhrase;
}

qint64 InetTransfer::elapsedMs() const
{
    return d->t.elapsedMs;
}

QByteArray InetTransfer::responseHead() const
{
    return d->t.head;
}

InetTransfer::Timing InetTransfer::timing() const
{
    const auto &marks = d->t.marks;
    // An answer that came before the request was all written counts its first byte at once.
    const qint64 sent =
        std::min(marks.requestSent < 0 ? marks.firstByte : marks.requestSent, marks.firstByte);
    Timing timing;
    timing.nameLookupMs = marks.byName ? marks.nameFound : -1;
    timing.connectMs = marks.connected;
    timing.firstByteMs = marks.firstByte - sent;
    timing.bodyMs = marks.end - marks.firstByte;
    return timing;
}

void InetTransfer::setTlsSettingsFile(const QString &fileName)
{
    d->m_settingsFile = fileName;
}

std::optional<UntrustedCertificate> InetTransfer::untrustedCertificate() const
{
    return d->t.untrusted;
}
