#pragma once

#include "ApiTime.h"

#include <array>
#include <cstdint>
#include <string>

// One of the two streams a job compares. Ports are whole numbers, so writing them back gives
// the same text the client sent.
struct JobStream
{
    std::string primaryUdpMulticastIpAddress;
    int primaryUdpPort = 0;
    std::string backupUdpMulticastIpAddress;
    int backupUdpPort = 0;
    std::string channelName;
};

// A tracking job as the simulator holds it. Texts the client sent are kept verbatim so every
// answer shows them as they were created.
struct Job
{
    std::string externalId;
    std::string programName;
    std::string startTrackingUtc;
    std::string endTrackingUtc;
    std::array<JobStream, 2> channelGroup;
    std::string thresholdKey1;
    std::string thresholdKey2;

    UnixSeconds start = 0;
    UnixSeconds end = 0;
    UnixSeconds created = 0;

    std::string latestAlertStatus;
    UnixSeconds latestAlertTime = 0;
    std::int64_t alertsRaised = 0;
    // Stopped, past its end, or generated at start-up: the job never changes again.
    bool settled = false;
};
