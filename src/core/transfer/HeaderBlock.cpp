#include "transfer/HeaderBlock.h"

using namespace Qt::StringLiterals;

QString BuildHeaderBlock(const QString &address)
{
    const QString crlf = u"\r\n"_s;
    QString block;
    block += u"Connection: close"_s + crlf;
    block += u"Content-Type: application/json"_s + crlf;
    block += u"Accept: application/json"_s + crlf;
    block += u"User-Agent: Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)"_s + crlf;
    block += u"Host: "_s + address + crlf;
    block += crlf;
    return block;
}
