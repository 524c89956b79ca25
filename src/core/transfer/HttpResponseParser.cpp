#include "transfer/HttpResponseParser.h"

#include "memory/HugePages.h"
#include "transfer/HttpSyntax.h"

#include <QList>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// Reserves room for `bytes` in body, which is then written page by page as it arrives.
void reserveBody(QByteArray &body, qsizetype bytes)
{
    body.reserve(bytes);
    offerHugePages(body.constData(), body.capacity());
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Digits only: a sign, a blank or a value past qint64 would let a server pick our framing.
bool parseNumber(QByteArrayView text, int base, qint64 *value)
{
    if (text.isEmpty())
        return false;
    qint64 result = 0;
    for (const char c : text) {
        const int digit = base == 16 ? hexValue(c) : (isDigit(c) ? c - '0' : -1);
        if (digit < 0 || result > (std::numeric_limits<qint64>::max() - digit) / base)
            return false;
        result = result * base + digit;
    }
    *value = result;
    return true;
}

} // namespace

HttpResponseParser::HttpResponseParser() = default;

HttpResponseParser::HttpResponseParser(Limits limits)
    : m_limits(limits)
{ }

HttpResponseParser::Result HttpResponseParser::feed(QByteArrayView bytes)
{
    qsizetype pos = 0;
    while (pos < bytes.size() && m_stage != Stage::Done && m_stage != Stage::Failed) {
        const QByteArrayView rest = bytes.sliced(pos);
        if (!isLineStage()) {
            const qsizetype take = m_stage == Stage::BodyToClose
                ? rest.size()
                : qsizetype(std::min<qint64>(m_remaining, rest.size()));
            takeBodyBytes(rest.first(take));
            pos += take;
            continue;
        }
        const qsizetype newline = rest.indexOf('\n');
        const qsizetype take = newline < 0 ? rest.size() : newline + 1;
        if (!chargeLineBytes(take))
            break;
        // Charged above, so the kept head is bounded like the header section.
        if (m_stage == Stage::StatusLine || m_stage == Stage::Headers)
            m_head.append(rest.first(take));
        pos += take;
        if (newline < 0) {
            m_line.append(rest);
            break;
        }
        if (m_line.isEmpty()) {
            takeLine(rest.first(newline));
        } else {
            m_line.append(rest.first(newline));
            takeLine(m_line);
            m_line.clear();
        }
    }
    return {status(), pos};
}

HttpResponseParser::Status HttpResponseParser::connectionClosed()
{
    if (m_stage == Stage::BodyToClose)
        m_stage = Stage::Done;
    else if (m_stage != Stage::Done && m_stage != Stage::Failed)
        fail(Failure::CutShort, "connection closed before the answer was complete");
    return status();
}

qsizetype HttpResponseParser::directBodyBytes() const
{
    switch (m_stage) {
    case Stage::Body:
    case Stage::ChunkData:
        return qsizetype(m_remaining);
    case Stage::BodyToClose:
        return m_limits.maxBodyBytes - m_body.size();
    default:
        return 0;
    }
}

char *HttpResponseParser::bodySpace(qsizetype count)
{
    m_spaceStart = m_body.size();
    const qsizetype needed = m_spaceStart + count;
    // A body of unknown size grows by half again, so its bytes are moved a few times at most.
    if (m_body.capacity() < needed)
        reserveBody(m_body, std::max(needed, m_spaceStart + m_spaceStart / 2));
    m_body.resize(needed);
    return m_body.data() + m_spaceStart;
}

HttpResponseParser::Status HttpResponseParser::bodyWritten(qsizetype count)
{
    m_body.resize(m_spaceStart + count);
    bodyGrew(count);
    return status();
}

HttpResponseParser::Failure HttpResponseParser::failure() const
{
    return m_failure;
}

QString HttpResponseParser::failureText() const
{
    return QString::fromLatin1(m_failureText);
}

QByteArray HttpResponseParser::reasonPhrase() const
{
    return m_reasonPhrase;
}

void HttpResponseParser::fail(Failure failure, const char *why)
{
    m_stage = Stage::Failed;
    m_failure = failure;
    m_failureText = why;
}

