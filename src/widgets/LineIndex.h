#pragma once

#include <QByteArrayView>

#include <vector>

// Where the lines of a body start. A line ends at CR LF, at a lone LF or at a lone CR; the
// text after the last line end is one more line, so an empty body has one empty line. The
// index refers to the bytes it was built from; their owner keeps them alive and unchanged.
class LineIndex
{
public:
    void build(QByteArrayView bytes);

    qsizetype lineCount() const { return static_cast<qsizetype>(m_starts.size()); }
    qsizetype lineStart(qsizetype line) const { return m_starts[static_cast<size_t>(line)]; }
    // End of the line's text, before its line end.
    qsizetype lineEnd(qsizetype line) const;
    // Start of the next line, or the body's size after the last line.
    qsizetype nextLineStart(qsizetype line) const;
    // The line holding byte position `pos` (the body's size is on the last line).
    qsizetype lineOf(qsizetype pos) const;
    // Bytes of the longest line without its line end.
    qsizetype longestLine() const { return m_longest; }

private:
    QByteArrayView m_bytes;
    std::vector<qsizetype> m_starts{0};
    qsizetype m_longest = 0;
};
