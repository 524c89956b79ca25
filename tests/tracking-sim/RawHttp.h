#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// One answer as it came off the wire.
struct RawResponse
{
    QByteArray raw; // every byte received
    int status = 0; // 0 when no status line arrived
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body; // with chunked transfer coding undone
    bool closedByServer = false;

    bool hasHeader(const QByteArray &name) const;
    QByteArray header(const QByteArray &name) const;
    // The "error" member of a JSON error body.
    QString error() const;
};

// A request as the client writes it: "Connection: close", a Host line and, for a body or a
// POST, its Content-Length.
QByteArray composeRequest(const QByteArray &method, const QByteArray &target,
                          const QByteArray &body = {});

// Sends the bytes on a new connection to 127.0.0.1 and collects everything until the server
// closes the connection (or a generous time-out passes).
RawResponse exchange(quint16 port, const QByteArray &request);

// Splits an answer into status, headers and body.
RawResponse parseResponse(const QByteArray &raw);
