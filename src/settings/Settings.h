#pragma once

#include <QString>

class QLineEdit;

// The settings file in the program's folder; one section "IP" with the key "Address".
QString SettingsFilePath(const QString &programFolder);

// The stored value, or defaultValue when missing; at most 254 characters.
QString ReadIniValue(const QString &fileName, const QString &section, const QString &key,
                     const QString &defaultValue);

// Stores value with every CR and LF replaced by a space. Failures are not reported.
void WriteIniValue(const QString &fileName, const QString &section, const QString &key,
                   const QString &value);

// The remembered server address into the address box ("127.0.0.1" when none is stored).
void LoadSettings(QLineEdit &txtIP, const QString &programFolder);

// The address box's text, as it stands, into the settings file.
void SaveSettings(const QLineEdit &txtIP, const QString &programFolder);