HttpResponseParser::Status HttpResponseParser::status() const
{
    switch (m_stage) {
    case Stage::Done:
        return Status::Complete;
    case Stage::Failed:
        return Status::Bad;
    default:
        return Status::Incomplete;
    }
}

int HttpResponseParser::statusCode() const
{
    return m_statusCode;
}

const QByteArray &HttpResponseParser::body() const
{
    return m_body;
}

void HttpResponseParser::offerBodyStorage(QByteArray storage)
{
    m_offered = std::move(storage);
}

QByteArray HttpResponseParser::takeBody()
{
    return std::move(m_body);
}

bool HttpResponseParser::isLineStage() const
{
    return m_stage != Stage::Body && m_stage != Stage::BodyToClose && m_stage != Stage::ChunkData;
}

bool HttpResponseParser::chargeLineBytes(qsizetype count)
{
    bool fits = true;
    switch (m_stage) {
    case Stage::StatusLine:
    case Stage::Headers:
        m_headerBytes += count;
        fits = m_headerBytes <= m_limits.maxHeaderBytes;
        break;
    case Stage::Trailers:
        m_trailerBytes += count;
        fits = m_trailerBytes <= m_limits.maxHeaderBytes;
        break;
    default:
        fits = m_line.size() + count <= m_limits.maxHeaderBytes;
        break;
    }
    if (!fits)
        fail(Failure::Malformed,
             m_stage == Stage::ChunkSize || m_stage == Stage::ChunkDataEnd
                 ? "chunk line too long"
                 : "header section too large");
    return fits;
}

void HttpResponseParser::takeLine(QByteArrayView line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    switch (m_stage) {
    case Stage::StatusLine:
        parseStatusLine(line);
        break;
    case Stage::Headers:
        parseHeaderLine(line);
        break;
    case Stage::ChunkSize:
        parseChunkSize(line);
        break;
    case Stage::ChunkDataEnd:
        if (line.isEmpty())
            m_stage = Stage::ChunkSize;
        else
            fail(Failure::Malformed, "chunk longer than its size");
        break;
    case Stage::Trailers:
        if (line.isEmpty())
            m_stage = Stage::Done;
        break;
    default:
        break;
    }
}

void HttpResponseParser::parseStatusLine(QByteArrayView line)
{
    // "HTTP/1.1 200" is the shortest; a reason, when present, follows one space.
    if (line.size() < 9 || !line.startsWith("HTTP/1.") || !isDigit(line[7]) || line[8] != ' ') {
        fail(Failure::Malformed, "no HTTP/1.x status line");
        return;
    }
    const bool threeDigits = line.size() >= 12 && isDigit(line[9]) && isDigit(line[10])
        && isDigit(line[11]) && (line.size() == 12 || line[12] == ' ');
    if (!threeDigits) {
        fail(Failure::Malformed, "status code is not three digits");
        return;
    }
    const int code = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
    if (code == 101) {
        fail(Failure::Malformed, "switching protocols, which was not asked for");
        return;
    }
    m_statusCode = code;
    m_reasonPhrase = line.size() > 13 ? line.sliced(13).toByteArray() : QByteArray();
    m_stage = Stage::Headers;
}

void HttpResponseParser::parseHeaderLine(QByteArrayView line)
{
    if (line.isEmpty()) {
        commitHeader();
        if (m_stage != Stage::Failed)
            endOfHeaders();
        return;
    }
    if (line[0] == ' ' || line[0] == '\t') {
        // An old-style folded line continues the previous field's value.
        if (m_fieldName.isEmpty()) {
            fail(Failure::Malformed, "folded line before any header field");
            return;
        }
        m_fieldValue += ' ';
        m_fieldValue += line.trimmed();
        return;
    }
    commitHeader();
    if (m_stage == Stage::Failed)
        return;
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0 || !std::all_of(line.begin(), line.begin() + colon, isTokenChar)) {
        fail(Failure::Malformed, "header line without a field name");
        return;
    }
    m_fieldName = line.first(colon).toByteArray();
    m_fieldValue = line.sliced(colon + 1).trimmed().toByteArray();
}

