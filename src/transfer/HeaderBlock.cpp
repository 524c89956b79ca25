#include "transfer/HeaderBlock.h"

QString BuildHeaderBlock(const QString &address)
{
    const QString crlf = QStringLiteral("\r\n");
    QString block;
    block += QStringLiteral("Connection: close") + crlf;
    block += QStringLiteral("Content-Type: application/json") + crlf;
    block += QStringLiteral("Accept: application/json") + crlf;
    block += QStringLiteral("User-Agent: Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)")
        + crlf;
    block += QStringLiteral("Host: ") + address + crlf;
    block += crlf;
    return block;
}

QString TrackingUrl(const QString &address, const QString &suffix)
{
    return QStringLiteral("http://") + address + QStringLiteral("/api/videocompare/tracking")
        + suffix;
}

QString TrimSpaces(const QString &text)
{
    // Only U+0020: tabs and other white space are part of the text.
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}
