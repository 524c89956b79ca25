#include "text/Utf8Walk.h"

#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Utf8 {

namespace {

bool isContinuation(uchar byte, uchar low = 0x80, uchar high = 0xBF)
{
    return byte >= low && byte <= high;
}

// Bytes and units of the sequence at p; {1, 1} for an invalid one (one U+FFFD per byte).
Span sequenceAt(const uchar *p, const uchar *end)
{
    const uchar lead = *p;
    const qsizetype left = end - p;
    if (lead < 0x80)
        return {1, 1};
    if (lead >= 0xC2 && lead <= 0xDF && left >= 2 && isContinuation(p[1]))
        return {2, 1};
    if (lead >= 0xE0 && lead <= 0xEF && left >= 3) {
        // Overlong forms and surrogates are not valid sequences.
        const uchar low = lead == 0xE0 ? 0xA0 : 0x80;
        const uchar high = lead == 0xED ? 0x9F : 0xBF;
        if (isContinuation(p[1], low, high) && isContinuation(p[2]))
            return {3, 1};
    }
    if (lead >= 0xF0 && lead <= 0xF4 && left >= 4) {
        const uchar low = lead == 0xF0 ? 0x90 : 0x80;
        const uchar high = lead == 0xF4 ? 0x8F : 0xBF;
        if (isContinuation(p[1], low, high) && isContinuation(p[2]) && isContinuation(p[3]))
            return {4, 2};
    }
    return {1, 1};
}

bool eightAscii(const uchar *p)
{
    quint64 word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ULL) == 0;
}

} // namespace

Span walk(QByteArrayView text, qsizetype maxBytes, qsizetype maxUnits)
{
    const auto *begin = reinterpret_cast<const uchar *>(text.data());
    const uchar *end = begin + text.size();
    const uchar *stop = begin + std::min(maxBytes, text.size());
    const uchar *p = begin;
    qsizetype units = 0;
    while (p < stop && units < maxUnits) {
        // Traffic is mostly ASCII: take it a word at a time.
        if (stop - p >= 8 && maxUnits - units >= 8 && eightAscii(p)) {
            p += 8;
            units += 8;
            continue;
        }
        const Span seq = sequenceAt(p, end);
        if (units + seq.units > maxUnits)
            break;
        p += seq.bytes;
        units += seq.units;
    }
    return {p - begin, units};
}

qsizetype sequenceLength(QByteArrayView text, qsizetype at)
{
    const auto *begin = reinterpret_cast<const uchar *>(text.data());
    return sequenceAt(begin + at, begin + text.size()).bytes;
}

qsizetype previousSequenceStart(QByteArrayView text, qsizetype at)
{
    // A sequence is at most four bytes: try the longest one that ends exactly at `at`.
    for (qsizetype back = std::min<qsizetype>(4, at); back > 1; --back) {
        if (sequenceLength(text, at - back) == back)
            return at - back;
    }
    return at - 1;
}

QString decode(QByteArrayView bytes)
{
    // One pass straight into the text: no byte gives more than one unit (a four-byte sequence
    // gives two), so the text is never grown, and a body of invalid bytes, where a general
    // decoder slows to a crawl, costs about what a valid one does.
    QString text(bytes.size(), Qt::Uninitialized);
    auto *out = reinterpret_cast<char16_t *>(text.data());
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = p + bytes.size();
    while (p < end) {
#if defined(__SSE2__)
        if (end - p >= 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            if (_mm_movemask_epi8(chunk) == 0) {
                const __m128i zero = _mm_setzero_si128();
                _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_unpacklo_epi8(chunk, zero));
                _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 8),
                                 _mm_unpackhi_epi8(chunk, zero));
                out += 16;
                p += 16;
                continue;
            }
            // Sixteen bytes that can start no sequence (a continuation byte, C0, C1, F5 to FF)
            // are sixteen U+FFFD: bytes that are not UTF-8 at all cost no more than ASCII.
            const __m128i lowLeads = _mm_cmplt_epi8(chunk, _mm_set1_epi8(char(0xC2)));
            const __m128i highLeads =
                _mm_and_si128(_mm_cmpgt_epi8(chunk, _mm_set1_epi8(char(0xF4))),
                              _mm_cmplt_epi8(chunk, _mm_setzero_si128()));
            if (_mm_movemask_epi8(_mm_or_si128(lowLeads, highLeads)) == 0xFFFF) {
                const __m128i replacement = _mm_set1_epi16(short(0xFFFD));
                _mm_storeu_si128(reinterpret_cast<__m128i *>(out), replacement);
                _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 8), replacement);
                out += 16;
                p += 16;
                continue;
            }
        }
#endif
        if (end - p >= 8 && eightAscii(p)) {
            for (int i = 0; i < 8; ++i)
                *out++ = p[i];
            p += 8;
            continue;
        }
        const Span seq = sequenceAt(p, end);
        switch (seq.bytes) {
        case 2:
            *out++ = char16_t(((p[0] & 0x1F) << 6) | (p[1] & 0x3F));
            break;
        case 3:
            *out++ = char16_t(((p[0] & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
            break;
        case 4: {
            const char32_t code = ((p[0] & 0x07) << 18) | ((p[1] & 0x3F) << 12)
                | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
            *out++ = char16_t(0xD7C0 + (code >> 10));
            *out++ = char16_t(0xDC00 | (code & 0x3FF));
            break;
        }
        default:
            *out++ = *p < 0x80 ? char16_t(*p) : char16_t(0xFFFD);
            break;
        }
        p += seq.bytes;
    }
    text.truncate(out - reinterpret_cast<const char16_t *>(text.constData()));
    // Text of mostly multi-byte sequences has room left over that is not kept.
    if (text.capacity() - text.size() > text.size() / 4)
        text.squeeze();
    return text;
}

} // namespace Utf8
