#include "RawHttp.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpSocket>

namespace {

constexpr int kPatienceMs = 15000;

QByteArray dechunk(const QByteArray &coded)
{
    QByteArray body;
    qsizetype at = 0;
    while (at < coded.size()) {
        const qsizetype lineEnd = coded.indexOf("\r\n", at);
        if (lineEnd < 0)
            break;
        bool ok = false;
        const qsizetype size = coded.mid(at, lineEnd - at).toLongLong(&ok, 16);
        if (!ok || size == 0)
            break;
        body += coded.mid(lineEnd + 2, size);
        at = lineEnd + 2 + size + 2;
    }
    return body;
}

} // namespace

bool RawResponse::hasHeader(const QByteArray &name) const
{
    for (const auto &header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QByteArray RawResponse::header(const QByteArray &name) const
{
    for (const auto &header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return {};
}

QString RawResponse::error() const
{
    return QJsonDocument::fromJson(body).object().value(u"error").toString();
}

QByteArray composeRequest(const QByteArray &method, const QByteArray &target,
                          const QByteArray &body)
{
    QByteArray request = method + ' ' + target + " HTTP/1.1\r\n"
        + "Connection: close\r\nContent-Type: application/json\r\n"
        + "Accept: application/json\r\nHost: 127.0.0.1\r\n";
    if (!body.isEmpty() || method == "POST")
        request += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return request + "\r\n" + body;
}

RawResponse exchange(quint16 port, const QByteArray &request)
{
    QTcpSocket socket;
    QByteArray received;
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket,
                     [&socket, &received] { received += socket.readAll(); });
    QSignalSpy closed(&socket, &QTcpSocket::disconnected);
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.write(request);
    const bool closedByServer = closed.wait(kPatienceMs);
    received += socket.readAll();
    RawResponse response = parseResponse(received);
    response.closedByServer = closedByServer;
    return response;
}

RawResponse parseResponse(const QByteArray &raw)
{
    RawResponse response;
    response.raw = raw;
    const qsizetype headEnd = raw.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return response;
    const QList<QByteArray> lines = raw.left(headEnd).split('\n');
    const QList<QByteArray> statusLine = lines.first().trimmed().split(' ');
    if (statusLine.size() >= 2 && statusLine.first().startsWith("HTTP/1."))
        response.status = statusLine.at(1).toInt();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        if (colon > 0)
            response.headers.append(
                {lines.at(i).left(colon).trimmed(), lines.at(i).mid(colon + 1).trimmed()});
    }
    const QByteArray rest = raw.mid(headEnd + 4);
    if (response.header("Transfer-Encoding").compare("chunked", Qt::CaseInsensitive) == 0)
        response.body = dechunk(rest);
    else if (response.hasHeader("Content-Length"))
        response.body = rest.left(response.header("Content-Length").toLongLong());
    else
        response.body = rest;
    return response;
}
