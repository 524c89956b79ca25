#include "text/LineIndex.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Reads the line ends from `p`, a line start, while their first byte is before `limit`: calls
// lineEnd(brk, next) with each line end's first byte and the start of the line after it, and
// stops when that returns false. A CR LF is looked for up to `end`. Returns the start of the
// line after the last line end read, or where the reading stopped.
template <typename LineEnd>
const char *readLineEnds(const char *p, const char *limit, const char *end, LineEnd &&lineEnd)
{
    const auto after = [end](const char *brk) {
        return brk + (*brk == '\r' && brk + 1 < end && brk[1] == '\n' ? 2 : 1);
    };
#if defined(__SSE2__)
    // Lines of a pretty-printed list are some forty bytes long: one memchr call per line end
    // costs more than looking at sixteen bytes at a time for both line-end bytes.
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (limit - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        auto hits = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf))));
        const char *next = p; // the first byte not yet part of a line
        while (hits != 0) {
            const char *brk = p + std::countr_zero(hits);
            hits &= hits - 1;
            if (brk < next) // the LF of a CR LF already taken
                continue;
            next = after(brk);
            if (!lineEnd(brk, next))
                return next;
        }
        // A CR LF may end past the block.
        p = std::max(p + 16, next);
    }
#endif
    for (; p < limit; ++p) {
        if (*p == '\r' || *p == '\n') {
            const char *next = after(p);
            if (!lineEnd(p, next))
                return next;
            p = next - 1;
        }
    }
    return p;
}

} // namespace

LineIndex::LineIndex(qsizetype stride)
    : m_stride(std::max<qsizetype>(stride, 1))
{ }

void LineIndex::reset()
{
    m_bytes = {};
    m_checkpoints.clear();
    m_count = 1;
    m_lastStart = 0;
    m_longest = 0;
    m_scanned = 0;
}

void LineIndex::build(QByteArrayView bytes)
{
    reset();
    finish(bytes);
}

void LineIndex::extend(QByteArrayView soFar)
{
    // A CR that ends the bytes so far may yet be the first half of a CR LF.
    qsizetype limit = soFar.size();
    if (limit > 0 && soFar[limit - 1] == '\r')
        --limit;
    scan(soFar, limit);
}

void LineIndex::finish(QByteArrayView whole)
{
    if (whole.size() < m_scanned)
        reset();
    scan(whole, whole.size());
    m_longest = std::max<qsizetype>(m_longest, whole.size() - m_lastStart);
    m_bytes = whole;
}

void LineIndex::scan(QByteArrayView bytes, qsizetype limit)
{
    if (limit <= m_scanned)
        return;
    const char *const data = bytes.data();
    qsizetype checkpoint = m_checkpoints.empty() ? 0 : m_checkpoints.back().start;
    readLineEnds(data + m_scanned, data + limit, data + limit,
                 [&](const char *brk, const char *next) {
                     m_longest = std::max<qsizetype>(m_longest, brk - data - m_lastStart);
                     m_lastStart = next - data;
                     if (m_lastStart - checkpoint >= m_stride) {
                         m_checkpoints.push_back({m_count, m_lastStart});
                         checkpoint = m_lastStart;
                     }
                     ++m_count;
                     return true;
                 });
    m_scanned = limit;
}

LineIndex::Checkpoint LineIndex::checkpointForLine(qsizetype line) const
{
    const auto after =
        std::upper_bound(m_checkpoints.begin(), m_checkpoints.end(), line,
                         [](qsizetype l, const Checkpoint &c) { return l < c.line; });
    return after == m_checkpoints.begin() ? Checkpoint() : *(after - 1);
}

LineIndex::Checkpoint LineIndex::checkpointForPos(qsizetype pos) const
{
    const auto after =
        std::upper_bound(m_checkpoints.begin(), m_checkpoints.end(), pos,
                         [](qsizetype p, const Checkpoint &c) { return p < c.start; });
    return after == m_checkpoints.begin() ? Checkpoint() : *(after - 1);
}

qsizetype LineIndex::lineStart(qsizetype line) const
{
    if (line >= m_count - 1)
        return m_lastStart;
    const Checkpoint from = checkpointForLine(line);
    qsizetype left = line - from.line;
    if (left == 0)
        return from.start;
    // The line starts less than a stride past its checkpoint.
    const char *const data = m_bytes.data();
    const char *const end = data + m_bytes.size();
    return readLineEnds(data + from.start, end, end,
                        [&left](const char *, const char *) { return --left > 0; })
        - data;
}

qsizetype LineIndex::nextLineStart(qsizetype line) const
{
    return line + 1 < lineCount() ? lineStart(line + 1) : m_bytes.size();
}

qsizetype LineIndex::lineEnd(qsizetype line) const
{
    const qsizetype next = nextLineStart(line);
    if (line + 1 >= lineCount())
        return next;
    // A CR LF never spans two lines: a CR before a line's start would have taken its LF.
    const bool crLf = next >= 2 && m_bytes[next - 2] == '\r' && m_bytes[next - 1] == '\n';
    return next - (crLf ? 2 : 1);
}

qsizetype LineIndex::lineOf(qsizetype pos) const
{
    if (pos >= m_lastStart)
        return m_count - 1;
    const Checkpoint from = checkpointForPos(pos);
    // Every line start up to pos is less than a stride past the checkpoint: a long line
    // holding pos is not read to its end.
    const char *const data = m_bytes.data();
    const char *const end = data + m_bytes.size();
    const char *const limit = data + std::min(pos + 1, from.start + m_stride);
    qsizetype line = from.line;
    readLineEnds(data + from.start, limit, end, [&](const char *, const char *next) {
        if (next - data > pos)
            return false;
        ++line;
        return true;
    });
    return line;
}
