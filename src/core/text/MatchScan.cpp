#include "text/MatchScan.h"

#include "text/ShownText.h"

#include <algorithm>

MatchScan::MatchScan(QObject *parent)
    : QObject(parent)
{ }

void MatchScan::start(const ShownText *text, const QByteArray &needle, bool matchCase)
{
    clear();
    if (needle.isEmpty()) {
        m_finished = true;
        return;
    }
    m_text = text;
    m_finder = ByteFinder(needle, matchCase);
    step(m_generation);
}

void MatchScan::clear()
{
    // A piece already queued for the old scan sees the new number and does nothing.
    ++m_generation;
    m_text = nullptr;
    m_finder = ByteFinder();
    m_matches.clear();
    m_matches.shrink_to_fit();
    m_next = 0;
    m_finished = false;
}

qsizetype MatchScan::firstFrom(qsizetype pos) const
{
    return std::lower_bound(m_matches.begin(), m_matches.end(), pos) - m_matches.begin();
}

void MatchScan::step(quint64 generation)
{
    if (generation != m_generation || !m_text)
        return;
    const qsizetype limit = std::min(m_text->size(), m_next + PieceBytes);
    for (qsizetype at = findFrom(m_next, limit); at >= 0; at = findFrom(m_next, limit)) {
        m_matches.push_back(at);
        m_next = at + m_finder.size();
    }
    m_next = std::max(m_next, limit);
    m_finished = m_next >= m_text->size();
    if (!m_finished)
        QMetaObject::invokeMethod(
            this, [this, generation] { step(generation); }, Qt::QueuedConnection);
    Q_EMIT progressed();
}

qsizetype MatchScan::findFrom(qsizetype from, qsizetype limit) const
{
    const qsizetype headSize = m_text->bodyStart();
    const qsizetype n = m_finder.size();
    if (from < headSize) {
        const QByteArrayView head = QByteArrayView(m_text->head()).first(headSize);
        if (const qsizetype at = m_finder.indexIn(head, from, limit); at >= 0)
            return at;
        // A match that starts in the head's last bytes and ends in the body.
        const qsizetype seamStart = std::max(from, headSize - (n - 1));
        if (seamStart < std::min(limit, headSize)) {
            const QByteArray seam =
                m_text->bytes(seamStart, std::min(m_text->size(), headSize + n - 1));
            if (const qsizetype at =
                    m_finder.indexIn(seam, 0, std::min(limit, headSize) - seamStart);
                at >= 0)
                return seamStart + at;
        }
        from = headSize;
    }
    const qsizetype at = m_finder.indexIn(m_text->body(), from - headSize, limit - headSize);
    return at < 0 ? -1 : headSize + at;
}
