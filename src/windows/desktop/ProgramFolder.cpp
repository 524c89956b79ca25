#include "desktop/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <climits>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

ProgramFile resolveProgramFile()
{
    char link[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", link, sizeof link);
    if (length <= 0 || length >= ssize_t(sizeof link))
        return {};
    ProgramFile file{std::string(link, std::size_t(length))};
    // The mark the system puts after the path of a file that is gone.
    constexpr std::string_view kDeleted = " (deleted)";
    if (file.path.ends_with(kDeleted) && ::access(file.path.c_str(), F_OK) != 0) {
        file.path.resize(file.path.size() - kDeleted.size());
        file.deleted = true;
    }
    return file;
}

QString samePathForm(const QString &folder)
{
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

const ProgramFile &startedProgramFile()
{
    static const ProgramFile started = resolveProgramFile();
    return started;
}

Result<QString> executableFolder(const QString &applicationDir, const ProgramFile &started)
{
    if (!applicationDir.isEmpty())
        return applicationDir;
    if (started.path.empty())
        return Failure{u"The program's folder cannot be known: the system names no file for "
                       "this program"_s};
    return QFileInfo(QFile::decodeName(QByteArray::fromStdString(started.path))).absolutePath();
}

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

Result<> makeProgramFolder(const QString &folder)
{
    std::error_code failure;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), failure);
    if (failure)
        return Failure{QString::fromStdString(failure.message())};
    return {};
}
