#include "JobLifecycle.h"

#include "AlertPicker.h"

#include <algorithm>

bool advanceJob(Job &job, UnixSeconds now, std::int64_t alertEverySeconds)
{
    if (job.settled)
        return false;
    const UnixSeconds activeFrom = std::max(job.start, job.created);
    if (now >= job.end) {
        job.settled = true;
        job.latestAlertStatus = kStoppedStatus;
        job.latestAlertTime = std::max(job.end, job.created);
        return true;
    }
    if (now < activeFrom)
        return false;
    const std::int64_t ticks = (now - activeFrom) / alertEverySeconds;
    if (ticks <= job.alertsRaised)
        return false;
    job.alertsRaised = ticks;
    job.latestAlertStatus = pickAlert(job.externalId, ticks);
    job.latestAlertTime = activeFrom + ticks * alertEverySeconds;
    return true;
}

void stopJob(Job &job, UnixSeconds now)
{
    if (job.settled)
        return;
    job.settled = true;
    job.latestAlertStatus = kStoppedStatus;
    job.latestAlertTime = now;
}
