#pragma once

#include "Result.h"

#include <QByteArray>
#include <QString>

// Private profile (INI) files, read and written one value at a time.
//
// Section and key names match ignoring the case of ASCII letters (no other letter folds). Reading
// returns the value with the white space around it removed (and one pair of enclosing quotes, if
// any), cut to maxLength characters; the default, also cut, when the file, section or key is
// missing. Writing replaces only that key's line, or adds the key (after the section's last entry)
// or the section (at the end); every other line keeps its bytes. A value enclosed in quotes (blanks
// around them aside) is written inside one more pair, so that it reads back with its quotes. The
// file is replaced atomically, so a failed write leaves the previous file whole. Files are UTF-8
// text.
//
// A profile file is a few lines. A name that is not a regular file (a FIFO would block the
// reader forever, a link to /dev/zero would never end) or a file larger than MaxFileBytes is
// not one: it is neither read nor replaced, and the failure says why (files/RegularFile).
namespace ProfileFile {

constexpr qint64 MaxFileBytes = 1024 * 1024;

// The file's bytes; empty when there is no such file.
Result<QByteArray> readFile(const QString &fileName);

// The value, or the default when the file, section or key is missing; a failure when the
// file is there but cannot be read.
Result<QString> readString(const QString &fileName, const QString &section, const QString &key,
                           const QString &defaultValue, qsizetype maxLength);

// A failure, with the reason, when the file could not be written or an existing file could
// not be read; the old file is then unchanged.
Result<> writeString(const QString &fileName, const QString &section, const QString &key,
                     const QString &value);

} // namespace ProfileFile
