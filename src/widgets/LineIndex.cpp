#include "widgets/LineIndex.h"

#include <algorithm>
#include <cstring>

namespace {

const char *find(const char *from, const char *end, char byte)
{
    if (from == end)
        return end;
    const void *hit = std::memchr(from, byte, static_cast<size_t>(end - from));
    return hit ? static_cast<const char *>(hit) : end;
}

} // namespace

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
    const char *data = bytes.data();
    const char *end = data + limit;
    // Two memchr cursors, one per line-end byte, each moved on only once passed.
    const char *nextCr = find(data + m_scanned, end, '\r');
    const char *nextLf = find(data + m_scanned, end, '\n');
    const char *lineBegin = data + lineStart(m_count - 1);
    const auto lineEnds = [&](const char *brk, const char *after) {
        m_longest = std::max<qsizetype>(m_longest, brk - lineBegin);
        append(after - data);
        lineBegin = after;
    };
    while (nextCr != end && nextLf != end) {
        const char *brk = std::min(nextCr, nextLf);
        const char *after = brk + 1;
        if (brk == nextCr && after < end && *after == '\n')
            ++after;
        lineEnds(brk, after);
        if (nextCr < after)
            nextCr = find(after, end, '\r');
        if (nextLf < after)
            nextLf = find(after, end, '\n');
    }
    // Most bodies have only one of the two from some point on (often from the start):
    // a single cursor is enough for the rest.
    const char separator = nextCr != end ? '\r' : '\n';
    for (const char *brk = std::min(nextCr, nextLf); brk != end;
         brk = find(brk + 1, end, separator))
        lineEnds(brk, brk + 1);
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
