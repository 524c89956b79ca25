#include "desktop/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace {

QString samePathForm(const QString &folder)
{
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

QString chooseProgramFolder(const QString &executableFolder, const QStringList &installedBinFolders,
                            const QString &userDataFolder)
{
    const QString here = samePathForm(executableFolder);
    for (const QString &installed : installedBinFolders) {
        if (!installed.isEmpty() && here == samePathForm(installed))
            return userDataFolder;
    }
    return executableFolder;
}

bool makeProgramFolder(const QString &folder, QString *error)
{
    std::error_code failure;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), failure);
    if (!failure)
        return true;
    if (error)
        *error = QString::fromStdString(failure.message());
    return false;
}
