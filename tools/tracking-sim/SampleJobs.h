#pragma once

class JobStore;

// Fills the store with `count` finished jobs ("SIM-000001", ...) whose times lie in the past
// and whose statuses never change, so the rendered list stays valid for the whole run.
void addSampleJobs(JobStore &store, int count);
