#pragma once

#include "transfer/TlsTrust.h"
#include "transfer/TrackingRequest.h"

#include <QByteArray>
#include <QString>

#include <optional>

// One request and how it went.
struct Exchange
{
    TrackingRequest request;
    bool completed = false; // false: the transfer failed
    int status = 0;
    QByteArray phrase;
    QByteArray body;
    QString failureText; // the transfer's reason, when it failed
    qint64 elapsedMs = 0;
    qint64 bytesSent = 0;
    qint64 bytesReceived = 0;
    // A TLS server whose certificate is neither trusted nor pinned: what a pin would name.
    std::optional<UntrustedCertificate> untrusted;

    // The status line's tool tip: "HTTP 200 OK · 12 bytes · 3 ms" or "Failed: ...".
    QString details() const;
    // A complete answer with a status from 100 to 399, as the window shows in its own colour.
    bool answeredWell() const { return completed && status >= 100 && status < 400; }
};
