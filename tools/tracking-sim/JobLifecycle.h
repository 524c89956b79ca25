#pragma once

#include "Job.h"

// What a job reports when it goes quiet for good.
inline constexpr const char *kStoppedStatus = "Stopped";

// Brings a job up to date with the clock: one new alert per `alertEverySeconds` while it is
// between its start and end time, "Stopped" once its end has passed. Returns whether the job
// changed. Alerts start no earlier than the job's creation: a job cannot have a past.
bool advanceJob(Job &job, UnixSeconds now, std::int64_t alertEverySeconds);

// Stops a job at `now`; a job that is already settled keeps its state.
void stopJob(Job &job, UnixSeconds now);
