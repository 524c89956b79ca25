#include "text/Utf8Walk.h"

#include <QStringDecoder>

#include <cstring>
#include <limits>

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
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless
                               | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

} // namespace Utf8
