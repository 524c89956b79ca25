#pragma once

#include <QPushButton>

// A push button whose caption breaks onto further lines at word boundaries when it is wider
// than the button, instead of being cut off. text() stays the caption as given.
class WrappingButton final : public QPushButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WrappingButton)

public:
    explicit WrappingButton(QWidget *parent = nullptr);

    // Where the caption is drawn: the button's contents inside its bevel.
    QRect captionRect() const;
    // Flags the caption is drawn with.
    static int captionFlags();

protected:
    void paintEvent(QPaintEvent *event) override;
};
