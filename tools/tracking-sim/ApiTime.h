#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Seconds since 1970-01-01T00:00:00Z.
using UnixSeconds = std::int64_t;

// Reads "yyyy-MM-ddTHH:mm:ss" followed by "Z" or by a sign and hhmm (or hh:mm). The client
// writes a space instead of "+" for zones at or ahead of UTC, so "-", "+" and " " are all signs.
std::optional<UnixSeconds> parseApiTime(std::string_view text);

// Writes an instant as this machine's local time in the form the client writes:
// "yyyy-MM-ddTHH:mm:ss", then "-hhmm" for a zone behind UTC or " hhmm" at or ahead of it.
// The offset is the one in force at that instant, so a summer date carries the summer offset.
std::string formatApiTime(UnixSeconds instant);

// The present instant from the system clock.
UnixSeconds nowSeconds();
