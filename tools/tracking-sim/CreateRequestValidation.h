#pragma once

#include "Job.h"

#include <string>
#include <string_view>

// Reads the body of a create request into `job` (identity, times, streams and thresholds;
// the status is left to the store). On a problem returns false and names it in `error`,
// naming the first offending member in body order.
bool jobFromCreateRequest(std::string_view body, Job &job, std::string &error);
