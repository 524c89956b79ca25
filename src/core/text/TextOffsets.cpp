#include "text/TextOffsets.h"

#include "text/Utf8Walk.h"

#include <algorithm>
#include <limits>

namespace {

constexpr qsizetype kStretch = 4096;
constexpr qsizetype kNoLimit = std::numeric_limits<qsizetype>::max();

} // namespace

void TextOffsets::reset(QByteArrayView bytes, const LineIndex *lines)
{
    m_bytes = bytes;
    m_lines = lines;
    m_checkpoints.clear();
}

void TextOffsets::buildCheckpoints() const
{
    if (!m_checkpoints.empty())
        return;
    m_checkpoints.reserve(static_cast<size_t>(m_bytes.size() / kStretch + 1));
    Position at;
    m_checkpoints.push_back(at);
    while (at.byte < m_bytes.size()) {
        const Utf8::Span span = Utf8::walk(m_bytes.sliced(at.byte), kStretch, kNoLimit);
        at.byte += span.bytes;
        at.offset += span.units;
        m_checkpoints.push_back(at);
    }
}

qsizetype TextOffsets::offsetOf(qsizetype pos) const
{
    buildCheckpoints();
    const auto after = std::upper_bound(m_checkpoints.begin(), m_checkpoints.end(), pos,
                                        [](qsizetype p, const Position &c) { return p < c.byte; });
    const Position &from = *(after - 1);
    return from.offset + Utf8::walk(m_bytes.sliced(from.byte), pos - from.byte, kNoLimit).units;
}

TextOffsets::Position TextOffsets::positionAt(qsizetype offset) const
{
    buildCheckpoints();
    const auto after =
        std::upper_bound(m_checkpoints.begin(), m_checkpoints.end(), offset,
                         [](qsizetype o, const Position &c) { return o < c.offset; });
    const Position &from = *(after - 1);
    const Utf8::Span span = Utf8::walk(m_bytes.sliced(from.byte), kNoLimit, offset - from.offset);
    return {from.byte + span.bytes, from.offset + span.units};
}

qsizetype TextOffsets::columnOf(qsizetype line, qsizetype pos) const
{
    const qsizetype start = m_lines->lineStart(line);
    if (pos - start <= kStretch)
        return Utf8::walk(m_bytes.sliced(start), pos - start, kNoLimit).units;
    return offsetOf(pos) - offsetOf(start);
}

qsizetype TextOffsets::positionAtColumn(qsizetype line, qsizetype column) const
{
    const qsizetype start = m_lines->lineStart(line);
    const qsizetype end = m_lines->lineEnd(line);
    // Column 0 needs no measuring: a huge line is first shown without building checkpoints.
    if (column == 0 || end - start <= kStretch)
        return start + Utf8::walk(m_bytes.sliced(start), end - start, column).bytes;
    return std::min(end, positionAt(offsetOf(start) + column).byte);
}
