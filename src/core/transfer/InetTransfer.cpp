#include "transfer/InetTransfer.h"

#include "transfer/HttpResponseParser.h"
#include "transfer/RequestWire.h"
#include "transfer/TlsTrust.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <array>
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
    void onConnected();
    void onBytesWritten(qint64 count);
    void onReadyRead();
    void onClosed();
    void onSocketError(QAbstractSocket::SocketError error);
    QSslSocket *startTls(const RequestWire &wire);
    bool failForTls(QAbstractSocket::SocketError error);
    void readAvailable();
    void handleParserStatus(HttpResponseParser::Status status);
    void complete();
    void fail(Failure failure, const QString &text);
    void failFromParser();
    void dropSocket();
    void advanceTo(State state);
    void queueState(State state);
    void emitQueuedState(quint64 generation, State state);
    void restartTimer();

    InetTransfer *const m_q;
    int m_protocol = ProtocolHttp;
    std::chrono::milliseconds m_timeout = DefaultTimeout;
    HttpResponseParser::Limits m_limits;
    QTimer m_timer;
    QTcpSocket *m_socket = nullptr;
    QByteArray m_request;
    qint64 m_written = 0;
    qint64 m_received = 0;
    HttpResponseParser m_parser;
    QByteArray m_body;
    QByteArray m_offeredBody;
    qsizetype m_offset = 0;
    std::array<char, kLineReadSize> m_lineBuffer{};
    Failure m_failure = Failure::None;
    QString m_failureText;
    int m_statusCode = 0;
    QByteArray m_reasonPhrase;
    QElapsedTimer m_clock;
    qint64 m_elapsedMs = 0;
    QByteArray m_head;
    // Milliseconds from Execute; -1 until reached.
    struct
    {
        qint64 nameFound = -1, connected = -1, requestSent = -1, firstByte = -1, end = -1;
        bool byName = false;
    } m_marks;
    // Every transfer gets a number; a queued state of an older one is dropped on arrival.
    quint64 m_generation = 0;
    int m_reached = 0;
    bool m_running = false;
    bool m_finalPosted = false;
    bool m_bodyReady = false;
    // TLS: where [TLS] is read, the connection's trust, and what its handshake came to.
    QString m_settingsFile;
    std::optional<TlsTrust> m_tls;
    bool m_handshakeDone = false;
    QString m_tlsRefusal;
    std::optional<UntrustedCertificate> m_untrusted;
    char m_firstByte = 0;
};

InetTransfer::Private::Private(InetTransfer *q)
    : m_q(q)
{
    m_timer.setSingleShot(true);
    // A coarse timer may fire up to 5% early: a 60 s time-out would give up after 57 s.
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, q, [this] {
        fail(Failure::TimedOut, u"no answer within "_s + seconds(m_timeout) + u" s"_s);
    });
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
    m_received = 0;
    m_failure = Failure::None;
    m_failureText.clear();
    m_statusCode = 0;
    m_reasonPhrase.clear();
    m_elapsedMs = 0;
    m_head.clear();
    m_marks = {};
    m_tls.reset();
    m_handshakeDone = false;
    m_tlsRefusal.clear();
    m_untrusted.reset();
    m_firstByte = 0;
    m_clock.start();
    m_parser = HttpResponseParser(m_limits);
    m_parser.offerBodyStorage(std::exchange(m_offeredBody, QByteArray()));

    Result<RequestWire> wire = m_protocol == ProtocolHttp || m_protocol == ProtocolHttps
        ? RequestWire::compose(url, method, body, headers)
        : Result<RequestWire>(::Failure{u"not an HTTP request"_s});
    if (!wire) {
        fail(Failure::BadAddress, u"cannot send to this address: "_s + wire.reason());
        return;
    }
    if (m_protocol == ProtocolHttps && !wire->secure) {
        fail(Failure::BadAddress, u"cannot send to this address: not an https:// address"_s);
        return;
    }
    if (wire->secure) {
        Result<TlsTrust> trust = TlsTrust::load(m_settingsFile, wire->host, wire->port);
        if (!trust) {
            fail(Failure::Tls, trust.reason());
            return;
        }
        m_tls = std::move(trust).value();
    }
    m_request = std::move(wire.value().bytes);
    m_marks.byName = QHostAddress(wire->host).isNull();

    advanceTo(Resolving);
    QSslSocket *const tls = m_tls ? startTls(*wire) : nullptr;
    m_socket = tls ? tls : new QTcpSocket(m_q);
    QTcpSocket *const socket = m_socket;
    socket->setReadBufferSize(kSocketBufferBytes);
    // dropSocket() cuts these before the socket is let go, so nothing an old socket still
    // does (its abort emits at once) can reach a later transfer.
    QObject::connect(socket, &QAbstractSocket::hostFound, m_q, [this] {
        m_marks.nameFound = m_clock.elapsed();
        restartTimer();
        advanceTo(Connecting);
    });
    if (!tls)
        QObject::connect(socket, &QAbstractSocket::connected, m_q, [this] { onConnected(); });
    QObject::connect(socket, &QAbstractSocket::bytesWritten, m_q,
                     [this](qint64 count) { onBytesWritten(count); });
    QObject::connect(socket, &QIODevice::readyRead, m_q, [this] { onReadyRead(); });
    QObject::connect(socket, &QAbstractSocket::disconnected, m_q, [this] { onClosed(); });
    QObject::connect(socket, &QAbstractSocket::errorOccurred, m_q,
                     [this](QAbstractSocket::SocketError error) { onSocketError(error); });
    restartTimer();
    if (tls)
        tls->connectToHostEncrypted(wire->host, wire->port);
    else
        socket->connectToHost(wire->host, wire->port);
}

