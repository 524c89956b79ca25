#pragma once

#include <QByteArrayView>

#include <vector>

// Where the lines of a body start. A line ends at CR LF, at a lone LF or at a lone CR; the
// text after the last line end is one more line, so an empty body has one empty line. The
// index refers to the bytes it was built from; their owner keeps them alive and unchanged.
class LineIndex
{
public:
    LineIndex() { build({}); }
    void build(QByteArrayView bytes);

    // The same index built while the bytes arrive: extend() is given all the bytes so far
    // (they may have moved since the last call, but never change) and finish() the whole.
    // finish() may also be given more bytes than the index has seen, or other bytes that are
    // fewer, which it indexes from the start.
    void extend(QByteArrayView soFar);
    void finish(QByteArrayView whole);

    qsizetype lineCount() const { return m_count; }
    qsizetype lineStart(qsizetype line) const
    {
        return m_blocks[static_cast<size_t>(line >> kBlockBits)]
                       [static_cast<size_t>(line & (kBlockSize - 1))];
    }
    // End of the line's text, before its line end.
    qsizetype lineEnd(qsizetype line) const;
    // Start of the next line, or the body's size after the last line.
    qsizetype nextLineStart(qsizetype line) const;
    // The line holding byte position `pos` (the body's size is on the last line).
    qsizetype lineOf(qsizetype pos) const;
    // Bytes of the longest line without its line end.
    qsizetype longestLine() const { return m_longest; }

private:
    // Starts are kept in fixed blocks: a million lines grow the index without ever copying it.
    static constexpr int kBlockBits = 16;
    static constexpr qsizetype kBlockSize = qsizetype(1) << kBlockBits;

    void reset();
    void append(qsizetype start);
    // Indexes the line ends in [m_scanned, limit) of bytes.
    void scan(QByteArrayView bytes, qsizetype limit);

    QByteArrayView m_bytes;
    std::vector<std::vector<qsizetype>> m_blocks;
    qsizetype m_count = 0;
    qsizetype m_longest = 0;
    qsizetype m_scanned = 0;
};
