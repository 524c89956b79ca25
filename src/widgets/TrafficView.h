#pragma once

#include "text/LineIndex.h"
#include "text/TextOffsets.h"

#include <QAbstractScrollArea>
#include <QByteArray>

class QMimeData;

// A read-only view of traffic bytes: it shares the body it is given, indexes its line starts
// and decodes (UTF-8, invalid bytes as U+FFFD) only what is painted. No wrapping; one column
// per UTF-16 unit of a fixed-pitch font. Positions (cursor, selection) are byte positions in
// the body, always at a character start and never inside a CR LF.
class TrafficView final : public QAbstractScrollArea
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrafficView)

public:
    explicit TrafficView(QWidget *parent = nullptr);
    ~TrafficView() override;

    // Shares `bytes` (no copy); the cursor and the view go back to the start.
    void setBytes(const QByteArray &bytes);
    // The same, with the line index already built from these bytes while they arrived.
    void setBytes(const QByteArray &bytes, LineIndex &&lines);
    const QByteArray &bytes() const { return m_bytes; }
    void clear();

    qsizetype lineCount() const { return m_lines.lineCount(); }
    // A line's text without its line end.
    QString lineText(qsizetype line) const;
    const LineIndex &lines() const { return m_lines; }
    const TextOffsets &offsets() const { return m_offsets; }

    qsizetype firstVisibleLine() const;
    // Lines that fit whole into the viewport.
    qsizetype visibleLineCount() const;

    qsizetype cursorPosition() const { return m_cursor; }
    qsizetype selectionStart() const { return std::min(m_anchor, m_cursor); }
    qsizetype selectionEnd() const { return std::max(m_anchor, m_cursor); }
    bool hasSelection() const { return m_anchor != m_cursor; }
    // Selects from `anchor` to `cursor` (equal: no selection), both taken to valid positions.
    void setSelection(qsizetype anchor, qsizetype cursor);
    void setCursorPosition(qsizetype pos) { setSelection(pos, pos); }
    QByteArray selectedBytes() const;
    void selectAll();

    // The selection to the clipboard; nothing without a selection.
    void copy() const;
    // The whole body to the clipboard, after the clipboard has been cleared.
    void copyAll() const;
    // Clipboard contents for exact bytes: the decoded text, and the bytes themselves as
    // application/octet-stream, which keeps bytes that are not UTF-8.
    static QMimeData *mimeDataFor(const QByteArray &bytes);

    // Viewport geometry of a position, and the position nearest a viewport point.
    QRect characterRect(qsizetype pos) const;
    qsizetype positionAt(QPoint point) const;
    void ensureVisible(qsizetype pos);

Q_SIGNALS:
    void selectionChanged();
    void cursorPositionChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct Metrics
    {
        int lineHeight = 1;
        int ascent = 0;
        int column = 1;
    };

    void updateMetrics();
    void updateScrollBars();
    bool moveByKey(QKeyEvent *event);
    qsizetype nextPosition(qsizetype pos) const;
    qsizetype previousPosition(qsizetype pos) const;
    qsizetype verticalMove(qsizetype lines) const;
    void moveCursor(qsizetype pos, bool select);
    void paintLine(QPainter &painter, qsizetype line, int top) const;
    int columnX(qsizetype column) const;
    static QString shownText(QByteArrayView bytes);

    QByteArray m_bytes;
    LineIndex m_lines;
    TextOffsets m_offsets;
    qsizetype m_anchor = 0;
    qsizetype m_cursor = 0;
    // The column Up and Down aim for, kept across short lines.
    qsizetype m_goalColumn = 0;
    Metrics m_metrics;
};
