#include "ProgramLook.h"

#include <QApplication>
#include <QPalette>
#include <QPushButton>
#include <QWidget>

using namespace Qt::StringLiterals;

QFont programFont()
{
    QFont font(u"Liberation Sans"_s);
    font.setPointSizeF(8.25);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QFont terminalFont()
{
    QFont font(u"DejaVu Sans Mono"_s);
    font.setPointSizeF(6);
    font.setBold(true);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

QIcon programIcon()
{
    // The resources live in the static library: make sure they are linked in and registered.
    Q_INIT_RESOURCE(ProgramLook);
    return QIcon(u":/app/talus.xpm"_s);
}

void applyProgramFonts()
{
    QApplication::setFont(programFont());
}

void fillBackground(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setTextColor(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

void applyWindowLook(QWidget *window, const QColor &formBack, Qt::WindowFlags extraFlags)
{
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                           | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | extraFlags);
    window->setWindowIcon(programIcon());
    window->setFixedSize(window->size());
    fillBackground(window, formBack);
    for (QPushButton *button : window->findChildren<QPushButton *>())
        button->setAutoDefault(true);
}
