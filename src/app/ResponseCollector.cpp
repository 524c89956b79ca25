#include "app/ResponseCollector.h"

#include "transfer/InetTransfer.h"

#include <QCoreApplication>

#include <limits>

namespace {

// The body is already in memory when it is collected. Handed out whole it is shared with the
// buffer instead of copied piece by piece, which for a list of 100 MB halves the memory and
// saves the copying; the event pass after the piece keeps the window as responsive as smaller
// pieces would, since there is no work left between them.
constexpr int kPieceSize = std::numeric_limits<int>::max();

} // namespace

void ResponseCollector::collect(InetTransfer &transfer, QByteArray &buffer)
{
    m_handling = true;
    buffer += transfer.GetChunk(kPieceSize);
    for (;;) {
        QCoreApplication::processEvents();
        const QByteArray piece = transfer.GetChunk(kPieceSize);
        if (piece.isEmpty())
            break;
        buffer += piece;
    }
}

void ResponseCollector::done()
{
    m_handling = false;
    auto waiting = std::move(m_waiting);
    m_waiting.clear();
    for (const auto &action : waiting)
        action();
}

void ResponseCollector::afterResponse(std::function<void()> action)
{
    if (m_handling)
        m_waiting.push_back(std::move(action));
    else
        action();
}
