#pragma once

#include <QFont>
#include <QIcon>

// The program's default face, Liberation Sans 8.25 pt: narrow enough that every caption fits
// the control it was laid out for.
QFont ProgramFont();

// Small bold fixed-pitch face of the traffic panes.
QFont TerminalFont();

// The program's window icon (32 x 32, 16 colours), shared by all its windows.
QIcon ProgramIcon();

// Makes ProgramFont() the application default; call once after the QApplication exists.
void ApplyProgramFonts();
