#include "settings/Settings.h"

#include "settings/ProfileFile.h"

#include <QDir>
#include <QLineEdit>

namespace {
const QString kSection = QStringLiteral("IP");
const QString kKey = QStringLiteral("Address");
const QString kDefaultAddress = QStringLiteral("127.0.0.1");
// The value read back fits a 255-character buffer with its terminator.
constexpr qsizetype kMaxValueLength = 254;
} // namespace

QString SettingsFilePath(const QString &programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("ORVA_Test_Application.ini"));
}

QString ReadIniValue(const QString &fileName, const QString &section, const QString &key,
                     const QString &defaultValue)
{
    return ProfileFile::readString(fileName, section, key, defaultValue, kMaxValueLength);
}

void WriteIniValue(const QString &fileName, const QString &section, const QString &key,
                   const QString &value)
{
    // A line break would end the entry early and turn the rest into a line of its own.
    QString cleaned = value;
    for (QChar &c : cleaned) {
        if (c == u'\n' || c == u'\r')
            c = u' ';
    }
    ProfileFile::writeString(fileName, section, key, cleaned);
}

void LoadSettings(QLineEdit &txtIP, const QString &programFolder)
{
    txtIP.setText(ReadIniValue(SettingsFilePath(programFolder), kSection, kKey, kDefaultAddress));
}

void SaveSettings(const QLineEdit &txtIP, const QString &programFolder)
{
    WriteIniValue(SettingsFilePath(programFolder), kSection, kKey, txtIP.text());
}
