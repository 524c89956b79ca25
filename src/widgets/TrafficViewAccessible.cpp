#include "TrafficViewAccessible.h"

#include "TrafficView.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <limits>

namespace {

// Word and sentence boundaries are looked for this far around an offset, within its line, so
// a body that is one huge line is never decoded whole.
constexpr qsizetype kBoundaryReach = 4096;
// The whole text as the accessible value only while that stays cheap.
constexpr qsizetype kLargestValue = 64 * 1024;

QAccessibleInterface *createInterface(const QString &key, QObject *object)
{
    if (key == QLatin1String("TrafficView")) {
        if (auto *view = qobject_cast<TrafficView *>(object))
            return new TrafficViewAccessible(view);
    }
    return nullptr;
}

} // namespace

void installTrafficViewAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(&createInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

TrafficViewAccessible::TrafficViewAccessible(TrafficView *view)
    : QAccessibleWidget(view, QAccessible::EditableText)
{ }

TrafficView *TrafficViewAccessible::view() const
{
    return static_cast<TrafficView *>(widget());
}

qsizetype TrafficViewAccessible::bytePos(int offset) const
{
    return view()->text().positionAt(std::max(0, offset)).byte;
}

int TrafficViewAccessible::offsetOf(qsizetype pos) const
{
    return static_cast<int>(
        std::min<qsizetype>(view()->text().offsetOf(pos), std::numeric_limits<int>::max()));
}

QAccessible::State TrafficViewAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString TrafficViewAccessible::text(QAccessible::Text type) const
{
    if (type == QAccessible::Value)
        return view()->text().size() <= kLargestValue
            ? view()->text().decode(0, view()->text().size())
            : QString();
    return QAccessibleWidget::text(type);
}

void *TrafficViewAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

void TrafficViewAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex == 0 && view()->hasSelection()) {
        *startOffset = offsetOf(view()->selectionStart());
        *endOffset = offsetOf(view()->selectionEnd());
    }
}

int TrafficViewAccessible::selectionCount() const
{
    return view()->hasSelection() ? 1 : 0;
}

void TrafficViewAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void TrafficViewAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        view()->setCursorPosition(view()->cursorPosition());
}

void TrafficViewAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        view()->setSelection(bytePos(startOffset), bytePos(endOffset));
}

int TrafficViewAccessible::cursorPosition() const
{
    return offsetOf(view()->cursorPosition());
}

void TrafficViewAccessible::setCursorPosition(int position)
{
    view()->setCursorPosition(bytePos(position));
}

int TrafficViewAccessible::characterCount() const
{
    return offsetOf(view()->text().size());
}

QString TrafficViewAccessible::text(int startOffset, int endOffset) const
{
    startOffset = std::clamp(startOffset, 0, characterCount());
    endOffset = std::clamp(endOffset, startOffset, characterCount());
    if (startOffset == endOffset)
        return {};
    const ShownText &shown = view()->text();
    const TextOffsets::Position from = shown.positionAt(startOffset);
    const TextOffsets::Position to = shown.positionAt(endOffset);
    // An end between the two halves of a surrogate pair takes in the whole character.
    const qsizetype toByte = to.offset < endOffset ? to.byte + shown.sequenceLength(to.byte)
                                                   : to.byte;
    return shown.decode(from.byte, toByte).mid(startOffset - from.offset, endOffset - startOffset);
}

QString TrafficViewAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                            int *startOffset, int *endOffset) const
{
    const int count = characterCount();
    *startOffset = *endOffset = -1;
    if (offset < 0 || offset > count)
        return {};
    const ShownText &lines = view()->text();
    const qsizetype pos = bytePos(offset);
    const qsizetype line = lines.lineOf(pos);
    const int lineStart = offsetOf(lines.lineStart(line));
    const int lineNext = offsetOf(lines.nextLineStart(line));
    int start = offset;
    int end = offset;
    switch (boundaryType) {
    case QAccessible::NoBoundary:
        start = 0;
        end = count;
        break;
    case QAccessible::LineBoundary:
    case QAccessible::ParagraphBoundary:
        start = lineStart;
        end = lineNext;
        break;
    case QAccessible::CharBoundary:
        start = offsetOf(pos);
        end = pos < lines.size() ? offsetOf(pos + lines.sequenceLength(pos)) : start;
        break;
    case QAccessible::WordBoundary:
    case QAccessible::SentenceBoundary: {
        const int from = static_cast<int>(std::max<qsizetype>(lineStart, offset - kBoundaryReach));
        const int to = static_cast<int>(std::min<qsizetype>(lineNext, offset + kBoundaryReach));
        const QString stretch = text(from, to);
        QTextBoundaryFinder finder(boundaryType == QAccessible::WordBoundary
                                       ? QTextBoundaryFinder::Word
                                       : QTextBoundaryFinder::Sentence,
                                   stretch);
        finder.setPosition(offset - from);
        if (!finder.isAtBoundary())
            finder.toPreviousBoundary();
        start = from + std::max(0, static_cast<int>(finder.position()));
        const qsizetype next = finder.toNextBoundary();
        end = next < 0 ? to : from + static_cast<int>(next);
        break;
    }
    }
    *startOffset = start;
    *endOffset = end;
    return text(start, end);
}

QString TrafficViewAccessible::neighbourText(int offset, QAccessible::TextBoundaryType boundaryType,
                                             bool after, int *startOffset, int *endOffset) const
{
    int start = -1;
    int end = -1;
    textAtOffset(offset, boundaryType, &start, &end);
    *startOffset = *endOffset = -1;
    if (after ? end < 0 || end == start || end >= characterCount() : start <= 0)
        return {};
    return textAtOffset(after ? end : start - 1, boundaryType, startOffset, endOffset);
}

QString TrafficViewAccessible::textBeforeOffset(int offset,
                                                QAccessible::TextBoundaryType boundaryType,
                                                int *startOffset, int *endOffset) const
{
    return neighbourText(offset, boundaryType, false, startOffset, endOffset);
}

QString TrafficViewAccessible::textAfterOffset(int offset,
                                               QAccessible::TextBoundaryType boundaryType,
                                               int *startOffset, int *endOffset) const
{
    return neighbourText(offset, boundaryType, true, startOffset, endOffset);
}

QRect TrafficViewAccessible::characterRect(int offset) const
{
    const QRect local = view()->characterRect(bytePos(offset));
    return {view()->viewport()->mapToGlobal(local.topLeft()), local.size()};
}

int TrafficViewAccessible::offsetAtPoint(const QPoint &point) const
{
    const QPoint local = view()->viewport()->mapFromGlobal(point);
    if (!view()->viewport()->rect().contains(local))
        return -1;
    return offsetOf(view()->positionAt(local));
}

void TrafficViewAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    view()->ensureVisible(bytePos(endIndex));
    view()->ensureVisible(bytePos(startIndex));
}

QString TrafficViewAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    Q_UNUSED(offset);
    // Plain text: no attributes anywhere.
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}
