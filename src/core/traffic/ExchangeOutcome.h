#pragma once

#include "traffic/RequestKind.h"
#include "transfer/InetTransfer.h"
#include "transfer/TlsTrust.h"
#include "transfer/TrackingRequest.h"

#include <QByteArray>
#include <QString>

#include <optional>

// How one request went, once its response is handled: the answer's status, sizes and timing,
// or the reason the transfer failed.
struct ExchangeOutcome
{
    TrackingRequest request;
    RequestKind kind = RequestKind::None;
    bool completed = false; // false: the transfer failed
    int status = 0;
    QByteArray phrase;
    QByteArray body; // shared with whoever shows it, never copied; empty after a failure
    QByteArray head; // the status line and header lines as they arrived
    InetTransfer::Timing timing;
    qint64 elapsedMs = 0;
    qint64 bytesSent = 0;
    qint64 bytesReceived = 0;
    QString failureText; // the reason, when it failed
    // A TLS server whose certificate is neither trusted nor pinned: what a pin would name.
    std::optional<UntrustedCertificate> untrusted;

    // The status line's tool tip: "HTTP 200 OK · 12 bytes · 3 ms" or "Failed: ...".
    QString details() const;
    // A complete answer with a status from 100 to 399, shown in the status line's own colour.
    bool answeredWell() const { return completed && status >= 100 && status < 400; }
};
