#pragma once

#include <QFont>
#include <QIcon>

class QColor;
class QWidget;

// The program's default face, Liberation Sans 8.25 pt: narrow enough that every caption fits
// the control it was laid out for.
QFont ProgramFont();

// Small bold fixed-pitch face of the traffic panes.
QFont TerminalFont();

// The program's window icon (32 x 32, 16 colours), shared by all its windows.
QIcon ProgramIcon();

// Makes ProgramFont() the application default; call once after the QApplication exists.
void ApplyProgramFonts();

// The windows' fixed colours, the same in every state (active, inactive, disabled), so that a
// caption reads alike whether or not its window has the focus.
void FillBackground(QWidget *widget, const QColor &color);
void SetTextColor(QWidget *widget, const QColor &color);
