#include "RequestFramer.h"

#include <algorithm>
#include <cctype>

namespace {

// A chunk-size line holds a few hex digits and perhaps an extension; nothing sane is longer.
constexpr std::size_t kMaxChunkLine = 4096;

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool hasToken(std::string_view list, std::string_view token)
{
    const std::string text = lowered(list);
    std::string_view rest = text;
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        if (trimmed(rest.substr(0, comma)) == token)
            return true;
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    return false;
}

// "METHOD SP target SP HTTP/1.x", nothing else.
bool wellFormedRequestLine(std::string_view line, bool &http10)
{
    const auto first = line.find(' ');
    const auto last = line.rfind(' ');
    if (first == std::string_view::npos || first == 0 || last <= first + 1
        || line.substr(first + 1, last - first - 1).find(' ') != std::string_view::npos)
        return false;
    const std::string_view version = line.substr(last + 1);
    http10 = version == "HTTP/1.0";
    return http10 || version == "HTTP/1.1";
}

} // namespace

RequestFramer::RequestFramer(Limits limits)
    : m_limits(limits)
{ }

bool RequestFramer::awaitsContinue() const
{
    return m_expectsContinue && m_headComplete && m_stage != Stage::Done
        && m_stage != Stage::Failed;
}

RequestFramer::Result RequestFramer::feed(std::string_view bytes)
{
    std::size_t at = 0;
    while (at < bytes.size() && m_stage != Stage::Done && m_stage != Stage::Failed) {
        if (m_stage == Stage::Body || m_stage == Stage::ChunkData) {
            const std::size_t count = std::min(m_remaining, bytes.size() - at);
            m_body.append(bytes.substr(at, count));
            at += count;
            m_remaining -= count;
            if (m_remaining == 0)
                m_stage = m_stage == Stage::Body ? Stage::Done : Stage::ChunkDataEnd;
            continue;
        }
        // Empty lines before a request are tolerated: some clients end a body with an extra CR LF.
        if (m_stage == Stage::Head && !m_started && (bytes[at] == '\r' || bytes[at] == '\n')) {
            ++at;
            continue;
        }
        m_started = true;
        const auto newline = bytes.find('\n', at);
        const std::size_t end = newline == std::string_view::npos ? bytes.size() : newline + 1;
        const std::string_view piece = bytes.substr(at, end - at);
        at = end;
        const bool headLine = m_stage == Stage::Head || m_stage == Stage::Trailers;
        if (headLine) {
            m_headBytes += piece.size();
            if (m_headBytes > m_limits.maxHeadBytes) {
                refuse(431,
                       "the request head is longer than " + std::to_string(m_limits.maxHeadBytes)
                           + " bytes");
                break;
            }
        } else if (m_line.size() + piece.size() > kMaxChunkLine) {
            refuse(400,
                   "a chunk-size line is longer than " + std::to_string(kMaxChunkLine) + " bytes");
            break;
        }
        m_line.append(piece);
        if (m_line.back() != '\n')
            continue;
        std::string line = std::move(m_line);
        m_line.clear();
        line.pop_back();
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!takeLine(line))
            break;
    }
    if (m_stage == Stage::Failed)
        return {Status::Refused, at};
    return {m_stage == Stage::Done ? Status::Complete : Status::Incomplete, at};
}

bool RequestFramer::takeLine(std::string_view line)
{
    switch (m_stage) {
    case Stage::Head:
        if (m_requestLine.empty()) {
            m_requestLine = line;
            if (!wellFormedRequestLine(line, m_http10))
                return refuse(400, "the request line is not \"METHOD target HTTP/1.x\"");
            m_keepAlive = !m_http10;
            return true;
        }
        return line.empty() ? endOfHead() : takeHeader(line);
    case Stage::ChunkSize:
        return takeChunkSize(line);
    case Stage::ChunkDataEnd:
        if (!line.empty())
            return refuse(400, "a chunk is longer than its size line says");
        m_stage = Stage::ChunkSize;
        return true;
    case Stage::Trailers:
        // Trailer fields carry nothing the simulator uses; the empty line ends the request.
        if (line.empty())
            m_stage = Stage::Done;
        return true;
    default:
        return false;
    }
}

