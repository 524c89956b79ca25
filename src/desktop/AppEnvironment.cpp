#include "desktop/AppEnvironment.h"

#include "desktop/MessageBoxes.h"
#include "create/RandomSource.h"
#include "timeconv/FormatUtcTimestamp.h"

#include <QCoreApplication>

AppEnvironment AppEnvironment::system()
{
    AppEnvironment env;
    env.programFolder = QCoreApplication::applicationDirPath();
    env.messageBoxes = std::make_shared<MessageBoxes>();
    env.clock = [] { return QDateTime::currentDateTime(); };
    env.timeZone = std::make_shared<SystemTimeZoneSource>();
    env.random = std::make_shared<FixedSeedRandom>();
    return env;
}
