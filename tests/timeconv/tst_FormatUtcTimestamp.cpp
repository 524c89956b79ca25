#include "timeconv/FormatUtcTimestamp.h"

#include <QTest>
#include <QTimeZone>

#include <ctime>

namespace {

class FixedZone final : public TimeZoneSource
{
public:
    explicit FixedZone(ZoneBias bias)
        : m_bias(bias)
    {
    }
    ZoneBias currentBias() const override { return m_bias; }

private:
    ZoneBias m_bias;
};

ZoneBias MakeBias(qint32 bias, qint32 standardBias, qint32 daylightBias, bool daylight)
{
    ZoneBias zone;
    zone.Bias = bias;
    zone.StandardBias = standardBias;
    zone.DaylightBias = daylightBias;
    zone.daylight = daylight;
    return zone;
}

// Sets TZ for the life of the object and puts the old value back afterwards.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const QByteArray &zone)
        : m_hadOld(qEnvironmentVariableIsSet("TZ"))
        , m_old(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_hadOld)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone &) = delete;
    ScopedTimeZone &operator=(const ScopedTimeZone &) = delete;

private:
    bool m_hadOld;
    QByteArray m_old;
};

qint32 Total(const ZoneBias &zone)
{
    return zone.Bias + (zone.daylight ? zone.DaylightBias : zone.StandardBias);
}

} // namespace

class tst_FormatUtcTimestamp final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formats_data();
    void formats();
    void systemZone_data();
    void systemZone();
};

void tst_FormatUtcTimestamp::formats_data()
{
    QTest::addColumn<QDateTime>("local");
    QTest::addColumn<ZoneBias>("zone");
    QTest::addColumn<QString>("expected");

    const QDateTime march(QDate(2024, 3, 5), QTime(9, 7, 2));
    QTest::newRow("five hours behind, standard time")
        << march << MakeBias(300, 0, -60, false) << QStringLiteral("2024-03-05T09:07:02-0500");
    QTest::newRow("same zone in daylight time")
        << QDateTime(QDate(2024, 7, 9), QTime(4, 13, 13)) << MakeBias(300, 0, -60, true)
        << QStringLiteral("2024-07-09T04:13:13-0400");
    QTest::newRow("UTC itself gets a space") << march << MakeBias(0, 0, 0, false)
                                             << QStringLiteral("2024-03-05T09:07:02 0000");
    QTest::newRow("one hour ahead gets a space") << march << MakeBias(-60, 0, 0, false)
                                                 << QStringLiteral("2024-03-05T09:07:02 0100");
    QTest::newRow("half-hour zone ahead") << march << MakeBias(-330, 0, 0, false)
                                          << QStringLiteral("2024-03-05T09:07:02 0530");
    QTest::newRow("half-hour zone behind") << march << MakeBias(210, 0, 0, false)
                                           << QStringLiteral("2024-03-05T09:07:02-0330");
    QTest::newRow("standard bias counts in standard time")
        << march << MakeBias(300, 15, -60, false) << QStringLiteral("2024-03-05T09:07:02-0515");
    QTest::newRow("midnight is hour 00")
        << QDateTime(QDate(2024, 12, 31), QTime(0, 0, 0)) << MakeBias(0, 0, 0, false)
        << QStringLiteral("2024-12-31T00:00:00 0000");
    QTest::newRow("noon is hour 12")
        << QDateTime(QDate(2024, 12, 31), QTime(12, 0, 0)) << MakeBias(0, 0, 0, false)
        << QStringLiteral("2024-12-31T12:00:00 0000");
    QTest::newRow("one second before midnight")
        << QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59)) << MakeBias(0, 0, 0, false)
        << QStringLiteral("2024-12-31T23:59:59 0000");
    QTest::newRow("single digits get leading zeros")
        << QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5)) << MakeBias(-65, 0, 0, false)
        << QStringLiteral("2027-01-02T03:04:05 0105");
    // The offset is the one read now; the date given is not shifted or re-zoned.
    QTest::newRow("input kept as given, not shifted")
        << QDateTime(QDate(2024, 3, 5), QTime(9, 7, 2), QTimeZone::utc())
        << MakeBias(300, 0, -60, true) << QStringLiteral("2024-03-05T09:07:02-0400");
}

void tst_FormatUtcTimestamp::formats()
{
    QFETCH(QDateTime, local);
    QFETCH(ZoneBias, zone);
    QFETCH(QString, expected);

    const QString text = FormatUtcTimestamp(local, FixedZone(zone));
    QCOMPARE(text, expected);
    QCOMPARE(text.size(), 24);
}

void tst_FormatUtcTimestamp::systemZone_data()
{
    QTest::addColumn<QByteArray>("zoneId");
    QTest::addColumn<QList<qint32>>("possibleTotals");

    QTest::newRow("UTC") << QByteArray("UTC") << QList<qint32>{0};
    QTest::newRow("New York, standard or daylight")
        << QByteArray("America/New_York") << QList<qint32>{300, 240};
    QTest::newRow("Kolkata, half-hour ahead") << QByteArray("Asia/Kolkata")
                                              << QList<qint32>{-330};
    QTest::newRow("St. John's, half-hour behind")
        << QByteArray("America/St_Johns") << QList<qint32>{210, 150};
}

void tst_FormatUtcTimestamp::systemZone()
{
    QFETCH(QByteArray, zoneId);
    QFETCH(QList<qint32>, possibleTotals);

    if (!QTimeZone::isTimeZoneIdAvailable(zoneId))
        QSKIP("zone data for this zone is not installed");

    const ScopedTimeZone scoped(zoneId);
    const ZoneBias bias = SystemTimeZoneSource().currentBias();
    const qint32 total = Total(bias);
    QVERIFY2(possibleTotals.contains(total), qPrintable(QString::number(total)));

    const QTimeZone zone(zoneId);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QCOMPARE(total, -zone.offsetFromUtc(now) / 60);
    QCOMPARE(bias.daylight, zone.isDaylightTime(now));

    const QString text = FormatUtcTimestamp(QDateTime(QDate(2024, 3, 5), QTime(9, 7, 2)),
                                            SystemTimeZoneSource());
    QCOMPARE(text.size(), 24);
    QCOMPARE(text.at(19), total > 0 ? QLatin1Char('-') : QLatin1Char(' '));
}

QTEST_GUILESS_MAIN(tst_FormatUtcTimestamp)
#include "tst_FormatUtcTimestamp.moc"
