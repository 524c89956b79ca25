#pragma once

#include "Result.h"
#include "transfer/TransferDefaults.h"

#include <QDateTime>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class MessageBoxes;
class RandomSource;
class TimeZoneSource;

// What the windows take from the world outside, gathered so tests can supply their own.
struct AppEnvironment
{
    QString programFolder;                      // where the log and settings live
    std::shared_ptr<MessageBoxes> messageBoxes; // modal boxes
    std::function<QDateTime()> clock;           // present local date and time
    std::shared_ptr<TimeZoneSource> timeZone;   // the local zone's bias
    std::shared_ptr<RandomSource> random;       // one generator for the whole run
    std::chrono::milliseconds transferTimeout = DefaultTransferTimeout;

    // The real world: the executable's folder, real boxes, the system clock and zone, a
    // generator in its fixed start state. A failure when the program's folder cannot be known.
    static Result<AppEnvironment> system();
};
