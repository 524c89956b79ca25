#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// The alert texts a running job can report.
std::span<const std::string_view> alertStatuses();

// Picks the alert a job raises at its n-th tick. The choice depends only on a fixed seed, the
// job's id and the tick, not on when requests happen to arrive, so every run repeats.
std::string_view pickAlert(std::string_view externalId, std::int64_t tick);
