#pragma once

#include <QByteArrayView>
#include <QString>

// Leading and trailing spaces (U+0020) removed, nothing else: a tab or other white space
// typed by the operator, or inside a job's quoted value, is part of the text.
QString trimSpaces(const QString &text);
QByteArrayView trimSpaces(QByteArrayView text);

// Leading and trailing spaces and tabs removed, as a settings file's lines are read.
QByteArrayView trimBlanks(QByteArrayView text);
