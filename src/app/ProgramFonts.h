#pragma once

#include <QFont>

// The program's default face: a metric match for the classic 8.25 pt dialog sans serif, so
// every caption fits the control it was laid out for.
QFont ProgramFont();

// Small bold fixed-pitch face of the traffic panes.
QFont TerminalFont();

// Makes ProgramFont() the application default; call once after the QApplication exists.
void ApplyProgramFonts();
