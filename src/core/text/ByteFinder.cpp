#include "text/ByteFinder.h"

#include <algorithm>

ByteFinder::ByteFinder(const QByteArray &needle, bool matchCase)
{
    for (int byte = 0; byte < 256; ++byte) {
        const bool upper = byte >= 'A' && byte <= 'Z';
        m_fold[size_t(byte)] = static_cast<unsigned char>(upper && !matchCase ? byte + 32 : byte);
    }
    m_needle.resize(needle.size());
    for (qsizetype i = 0; i < needle.size(); ++i)
        m_needle[i] = static_cast<char>(m_fold[static_cast<unsigned char>(needle[i])]);
    const qsizetype n = m_needle.size();
    m_skip.fill(std::max<qsizetype>(n, 1));
    for (qsizetype i = 0; i + 1 < n; ++i)
        m_skip[static_cast<unsigned char>(m_needle[i])] = n - 1 - i;
}

qsizetype ByteFinder::indexIn(QByteArrayView hay, qsizetype from, qsizetype limit) const
{
    const qsizetype n = m_needle.size();
    const qsizetype lastStart = std::min(limit - 1, hay.size() - n);
    if (n == 0 || from > lastStart)
        return -1;
    const auto *text = reinterpret_cast<const unsigned char *>(hay.data());
    const auto *needle = reinterpret_cast<const unsigned char *>(m_needle.constData());
    const unsigned char last = needle[n - 1];
    for (qsizetype at = from; at <= lastStart;) {
        const unsigned char end = m_fold[text[at + n - 1]];
        if (end == last) {
            qsizetype i = 0;
            while (i < n - 1 && m_fold[text[at + i]] == needle[i])
                ++i;
            if (i == n - 1)
                return at;
        }
        at += m_skip[end];
    }
    return -1;
}
