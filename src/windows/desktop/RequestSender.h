#pragma once

#include "traffic/RequestKind.h"

#include <QString>

// What a request command needs from the window that owns the exchange: the one sending
// sequence, busy guard included, shared by every command.
class RequestSender
{
public:
    virtual ~RequestSender() = default;

    // Busy guard, then the request of this kind for the typed address (TrackingExchange::send);
    // the transmitted pane shows it once it has gone out, and the status line says why when it
    // cannot be sent. Returns false (and does nothing) when a transfer is still running.
    virtual bool sendRequest(RequestKind kind, const QString &externalId, const QString &body) = 0;
};
