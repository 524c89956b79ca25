#include "text/ByteFinder.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool isLetter(unsigned char byte)
{
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z');
}

} // namespace

ByteFinder::ByteFinder(const QByteArray &needle, bool matchCase)
{
    for (int byte = 0; byte < 256; ++byte) {
        const bool upper = byte >= 'A' && byte <= 'Z';
        m_fold[size_t(byte)] = static_cast<unsigned char>(upper && !matchCase ? byte + 32 : byte);
    }
    m_needle.resize(needle.size());
    for (qsizetype i = 0; i < needle.size(); ++i)
        m_needle[i] = static_cast<char>(m_fold[static_cast<unsigned char>(needle[i])]);
    if (!m_needle.isEmpty() && !matchCase) {
        m_firstFold = isLetter(static_cast<unsigned char>(m_needle.front())) ? 0x20 : 0;
        m_lastFold = isLetter(static_cast<unsigned char>(m_needle.back())) ? 0x20 : 0;
    }
}

bool ByteFinder::matchesAt(const unsigned char *text) const
{
    const auto *needle = reinterpret_cast<const unsigned char *>(m_needle.constData());
    for (qsizetype i = 0; i < m_needle.size(); ++i) {
        if (m_fold[text[i]] != needle[i])
            return false;
    }
    return true;
}

qsizetype ByteFinder::indexIn(QByteArrayView hay, qsizetype from, qsizetype limit) const
{
    const qsizetype n = m_needle.size();
    const qsizetype lastStart = std::min(limit - 1, hay.size() - n);
    if (n == 0 || from > lastStart)
        return -1;
    const auto *text = reinterpret_cast<const unsigned char *>(hay.data());
    qsizetype at = std::max<qsizetype>(from, 0);
#if defined(__SSE2__)
    const auto first = static_cast<char>(m_needle.front() | char(m_firstFold));
    const auto last = static_cast<char>(m_needle.back() | char(m_lastFold));
    const __m128i wantFirst = _mm_set1_epi8(first);
    const __m128i wantLast = _mm_set1_epi8(last);
    const __m128i foldFirst = _mm_set1_epi8(static_cast<char>(m_firstFold));
    const __m128i foldLast = _mm_set1_epi8(static_cast<char>(m_lastFold));
    // Sixteen starts at a time; the last byte read is that of a match at lastStart at most.
    for (; at + 15 <= lastStart; at += 16) {
        const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + at));
        const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + at + n - 1));
        const __m128i both =
            _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(starts, foldFirst), wantFirst),
                          _mm_cmpeq_epi8(_mm_or_si128(ends, foldLast), wantLast));
        for (unsigned mask = unsigned(_mm_movemask_epi8(both)); mask != 0; mask &= mask - 1) {
            const qsizetype start = at + __builtin_ctz(mask);
            if (matchesAt(text + start))
                return start;
        }
    }
#endif
    for (; at <= lastStart; ++at) {
        if (matchesAt(text + at))
            return at;
    }
    return -1;
}
