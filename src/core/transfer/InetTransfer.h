#pragma once

#include "transfer/TlsTrust.h"
#include "transfer/TransferDefaults.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

// Asynchronous HTTP/1.1 client that runs one transfer at a time on the caller's thread and
// reports every stage of it as a numbered state.
//
// States: 1 resolving, 2 resolved, 3 connecting, 4 connected, 5 requesting, 6 request sent,
// 7 receiving, 8 response received, 9 disconnecting, 10 disconnected, 11 failed,
// 12 response complete (body ready for GetChunk). Nothing follows 11 or 12 for a transfer.
// StateChanged is always delivered from the event loop, never from inside Execute.
// A good response always gives 1 to 10 in order and then 12: once the body is framed the
// connection is closed at once (9, 10), and a body that ends with the server's close gives the
// same sequence. A failure gives the stages reached so far, then 11; a request that cannot be
// sent as given (bad URL, port or header line) gives 11 alone, without connecting.
//
// Beyond the states, a transfer tells how it went: the bytes sent and received so far, and
// once it has ended, the answer's status or the reason it failed, and how long it took.
class InetTransfer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InetTransfer)

public:
    // The only protocol: an "https://" URL is reached with the same requests inside TLS.
    static constexpr int ProtocolHttp = 4;
    static constexpr std::chrono::milliseconds DefaultTimeout = DefaultTransferTimeout;

    enum State : qint16 {
        Resolving = 1,
        Resolved = 2,
        Connecting = 3,
        Connected = 4,
        Requesting = 5,
        RequestSent = 6,
        Receiving = 7,
        ResponseReceived = 8,
        Disconnecting = 9,
        Disconnected = 10,
        Failed = 11,
        ResponseCompleted = 12,
    };

    explicit InetTransfer(QObject *parent = nullptr);
    ~InetTransfer() override;

    // True from Execute until the transfer failed (state 11 delivered) or the completed body
    // has been read to its end with GetChunk.
    bool StillExecuting() const;

    int Protocol() const;
    void setProtocol(int protocol);

    // Starts a request and returns at once. url must be "http://authority/path" or
    // "https://authority/path" (over TLS, as the URL alone decides); headers is a block of
    // CR LF terminated lines (a trailing empty line is allowed) sent as given. Texts go on the
    // wire as UTF-8.
    void Execute(const QString &url, const QString &method, const QString &requestData,
                 const QString &requestHeaders);

    // Next part of the completed body, at most maxBytes bytes; empty once all was read.
    // dataType 0 is text (bytes handed out unchanged); the bytes are the same for any type.
    // The whole body in one piece is handed out without a copy.
    QByteArray GetChunk(int maxBytes, int dataType = 0);
    // While the response arrives: its body bytes framed so far (chunked coding removed), for
    // work that can start before the end. The view holds until the transfer next reads; its
    // bytes never change, but a later view may start elsewhere. Empty once the response has
    // completed or failed.
    QByteArrayView bodySoFar() const;
    // A large body's buffer its holder is done with, offered as the next response's body
    // storage: a 100 MB list then arrives into pages it already has instead of having the
    // system fault in and zero 100 MB again (what took most of a repeated list's time).
    void offerBodyStorage(QByteArray storage);

    // No progress for this long fails the transfer (DefaultTimeout unless set). The time-out
    // never fires early.
    void setTimeout(std::chrono::milliseconds timeout);

    // Bytes of the request written to the connection, and bytes read from it, by the transfer
    // under way or the last one.
    qint64 bytesSent() const;
    qint64 bytesReceived() const;

    // Ends the transfer under way as failed (state 11, OutOfMemory): for work on the arriving
    // body that found no memory to grow into. The body is let go of at once.
    void failOutOfMemory();
    // The operator's text for it: "answer too large for the memory available".
    static QString outOfMemoryText();

    // After state 11: why, in the operator's words ("connection refused", ...).
    QString failureText() const;
    // After state 12: the answer's status code and reason phrase.
    int statusCode() const;
    QByteArray reasonPhrase() const;
    // After state 11 or 12: from Execute to that state.
    qint64 elapsedMs() const;

    // After state 12: the answer's status line and header lines as they arrived, CR LF and
    // the empty line that ends them included (an interim answer's head first).
    QByteArray responseHead() const;
    // After state 12, in milliseconds: Execute to the name found (-1 when the address was no
    // name) and to the connection open; the request's last byte written to the answer's
    // first byte; that first byte to the answer's end.
    struct Timing
    {
        qint64 nameLookupMs = -1;
        qint64 connectMs = 0;
        qint64 firstByteMs = 0;
        qint64 bodyMs = 0;
    };
    Timing timing() const;
    // The settings file whose [TLS] section an https transfer reads when it starts (none: the
    // system's trust store alone).
    void setTlsSettingsFile(const QString &fileName);
    // After state 11: the certificate the transfer refused because nothing vouched for it,
    // which the operator may pin; nothing after any other failure.
    std::optional<UntrustedCertificate> untrustedCertificate() const;

Q_SIGNALS:
    void StateChanged(qint16 state);
    // bytesSent() or bytesReceived() went up. Emitted as bytes move, possibly very often.
    void bytesMoved();

private:
    class Private;
    std::unique_ptr<Private> d;
};
