#pragma once

#include "text/LineIndex.h"
#include "text/TextOffsets.h"

#include <QByteArray>

class QIODevice;

// What a traffic pane shows: an optional head (lines ended by a line end, the last one empty)
// in front of a body, kept as two pieces so that showing the head never copies the body.
// Positions, lines and UTF-16 offsets run over both as one text. A head ends with a line end,
// so no line and no UTF-8 sequence spans the two; a stretch of bytes may.
class ShownText
{
public:
    ShownText();
    ShownText(const ShownText &) = delete;
    ShownText &operator=(const ShownText &) = delete;

    // Shares both (no copy); the index may already hold the body's lines.
    void set(const QByteArray &head, const QByteArray &body, LineIndex &&bodyLines);
    void setShowHead(bool show);

    bool showsHead() const { return m_headSize > 0; }
    const QByteArray &head() const { return m_head; }
    const QByteArray &body() const { return m_body; }
    qsizetype size() const { return m_headSize + m_body.size(); }
    // Bytes where the body starts.
    qsizetype bodyStart() const { return m_headSize; }

    qsizetype lineCount() const { return m_headLines + m_bodyLines.lineCount(); }
    qsizetype lineStart(qsizetype line) const;
    qsizetype lineEnd(qsizetype line) const;
    qsizetype nextLineStart(qsizetype line) const;
    qsizetype lineOf(qsizetype pos) const;
    qsizetype longestLine() const;

    // UTF-16 offsets of the decoded text, as TextOffsets gives them for one piece.
    qsizetype count() const { return offsetOf(size()); }
    qsizetype offsetOf(qsizetype pos) const;
    TextOffsets::Position positionAt(qsizetype offset) const;
    qsizetype columnOf(qsizetype line, qsizetype pos) const;
    qsizetype positionAtColumn(qsizetype line, qsizetype column) const;

    // The piece holding `pos` (the body for the end), and where it starts.
    QByteArrayView pieceAt(qsizetype pos, qsizetype *start) const;
    qsizetype sequenceLength(qsizetype pos) const;
    qsizetype previousSequenceStart(qsizetype pos) const;
    // Bytes [from, to): shared when they lie in one piece, else joined.
    QByteArray bytes(qsizetype from, qsizetype to) const;
    QByteArray all() const { return bytes(0, size()); }
    QString decode(qsizetype from, qsizetype to) const;
    // Writes bytes [0, size()) piece by piece; false when the device failed.
    bool writeTo(QIODevice &device) const;

private:
    bool inHead(qsizetype line) const { return line < m_headLines; }

    QByteArray m_head;
    QByteArray m_body;
    LineIndex m_headIndex;
    LineIndex m_bodyLines;
    TextOffsets m_headOffsets;
    TextOffsets m_bodyOffsets;
    // 0 while the head is hidden.
    qsizetype m_headSize = 0;
    qsizetype m_headLines = 0;
};
