#pragma once

#include <QString>

// Leading and trailing spaces (U+0020) removed, nothing else: a tab or other white space
// typed by the operator is part of the text.
QString trimSpaces(const QString &text);
