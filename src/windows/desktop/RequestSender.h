#pragma once

#include "desktop/RequestKind.h"

#include <QString>

// What a request command needs from the window that owns the transfer: the one sending
// sequence, busy guard included, shared by every command.
class RequestSender
{
public:
    virtual ~RequestSender() = default;

    // Busy guard, then: header block for the trimmed address, URL "http://" + address +
    // urlPath, kind stored, transfer started, transmitted block logged, transmitted pane
    // replaced. Returns false (and does nothing) when a transfer is still running.
    virtual bool sendRequest(RequestKind kind, const QString &method, const QString &urlPath,
                             const QString &body) = 0;
};
