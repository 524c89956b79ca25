#pragma once

#include "Result.h"

#include <QString>

#include <functional>

class QIODevice;

// Writes fileName anew through write(), in a file beside it that replaces it only once all of it
// is written: the old file stays whole when anything fails, the reason is the system's. write
// returns false when a write of its own fell short.
//
// Only a regular file is replaced (a link is followed to what it names). A name that stands for
// a device, a FIFO, a socket or a folder is refused before anything is written: renaming over
// /dev/null would put a file where the system's device was.
Result<> replaceFile(const QString &fileName, const std::function<bool(QIODevice &)> &write);
