#include "text/ShownText.h"

#include "text/Utf8Walk.h"

#include <QIODevice>

#include <algorithm>

ShownText::ShownText()
{
    set(QByteArray(), QByteArray(), LineIndex());
}

void ShownText::set(const QByteArray &head, const QByteArray &body, LineIndex &&bodyLines)
{
    // Indexed before anything changes: an index that finds no memory to grow into leaves the
    // text as it was.
    bodyLines.finish(body);
    m_head = head;
    m_body = body;
    m_bodyLines = std::move(bodyLines);
    // Ties the index to the shared bytes, indexing whatever had not arrived when it was built.
    m_bodyLines.finish(m_body);
    m_bodyOffsets.reset(m_body, &m_bodyLines);
    m_headIndex.build(m_head);
    m_headOffsets.reset(m_head, &m_headIndex);
    setShowHead(showsHead());
}

void ShownText::setShowHead(bool show)
{
    // The head's last line is the empty one after its final line end: where the body starts.
    const bool shown = show && m_head.endsWith('\n');
    m_headSize = shown ? m_head.size() : 0;
    m_headLines = shown ? m_headIndex.lineCount() - 1 : 0;
}

qsizetype ShownText::lineStart(qsizetype line) const
{
    return inHead(line) ? m_headIndex.lineStart(line)
                        : m_headSize + m_bodyLines.lineStart(line - m_headLines);
}

qsizetype ShownText::lineEnd(qsizetype line) const
{
    return inHead(line) ? m_headIndex.lineEnd(line)
                        : m_headSize + m_bodyLines.lineEnd(line - m_headLines);
}

qsizetype ShownText::nextLineStart(qsizetype line) const
{
    return inHead(line) ? m_headIndex.nextLineStart(line)
                        : m_headSize + m_bodyLines.nextLineStart(line - m_headLines);
}

qsizetype ShownText::lineOf(qsizetype pos) const
{
    return pos < m_headSize ? m_headIndex.lineOf(pos)
                            : m_headLines + m_bodyLines.lineOf(pos - m_headSize);
}

qsizetype ShownText::longestLine() const
{
    return std::max(m_headSize > 0 ? m_headIndex.longestLine() : 0, m_bodyLines.longestLine());
}

qsizetype ShownText::offsetOf(qsizetype pos) const
{
    if (pos < m_headSize)
        return m_headOffsets.offsetOf(pos);
    return (m_headSize > 0 ? m_headOffsets.count() : 0) + m_bodyOffsets.offsetOf(pos - m_headSize);
}

TextOffsets::Position ShownText::positionAt(qsizetype offset) const
{
    const qsizetype headUnits = m_headSize > 0 ? m_headOffsets.count() : 0;
    if (offset < headUnits)
        return m_headOffsets.positionAt(offset);
    const TextOffsets::Position at = m_bodyOffsets.positionAt(offset - headUnits);
    return {m_headSize + at.byte, headUnits + at.offset};
}

qsizetype ShownText::columnOf(qsizetype line, qsizetype pos) const
{
    return inHead(line) ? m_headOffsets.columnOf(line, pos)
                        : m_bodyOffsets.columnOf(line - m_headLines, pos - m_headSize);
}

qsizetype ShownText::positionAtColumn(qsizetype line, qsizetype column) const
{
    return inHead(line) ? m_headOffsets.positionAtColumn(line, column)
                        : m_headSize + m_bodyOffsets.positionAtColumn(line - m_headLines, column);
}

QByteArrayView ShownText::pieceAt(qsizetype pos, qsizetype *start) const
{
    const bool head = pos < m_headSize;
    *start = head ? 0 : m_headSize;
    return head ? QByteArrayView(m_head) : QByteArrayView(m_body);
}

qsizetype ShownText::sequenceLength(qsizetype pos) const
{
    qsizetype start = 0;
    const QByteArrayView piece = pieceAt(pos, &start);
    return Utf8::sequenceLength(piece, pos - start);
}

qsizetype ShownText::previousSequenceStart(qsizetype pos) const
{
    // The head ends with a line end, a sequence of its own: the body's start steps back one.
    if (pos == m_headSize)
        return pos - 1;
    qsizetype start = 0;
    const QByteArrayView piece = pieceAt(pos, &start);
    return start + Utf8::previousSequenceStart(piece, pos - start);
}

QByteArray ShownText::bytes(qsizetype from, qsizetype to) const
{
    if (from >= m_headSize) {
        if (from == m_headSize && to == size())
            return m_body;
        return m_body.sliced(from - m_headSize, to - from);
    }
    if (to <= m_headSize)
        return m_head.sliced(from, to - from);
    QByteArray joined;
    joined.reserve(to - from);
    joined.append(QByteArrayView(m_head).sliced(from));
    joined.append(QByteArrayView(m_body).first(to - m_headSize));
    return joined;
}

QString ShownText::decode(qsizetype from, qsizetype to) const
{
    if (from >= m_headSize || to <= m_headSize) {
        qsizetype start = 0;
        const QByteArrayView piece = pieceAt(from >= m_headSize ? m_headSize : 0, &start);
        return Utf8::decode(piece.sliced(from - start, to - from));
    }
    return decode(from, m_headSize) + decode(m_headSize, to);
}

bool ShownText::writeTo(QIODevice &device) const
{
    for (QByteArrayView piece :
         {QByteArrayView(m_head).first(m_headSize), QByteArrayView(m_body)}) {
        // A short write (a size limit reached) is tried again, so that the device reports
        // why it cannot go on.
        while (!piece.isEmpty()) {
            const qint64 written = device.write(piece.data(), piece.size());
            if (written <= 0)
                return false;
            piece = piece.sliced(written);
        }
    }
    return true;
}
