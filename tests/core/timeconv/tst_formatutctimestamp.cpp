#include "FixedTimeZone.h"
#include "timeconv/FormatUtcTimestamp.h"

#include <QScopeGuard>
#include <QTest>
#include <QTimeZone>

#include <ctime>

using namespace Qt::StringLiterals;

class tst_FormatUtcTimestamp final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formats_data()
    {
        QTest::addColumn<ZoneBias>("zone");
        QTest::addColumn<QString>("expected"); // its first 19 characters are the local input
        const auto row = [](const char *name, ZoneBias zone, const QString &expected) {
            QTest::newRow(name) << zone << expected;
        };

        row("behind, standard time", {300, 0, -60, false}, u"2024-03-05T09:07:02-0500"_s);
        row("behind, daylight time", {300, 0, -60, true}, u"2024-07-09T04:13:13-0400"_s);
        row("UTC gets a space", {0, 0, 0, false}, u"2024-03-05T09:07:02 0000"_s);
        row("half an hour ahead", {-330, 0, 0, false}, u"2024-03-05T09:07:02 0530"_s);
        row("half an hour behind", {210, 0, 0, false}, u"2024-03-05T09:07:02-0330"_s);
        row("leading zeros, standard bias", {-60, -5, 0, false}, u"2027-01-02T03:04:05 0105"_s);
    }

    void formats()
    {
        QFETCH(ZoneBias, zone);
        QFETCH(QString, expected);
        const QDateTime local = QDateTime::fromString(expected.left(19), Qt::ISODate);
        QCOMPARE(FormatUtcTimestamp(local, FixedTimeZone(zone)), expected);
    }

    // The second zone is a rule, three and a half hours behind UTC, that needs no zone files.
    void systemZone()
    {
        // Later tests of this process read the local zone: the variable is put back as it was.
        const std::optional<QByteArray> savedZone =
            qEnvironmentVariableIsSet("TZ") ? std::optional(qgetenv("TZ")) : std::nullopt;
        const auto restoreZone = qScopeGuard([&] {
            savedZone ? qputenv("TZ", *savedZone) : qunsetenv("TZ");
            tzset();
        });
        for (const auto &[zone, offset] :
             {std::pair{"UTC", u" 0000"_s}, {"<-0330>3:30", u"-0330"_s}}) {
            qputenv("TZ", zone);
            tzset();
            if (!QTimeZone::systemTimeZone().isValid())
                QSKIP("zone data is not installed");
            QCOMPARE(FormatUtcTimestamp(QDate(2024, 3, 5).startOfDay(), SystemTimeZoneSource()),
                     u"2024-03-05T00:00:00"_s + offset);
        }
    }
};

QTEST_GUILESS_MAIN(tst_FormatUtcTimestamp)
#include "tst_formatutctimestamp.moc"
