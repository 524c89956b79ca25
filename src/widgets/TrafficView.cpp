#include "TrafficView.h"

#include "FindBar.h"
#include "TrafficViewAccessible.h"
#include "files/ReplaceFile.h"
#include "text/Utf8Walk.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStandardPaths>

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// Room for the focus frame around the text.
constexpr int kMargin = 4;
constexpr int kTopMargin = 2;
// Matches other than the selected one, behind the text.
const QColor kMatchBack(255, 225, 110);

int clampToInt(qsizetype value)
{
    return static_cast<int>(std::clamp<qsizetype>(value, 0, std::numeric_limits<int>::max()));
}

enum class Target {
    NextChar,
    PreviousChar,
    NextLine,
    PreviousLine,
    NextPage,
    PreviousPage,
    StartOfLine,
    EndOfLine,
    StartOfDocument,
    EndOfDocument,
};

struct KeyMove
{
    QKeySequence::StandardKey move;
    QKeySequence::StandardKey select;
    Target target;
};

constexpr KeyMove kKeyMoves[] = {
    {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, Target::NextChar},
    {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, Target::PreviousChar},
    {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, Target::NextLine},
    {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, Target::PreviousLine},
    {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, Target::NextPage},
    {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, Target::PreviousPage},
    {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Target::StartOfLine},
    {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Target::EndOfLine},
    {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument,
     Target::StartOfDocument},
    {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, Target::EndOfDocument},
};

} // namespace

TrafficView::TrafficView(QWidget *parent)
    : QAbstractScrollArea(parent)
    , m_menu(new QMenu(this))
{
    installTrafficViewAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    m_saveName = u"traffic.txt"_s;
    connect(&m_scan, &MatchScan::progressed, this, &TrafficView::searchProgressed);
    buildMenu();
    setBytes(QByteArray());
    updateMetrics();
}

TrafficView::~TrafficView() = default;

void TrafficView::setBytes(const QByteArray &bytes)
{
    setBytes(bytes, LineIndex());
}

void TrafficView::setBytes(const QByteArray &bytes, LineIndex &&lines, const QByteArray &head)
{
    m_text.set(head, bytes, std::move(lines));
    m_text.setShowHead(m_showHead);
    reset();
}

void TrafficView::setShowHead(bool show)
{
    if (show == m_showHead)
        return;
    m_showHead = show;
    m_text.setShowHead(show);
    reset();
}

void TrafficView::reset()
{
    // Matches and positions belong to the text that was shown.
    m_scan.clear();
    m_currentMatch = -1;
    if (m_findBar)
        m_findBar->clearCount();
    m_anchor = m_cursor = 0;
    m_goalColumn = 0;
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
    if (QAccessible::isActive()) {
        // An update event would carry the old and the new text whole; clients re-read instead.
        QAccessibleEvent event(this, QAccessible::VisibleDataChanged);
        QAccessible::updateAccessibility(&event);
    }
    Q_EMIT selectionChanged();
    Q_EMIT cursorPositionChanged();
}

void TrafficView::clear()
{
    setBytes(QByteArray());
}

qsizetype TrafficView::firstVisibleLine() const
{
    return verticalScrollBar()->value();
}

qsizetype TrafficView::visibleLineCount() const
{
    return std::max(1, (viewport()->height() - kTopMargin) / m_metrics.lineHeight);
}

void TrafficView::setSelection(qsizetype anchor, qsizetype cursor)
{
    // Positions from outside may fall inside a character or a CR LF: take the one it is in.
    const auto valid = [this](qsizetype pos) {
        pos = std::clamp<qsizetype>(pos, 0, m_text.size());
        const qsizetype line = m_text.lineOf(pos);
        const qsizetype end = m_text.lineEnd(line);
        if (pos > end)
            return end;
        // A valid sequence is the only thing a position can fall inside, and it is found
        // from its lead byte alone.
        const qsizetype start = m_text.lineStart(line);
        for (qsizetype back = 1; back <= 3 && pos - back >= start; ++back) {
            if (m_text.sequenceLength(pos - back) > back)
                return pos - back;
        }
        return pos;
    };
    anchor = valid(anchor);
    cursor = valid(cursor);
    if (anchor == m_anchor && cursor == m_cursor)
        return;
    const bool selectionMoved = hasSelection() || anchor != cursor;
    const bool cursorMoved = cursor != m_cursor;
    m_anchor = anchor;
    m_cursor = cursor;
    m_goalColumn = m_text.columnOf(m_text.lineOf(cursor), cursor);
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent moved(this, clampToInt(m_text.offsetOf(m_cursor)));
        QAccessible::updateAccessibility(&moved);
        QAccessibleTextSelectionEvent selected(this, clampToInt(m_text.offsetOf(selectionStart())),
                                               clampToInt(m_text.offsetOf(selectionEnd())));
        QAccessible::updateAccessibility(&selected);
    }
    if (selectionMoved)
        Q_EMIT selectionChanged();
    if (cursorMoved)
        Q_EMIT cursorPositionChanged();
}

