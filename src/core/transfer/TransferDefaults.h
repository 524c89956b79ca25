#pragma once

#include <chrono>

// A transfer that makes no progress for this long fails.
inline constexpr std::chrono::milliseconds DefaultTransferTimeout{60000};
