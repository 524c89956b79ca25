#pragma once

#include <QByteArrayView>
#include <QString>

// UTF-8 measured in UTF-16 units exactly as the decoder below turns it into text: a valid
// sequence gives one unit (two above U+FFFF), every byte outside a valid sequence gives one
// U+FFFD. Positions are counted from a sequence start.
namespace Utf8 {

struct Span
{
    qsizetype bytes = 0;
    qsizetype units = 0;
};

// Walks whole sequences from `text` on while fewer than `maxBytes` bytes and `maxUnits` units
// are passed; a sequence that would pass `maxUnits` is not taken, one that starts before
// `maxBytes` is taken whole.
Span walk(QByteArrayView text, qsizetype maxBytes, qsizetype maxUnits);

// Byte length of the sequence at `at` (1 for a byte that starts no valid sequence).
qsizetype sequenceLength(QByteArrayView text, qsizetype at);

// Start of the sequence that ends at `at`, `at` being a sequence start after the first.
qsizetype previousSequenceStart(QByteArrayView text, qsizetype at);

// Text of the bytes; an initial byte order mark stays, so a slice decodes like the whole.
QString decode(QByteArrayView bytes);

} // namespace Utf8
