#include "traffic/ResponseCollector.h"

#include "transfer/InetTransfer.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// The body is already in memory when it is collected: taken whole, it is shared with the
// transfer instead of copied piece by piece.
constexpr int kWholeBody = std::numeric_limits<int>::max();

} // namespace

ResponseCollector::ResponseCollector(QObject *parent)
    : QObject(parent)
{ }

void ResponseCollector::collect(InetTransfer &transfer, QByteArray &buffer, Steps steps)
{
    m_transfer = &transfer;
    m_buffer = &buffer;
    m_steps = std::move(steps);
    m_scanned = 0;
    buffer += transfer.GetChunk(kWholeBody);
    if (m_steps.taken)
        m_steps.taken(buffer);
    // Taking an empty body has released the transfer already: the rest must not wait for an
    // event pass, or a request could start before this response is shown.
    if (buffer.isEmpty())
        scanNextPiece();
    else
        queueNextStep();
}

void ResponseCollector::queueNextStep()
{
    QMetaObject::invokeMethod(this, &ResponseCollector::scanNextPiece, Qt::QueuedConnection);
}

void ResponseCollector::scanNextPiece()
{
    if (!m_buffer)
        return;
    // Only for a body to scan: an empty one must end without an event pass (above).
    if (m_steps.prepare && !m_buffer->isEmpty() && m_steps.prepare()) {
        queueNextStep();
        return;
    }
    m_steps.prepare = nullptr;
    if (m_steps.scanPiece && m_scanned < m_buffer->size()) {
        m_scanned = std::min(m_buffer->size(), m_scanned + PieceBytes);
        m_steps.scanPiece(QByteArrayView(*m_buffer).first(m_scanned));
        queueNextStep();
        return;
    }
    // Reading to the end is what releases the transfer for the next request.
    if (m_transfer) {
        while (!m_transfer->GetChunk(kWholeBody).isEmpty()) {
        }
    }
    m_buffer = nullptr;
    const auto finished = std::exchange(m_steps, Steps()).finished;
    if (finished)
        finished();
}
