#include "transfer/TrackingUrl.h"

using namespace Qt::StringLiterals;

QString trackingUrl(const QString &address, const QString &suffix)
{
    return u"http://"_s + address + u"/api/videocompare/tracking"_s + suffix;
}

QString pathSegment(const QString &externalId)
{
    QString segment;
    segment.reserve(externalId.size());
    for (const QChar c : externalId) {
        if (c == u'/' || c == u'?' || c == u'#' || c == u'%')
            segment += u'%' + QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
        else
            segment += c;
    }
    return segment;
}

QString addressAuthority(const QString &address)
{
    qsizetype end = 0;
    while (end < address.size() && address[end] != u'/' && address[end] != u'?'
           && address[end] != u'#')
        ++end;
    return address.left(end);
}