void HttpResponseParser::commitHeader()
{
    if (m_fieldName.isEmpty())
        return;
    const QByteArrayView name(m_fieldName);
    if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
        // "5, 5" is one length said twice; different lengths are an attempt to confuse us.
        for (const QByteArray &part : m_fieldValue.split(',')) {
            qint64 length = 0;
            if (!parseNumber(part.trimmed(), 10, &length)) {
                fail(Failure::Malformed, "Content-Length is not a number");
                return;
            }
            if (m_contentLength >= 0 && length != m_contentLength) {
                fail(Failure::Malformed, "conflicting Content-Length");
                return;
            }
            m_contentLength = length;
        }
    } else if (name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0) {
        for (const QByteArray &part : m_fieldValue.split(',')) {
            const QByteArray coding = part.trimmed().toLower();
            if (!coding.isEmpty()) {
                m_lastCoding = coding;
                m_hasTransferEncoding = true;
            }
        }
    }
    m_fieldName.clear();
    m_fieldValue.clear();
}

void HttpResponseParser::endOfHeaders()
{
    if (m_statusCode >= 100 && m_statusCode < 200) {
        // Interim answer: the real one follows on the same connection.
        m_statusCode = 0;
        m_reasonPhrase.clear();
        m_contentLength = -1;
        m_hasTransferEncoding = false;
        m_lastCoding.clear();
        m_stage = Stage::StatusLine;
        return;
    }
    // Offered storage is taken by a body of a known length that fills it; any other answer
    // lets it go here, before its body arrives beside it.
    QByteArray offered = std::exchange(m_offered, QByteArray());
    if (m_statusCode == 204 || m_statusCode == 304) {
        m_stage = Stage::Done;
        return;
    }
    if (m_hasTransferEncoding) {
        // A coding we cannot undo after the last chunked leaves only the close as the end.
        m_stage = m_lastCoding == "chunked" ? Stage::ChunkSize : Stage::BodyToClose;
        return;
    }
    if (m_contentLength < 0) {
        m_stage = Stage::BodyToClose;
    } else if (m_contentLength > m_limits.maxBodyBytes) {
        fail(Failure::TooLarge, "answer larger than the limit");
    } else if (m_contentLength == 0) {
        m_stage = Stage::Done;
    } else {
        // Reserving only maps address space; pages are touched as the bytes arrive. Offered
        // storage has its pages already, and they need not be faulted in and zeroed again.
        if (m_body.isEmpty() && offered.isDetached() && offered.capacity() >= m_contentLength
            && offered.capacity() / 2 <= m_contentLength) {
            m_body = std::move(offered);
            m_body.resize(0);
        }
        reserveBody(m_body, m_contentLength);
        m_remaining = m_contentLength;
        m_stage = Stage::Body;
    }
}

void HttpResponseParser::parseChunkSize(QByteArrayView line)
{
    const qsizetype extension = line.indexOf(';');
    const QByteArrayView digits = (extension < 0 ? line : line.first(extension)).trimmed();
    qint64 size = 0;
    // Sixteen hex digits hold any size a 64-bit length can; more can only be an attack.
    if (digits.size() > 16) {
        fail(Failure::Malformed, "chunk size longer than 16 digits");
        return;
    }
    if (!parseNumber(digits, 16, &size)) {
        fail(Failure::Malformed, "chunk size is not hexadecimal");
        return;
    }
    if (size > m_limits.maxBodyBytes - m_body.size()) {
        fail(Failure::TooLarge, "answer larger than the limit");
        return;
    }
    if (size == 0) {
        m_stage = Stage::Trailers;
        return;
    }
    m_remaining = size;
    m_stage = Stage::ChunkData;
}

void HttpResponseParser::takeBodyBytes(QByteArrayView bytes)
{
    if (m_stage == Stage::BodyToClose && bytes.size() > m_limits.maxBodyBytes - m_body.size()) {
        fail(Failure::TooLarge, "answer larger than the limit");
        return;
    }
    m_body.append(bytes);
    bodyGrew(bytes.size());
}

void HttpResponseParser::bodyGrew(qsizetype count)
{
    if (m_stage == Stage::BodyToClose)
        return;
    m_remaining -= count;
    if (m_remaining == 0)
        m_stage = m_stage == Stage::Body ? Stage::Done : Stage::ChunkDataEnd;
}
