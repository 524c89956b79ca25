#pragma once

#include "transfer/RequestKind.h"

#include <QString>

// What a request command needs from the window that owns the transfer: the busy guard and
// the one sending sequence shared by every command.
class RequestSender
{
public:
    virtual ~RequestSender() = default;

    // True while a transfer runs; a command that sees true does nothing further.
    virtual bool StillExecuting() const = 0;

    // Busy guard, then: header block for the trimmed address, URL "http://" + address +
    // urlPath, kind stored, transfer started, transmitted block logged, transmitted pane
    // replaced. Returns false (and does nothing) when a transfer is still running.
    virtual bool SendRequest(RequestKind kind, const QString &method, const QString &urlPath,
                             const QString &body) = 0;
};
