#pragma once

#include <cstdint>
#include <string_view>

// Picks the alert a job raises at its n-th tick. The choice depends only on a fixed seed, the
// job's id and the tick, not on when requests happen to arrive, so every run repeats.
std::string_view pickAlert(std::string_view externalId, std::int64_t tick);
