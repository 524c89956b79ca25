#include "traffic/ResponseCollector.h"

#include "transfer/InetTransfer.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace {

// The body is already in memory when it is collected. Handed out whole it is shared with the
// buffer instead of copied piece by piece, which for a list of 100 MB halves the memory and
// saves the copying.
constexpr int kPieceSize = std::numeric_limits<int>::max();

} // namespace

void ResponseCollector::collect(InetTransfer &transfer, QByteArray &buffer,
                                const std::function<void()> &taken,
                                const std::function<void(QByteArrayView)> &digest)
{
    m_handling = true;
    buffer += transfer.GetChunk(kPieceSize);
    if (taken)
        taken();
    qsizetype digested = 0;
    for (;;) {
        // The work on the body goes in pieces with events between them: the only place where
        // events run nested, and the transfer is still busy, so no new request interleaves.
        do {
            if (digest && digested < buffer.size()) {
                digested = std::min(buffer.size(), digested + DigestPieceBytes);
                digest(QByteArrayView(buffer).first(digested));
            }
            QCoreApplication::processEvents();
        } while (digest && digested < buffer.size());
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
