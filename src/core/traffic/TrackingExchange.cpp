#include "traffic/TrackingExchange.h"

#include "jobs/JobStatusTable.h"
#include "traffic/TrafficLog.h"
#include "transfer/InetTransfer.h"
#include "transfer/RequestWire.h"
#include "transfer/TrackingUrl.h"

#include <QMetaObject>

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// The body is in memory when it is taken: taken whole, it is shared with the transfer instead
// of copied piece by piece.
constexpr int kWholeBody = std::numeric_limits<int>::max();

// The request of a kind as composed, before it is known whether it can be sent.
TrackingRequest requestOf(RequestKind kind, const QString &typedAddress, const QString &externalId,
                          const QString &body)
{
    const QString job = u"/"_s + pathSegment(externalId);
    QString method = u"GET"_s, suffix;
    switch (kind) {
    case RequestKind::Create:
        method = u"POST"_s;
        break;
    case RequestKind::GetJob:
        suffix = job;
        break;
    case RequestKind::StopJob:
        method = u"POST"_s;
        suffix = job + u"/stopTracking"_s;
        break;
    case RequestKind::DeleteJob:
        method = u"DELETE"_s;
        suffix = job;
        break;
    case RequestKind::None:
    case RequestKind::List:
        break;
    }
    return composeTrackingRequest(typedAddress, method, suffix, body);
}

JobStatusTable &noTable()
{
    static JobStatusTable table;
    return table;
}

} // namespace

TrackingExchange::TrackingExchange(TrafficLog *log, QObject *parent)
    : QObject(parent)
    , m_transfer(new InetTransfer(this))
    , m_log(log)
    , m_scan(noTable())
{
    connect(m_transfer, &InetTransfer::StateChanged, this, &TrackingExchange::onStateChanged);
    connect(m_transfer, &InetTransfer::bytesMoved, this, [this] {
        try {
            m_lines.extend(m_transfer->bodySoFar());
        } catch (const std::bad_alloc &) {
            // The line index's checkpoints (LineIndex::extend) found no memory to grow into.
            m_transfer->failOutOfMemory();
        }
    });
}

TrackingExchange::~TrackingExchange() = default;

bool TrackingExchange::busy() const
{
    return m_collecting || m_transfer->StillExecuting();
}

Result<TrackingRequest> TrackingExchange::compose(RequestKind kind, const QString &typedAddress,
                                                  const QString &externalId, const QString &body)
{
    TrackingRequest request = requestOf(kind, typedAddress, externalId, body);
    const Result<RequestWire> wire =
        RequestWire::compose(request.url, request.method, request.body, request.headers);
    if (!wire)
        return Failure{wire.reason()};
    return request;
}

Result<TrackingRequest> TrackingExchange::send(RequestKind kind, const QString &typedAddress,
                                               const QString &externalId, const QString &body)
{
    if (busy())
        return Failure{u"a request is still under way"_s};
    Result<TrackingRequest> composed = compose(kind, typedAddress, externalId, body);
    if (!composed) {
        const QString reason = u"cannot send to this address: "_s + composed.reason();
        emit refused(requestOf(kind, typedAddress, externalId, body), reason);
        return Failure{reason};
    }
    const TrackingRequest &request = *composed;
    m_kind = kind;
    m_lines = LineIndex();
    // The last request's large block, if still being written, is told to that request.
    if (m_log)
        (void)m_log->finishWriting();
    const quint64 sequence = ++m_sequence;
    m_transfer->setProtocol(InetTransfer::ProtocolHttp);
    m_transfer->Execute(request.url, request.method, request.body, request.headers);
    if (m_log) {
        noteLogged(
            sequence,
            m_log->writeBlock({QByteArrayView("---Data Transmitted---"), request.url.toUtf8(),
                               request.headers.toUtf8(), request.body.toUtf8()}));
    }
    m_outcome = ExchangeOutcome{};
    m_outcome.request = request;
    m_outcome.kind = kind;
    emit sent(request);
    return composed;
}

void TrackingExchange::offerBodyStorage(QByteArray storage)
{
    m_transfer->offerBodyStorage(std::move(storage));
}

void TrackingExchange::onStateChanged(qint16 state)
{
    if (state == InetTransfer::ResponseCompleted) {
        takeResponse();
        return;
    }
    emit stateChanged(state);
    if (state != InetTransfer::Failed)
        return;
    m_lines = LineIndex(); // nothing of a failed response is kept
    m_outcome.failureText = m_transfer->failureText();
    m_outcome.untrusted = m_transfer->untrustedCertificate();
    finish();
}

