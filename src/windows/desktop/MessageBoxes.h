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
};
