#pragma once

#include "Result.h"

#include <QByteArray>
#include <QString>

// One request as it goes out: where to connect and the exact bytes to send.
struct RequestWire
{
    QString host;        // IPv6 literals without their brackets
    quint16 port = 80;   // 443 for an https:// URL that names none
    bool secure = false; // an https:// URL: the same bytes go inside TLS
    QByteArray bytes;

    // Splits an "http://authority/target" (or "https://...") URL and composes the request line,
    // the header block's lines as given, a Content-Length when there is a body or the method is
    // POST, the empty line and the body, all as UTF-8. Fails when the request could not be sent
    // safely as given: another scheme, an empty host, a bad port, a method that is not a plain
    // word, or a header line with a line break or other control character in it (or an empty
    // line before the end of the block), a "?" or "#" after the authority (the request's path
    // would become a query or fragment), or a "." or ".." path segment (a server that
    // normalises paths would act on another resource); the reason says which. Bytes that may
    // not stand in a request target are percent-encoded.
    static Result<RequestWire> compose(const QString &url, const QString &method,
                                       const QString &body, const QString &headers);
};