// The handshake belongs to connecting: "Connected" comes once it is done, and the bytes
// counted are those of HTTP inside it.
QSslSocket *InetTransfer::Private::startTls(const RequestWire &wire)
{
    auto *const socket = new QSslSocket(m_q);
    socket->setSslConfiguration(m_tls->configuration());
    socket->setPeerVerifyName(wire.host);
    QObject::connect(socket, &QAbstractSocket::connected, m_q, [this] { restartTimer(); });
    QObject::connect(
        socket, &QSslSocket::sslErrors, m_q, [this, socket](const QList<QSslError> &errors) {
            const Result<> judged = m_tls->judgeErrors(socket->peerCertificate(), errors);
            if (judged)
                socket->ignoreSslErrors();
            else
                m_tlsRefusal = judged.reason(); // the handshake fails with it next
        });
    // Taken up when the connection ends: the alert comes from inside the library's reading.
    QObject::connect(socket, &QSslSocket::alertReceived, m_q,
                     [this](QSsl::AlertLevel, QSsl::AlertType type, const QString &) {
                         if (const QString reason = TlsTrust::alertFailure(type); !reason.isEmpty())
                             m_tlsRefusal = reason;
                     });
    QObject::connect(socket, &QSslSocket::encrypted, m_q, [this, socket] {
        m_handshakeDone = true;
        if (const Result<> judged = m_tls->judgeFinished(socket->peerCertificate()); !judged)
            fail(Failure::Tls, judged.reason());
        else
            onConnected();
    });
    return socket;
}

bool InetTransfer::Private::failForTls(QAbstractSocket::SocketError error)
{
    if (!m_tls || !m_socket)
        return false;
    const QString reason = !m_tlsRefusal.isEmpty()
        ? m_tlsRefusal
        : m_tls->socketFailure(error, m_socket->errorString(), m_handshakeDone);
    if (reason.isEmpty())
        return false;
    m_untrusted = m_tls->untrusted();
    fail(Failure::Tls, reason);
    return true;
}

void InetTransfer::Private::onConnected()
{
    m_marks.connected = m_clock.elapsed();
    restartTimer();
    advanceTo(Requesting);
    m_socket->write(m_request);
}

void InetTransfer::Private::onBytesWritten(qint64 count)
{
    restartTimer();
    m_written += count;
    Q_EMIT m_q->bytesMoved();
    if (m_written >= m_request.size()) {
        m_request = QByteArray();
        m_marks.requestSent = m_clock.elapsed();
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
    if (m_socket)
        handleParserStatus(m_parser.connectionClosed());
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
        fail(Failure::Refused, u"connection refused"_s);
        break;
    case QAbstractSocket::HostNotFoundError:
        fail(Failure::HostNotFound, u"host not found"_s);
        break;
    default:
        fail(Failure::Network, u"network error: "_s + m_socket->errorString());
        break;
    }
}

