#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Frames one HTTP/1.x request from bytes as they arrive, with no socket involved. It finds where
// the request ends (by Content-Length, by chunked coding, or at the end of the head when neither
// is given), undoes chunked coding, and refuses what cannot be framed safely. Everything a client
// sends is bounded by Limits, whatever the framing, and a body over the cap is refused as soon as
// its size is known, before it is read.
class RequestFramer final
{
public:
    enum class Status { Incomplete, Complete, Refused };

    struct Limits
    {
        std::size_t maxHeadBytes = 64 * 1024;   // request line, headers and trailers together
        std::size_t maxBodyBytes = 1024 * 1024; // the body with any chunked coding undone
    };

    struct Result
    {
        Status status;
        // How many bytes of the input belong to this request; after Complete, the bytes beyond
        // them are the next request on the connection.
        std::size_t consumed;
    };

    explicit RequestFramer(Limits limits);

    // Takes the next bytes of the connection. After Complete or Refused nothing more is taken.
    Result feed(std::string_view bytes);

    bool started() const { return m_started; }
    bool headComplete() const { return m_headComplete; }
    // The head asked for "100 Continue" and the body is still to come.
    bool awaitsContinue() const;
    // HTTP/1.1 without "Connection: close": another request may follow on the connection.
    bool keepsConnection() const { return m_keepAlive; }

    int refusalStatus() const { return m_refusalStatus; }
    const std::string &refusalReason() const { return m_refusalReason; }
    const std::string &requestLine() const { return m_requestLine; }

    // The complete request rewritten with its body decoded and framed by Content-Length, and
    // without the headers that only concerned the framing (Transfer-Encoding, Expect).
    std::string framedRequest() const;

private:
    enum class Stage { Head, Body, ChunkSize, ChunkData, ChunkDataEnd, Trailers, Done, Failed };

    bool takeLine(std::string_view line);
    bool takeHeader(std::string_view line);
    bool endOfHead();
    bool takeChunkSize(std::string_view line);
    bool refuse(int status, std::string reason);

    const Limits m_limits;
    Stage m_stage = Stage::Head;
    bool m_started = false;
    bool m_headComplete = false;
    std::string m_line;
    std::size_t m_headBytes = 0;

    std::string m_requestLine;
    std::string m_keptHeaders; // header lines to pass on, each ended by CR LF
    bool m_http10 = false;
    bool m_keepAlive = true;
    bool m_expectsContinue = false;
    bool m_chunked = false;
    bool m_hasLength = false;
    std::size_t m_length = 0;

    std::size_t m_remaining = 0; // of the sized body or the current chunk
    std::string m_body;

    int m_refusalStatus = 0;
    std::string m_refusalReason;
};
