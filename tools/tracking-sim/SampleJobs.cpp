#include "SampleJobs.h"

#include "AlertPicker.h"
#include "JobLifecycle.h"
#include "JobStore.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 8> kPrograms = {
    "Evening News",   "Morning Show",  "Midday Report", "Late Movie",
    "Sports Tonight", "Weather Watch", "Kids Club",     "Night Desk"};

constexpr UnixSeconds kJobSpacing = 600;
constexpr UnixSeconds kJobLength = 3600;

// Fixed rather than taken from the clock, so every run lists the same jobs.
UnixSeconds newestSampleEnd()
{
    using namespace std::chrono;
    return sys_days{year{2025} / June / 1}.time_since_epoch().count() * 86400;
}

std::string multicastAddress(int group, int index)
{
    char text[32];
    std::snprintf(text, sizeof text, "239.%d.%d.%d", group, index / 250 % 250, index % 250 + 1);
    return text;
}

JobStream sampleStream(int index, int group, char feed)
{
    JobStream stream;
    stream.primaryUdpMulticastIpAddress = multicastAddress(group, index);
    stream.primaryUdpPort = 5000 + index % 1000 * 4 + (group % 2) * 2;
    stream.backupUdpMulticastIpAddress = multicastAddress(group + 1, index);
    stream.backupUdpPort = stream.primaryUdpPort + 1;
    stream.channelName = std::string("Feed ") + feed + " " + std::to_string(index % 100 + 1);
    return stream;
}

} // namespace

void addSampleJobs(JobStore &store, int count)
{
    const UnixSeconds newestEnd = newestSampleEnd();
    for (int i = 0; i < count; ++i) {
        char id[32];
        std::snprintf(id, sizeof id, "SIM-%06d", i + 1);
        Job job;
        job.externalId = id;
        job.programName = std::string(kPrograms[static_cast<std::size_t>(i) % kPrograms.size()]);
        job.end = newestEnd - i * kJobSpacing;
        job.start = job.end - kJobLength;
        job.created = job.start - kJobSpacing;
        job.startTrackingUtc = formatApiTime(job.start);
        job.endTrackingUtc = formatApiTime(job.end);
        job.channelGroup = {sampleStream(i, 10, 'A'), sampleStream(i, 20, 'B')};
        job.thresholdKey1 = "ThresholdValue1";
        job.thresholdKey2 = "ThresholdValue2";
        if (i % 4 == 3) {
            job.latestAlertStatus = kStoppedStatus;
            job.latestAlertTime = job.end;
        } else {
            job.latestAlertStatus = pickAlert(job.externalId, i);
            job.latestAlertTime = job.start + (i % 5 + 1) * kJobSpacing;
        }
        store.addSettled(std::move(job));
    }
}

void addRunningJobs(JobStore &store, int count, UnixSeconds now)
{
    constexpr UnixSeconds kDay = 86400;
    for (int i = 0; i < count; ++i) {
        char id[32];
        std::snprintf(id, sizeof id, "SIM-R%05d", i + 1);
        Job job;
        job.externalId = id;
        job.programName = std::string(kPrograms[static_cast<std::size_t>(i) % kPrograms.size()]);
        job.start = now;
        job.end = now + kDay;
        job.startTrackingUtc = formatApiTime(job.start);
        job.endTrackingUtc = formatApiTime(job.end);
        job.channelGroup = {sampleStream(i, 30, 'C'), sampleStream(i, 40, 'D')};
        job.thresholdKey1 = "ThresholdValue1";
        job.thresholdKey2 = "ThresholdValue2";
        std::string rendered;
        store.create(std::move(job), now, rendered);
    }
}
