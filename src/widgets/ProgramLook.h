#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <Qt>

class QWidget;

// The windows' colours: the form behind everything, the frames and captions on it, the status
// line and its texts. The status text's colour tells the outcome at a glance: amber for an
// answer that reports a problem (400 and up, or a code outside the defined range), red for a
// failed transfer.
inline const QColor kFormBack(64, 64, 64);
inline const QColor kFormText(255, 255, 255);
inline const QColor kFrameBack(240, 240, 240);
inline const QColor kFrameText(0, 0, 0);
inline const QColor kStatusBack(0, 0, 0);
inline const QColor kHeadingText(0, 255, 255);
inline const QColor kStatusText(0, 255, 0);
inline const QColor kProblemText(255, 191, 0);
inline const QColor kFailedText(255, 80, 80);
// Behind a grid cell that the last list changed.
inline const QColor kChangedBack(255, 226, 140);

// The program's default face, Liberation Sans 8.25 pt: narrow enough that every caption fits
// the control it was laid out for.
QFont programFont();

// Small bold fixed-pitch face of the traffic panes.
QFont terminalFont();

// The program's window icon (32 x 32, 16 colours), shared by all its windows.
QIcon programIcon();

// Makes programFont() the application default; call once after the QApplication exists.
void applyProgramFonts();

// The windows' fixed colours, the same in every state (active, inactive, disabled), so that a
// caption reads alike whether or not its window has the focus.
void fillBackground(QWidget *widget, const QColor &color);
void setTextColor(QWidget *widget, const QColor &color);

// What both windows share: the program's icon, a fixed size (the laid-out one), a title bar
// with the close box only (plus extraFlags), the form's colour behind everything, and buttons
// that press on Enter as on Space, as operators expect of a focused button.
void applyWindowLook(QWidget *window, const QColor &formBack, Qt::WindowFlags extraFlags = {});