void TrackingExchange::takeResponse()
{
    m_collecting = true;
    m_outOfMemory = false;
    m_prepared = false;
    m_scanned = 0;
    m_outcome.completed = true;
    m_outcome.status = m_transfer->statusCode();
    m_outcome.phrase = m_transfer->reasonPhrase();
    m_outcome.head = m_transfer->responseHead();
    m_outcome.timing = m_transfer->timing();
    ResponseBuffer += m_transfer->GetChunk(kWholeBody);
    // Logged as soon as the body is in: a large block is written by the log's own thread while
    // the list is scanned. The log and the view share the body; neither copies it.
    if (m_log) {
        m_log->writeBlockSharing("---Data Received---", ResponseBuffer,
                                 [this, sequence = m_sequence](const Result<> &written) {
                                     noteLogged(sequence, written);
                                     if (sequence == m_sequence)
                                         emit receivedLogged();
                                 });
    }
    // A view shows the new body at once, before a list is scanned: the old body and its line
    // index, which the new ones replace, are let go before the scan's job table is built, so
    // the three never take memory together.
    emit bodyTaken(ResponseBuffer, &m_lines, m_outcome.head);
    m_lines = LineIndex();
    m_scanList = m_kind == RequestKind::List && m_table && !m_outOfMemory;
    if (m_scanList) {
        // Scanned straight into the run-long table: a table of the list's own beside it took
        // as much memory again, until merged.
        m_scan = JobListScanner(*m_table);
        scanning([this] { m_scan.makeRoomFor(ResponseBuffer.size()); });
    }
    // Taking an empty body has released the transfer already: the rest must not wait for an
    // event pass, or a request could start before this response is shown.
    if (ResponseBuffer.isEmpty())
        nextStep();
    else
        queueNextStep();
}

void TrackingExchange::queueNextStep()
{
    QMetaObject::invokeMethod(this, &TrackingExchange::nextStep, Qt::QueuedConnection);
}

void TrackingExchange::nextStep()
{
    if (!m_collecting)
        return;
    const bool scanning = m_scanList && !m_outOfMemory && !ResponseBuffer.isEmpty();
    // Before the first piece, what it would otherwise do all at once (making fresh memory).
    if (scanning && !m_prepared) {
        if (m_scan.prepare()) {
            queueNextStep();
            return;
        }
        m_prepared = true;
    }
    if (scanning && m_scanned < ResponseBuffer.size()) {
        m_scanned = std::min(ResponseBuffer.size(), m_scanned + PieceBytes);
        this->scanning([this] { m_scan.feed(QByteArrayView(ResponseBuffer).first(m_scanned)); });
        queueNextStep();
        return;
    }
    // Reading to the end is what releases the transfer for the next request.
    while (!m_transfer->GetChunk(kWholeBody).isEmpty()) {
    }
    if (m_scanList && !m_outOfMemory) {
        this->scanning([this] { m_scan.finish(ResponseBuffer); });
        if (!m_outOfMemory)
            emit listScanned();
    }
    if (m_outOfMemory) {
        m_outcome.completed = false;
        m_outcome.failureText = InetTransfer::outOfMemoryText();
    }
    finish();
}

template <typename Step>
void TrackingExchange::scanning(Step &&step)
{
    if (m_outOfMemory)
        return;
    try {
        step();
    } catch (const std::bad_alloc &) {
        // What the table's and the index's growth throw (JobStatusTable::insert, growIndex,
        // the vector's reserve) when the list does not fit the memory available.
        m_outOfMemory = true;
        m_scan.abandon();
    }
}

void TrackingExchange::noteLogged(quint64 sequence, const Result<> &written)
{
    if (written)
        return;
    qWarning("The traffic log could not be written: %s", qPrintable(written.reason()));
    if (sequence == m_sequence)
        emit notLogged(written.reason());
}

void TrackingExchange::finish()
{
    m_outcome.elapsedMs = m_transfer->elapsedMs();
    m_outcome.bytesSent = m_transfer->bytesSent();
    m_outcome.bytesReceived = m_transfer->bytesReceived();
    if (m_outcome.completed)
        m_outcome.body = ResponseBuffer;
    m_collecting = false;
    m_scanList = false;
    m_scan = JobListScanner(noTable());
    ResponseBuffer.clear();
    const ExchangeOutcome outcome = std::exchange(m_outcome, ExchangeOutcome{});
    emit finished(outcome);
}
