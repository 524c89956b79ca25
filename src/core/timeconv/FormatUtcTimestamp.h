#pragma once

#include <QDateTime>
#include <QString>

// The local zone's distance from UTC in minutes (UTC = local time + bias), as in effect now.
struct ZoneBias
{
    qint32 Bias = 0;
    qint32 StandardBias = 0;
    qint32 DaylightBias = 0;
    bool daylight = false; // daylight saving time is in effect at the moment of the reading
};

class TimeZoneSource
{
public:
    virtual ~TimeZoneSource() = default;
    virtual ZoneBias currentBias() const = 0;
};

// Reads the system zone through Qt at the moment of the call.
class SystemTimeZoneSource final : public TimeZoneSource
{
public:
    ZoneBias currentBias() const override;
};

// "yyyy-MM-ddTHH:mm:ss" of the local date-time as given, then the offset: "-hhmm" for a zone
// behind UTC, " hhmm" otherwise. Always 24 characters.
QString FormatUtcTimestamp(const QDateTime &local, const TimeZoneSource &zone);

// A job starting in 2 minutes and ending 30 minutes later, as two timestamps of the local
// wall-clock reading `now`: the creation window's time button and the command line's smoke job.
struct TrackingTimes
{
    QString start;
    QString end;
};
TrackingTimes presetTrackingTimes(const QDateTime &now, const TimeZoneSource &zone);
