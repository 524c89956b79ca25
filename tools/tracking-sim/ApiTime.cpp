#include "ApiTime.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

std::optional<int> digitsAt(std::string_view text, std::size_t pos, std::size_t count)
{
    if (pos + count > text.size())
        return std::nullopt;
    int value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// Seconds east of UTC.
std::optional<int> parseOffset(std::string_view zone)
{
    if (zone == "Z")
        return 0;
    if (zone.empty() || (zone[0] != '-' && zone[0] != '+' && zone[0] != ' '))
        return std::nullopt;
    const std::string_view rest = zone.substr(1);
    std::optional<int> hours;
    std::optional<int> minutes;
    if (rest.size() == 4) {
        hours = digitsAt(rest, 0, 2);
        minutes = digitsAt(rest, 2, 2);
    } else if (rest.size() == 5 && rest[2] == ':') {
        hours = digitsAt(rest, 0, 2);
        minutes = digitsAt(rest, 3, 2);
    }
    if (!hours || !minutes || *hours > 23 || *minutes > 59)
        return std::nullopt;
    const int seconds = *hours * 3600 + *minutes * 60;
    return zone[0] == '-' ? -seconds : seconds;
}

} // namespace

std::optional<UnixSeconds> parseApiTime(std::string_view text)
{
    constexpr std::size_t zoneStart = 19;
    if (text.size() <= zoneStart || text[4] != '-' || text[7] != '-' || text[10] != 'T'
        || text[13] != ':' || text[16] != ':')
        return std::nullopt;
    const auto year = digitsAt(text, 0, 4);
    const auto month = digitsAt(text, 5, 2);
    const auto day = digitsAt(text, 8, 2);
    const auto hour = digitsAt(text, 11, 2);
    const auto minute = digitsAt(text, 14, 2);
    const auto second = digitsAt(text, 17, 2);
    const auto offset = parseOffset(text.substr(zoneStart));
    if (!year || !month || !day || !hour || !minute || !second || !offset)
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year{*year},
                                           std::chrono::month{static_cast<unsigned>(*month)},
                                           std::chrono::day{static_cast<unsigned>(*day)}};
    if (!date.ok() || *hour > 23 || *minute > 59 || *second > 59)
        return std::nullopt;
    const UnixSeconds days = std::chrono::sys_days{date}.time_since_epoch().count();
    return days * 86400 + *hour * 3600 + *minute * 60 + *second - *offset;
}

std::string formatApiTime(UnixSeconds instant)
{
    const auto clock = static_cast<std::time_t>(instant);
    std::tm local{};
    if (localtime_r(&clock, &local) == nullptr)
        gmtime_r(&clock, &local);
    const long offset = local.tm_gmtoff;
    const long distance = offset < 0 ? -offset : offset;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld%02ld",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, offset < 0 ? '-' : ' ', distance / 3600,
                  distance % 3600 / 60);
    return text;
}

UnixSeconds nowSeconds()
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}
