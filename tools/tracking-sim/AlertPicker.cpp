#include "AlertPicker.h"

#include <array>

namespace {

constexpr std::uint64_t kSeed = 0x7a1c5eedULL;

constexpr std::array<std::string_view, 5> kStatuses = {"Video Freeze", "Audio Silence",
                                                       "Black Frame", "Stream Mismatch", "OK"};

// splitmix64: cheap, well mixed, and the same on every platform.
std::uint64_t mix(std::uint64_t value)
{
    value += 0x9e3779b97f4a7c15ULL;
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ULL;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebULL;
    return value ^ (value >> 31);
}

std::uint64_t hashText(std::string_view text)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

} // namespace

std::string_view pickAlert(std::string_view externalId, std::int64_t tick)
{
    const std::uint64_t draw =
        mix(kSeed ^ hashText(externalId) ^ mix(static_cast<std::uint64_t>(tick)));
    return kStatuses[draw % kStatuses.size()];
}
