#pragma once

#include <QString>

// Private profile (INI) files, read and written one value at a time.
//
// Section and key names match ignoring letter case. Reading returns the value with the white
// space around it removed (and one pair of enclosing quotes, if any), cut to maxLength
// characters; the default, also cut, when the file, section or key is missing. Writing replaces
// only that key's line, or adds the key (after the section's last entry) or the section (at the
// end); every other line keeps its bytes. A value enclosed in quotes (blanks around them aside)
// is written inside one more pair, so that it reads back with its quotes. The file is replaced
// atomically, so a failed write leaves the previous file whole. Files are UTF-8 text.
namespace ProfileFile {

QString readString(const QString &fileName, const QString &section, const QString &key,
                   const QString &defaultValue, qsizetype maxLength);

// Returns false, with the system's reason in *error, when the file could not be written; the
// old file is then unchanged.
bool writeString(const QString &fileName, const QString &section, const QString &key,
                 const QString &value, QString *error = nullptr);

} // namespace ProfileFile
