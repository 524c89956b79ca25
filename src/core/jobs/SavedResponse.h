#pragma once

#include "Result.h"

#include <QByteArray>
#include <QString>

// The largest saved response read: two million jobs and more.
constexpr qint64 SavedResponseCap = qint64(2) * 1024 * 1024 * 1024;

// Reads a saved job-list response: lines end at CR or CR LF and are joined with nothing
// between them; a lone LF stays in the text. Fails, with the reason, when the file cannot be
// read whole, is not a regular file (a FIFO is never waited on) or is larger than the cap.
Result<QByteArray> readSavedResponse(const QString &path);
