#include "desktop/AppEnvironment.h"

#include "BuildInfo.h"
#include "create/RandomSource.h"
#include "desktop/MessageBoxes.h"
#include "desktop/ProgramFolder.h"
#include "timeconv/FormatUtcTimestamp.h"

#include <QCoreApplication>
#include <QStandardPaths>

Result<AppEnvironment> AppEnvironment::system()
{
    // Empty when the program's file has been deleted since the start.
    const Result<QString> executable =
        executableFolder(QCoreApplication::applicationDirPath(), startedProgramFile());
    if (!executable)
        return Failure{executable.reason()};
    AppEnvironment env;
    QStringList installed;
    for (const char *folder : TalusInstalledBinFolders)
        installed.append(QString::fromUtf8(folder));
    env.programFolder = chooseProgramFolder(
        *executable, installed, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    env.messageBoxes = std::make_shared<MessageBoxes>();
    env.clock = [] { return QDateTime::currentDateTime(); };
    env.timeZone = std::make_shared<SystemTimeZoneSource>();
    env.random = std::make_shared<FixedSeedRandom>();
    return env;
}
