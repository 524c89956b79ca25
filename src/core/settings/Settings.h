#pragma once

#include <QString>

// The settings file in the program's folder; one section "IP" with the key "Address".
QString settingsFilePath(const QString &programFolder);

// The stored value, or defaultValue when missing; at most 254 characters.
QString ReadIniValue(const QString &fileName, const QString &section, const QString &key,
                     const QString &defaultValue);

// Stores value with every CR and LF replaced by a space. False, with the reason, when the file
// could not be written; the previous file then stays as it was.
bool WriteIniValue(const QString &fileName, const QString &section, const QString &key,
                   const QString &value, QString *error = nullptr);

// The remembered server address ("127.0.0.1" when none is stored).
QString LoadSettings(const QString &programFolder);

// Stores the address as it stands; false, with the reason, when it could not be stored.
bool SaveSettings(const QString &address, const QString &programFolder, QString *error = nullptr);
