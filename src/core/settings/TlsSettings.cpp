#include "settings/TlsSettings.h"

#include "settings/Settings.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

const QString kSection = u"TLS"_s;

QString pinKey(const QString &hostPort)
{
    return u"Pin."_s + hostPort;
}

Result<QString> value(const QString &settingsFile, const QString &key)
{
    const Result<QString> read = ReadIniValue(settingsFile, kSection, key, QString());
    if (!read) {
        return Failure{u"cannot read the settings file %1: %2"_s.arg(
            QDir::toNativeSeparators(settingsFile), read.reason())};
    }
    return read;
}

Result<QString> fileSetting(const QString &settingsFile, const QString &key)
{
    const Result<QString> name = value(settingsFile, key);
    if (!name || name->isEmpty())
        return name;
    return QFileInfo(settingsFile).dir().filePath(*name);
}

} // namespace

Result<TlsSettings> TlsSettings::read(const QString &settingsFile)
{
    TlsSettings settings;
    for (const auto &[key, field] :
         {std::pair{u"CAFile"_s, &TlsSettings::caFile},
          std::pair{u"ClientCertificate"_s, &TlsSettings::clientCertificate},
          std::pair{u"ClientKey"_s, &TlsSettings::clientKey}}) {
        const Result<QString> file = fileSetting(settingsFile, key);
        if (!file)
            return Failure{file.reason()};
        settings.*field = *file;
    }
    return settings;
}

Result<QString> readPin(const QString &settingsFile, const QString &hostPort)
{
    const Result<QString> pin = value(settingsFile, pinKey(hostPort));
    if (!pin)
        return pin;
    return QString(*pin).remove(u':').toLower();
}

Result<> writePin(const QString &settingsFile, const QString &hostPort, const QByteArray &sha256)
{
    const Result<> written = WriteIniValue(settingsFile, kSection, pinKey(hostPort),
                                           QString::fromLatin1(sha256.toHex()));
    if (!written) {
        return Failure{
            u"Cannot write %1: %2"_s.arg(QDir::toNativeSeparators(settingsFile), written.reason())};
    }
    return {};
}
