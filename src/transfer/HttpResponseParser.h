#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Frames one HTTP/1.x response from bytes as they arrive, with no socket involved, so the
// framing can be driven byte by byte from tests and fuzzers.
//
// Accepts "HTTP/1.x SP 3DIGIT [SP reason]", header lines ended by CR LF or a bare LF, skips
// interim 1xx responses (101 is refused: we never ask to switch protocols), gives 204 and 304
// no body, and frames the body by chunked coding (when it is the last transfer coding), else
// by Content-Length, else by the closing of the connection. Everything a server sends is
// bounded by Limits; going beyond them makes the response Bad.
class HttpResponseParser
{
public:
    enum class Status { Incomplete, Complete, Bad };

    struct Limits
    {
        // Status lines, header lines and trailer lines together; also the longest chunk line.
        qsizetype maxHeaderBytes = 64 * 1024;
        qsizetype maxBodyBytes = 256 * 1024 * 1024;
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

    Status status() const;
    int statusCode() const;
    const QByteArray &body() const;
    QByteArray takeBody();

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

    Limits m_limits;
    Stage m_stage = Stage::StatusLine;
    QByteArray m_line;
    qsizetype m_headerBytes = 0;
    qsizetype m_trailerBytes = 0;
    int m_statusCode = 0;
    QByteArray m_fieldName;
    QByteArray m_fieldValue;
    qint64 m_contentLength = -1;
    QByteArray m_lastCoding;
    bool m_hasTransferEncoding = false;
    qint64 m_remaining = 0;
    QByteArray m_body;
};
