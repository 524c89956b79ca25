#include "desktop/AppEnvironment.h"

#include "BuildInfo.h"
#include "create/RandomSource.h"
#include "desktop/MessageBoxes.h"
#include "desktop/ProgramFolder.h"
#include "timeconv/FormatUtcTimestamp.h"

#include <QCoreApplication>
#include <QStandardPaths>

AppEnvironment AppEnvironment::system()
{
    AppEnvironment env;
    QStringList installed;
    for (const char *folder : TalusInstalledBinFolders)
        installed.append(QString::fromUtf8(folder));
    env.programFolder =
        chooseProgramFolder(QCoreApplication::applicationDirPath(), installed,
                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    env.messageBoxes = std::make_shared<MessageBoxes>();
    env.clock = [] { return QDateTime::currentDateTime(); };
    env.timeZone = std::make_shared<SystemTimeZoneSource>();
    env.random = std::make_shared<FixedSeedRandom>();
    return env;
}
