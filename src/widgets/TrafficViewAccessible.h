#pragma once

#include <QAccessibleWidget>

class TrafficView;

// A TrafficView as screen readers see it: multi-line read-only text. Characters are UTF-16
// units of the decoded body (TextOffsets), so a call decodes only the range it returns.
class TrafficViewAccessible final : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit TrafficViewAccessible(TrafficView *view);

    QAccessible::State state() const override;
    QString text(QAccessible::Text type) const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int *startOffset, int *endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int *startOffset, int *endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                         int *endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    TrafficView *view() const;
    qsizetype bytePos(int offset) const;
    int offsetOf(qsizetype pos) const;
    // The stretch before or after the one at `offset`, for the given boundary.
    QString neighbourText(int offset, QAccessible::TextBoundaryType boundaryType, bool after,
                          int *startOffset, int *endOffset) const;
};

// Makes every TrafficView answer with the interface above; only the first call registers.
void installTrafficViewAccessibility();
