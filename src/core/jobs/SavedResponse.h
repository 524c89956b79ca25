#pragma once

#include "Result.h"

#include <QByteArray>
#include <QString>

// Reads a saved job-list response: lines end at CR or CR LF and are joined with nothing
// between them; a lone LF stays in the text. Fails, with the system's reason, when the file
// cannot be read whole.
Result<QByteArray> readSavedResponse(const QString &path);
