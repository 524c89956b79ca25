#pragma once

#include "transfer/RequestSender.h"

#include <QList>

// Records every request handed over; while busy it refuses them as the real sender does.
class FakeRequestSender final : public RequestSender
{
public:
    struct Request
    {
        RequestKind kind;
        QString method;
        QString urlPath;
        QString body;
    };

    bool busy = false;
    int attempts = 0;          // calls, refused ones included
    QList<Request> sent;       // requests that went out

    bool StillExecuting() const override { return busy; }

    bool SendRequest(RequestKind kind, const QString &method, const QString &urlPath,
                     const QString &body) override
    {
        ++attempts;
        if (busy)
            return false;
        sent.append({kind, method, urlPath, body});
        return true;
    }
};
