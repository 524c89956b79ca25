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
