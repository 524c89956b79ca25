#include "traffic/TransferDetails.h"

#include <QLocale>
#include <QStringList>

using namespace Qt::StringLiterals;

QString completedDetails(int code, const QByteArray &phrase, qsizetype bodySize, qint64 elapsedMs)
{
    QString details = u"HTTP "_s + u"%1"_s.arg(code, 3, 10, QLatin1Char('0'));
    if (!phrase.isEmpty())
        details += u' ' + QString::fromUtf8(phrase);
    return details + u" \u00b7 %1 bytes \u00b7 %2 ms"_s.arg(bodySize).arg(elapsedMs);
}

QString timingDetails(const InetTransfer::Timing &timing)
{
    QString line;
    if (timing.nameLookupMs >= 0)
        line = u"name lookup %1 ms \u00b7 "_s.arg(timing.nameLookupMs);
    return line
        + u"connect %1 ms \u00b7 first byte %2 ms \u00b7 body %3 ms"_s.arg(timing.connectMs)
              .arg(timing.firstByteMs)
              .arg(timing.bodyMs);
}

QString failedDetails(const QString &failureText)
{
    return u"Failed: "_s + failureText;
}

QString listDetails(const JobListHistory::Summary &list)
{
    // Thousands grouped as an operator reads them, whatever the system's language.
    const QLocale english(QLocale::English);
    QStringList parts{english.toString(list.listed) + (list.listed == 1 ? u" job"_s : u" jobs"_s)};
    for (const auto &[count, what] :
         {std::pair{list.added, u"new"_s}, std::pair{list.changed, u"changed"_s},
          std::pair{list.notListed, u"not listed"_s}}) {
        if (count > 0)
            parts << english.toString(count) + u' ' + what;
    }
    if (parts.size() == 1)
        parts << u"no change"_s;
    return parts.join(u" \u00b7 "_s);
}
