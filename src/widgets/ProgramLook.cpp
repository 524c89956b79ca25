#include "ProgramLook.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

using namespace Qt::StringLiterals;

QFont ProgramFont()
{
    QFont font(u"Liberation Sans"_s);
    font.setPointSizeF(8.25);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QFont TerminalFont()
{
    QFont font(u"DejaVu Sans Mono"_s);
    font.setPointSizeF(6);
    font.setBold(true);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

QIcon ProgramIcon()
{
    // The resources live in the static library: make sure they are linked in and registered.
    Q_INIT_RESOURCE(ProgramLook);
    return QIcon(u":/app/talus.xpm"_s);
}

void ApplyProgramFonts()
{
    QApplication::setFont(ProgramFont());
}

void FillBackground(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void SetTextColor(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}
