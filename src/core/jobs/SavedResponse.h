#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Reads a saved job-list response: lines end at CR or CR LF and are joined with nothing
// between them; a lone LF stays in the text. Empty optional when the file cannot be read.
std::optional<QByteArray> readSavedResponse(const QString &path);
