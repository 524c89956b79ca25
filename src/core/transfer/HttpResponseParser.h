#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <limits>

// Frames one HTTP/1.x response from bytes as they arrive, with no socket involved, so the
// framing can be driven byte by byte from tests and fuzzers.
//
// Accepts "HTTP/1.x SP 3DIGIT [SP reason]", header lines ended by CR LF or a bare LF, skips
// interim 1xx responses (101 is refused: we never ask to switch protocols), gives 204 and 304
// no body, and frames the body by chunked coding (when it is the last transfer coding), else
// by Content-Length, else by the closing of the connection. A code outside 100 to 599 is
// framed as a server error would be. Everything a server sends is bounded by Limits; going
// beyond them makes the response Bad. A Bad response says why (failure(), failureText()).
class HttpResponseParser
{
public:
    enum class Status { Incomplete, Complete, Bad };

    // Why a response is Bad.
    enum class Failure {
        None,
        Malformed, // not an HTTP/1.x response, or one framed in a way we do not take
        TooLarge,  // the body goes past maxBodyBytes
        CutShort,  // the connection closed before the response was complete
    };

    struct Limits
    {
        // Status lines, header lines and trailer lines together; also the longest chunk line.
        qsizetype maxHeaderBytes = 64 * 1024;
        // The most one piece of GetChunk can hand out: a list of a million jobs fits.
        qsizetype maxBodyBytes = std::numeric_limits<int>::max();
    };

    struct Result
    {
        Status status;
        // How many bytes of the input belong to the response; once Complete, the bytes after
        // these are not part of it.
        qsizetype consumed;
    };

    HttpResponseParser();
    explicit HttpResponseParser(Limits limits);

    // Takes the next bytes of the connection. After Complete or Bad nothing more is taken.
    Result feed(QByteArrayView bytes);

    // The server closed the connection: completes a close-delimited body, anything else
    // unfinished is Bad.
    Status connectionClosed();

    // While the body is arriving: how many of the next bytes of the connection are body bytes
    // that may be written straight into the body, through bodySpace() and bodyWritten(); 0
    // when the next bytes must go through feed().
    qsizetype directBodyBytes() const;
    // Room for count more bytes at the end of the body (count <= directBodyBytes()).
    char *bodySpace(qsizetype count);
    // How many of the bytes given by the last bodySpace() were written.
    Status bodyWritten(qsizetype count);

    Status status() const;
    Failure failure() const;
    // The framer's short reason for a Bad response, such as "conflicting Content-Length".
    QString failureText() const;
    int statusCode() const;
    QByteArray reasonPhrase() const;
    const QByteArray &body() const;
    QByteArray takeBody();
    // Storage for the body, offered before the head arrives: a buffer whose pages a large
    // earlier body already touched. Used when the head announces a body that fills at least
    // half of it, else let go as soon as the head is whole, so that it is never held beside
    // a body arriving into storage of its own; either way the offer ends with this response.
    void offerBodyStorage(QByteArray storage);
    // The status lines and header lines exactly as they arrived, line ends and the empty line
    // that ends each head included; an interim answer's head comes before the final one.
    const QByteArray &head() const { return m_head; }

private:
    enum class Stage {
        StatusLine,
        Headers,
        Body,
        BodyToClose,
        ChunkSize,
        ChunkData,
        ChunkDataEnd,
        Trailers,
        Done,
        Failed,
    };

    bool isLineStage() const;
    bool chargeLineBytes(qsizetype count);
    void takeLine(QByteArrayView line);
    void parseStatusLine(QByteArrayView line);
    void parseHeaderLine(QByteArrayView line);
    void commitHeader();
    void endOfHeaders();
    void parseChunkSize(QByteArrayView line);
    void takeBodyBytes(QByteArrayView bytes);
    void bodyGrew(qsizetype count);
    void fail(Failure failure, const char *why);

    Limits m_limits;
    Stage m_stage = Stage::StatusLine;
    QByteArray m_line;
    qsizetype m_headerBytes = 0;
    qsizetype m_trailerBytes = 0;
    Failure m_failure = Failure::None;
    const char *m_failureText = "";
    int m_statusCode = 0;
    QByteArray m_reasonPhrase;
    qsizetype m_spaceStart = 0;
    QByteArray m_fieldName;
    QByteArray m_fieldValue;
    qint64 m_contentLength = -1;
    QByteArray m_lastCoding;
    bool m_hasTransferEncoding = false;
    qint64 m_remaining = 0;
    QByteArray m_body;
    QByteArray m_offered;
    QByteArray m_head;
};
