#pragma once

#include "text/LineIndex.h"

#include <QByteArrayView>

#include <vector>

// Byte positions measured in UTF-16 units of the decoded body (see Utf8Walk): the characters
// of the accessible text and the columns of the view. Lines up to a few kilobytes are measured
// directly. Anything else uses checkpoints, one per 4 KiB of body, built on first need by one
// walk over the body; a lookup then walks at most one stretch. A body of short lines that no
// accessibility client reads never builds them.
class TextOffsets
{
public:
    struct Position
    {
        qsizetype byte = 0;
        qsizetype offset = 0;
    };

    // Both must outlive this object's use of them, unchanged.
    void reset(QByteArrayView bytes, const LineIndex *lines);

    qsizetype count() const { return offsetOf(m_bytes.size()); }
    qsizetype offsetOf(qsizetype pos) const;
    // The last sequence start whose offset is at most `offset` (a character outside the
    // basic plane is two units: an offset between them falls back to its start).
    Position positionAt(qsizetype offset) const;

    // Column of `pos` in `line`, and the position of a column, kept within the line's text.
    qsizetype columnOf(qsizetype line, qsizetype pos) const;
    qsizetype positionAtColumn(qsizetype line, qsizetype column) const;

private:
    void buildCheckpoints() const;

    QByteArrayView m_bytes;
    const LineIndex *m_lines = nullptr;
    // Built lazily by const lookups.
    mutable std::vector<Position> m_checkpoints;
};