QByteArray TrafficView::selectedBytes() const
{
    return m_text.bytes(selectionStart(), selectionEnd());
}

void TrafficView::selectAll()
{
    setSelection(0, m_text.size());
}

void TrafficView::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setMimeData(mimeDataFor(selectedBytes()));
}

void TrafficView::copyAll() const
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setMimeData(mimeDataFor(m_text.all()));
}

QMimeData *TrafficView::mimeDataFor(const QByteArray &bytes)
{
    auto *mime = new QMimeData;
    // Text is all most programs paste, and it is the exact bytes whenever they are UTF-8;
    // the raw format is there for the rest.
    mime->setText(Utf8::decode(bytes));
    mime->setData(u"application/octet-stream"_s, bytes);
    return mime;
}

QString TrafficView::shownText(QByteArrayView bytes)
{
    QString text = Utf8::decode(bytes);
    // Control characters would paint as nothing or jump (a tab) and break the grid of one
    // column per unit: a tab shows as a space, the others as their control pictures.
    for (QChar &c : text) {
        if (c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
        else if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode());
        else if (c.unicode() == 0x7F)
            c = QChar(0x2421);
    }
    return text;
}

int TrafficView::columnX(qsizetype column) const
{
    // Far-off columns (a selection edge a megabyte away) only need to land off screen.
    const qsizetype relative = std::clamp<qsizetype>(column - horizontalScrollBar()->value(), -1,
                                                     viewport()->width() / m_metrics.column + 2);
    return kMargin + static_cast<int>(relative) * m_metrics.column;
}

QRect TrafficView::characterRect(qsizetype pos) const
{
    const qsizetype line = m_text.lineOf(pos);
    const qsizetype top = kTopMargin + (line - firstVisibleLine()) * m_metrics.lineHeight;
    return {
        columnX(m_text.columnOf(line, pos)),
        static_cast<int>(std::clamp<qsizetype>(top, -m_metrics.lineHeight, viewport()->height())),
        m_metrics.column, m_metrics.lineHeight};
}

qsizetype TrafficView::positionAt(QPoint point) const
{
    const int below = point.y() - kTopMargin;
    const int y = below < 0 ? below - m_metrics.lineHeight + 1 : below;
    const qsizetype line =
        std::clamp<qsizetype>(firstVisibleLine() + y / m_metrics.lineHeight, 0, lineCount() - 1);
    const int x = std::max(0, point.x() - kMargin + m_metrics.column / 2);
    const qsizetype column = horizontalScrollBar()->value() + x / m_metrics.column;
    return m_text.positionAtColumn(line, column);
}

void TrafficView::ensureVisible(qsizetype pos)
{
    const qsizetype line = m_text.lineOf(pos);
    const qsizetype lines = visibleLineCount();
    QScrollBar *vertical = verticalScrollBar();
    if (line < vertical->value())
        vertical->setValue(clampToInt(line));
    else if (line >= vertical->value() + lines)
        vertical->setValue(clampToInt(line - lines + 1));

    const qsizetype column = m_text.columnOf(line, pos);
    const qsizetype columns = std::max(1, (viewport()->width() - 2 * kMargin) / m_metrics.column);
    QScrollBar *horizontal = horizontalScrollBar();
    if (column < horizontal->value())
        horizontal->setValue(clampToInt(column));
    else if (column >= horizontal->value() + columns)
        horizontal->setValue(clampToInt(column - columns + 1));
}

void TrafficView::updateMetrics()
{
    const QFontMetrics metrics(font());
    m_metrics.lineHeight = std::max(1, metrics.lineSpacing());
    m_metrics.ascent = metrics.ascent();
    m_metrics.column = std::max(1, metrics.horizontalAdvance(QLatin1Char('M')));
    // Glyphs may advance by a fraction of a pixel more or less than the whole-pixel column the
    // selection, the cursor and the matches are placed by; spacing the painted text by the
    // difference keeps every glyph on its column, however far along the line.
    m_metrics.font = font();
    m_metrics.font.setLetterSpacing(
        QFont::AbsoluteSpacing,
        m_metrics.column - QFontMetricsF(font()).horizontalAdvance(QLatin1Char('M')));
    updateScrollBars();
    viewport()->update();
}

