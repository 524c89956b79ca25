#pragma once

#include "app/MessageBoxes.h"

#include <QList>
#include <QPointer>
#include <QWidget>

// Records each box instead of showing it, so a test can count and read them.
class RecordingMessageBoxes final : public MessageBoxes
{
public:
    struct Box
    {
        QPointer<QWidget> parent;
        QString title;
        QString text;
    };

    QList<Box> boxes;

    void critical(QWidget *parent, const QString &title, const QString &text) override
    {
        boxes.append({parent, title, text});
    }
};
