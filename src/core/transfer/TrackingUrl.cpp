#include "transfer/TrackingUrl.h"

using namespace Qt::StringLiterals;

namespace {

const QString kHttp = u"http://"_s;
const QString kHttps = u"https://"_s;

} // namespace

bool isHttpsAddress(const QString &address)
{
    return address.startsWith(kHttps, Qt::CaseInsensitive);
}

QString addressWithoutScheme(const QString &address)
{
    if (isHttpsAddress(address))
        return address.sliced(kHttps.size());
    if (address.startsWith(kHttp, Qt::CaseInsensitive))
        return address.sliced(kHttp.size());
    return address;
}

QString trackingUrl(const QString &address, const QString &suffix)
{
    return (isHttpsAddress(address) ? kHttps : kHttp) + addressWithoutScheme(address)
        + u"/api/videocompare/tracking"_s + suffix;
}

QString hostField(const QString &address)
{
    return addressAuthority(addressWithoutScheme(address));
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
