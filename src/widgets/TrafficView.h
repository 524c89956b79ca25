#pragma once

#include "Result.h"
#include "text/MatchScan.h"
#include "text/ShownText.h"

#include <QAbstractScrollArea>
#include <QByteArray>

class FindBar;
class QMenu;
class QMimeData;

// A read-only view of traffic bytes: it shares the body it is given, indexes its line starts
// and decodes (UTF-8, invalid bytes as U+FFFD) only what is painted. No wrapping; one column
// per UTF-16 unit of a fixed-pitch font. A response's head may be shown in front of the body
// (ShownText). Positions (cursor, selection, matches) are byte positions in what is shown,
// always at a character start and never inside a CR LF. Find (Ctrl+F, F3) and Save As
// (Ctrl+S) act on what is shown.
class TrafficView final : public QAbstractScrollArea
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrafficView)

public:
    explicit TrafficView(QWidget *parent = nullptr);
    ~TrafficView() override;

    // Shares `bytes` (no copy); the cursor and the view go back to the start, and the
    // matches of a find are dropped.
    void setBytes(const QByteArray &bytes);
    // The same, with the line index already built from these bytes while they arrived, and
    // the response head that may be shown in front of them.
    void setBytes(const QByteArray &bytes, LineIndex &&lines, const QByteArray &head = {});
    // The body, without the head.
    const QByteArray &bytes() const { return m_text.body(); }
    void clear();
    // Shows the head in front of the body, or not; the cursor goes back to the start.
    void setShowHead(bool show);
    bool showHead() const { return m_showHead; }

    const ShownText &text() const { return m_text; }
    // Everything shown, as one piece (a copy only while a head is shown).
    QByteArray shownBytes() const { return m_text.all(); }

    qsizetype lineCount() const { return m_text.lineCount(); }

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

    // Opens the find field over the pane; the next and previous match, wrapping at the ends.
    void openFind();
    void findNext();
    void findPrevious();
    // The find field, null until first opened; the benchmarks drive their searches through it.
    FindBar *findBar() const { return m_findBar; }
    const MatchScan &matches() const { return m_scan; }

    // The name Save As offers in the documents folder.
    void setSaveName(const QString &name) { m_saveName = name; }
    // Opens the file dialog; a file chosen there gets what is shown, or saveFailed.
    void saveAs();
    // Writes exactly what is shown, replacing the file only once all of it is written.
    Result<> saveTo(const QString &fileName) const;
    // Further entries for the context menu, after its own; the view does not own them.
    void addMenuAction(QAction *action);

    // Viewport geometry of a position, and the position nearest a viewport point.
    QRect characterRect(qsizetype pos) const;
    qsizetype positionAt(QPoint point) const;
    void ensureVisible(qsizetype pos);

Q_SIGNALS:
    void selectionChanged();
    void cursorPositionChanged();
    // The reason is the system's.
    void saveFailed(const QString &fileName, const QString &reason);

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
        QFont font; // the widget's, spaced to whole columns
    };

    void buildMenu();
    void updateMetrics();
    void updateScrollBars();
    bool moveByKey(QKeyEvent *event);
    qsizetype nextPosition(qsizetype pos) const;
    qsizetype previousPosition(qsizetype pos) const;
    qsizetype verticalMove(qsizetype lines) const;
    void moveCursor(qsizetype pos, bool select);
    void paintLine(QPainter &painter, qsizetype line, int top) const;
    void paintMatches(QPainter &painter, qsizetype line, int top) const;
    void reset();
    void search();
    void searchProgressed();
    void selectMatch(qsizetype index);
    void findStep(int direction);
    void showMatchCount();
    int columnX(qsizetype column) const;
    static QString shownText(QByteArrayView bytes);

    ShownText m_text;
    bool m_showHead = false;
    MatchScan m_scan;
    FindBar *m_findBar = nullptr;
    // Index of the selected match in m_scan's matches, -1 when none.
    qsizetype m_currentMatch = -1;
    // Where a search started: its first match is the first one from here.
    qsizetype m_findOrigin = 0;
    QString m_saveName;
    // The context menu, built once and shown again at each opening: accessibility keeps an
    // entry's interface with the first menu that listed it, so an entry from outside put into
    // a fresh menu each time would be out of a screen reader's reach after the first.
    QMenu *m_menu;
    QAction *m_copyAction = nullptr;
    QAction *m_selectAllAction = nullptr;
    QList<QAction *> m_findSteps;
    QAction *m_saveAsAction = nullptr;
    qsizetype m_anchor = 0;
    qsizetype m_cursor = 0;
    // The column Up and Down aim for, kept across short lines.
    qsizetype m_goalColumn = 0;
    Metrics m_metrics;
};
