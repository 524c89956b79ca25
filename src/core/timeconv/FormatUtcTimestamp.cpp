#include "timeconv/FormatUtcTimestamp.h"

#include <QTimeZone>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

// Two digits with a leading zero; the offset keeps its fixed width whatever the zone data says.
QString twoDigits(qint32 value)
{
    return u"%1"_s.arg(value % 100, 2, 10, QLatin1Char('0'));
}

} // namespace

ZoneBias SystemTimeZoneSource::currentBias() const
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QTimeZone zone = QTimeZone::systemTimeZone();

    qint32 offsetSeconds = 0;
    qint32 standardSeconds = 0;
    bool daylight = false;
    if (zone.isValid()) {
        offsetSeconds = zone.offsetFromUtc(now);
        standardSeconds = zone.standardTimeOffset(now);
        daylight = zone.isDaylightTime(now);
    } else {
        // Without zone data Qt still knows the C library's idea of local time.
        const QDateTime local = now.toLocalTime();
        offsetSeconds = local.offsetFromUtc();
        standardSeconds = offsetSeconds;
        daylight = local.isDaylightTime();
    }

    // The bias counts the other way round: UTC = local time + bias.
    ZoneBias bias;
    bias.daylight = daylight;
    bias.Bias = -standardSeconds / 60;
    const qint32 extra = -(offsetSeconds - standardSeconds) / 60;
    if (daylight)
        bias.DaylightBias = extra;
    else
        bias.StandardBias = extra;
    return bias;
}

QString FormatUtcTimestamp(const QDateTime &local, const TimeZoneSource &zone)
{
    const ZoneBias bias = zone.currentBias();
    const qint32 total = bias.Bias + (bias.daylight ? bias.DaylightBias : bias.StandardBias);
    const qint32 distance = std::abs(total);

    QString text = local.toString(u"yyyy-MM-dd'T'HH:mm:ss");
    text += total > 0 ? QLatin1Char('-') : QLatin1Char(' ');
    text += twoDigits(distance / 60);
    text += twoDigits(distance % 60);
    return text;
}

TrackingTimes presetTrackingTimes(const QDateTime &now, const TimeZoneSource &zone)
{
    // Minutes go onto the wall-clock reading as it stands: both texts carry the offset read
    // now, so they must not step over a daylight saving change on their own.
    const QDateTime wallClock(now.date(), now.time(), QTimeZone::utc());
    return {FormatUtcTimestamp(wallClock.addSecs(2 * 60), zone),
            FormatUtcTimestamp(wallClock.addSecs(32 * 60), zone)};
}
