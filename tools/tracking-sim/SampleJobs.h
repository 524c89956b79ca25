#pragma once

#include "Job.h"

class JobStore;

// Fills the store with `count` finished jobs ("SIM-000001", ...) whose times lie in the past
// and whose statuses never change, so the rendered list stays valid for the whole run.
void addSampleJobs(JobStore &store, int count);

// Adds `count` jobs ("SIM-R00001", ...) created at `now` that run for a day, raising an alert
// every alert interval of the store: what a list shows changing from one list to the next.
void addRunningJobs(JobStore &store, int count, UnixSeconds now);
