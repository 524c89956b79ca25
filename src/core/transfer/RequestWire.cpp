#include "transfer/RequestWire.h"

#include "transfer/HttpSyntax.h"
#include "transfer/TrackingUrl.h"

#include <QHostAddress>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

struct Endpoint
{
    QString host;
    quint16 port = 80;
    QString target;
    bool secure = false;
};

// HTAB is legal inside field values; every other control would let a value start a new line.
bool isFieldByte(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return c == '\t' || (byte >= 0x20 && byte != 0x7F);
}

bool parsePort(QStringView text, quint16 *port)
{
    if (text.isEmpty() || text.size() > 5)
        return false;
    int value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value < 1 || value > 65535)
        return false;
    *port = static_cast<quint16>(value);
    return true;
}

// Returns the reason when the authority cannot be used, an empty text when it can.
Result<> splitAuthority(QStringView authority, Endpoint *endpoint)
{
    QStringView portText;
    bool hasPort = false;
    if (authority.startsWith(u'[')) {
        const qsizetype close = authority.indexOf(u']');
        if (close < 0)
            return Failure{u"unclosed \"[\""_s};
        endpoint->host = authority.sliced(1, close - 1).toString();
        QHostAddress literal;
        if (!literal.setAddress(endpoint->host)
            || literal.protocol() != QAbstractSocket::IPv6Protocol) {
            return Failure{u"not an IPv6 address between \"[\" and \"]\""_s};
        }
        const QStringView after = authority.sliced(close + 1);
        if (!after.isEmpty() && !after.startsWith(u':'))
            return Failure{u"text after \"]\""_s};
        hasPort = !after.isEmpty();
        portText = hasPort ? after.sliced(1) : QStringView();
    } else {
        const qsizetype colon = authority.indexOf(u':');
        hasPort = colon >= 0;
        endpoint->host = (hasPort ? authority.first(colon) : authority).toString();
        portText = hasPort ? authority.sliced(colon + 1) : QStringView();
    }
    if (endpoint->host.isEmpty())
        return Failure{u"no host"_s};
    if (std::any_of(endpoint->host.cbegin(), endpoint->host.cend(),
                    [](QChar c) { return c.unicode() <= 0x20 || c.unicode() == 0x7F; })) {
        return Failure{u"the host holds a space or a control character"_s};
    }
    if (hasPort && !parsePort(portText, &endpoint->port))
        return Failure{u"the port is not a number from 1 to 65535"_s};
    return {};
}

// A segment that is "." or "..", also when written with "%2E": a server or proxy that
// normalises the path would send the request to another resource than the one named.
bool hasDotSegment(QStringView target)
{
    for (const QStringView segment : target.split(u'/')) {
        QString plain = segment.toString();
        plain.replace(u"%2e"_s, u"."_s, Qt::CaseInsensitive);
        if (plain == u"." || plain == u"..")
            return true;
    }
    return false;
}

// The operator types the address, so "10.0.0.5/" makes a target starting "//": that is kept,
// and so is a path prefix ("10.0.0.5:8080/prefix") for a server behind one.
Result<Endpoint> splitUrl(const QString &url)
{
    Endpoint endpoint;
    endpoint.secure = isHttpsAddress(url);
    if (!endpoint.secure && !url.startsWith(u"http://"_s, Qt::CaseInsensitive))
        return Failure{u"not an http:// address"_s};
    if (endpoint.secure)
        endpoint.port = 443;
    const QStringView rest = QStringView(url).sliced(url.indexOf(u"//"_s) + 2);
    const qsizetype end = addressAuthority(rest.toString()).size();
    if (Result<> split = splitAuthority(rest.first(end), &endpoint); !split)
        return Failure{split.reason()};
    endpoint.target = rest.sliced(end).toString();
    // The request's own path would become a query or a fragment of what was typed.
    if (endpoint.target.contains(u'?') || endpoint.target.contains(u'#'))
        return Failure{u"it holds \"?\" or \"#\""_s};
    if (hasDotSegment(endpoint.target))
        return Failure{u"a \".\" or \"..\" path segment would name another resource"_s};
    if (endpoint.target.isEmpty())
        endpoint.target = u"/"_s;
    return endpoint;
}

// "%" stays: callers may already have encoded their text.
QByteArray encodeTarget(const QString &target)
{
    static constexpr QByteArrayView unsafe("\"<>\\^`{|}");
    static constexpr char hex[] = "0123456789ABCDEF";
    const QByteArray raw = target.toUtf8();
    QByteArray encoded;
    encoded.reserve(raw.size());
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || unsafe.contains(c)) {
            encoded += '%';
            encoded += hex[byte >> 4];
            encoded += hex[byte & 0x0F];
        } else {
            encoded += c;
        }
    }
    return encoded;
}

// Copies the block's lines as they are; its own empty line ends it and is not copied, since
// a Content-Length line may still have to follow.
bool appendHeaderLines(const QString &headers, QByteArray *out)
{
    const QByteArray block = headers.toUtf8();
    qsizetype pos = 0;
    while (pos < block.size()) {
        const qsizetype crlf = block.indexOf("\r\n", pos);
        const qsizetype end = crlf < 0 ? block.size() : crlf;
        const qsizetype next = crlf < 0 ? block.size() : crlf + 2;
        const QByteArrayView line = QByteArrayView(block).sliced(pos, end - pos);
        if (line.isEmpty())
            return next == block.size();
        if (!std::all_of(line.begin(), line.end(), isFieldByte))
            return false;
        out->append(line);
        out->append("\r\n");
        pos = next;
    }
    return true;
}

} // namespace

Result<RequestWire> RequestWire::compose(const QString &url, const QString &method,
                                         const QString &body, const QString &headers)
{
    const Result<Endpoint> endpoint = splitUrl(url);
    if (!endpoint)
        return Failure{endpoint.reason()};
    const QByteArray verb = method.toUtf8();
    if (verb.isEmpty() || !std::all_of(verb.cbegin(), verb.cend(), isTokenChar))
        return Failure{u"the method is not a plain word"_s};

    RequestWire wire;
    wire.host = endpoint->host;
    wire.port = endpoint->port;
    wire.secure = endpoint->secure;
    wire.bytes = verb + ' ' + encodeTarget(endpoint->target) + " HTTP/1.1\r\n";
    if (!appendHeaderLines(headers, &wire.bytes))
        return Failure{u"a header line holds a line break or a control character"_s};
    const QByteArray payload = body.toUtf8();
    if (!payload.isEmpty() || verb == "POST")
        wire.bytes += "Content-Length: " + QByteArray::number(payload.size()) + "\r\n";
    wire.bytes += "\r\n";
    wire.bytes += payload;
    return wire;
}