void TrafficView::updateScrollBars()
{
    const qsizetype lines = visibleLineCount();
    QScrollBar *vertical = verticalScrollBar();
    vertical->setRange(0, clampToInt(lineCount() - lines));
    vertical->setPageStep(clampToInt(lines));
    vertical->setSingleStep(1);

    // The longest line in bytes bounds its columns (no byte gives more than one unit), so the
    // extent is known without measuring a line; one more column for the cursor at its end.
    const int columns = std::max(1, (viewport()->width() - 2 * kMargin) / m_metrics.column);
    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setRange(0, clampToInt(m_text.longestLine() + 1 - columns));
    horizontal->setPageStep(columns);
    horizontal->setSingleStep(1);
}

void TrafficView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    painter.setFont(m_metrics.font);
    const int height = viewport()->height();
    qsizetype line = firstVisibleLine();
    for (int top = kTopMargin; top < height && line < lineCount(); ++line) {
        paintLine(painter, line, top);
        top += m_metrics.lineHeight;
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(viewport()->rect().adjusted(1, 1, -1, -1));
    }
}

void TrafficView::paintLine(QPainter &painter, qsizetype line, int top) const
{
    const qsizetype start = m_text.lineStart(line);
    const qsizetype end = m_text.lineEnd(line);
    // A line lies whole in one piece of what is shown.
    qsizetype pieceStart = 0;
    const QByteArrayView piece = m_text.pieceAt(start, &pieceStart);

    // Only the stretch under the viewport is decoded, so a line of megabytes costs a screenful.
    const qsizetype firstColumn = horizontalScrollBar()->value();
    const qsizetype columns = viewport()->width() / m_metrics.column + 2;
    const qsizetype from = m_text.positionAtColumn(line, firstColumn);
    const qsizetype fromColumn = m_text.columnOf(line, from);
    const Utf8::Span shown =
        Utf8::walk(piece.sliced(from - pieceStart), end - from, columns + firstColumn - fromColumn);
    const QString text = shownText(piece.sliced(from - pieceStart, shown.bytes));
    const QPoint baseline(columnX(fromColumn), top + m_metrics.ascent);
    paintMatches(painter, line, top);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(baseline, text);

    const qsizetype selFrom = std::max(selectionStart(), start);
    const qsizetype selTo = std::min(selectionEnd(), end);
    const bool lineEndSelected = selectionStart() <= end && selectionEnd() > end;
    if (hasSelection() && (selFrom < selTo || lineEndSelected)) {
        const qsizetype left = m_text.columnOf(line, std::min(selFrom, end));
        const qsizetype right = m_text.columnOf(line, std::max(selFrom, selTo))
            + (lineEndSelected ? 1 : 0);
        const QRect area(QPoint(columnX(left), top),
                         QPoint(columnX(right) - 1, top + m_metrics.lineHeight - 1));
        painter.fillRect(area, palette().color(QPalette::Highlight));
        painter.save();
        painter.setClipRect(area);
        painter.setPen(palette().color(QPalette::HighlightedText));
        painter.drawText(baseline, text);
        painter.restore();
    }

    if (hasFocus() && m_text.lineOf(m_cursor) == line) {
        const int x = columnX(m_text.columnOf(line, m_cursor));
        painter.fillRect(QRect(x, top, 1, m_metrics.lineHeight), palette().color(QPalette::Text));
    }
}

void TrafficView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TrafficView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateMetrics();
}

qsizetype TrafficView::nextPosition(qsizetype pos) const
{
    const qsizetype line = m_text.lineOf(pos);
    if (pos < m_text.lineEnd(line))
        return pos + m_text.sequenceLength(pos);
    return m_text.nextLineStart(line);
}

qsizetype TrafficView::previousPosition(qsizetype pos) const
{
    if (pos == 0)
        return 0;
    const qsizetype line = m_text.lineOf(pos);
    if (pos == m_text.lineStart(line))
        return m_text.lineEnd(line - 1);
    return m_text.previousSequenceStart(pos);
}

qsizetype TrafficView::verticalMove(qsizetype lines) const
{
    const qsizetype line =
        std::clamp<qsizetype>(m_text.lineOf(m_cursor) + lines, 0, lineCount() - 1);
    return m_text.positionAtColumn(line, m_goalColumn);
}

