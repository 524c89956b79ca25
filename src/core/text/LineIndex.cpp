#include "text/LineIndex.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void LineIndex::append(qsizetype start)
{
    if (m_blocks.empty() || static_cast<qsizetype>(m_blocks.back().size()) == kBlockSize) {
        m_blocks.emplace_back();
        m_blocks.back().reserve(static_cast<size_t>(kBlockSize));
    }
    m_blocks.back().push_back(start);
    ++m_count;
}

void LineIndex::reset()
{
    m_bytes = {};
    m_blocks.clear();
    m_count = 0;
    m_longest = 0;
    m_scanned = 0;
    append(0);
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
    m_longest = std::max<qsizetype>(m_longest, whole.size() - lineStart(m_count - 1));
    m_bytes = whole;
}

void LineIndex::scan(QByteArrayView bytes, qsizetype limit)
{
    if (limit <= m_scanned)
        return;
    const char *const data = bytes.data();
    const char *const end = data + limit;
    const char *lineBegin = data + lineStart(m_count - 1);
    // Records the line end at brk and gives the start of the next line.
    const auto lineEndsAt = [&](const char *brk) {
        const char *after = brk + 1;
        if (*brk == '\r' && after < end && *after == '\n')
            ++after;
        m_longest = std::max<qsizetype>(m_longest, brk - lineBegin);
        append(after - data);
        lineBegin = after;
        return after;
    };
    const char *p = data + m_scanned;
#if defined(__SSE2__)
    // Lines of a pretty-printed list are some forty bytes long: one memchr call per line end
    // costs more than looking at sixteen bytes at a time for both line-end bytes.
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (end - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        auto hits = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf))));
        const char *next = p; // the first byte not yet part of a line
        while (hits != 0) {
            const char *brk = p + std::countr_zero(hits);
            hits &= hits - 1;
            if (brk >= next) // else the LF of a CR LF already taken
                next = lineEndsAt(brk);
        }
        // A CR LF may end past the block.
        p = std::max(p + 16, next);
    }
#endif
    for (; p < end; ++p) {
        if (*p == '\r' || *p == '\n')
            p = lineEndsAt(p) - 1;
    }
    m_scanned = limit;
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
    const bool crLf = next - 2 >= lineStart(line) && m_bytes[next - 2] == '\r'
        && m_bytes[next - 1] == '\n';
    return next - (crLf ? 2 : 1);
}

qsizetype LineIndex::lineOf(qsizetype pos) const
{
    const auto block = std::upper_bound(m_blocks.begin(), m_blocks.end(), pos,
                                        [](qsizetype p, const auto &b) { return p < b.front(); })
        - 1;
    const auto after = std::upper_bound(block->begin(), block->end(), pos);
    return static_cast<qsizetype>(block - m_blocks.begin()) * kBlockSize
        + static_cast<qsizetype>(after - block->begin()) - 1;
}
