#include "RequestRunner.h"

#include "traffic/StatusText.h"
#include "traffic/TrafficLog.h"
#include "transfer/InetTransfer.h"
#include "transfer/TrackingUrl.h"

#include <QTimer>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

void warnIfNotLogged(const Result<> &written)
{
    if (!written)
        qWarning("The traffic log could not be written: %s", qPrintable(written.reason()));
}

} // namespace

RequestRunner::RequestRunner(std::chrono::milliseconds timeout, bool verbose, TrafficLog *log,
                             const QString &tlsSettingsFile, QObject *parent)
    : QObject(parent)
    , m_transfer(new InetTransfer(this))
    , m_verbose(verbose)
    , m_log(log)
{
    m_transfer->setTimeout(timeout);
    m_transfer->setTlsSettingsFile(tlsSettingsFile);
    connect(m_transfer, &InetTransfer::StateChanged, this, &RequestRunner::stateChanged);
}

void RequestRunner::send(const TrackingRequest &request, std::function<void(Exchange)> done)
{
    m_current = Exchange{};
    m_current.request = request;
    m_done = std::move(done);
    m_transfer->setProtocol(isHttpsAddress(request.url) ? InetTransfer::ProtocolHttps
                                                        : InetTransfer::ProtocolHttp);
    m_transfer->Execute(request.url, request.method, request.body, request.headers);
    log({QByteArrayView("---Data Transmitted---"), request.url.toUtf8(), request.headers.toUtf8(),
         request.body.toUtf8()});
}

void RequestRunner::stateChanged(qint16 state)
{
    if (m_verbose)
        qInfo("%s", qPrintable(statusText(state)));
    if (state != InetTransfer::ResponseCompleted && state != InetTransfer::Failed)
        return;
    m_current.completed = state == InetTransfer::ResponseCompleted;
    if (m_current.completed) {
        m_current.status = m_transfer->statusCode();
        m_current.phrase = m_transfer->reasonPhrase();
        // The whole body comes in one piece, without a copy; the loop ends the transfer.
        for (QByteArray piece;
             !(piece = m_transfer->GetChunk(std::numeric_limits<int>::max())).isEmpty();) {
            m_current.body += piece;
        }
        if (m_log)
            m_log->writeBlockSharing("---Data Received---", m_current.body, warnIfNotLogged);
    } else {
        m_current.failureText = m_transfer->failureText();
        m_current.untrusted = m_transfer->untrustedCertificate();
    }
    m_current.elapsedMs = m_transfer->elapsedMs();
    m_current.bytesSent = m_transfer->bytesSent();
    m_current.bytesReceived = m_transfer->bytesReceived();
    if (m_verbose) {
        qInfo("%s", qPrintable(m_current.details()));
        qInfo("%lld bytes sent, %lld bytes received", m_current.bytesSent, m_current.bytesReceived);
    }
    // The caller may send the next request at once; the transfer has ended its own work first.
    QTimer::singleShot(0, this, [this] {
        auto done = std::move(m_done);
        done(std::move(m_current));
    });
}

void RequestRunner::log(std::initializer_list<QByteArrayView> records)
{
    if (m_log)
        warnIfNotLogged(m_log->writeBlock(records));
}