bool TrafficView::moveByKey(QKeyEvent *event)
{
    for (const KeyMove &move : kKeyMoves) {
        const bool select = event->matches(move.select);
        if (!select && !event->matches(move.move))
            continue;
        const qsizetype line = m_text.lineOf(m_cursor);
        const qsizetype page = visibleLineCount();
        qsizetype pos = m_cursor;
        bool vertical = false;
        switch (move.target) {
        case Target::NextChar:
            pos = nextPosition(m_cursor);
            break;
        case Target::PreviousChar:
            pos = previousPosition(m_cursor);
            break;
        case Target::NextLine:
            pos = verticalMove(1);
            vertical = true;
            break;
        case Target::PreviousLine:
            pos = verticalMove(-1);
            vertical = true;
            break;
        case Target::NextPage:
            pos = verticalMove(page);
            vertical = true;
            break;
        case Target::PreviousPage:
            pos = verticalMove(-page);
            vertical = true;
            break;
        case Target::StartOfLine:
            pos = m_text.lineStart(line);
            break;
        case Target::EndOfLine:
            pos = m_text.lineEnd(line);
            break;
        case Target::StartOfDocument:
            pos = 0;
            break;
        case Target::EndOfDocument:
            pos = m_text.size();
            break;
        }
        const qsizetype goal = m_goalColumn;
        moveCursor(pos, select);
        // Up and Down through a short line come back to the column they started from.
        if (vertical)
            m_goalColumn = goal;
        return true;
    }
    return false;
}

void TrafficView::moveCursor(qsizetype pos, bool select)
{
    setSelection(select ? m_anchor : pos, pos);
    ensureVisible(pos);
}

void TrafficView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::SelectAll))
        selectAll();
    else if (event->matches(QKeySequence::Copy))
        copy();
    else if (event->matches(QKeySequence::Find))
        openFind();
    else if (event->matches(QKeySequence::FindNext))
        findNext();
    else if (event->matches(QKeySequence::FindPrevious))
        findPrevious();
    else if (event->matches(QKeySequence::Save))
        saveAs();
    else if (!moveByKey(event))
        QAbstractScrollArea::keyPressEvent(event);
}

void TrafficView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    const bool extend = event->modifiers().testFlag(Qt::ShiftModifier);
    moveCursor(positionAt(event->position().toPoint()), extend);
}

void TrafficView::mouseMoveEvent(QMouseEvent *event)
{
    if (!event->buttons().testFlag(Qt::LeftButton))
        return QAbstractScrollArea::mouseMoveEvent(event);
    moveCursor(positionAt(event->position().toPoint()), true);
}

void TrafficView::buildMenu()
{
    m_menu->setObjectName(u"trafficViewMenu"_s);
    m_copyAction = m_menu->addAction(tr("&Copy"), this, [this] { copy(); });
    m_copyAction->setShortcut(QKeySequence::Copy);
    m_menu->addSeparator();
    m_selectAllAction = m_menu->addAction(tr("Select &All"), this, &TrafficView::selectAll);
    m_selectAllAction->setShortcut(QKeySequence::SelectAll);
    m_menu->addSeparator();
    m_findSteps = FindBar::addMenuActions(*m_menu, this);
    m_menu->addSeparator();
    m_saveAsAction =
        m_menu->addAction(tr("Save As\u2026"), QKeySequence::Save, this, &TrafficView::saveAs);
}

void TrafficView::contextMenuEvent(QContextMenuEvent *event)
{
    m_copyAction->setEnabled(hasSelection());
    m_selectAllAction->setEnabled(m_text.size() > 0);
    const bool hasMatches = m_scan.active() && !m_scan.matches().empty();
    for (QAction *step : std::as_const(m_findSteps))
        step->setEnabled(hasMatches);
    // No event loop of its own: a chosen entry acts once the menu has closed.
    m_menu->popup(event->globalPos());
}

