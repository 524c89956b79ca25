#include "traffic/TransferDetails.h"

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