bool RequestFramer::takeHeader(std::string_view line)
{
    const auto colon = line.find(':');
    const std::string_view name = line.substr(0, colon);
    if (colon == std::string_view::npos || name.empty()
        || name.find_first_of(" \t") != std::string_view::npos)
        return refuse(400, "a header line is not \"Name: value\"");
    const std::string key = lowered(name);
    const std::string_view value = trimmed(line.substr(colon + 1));
    if (key == "content-length") {
        // Digits only: a sign, a space or a list would let two readers disagree on the length.
        if (value.empty() || value.find_first_not_of("0123456789") != std::string_view::npos)
            return refuse(400, "Content-Length must be a whole number of bytes");
        const std::string digits(
            value.substr(std::min(value.find_first_not_of('0'), value.size() - 1)));
        const std::size_t length = digits.size() > 15 ? m_limits.maxBodyBytes + 1
                                                      : std::stoull(digits);
        if (m_hasLength && length != m_length)
            return refuse(400, "the request has two different Content-Length values");
        m_hasLength = true;
        m_length = length;
        return true;
    }
    if (key == "transfer-encoding") {
        if (m_chunked || lowered(value) != "chunked")
            return refuse(400, "only a body in plain chunked transfer coding is understood");
        m_chunked = true;
        return true;
    }
    if (key == "expect") {
        m_expectsContinue = lowered(value) == "100-continue";
        return true;
    }
    if (key == "connection" && hasToken(value, "close"))
        m_keepAlive = false;
    m_keptHeaders.append(line).append("\r\n");
    return true;
}

bool RequestFramer::endOfHead()
{
    m_headComplete = true;
    if (m_chunked) {
        // Chunked coding decides the length; a Content-Length beside it means nothing.
        m_stage = Stage::ChunkSize;
        return true;
    }
    if (m_length > m_limits.maxBodyBytes)
        return refuse(
            413, "the body is larger than " + std::to_string(m_limits.maxBodyBytes) + " bytes");
    m_remaining = m_length;
    m_stage = m_remaining > 0 ? Stage::Body : Stage::Done;
    return true;
}

bool RequestFramer::takeChunkSize(std::string_view line)
{
    const std::string_view digits = trimmed(line.substr(0, line.find(';')));
    if (digits.empty()
        || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos)
        return refuse(400, "a chunk-size line is not a hexadecimal number");
    const auto significant = digits.find_first_not_of('0');
    std::size_t size = 0;
    if (significant != std::string_view::npos) {
        const std::string_view hex = digits.substr(significant);
        size = hex.size() > 15 ? m_limits.maxBodyBytes + 1
                               : std::stoull(std::string(hex), nullptr, 16);
    }
    if (size > m_limits.maxBodyBytes - m_body.size())
        return refuse(
            413, "the body is larger than " + std::to_string(m_limits.maxBodyBytes) + " bytes");
    m_remaining = size;
    m_stage = size > 0 ? Stage::ChunkData : Stage::Trailers;
    return true;
}

bool RequestFramer::refuse(int status, std::string reason)
{
    m_stage = Stage::Failed;
    m_refusalStatus = status;
    m_refusalReason = std::move(reason);
    m_keepAlive = false;
    return false;
}

std::string RequestFramer::framedRequest() const
{
    std::string request;
    request.reserve(m_requestLine.size() + m_keptHeaders.size() + m_body.size() + 64);
    request.append(m_requestLine).append("\r\n").append(m_keptHeaders);
    request.append("Content-Length: ").append(std::to_string(m_body.size())).append("\r\n\r\n");
    request.append(m_body);
    return request;
}
