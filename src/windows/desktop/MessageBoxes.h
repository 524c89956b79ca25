#pragma once

#include <QString>

class QWidget;

// Modal message boxes, behind a seam so tests can record them instead of clicking them away.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    // A modal box with the critical icon and a single OK button; returns when it is dismissed.
    virtual void critical(QWidget *parent, const QString &title, const QString &text);
    // A modal box with the question icon and two buttons; true when the operator chose
    // acceptText. The other button is the default, and Escape and the close box choose it too.
    virtual bool question(QWidget *parent, const QString &title, const QString &text,
                          const QString &acceptText, const QString &rejectText);
};
