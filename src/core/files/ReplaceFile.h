#pragma once

#include "Result.h"

#include <QString>

#include <functional>

class QIODevice;

// Writes fileName anew through write(), in a file beside it that replaces it only once all of it
// is written: the old file stays whole when anything fails, the reason is the system's. write
// returns false when a write of its own fell short.
Result<> replaceFile(const QString &fileName, const std::function<bool(QIODevice &)> &write);
