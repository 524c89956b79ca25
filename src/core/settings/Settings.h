#pragma once

#include "Result.h"

#include <QString>

// The settings file in the program's folder; one section "IP" with the key "Address".
QString settingsFilePath(const QString &programFolder);

// The stored value, or defaultValue when missing; at most 254 characters. A failure, with the
// reason, when the file is there but cannot be read (see ProfileFile).
Result<QString> ReadIniValue(const QString &fileName, const QString &section, const QString &key,
                             const QString &defaultValue);

// Stores value with every CR and LF replaced by a space. A failure, with the reason, when the
// file could not be written; the previous file then stays as it was.
Result<> WriteIniValue(const QString &fileName, const QString &section, const QString &key,
                       const QString &value);

// The remembered server address ("127.0.0.1" when none is stored). A file that cannot be read
// gives "127.0.0.1" too, and one line on standard error says which file and why.
QString LoadSettings(const QString &programFolder);

// Stores the address as it stands; a failure, with the reason, when it could not be stored.
Result<> SaveSettings(const QString &address, const QString &programFolder);
