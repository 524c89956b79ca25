#pragma once

#include "Exchange.h"

#include <QObject>

#include <chrono>
#include <functional>

class InetTransfer;
class TrafficLog;

// Sends one request at a time on the core's transfer, from the event loop, and hands each
// exchange to the caller once it has ended. Logs each request and each complete response as
// the window does, and with verbose says each stage, then the outcome, on standard error.
class RequestRunner final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RequestRunner)

public:
    // log may be null (no --log).
    // tlsSettingsFile: the settings file whose [TLS] section an https address is checked by.
    RequestRunner(std::chrono::milliseconds timeout, bool verbose, TrafficLog *log,
                  const QString &tlsSettingsFile, QObject *parent = nullptr);

    // done runs from the event loop, never from inside send.
    void send(const TrackingRequest &request, std::function<void(Exchange)> done);

private:
    void stateChanged(qint16 state);
    void log(std::initializer_list<QByteArrayView> records);

    InetTransfer *m_transfer;
    bool m_verbose;
    TrafficLog *m_log;
    Exchange m_current;
    std::function<void(Exchange)> m_done;
};
