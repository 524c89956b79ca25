#include "LineIndex.h"

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

void LineIndex::build(QByteArrayView bytes)
{
    m_bytes = bytes;
    m_starts.clear();
    m_starts.push_back(0);
    m_longest = 0;
    const char *data = bytes.data();
    const char *end = data + bytes.size();
    // Two memchr cursors, one per line-end byte, each moved on only once passed: a body
    // without CR costs a single scan for it.
    const char *nextCr = find(data, end, '\r');
    const char *nextLf = find(data, end, '\n');
    const char *lineBegin = data;
    while (true) {
        const char *brk = std::min(nextCr, nextLf);
        if (brk == end)
            break;
        const char *after = brk + 1;
        if (brk == nextCr && after < end && *after == '\n')
            ++after;
        m_longest = std::max<qsizetype>(m_longest, brk - lineBegin);
        m_starts.push_back(after - data);
        lineBegin = after;
        if (nextCr < after)
            nextCr = find(after, end, '\r');
        if (nextLf < after)
            nextLf = find(after, end, '\n');
    }
    m_longest = std::max<qsizetype>(m_longest, end - lineBegin);
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
    const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), pos);
    return static_cast<qsizetype>(after - m_starts.begin()) - 1;
}