void InetTransfer::Private::readAvailable()
{
    const qint64 before = m_received;
    while (m_socket && m_socket->bytesAvailable() > 0) {
        if (m_marks.firstByte < 0)
            m_marks.firstByte = m_clock.elapsed();
        advanceTo(Receiving);
        const qint64 available = m_socket->bytesAvailable();
        qint64 got = 0;
        // Running out of memory for the body is a failed transfer, not the end of the
        // program: bodySpace() and feed() grow the body (reserving for a Content-Length,
        // taking chunk bytes) and throw std::bad_alloc when it cannot grow.
        if (const qsizetype direct = m_parser.directBodyBytes(); direct > 0) {
            const qsizetype count = qsizetype(std::min<qint64>(direct, available));
            char *space = nullptr;
            try {
                space = m_parser.bodySpace(count);
            } catch (const std::bad_alloc &) {
                return m_q->failOutOfMemory();
            }
            got = std::max<qint64>(m_socket->read(space, count), 0);
            m_received += got;
            handleParserStatus(m_parser.bodyWritten(qsizetype(got)));
        } else {
            const qint64 count = std::min<qint64>(available, kLineReadSize);
            got = std::max<qint64>(m_socket->read(m_lineBuffer.data(), count), 0);
            if (m_received == 0 && got > 0)
                m_firstByte = m_lineBuffer[0];
            m_received += got;
            HttpResponseParser::Status status;
            try {
                status = m_parser.feed(QByteArrayView(m_lineBuffer.data(), qsizetype(got))).status;
            } catch (const std::bad_alloc &) {
                return m_q->failOutOfMemory();
            }
            handleParserStatus(status);
        }
        if (got == 0)
            break;
    }
    if (m_received != before)
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
    m_statusCode = m_parser.statusCode();
    m_reasonPhrase = m_parser.reasonPhrase();
    m_body = m_parser.takeBody();
    m_head = m_parser.head();
    m_marks.end = m_clock.elapsed();
    advanceTo(ResponseReceived);
    advanceTo(Disconnecting);
    dropSocket();
    advanceTo(Disconnected);
    queueState(ResponseCompleted);
}

void InetTransfer::Private::failFromParser()
{
    switch (m_parser.failure()) {
    case HttpResponseParser::Failure::TooLarge:
        fail(Failure::TooLarge, u"answer larger than the limit"_s);
        break;
    case HttpResponseParser::Failure::CutShort:
        // A TLS server's alert to a plain request is all it sends: no HTTP answer starts so.
        if (const QString hint = tlsPortHint(m_firstByte); !hint.isEmpty())
            fail(Failure::Malformed, u"malformed answer: no HTTP/1.x status line"_s + hint);
        else
            fail(Failure::CutShort, u"connection closed before the answer was complete"_s);
        break;
    default:
        fail(Failure::Malformed,
             u"malformed answer: "_s + m_parser.failureText() + tlsPortHint(m_firstByte));
        break;
    }
}

void InetTransfer::Private::fail(Failure failure, const QString &text)
{
    // Only the first cause counts: dropping the socket can report more.
    if (m_finalPosted)
        return;
    m_failure = failure;
    m_failureText = text;
    dropSocket();
    m_request = QByteArray();
    m_body = QByteArray();
    m_parser = HttpResponseParser(m_limits);
    queueState(Failed);
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

void InetTransfer::Private::advanceTo(State state)
{
    while (m_reached < state)
        queueState(static_cast<State>(++m_reached));
}

void InetTransfer::Private::queueState(State state)
{
    if (m_finalPosted)
        return;
    m_finalPosted = state == Failed || state == ResponseCompleted;
    if (m_finalPosted)
        m_elapsedMs = m_clock.elapsed();
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
{ }

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
    if (count == d->m_body.size())
        return d->m_body;
    return d->m_body.mid(d->m_offset - count, count);
}

void InetTransfer::offerBodyStorage(QByteArray storage)
{
    d->m_offeredBody = std::move(storage);
}

QByteArrayView InetTransfer::bodySoFar() const
{
    return d->m_socket ? QByteArrayView(d->m_parser.body()) : QByteArrayView();
}

void InetTransfer::setTimeout(std::chrono::milliseconds timeout)
{
    d->m_timeout = timeout;
}

void InetTransfer::setBodyLimit(qsizetype bytes)
{
    d->m_limits.maxBodyBytes = bytes;
}

qint64 InetTransfer::bytesSent() const
{
    return d->m_written;
}

qint64 InetTransfer::bytesReceived() const
{
    return d->m_received;
}

void InetTransfer::failOutOfMemory()
{
    if (d->m_running)
        d->fail(Failure::OutOfMemory, outOfMemoryText());
}

QString InetTransfer::outOfMemoryText()
{
    return u"answer too large for the memory available"_s;
}

InetTransfer::Failure InetTransfer::failure() const
{
    return d->m_failure;
}

QString InetTransfer::failureText() const
{
    return d->m_failureText;
}

int InetTransfer::statusCode() const
{
    return d->m_statusCode;
}

QByteArray InetTransfer::reasonPhrase() const
{
    return d->m_reasonPhrase;
}

qint64 InetTransfer::elapsedMs() const
{
    return d->m_elapsedMs;
}

QByteArray InetTransfer::responseHead() const
{
    return d->m_head;
}

InetTransfer::Timing InetTransfer::timing() const
{
    const auto &marks = d->m_marks;
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
    return d->m_untrusted;
}
