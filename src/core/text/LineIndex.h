#pragma once

#include <QByteArrayView>

#include <vector>

// Where the lines of a body start. A line ends at CR LF, at a lone LF or at a lone CR; the
// text after the last line end is one more line, so an empty body has one empty line. The
// index refers to the bytes it was built from; their owner keeps them alive and unchanged.
//
// A body of nothing but line ends has as many lines as bytes, so the index keeps no start per
// line: it keeps a checkpoint (a line and its start) at the first line start a stride or more
// past the one before, and finds any other line by reading on from there, never more than a
// stride. Its memory is at most a sixteenth of the body's size, whatever the body holds.
class LineIndex
{
public:
    static constexpr qsizetype DefaultStride = 1024;

    // A smaller stride costs more memory and reads less per lookup; tests use tiny ones.
    explicit LineIndex(qsizetype stride = DefaultStride);
    void build(QByteArrayView bytes);

    // The same index built while the bytes arrive: extend() is given all the bytes so far
    // (they may have moved since the last call, but never change) and finish() the whole.
    // finish() may also be given more bytes than the index has seen, or other bytes that are
    // fewer, which it indexes from the start.
    void extend(QByteArrayView soFar);
    void finish(QByteArrayView whole);

    qsizetype lineCount() const { return m_count; }
    qsizetype lineStart(qsizetype line) const;
    // End of the line's text, before its line end.
    qsizetype lineEnd(qsizetype line) const;
    // Start of the next line, or the body's size after the last line.
    qsizetype nextLineStart(qsizetype line) const;
    // The line holding byte position `pos` (the body's size is on the last line).
    qsizetype lineOf(qsizetype pos) const;
    // Bytes of the longest line without its line end.
    qsizetype longestLine() const { return m_longest; }

    // Bytes the index holds beyond the object itself.
    qsizetype heapBytes() const
    {
        return static_cast<qsizetype>(m_checkpoints.capacity() * sizeof(Checkpoint));
    }

private:
    struct Checkpoint
    {
        qsizetype line = 0;
        qsizetype start = 0;
    };

    void reset();
    // Indexes the line ends in [m_scanned, limit) of bytes.
    void scan(QByteArrayView bytes, qsizetype limit);
    // The checkpoint at or before `line` (by line) or `pos` (by start); line 0 is one.
    Checkpoint checkpointForLine(qsizetype line) const;
    Checkpoint checkpointForPos(qsizetype pos) const;

    qsizetype m_stride;
    QByteArrayView m_bytes;
    std::vector<Checkpoint> m_checkpoints; // after line 0, each a stride or more past the last
    qsizetype m_count = 1;
    qsizetype m_lastStart = 0;
    qsizetype m_longest = 0;
    qsizetype m_scanned = 0;
};