void TrafficView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TrafficView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void TrafficView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void TrafficView::paintMatches(QPainter &painter, qsizetype line, int top) const
{
    const std::vector<qsizetype> &matches = m_scan.matches();
    if (matches.empty())
        return;
    const qsizetype size = m_scan.needleSize();
    const qsizetype start = m_text.lineStart(line);
    const qsizetype end = m_text.lineEnd(line);
    // Only the matches under the viewport: a line of megabytes may hold millions.
    const qsizetype firstColumn = horizontalScrollBar()->value();
    const qsizetype from = m_text.positionAtColumn(line, firstColumn);
    const qsizetype to =
        m_text.positionAtColumn(line, firstColumn + viewport()->width() / m_metrics.column + 2);
    for (qsizetype i = m_scan.firstFrom(std::max(start, from - size + 1));
         i < qsizetype(matches.size()) && matches[size_t(i)] <= std::min(end, to); ++i) {
        const qsizetype match = matches[size_t(i)];
        const bool crossesEnd = match + size > end;
        const qsizetype left = m_text.columnOf(line, match);
        const qsizetype right = m_text.columnOf(line, std::min(match + size, end))
            + (crossesEnd ? 1 : 0);
        painter.fillRect(QRect(QPoint(columnX(left), top),
                               QPoint(columnX(right) - 1, top + m_metrics.lineHeight - 1)),
                         kMatchBack);
    }
    // A match that started on an earlier line and goes on into this one.
    const qsizetype before = m_scan.firstFrom(start) - 1;
    if (before >= 0 && matches[size_t(before)] + size > start) {
        const qsizetype right =
            m_text.columnOf(line, std::min(matches[size_t(before)] + size, end));
        painter.fillRect(QRect(QPoint(columnX(0), top),
                               QPoint(columnX(right) - 1, top + m_metrics.lineHeight - 1)),
                         kMatchBack);
    }
}

void TrafficView::openFind()
{
    if (!m_findBar) {
        m_findBar = FindBar::over(this, &TrafficView::search);
        connect(m_findBar, &FindBar::closed, this, [this] {
            m_scan.clear();
            m_currentMatch = -1;
            viewport()->update();
        });
    }
    m_findBar->open();
    if (!m_scan.active())
        search();
}

void TrafficView::search()
{
    m_currentMatch = -1;
    m_findOrigin = selectionStart();
    const QString text = m_findBar ? m_findBar->text() : QString();
    if (text.isEmpty()) {
        m_scan.clear();
        if (m_findBar)
            m_findBar->clearCount();
        viewport()->update();
        return;
    }
    m_scan.start(&m_text, text.toUtf8(), m_findBar->matchCase());
}

void TrafficView::searchProgressed()
{
    const qsizetype count = qsizetype(m_scan.matches().size());
    if (m_currentMatch < 0) {
        // The first match from where the search started; past the last one, the first of all.
        const qsizetype next = m_scan.firstFrom(m_findOrigin);
        if (next < count)
            selectMatch(next);
        else if (m_scan.finished() && count > 0)
            selectMatch(0);
        else if (m_scan.finished())
            setCursorPosition(m_findOrigin); // the last text's match is no match of this one
    }
    showMatchCount();
    viewport()->update();
}

void TrafficView::selectMatch(qsizetype index)
{
    m_currentMatch = index;
    const qsizetype match = m_scan.matches()[size_t(index)];
    setSelection(match, match + m_scan.needleSize());
    ensureVisible(match + m_scan.needleSize());
    ensureVisible(match);
    showMatchCount();
}

void TrafficView::showMatchCount()
{
    if (m_findBar)
        m_findBar->showCount(m_currentMatch + 1, qsizetype(m_scan.matches().size()),
                             m_scan.finished());
}

void TrafficView::findNext()
{
    findStep(1);
}

void TrafficView::findPrevious()
{
    findStep(-1);
}

void TrafficView::findStep(int direction)
{
    if (!m_scan.active()) {
        if (m_findBar && !m_findBar->text().isEmpty())
            search();
        return;
    }
    const qsizetype count = qsizetype(m_scan.matches().size());
    // Without a current match, from the first one after the cursor (or the last before it).
    qsizetype to = m_currentMatch < 0 ? m_scan.firstFrom(m_cursor) - (direction < 0 ? 1 : 0)
                                      : m_currentMatch + direction;
    if (to < 0 || to >= count) {
        // Wraps only once the count is known: a later match may still be found.
        if (!m_scan.finished() || count == 0)
            return;
        to = to < 0 ? count - 1 : 0;
    }
    selectMatch(to);
}

void TrafficView::saveAs()
{
    // Qt's own dialog, window-modal: the window's events go on while it is open.
    auto *dialog =
        new QFileDialog(window(), tr("Save As"),
                        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    dialog->setObjectName(u"saveDialog"_s);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->selectFile(m_saveName);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &fileName) {
        if (const Result<> saved = saveTo(fileName); !saved)
            Q_EMIT saveFailed(fileName, saved.reason());
    });
    dialog->open();
}

Result<> TrafficView::saveTo(const QString &fileName) const
{
    return replaceFile(fileName, [this](QIODevice &file) { return m_text.writeTo(file); });
}

void TrafficView::addMenuAction(QAction *action)
{
    // The entries from outside come after a separator of their own.
    if (m_menu->actions().constLast() == m_saveAsAction)
        m_menu->addSeparator();
    m_menu->addAction(action);
}
