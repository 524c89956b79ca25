#include "settings/Settings.h"

#include "settings/ProfileFile.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {
const QString kSection = u"IP"_s;
const QString kKey = u"Address"_s;
const QString kDefaultAddress = u"127.0.0.1"_s;
// The value read back fits a 255-character buffer with its terminator.
constexpr qsizetype kMaxValueLength = 254;
} // namespace

QString settingsFilePath(const QString &programFolder)
{
    return QDir(programFolder).filePath(u"ORVA_Test_Application.ini"_s);
}

Result<QString> ReadIniValue(const QString &fileName, const QString &section, const QString &key,
                             const QString &defaultValue)
{
    return ProfileFile::readString(fileName, section, key, defaultValue, kMaxValueLength);
}

Result<> WriteIniValue(const QString &fileName, const QString &section, const QString &key,
                       const QString &value)
{
    // A line break would end the entry early and turn the rest into a line of its own.
    QString cleaned = value;
    for (QChar &c : cleaned) {
        if (c == u'\n' || c == u'\r')
            c = u' ';
    }
    return ProfileFile::writeString(fileName, section, key, cleaned);
}

QString LoadSettings(const QString &programFolder)
{
    const QString path = settingsFilePath(programFolder);
    const Result<QString> address = ReadIniValue(path, kSection, kKey, kDefaultAddress);
    if (address)
        return *address;
    qWarning("The settings file %s was not read: %s; the address starts as %s",
             qPrintable(QDir::toNativeSeparators(path)), qPrintable(address.reason()),
             qPrintable(kDefaultAddress));
    return kDefaultAddress;
}

Result<> SaveSettings(const QString &address, const QString &programFolder)
{
    return WriteIniValue(settingsFilePath(programFolder), kSection, kKey, address);
}
