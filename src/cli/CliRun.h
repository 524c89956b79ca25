#pragma once

#include "CliOptions.h"
#include "Exchange.h"
#include "JunitReport.h"
#include "traffic/TrafficLog.h"

#include <QObject>

#include <functional>

class RequestRunner;

// One run of a command from its checked options to its exit status, driven by the event loop.
class CliRun final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CliRun)

public:
    explicit CliRun(CliOptions options, QObject *parent = nullptr);
    ~CliRun() override;

    // Opens the log and the report: a file that cannot be written is bad input, and nothing
    // is sent then.
    Result<> prepare();
    // Starts the command; finished() follows from the event loop.
    void start();

Q_SIGNALS:
    void finished(int exitCode);

private:
    void runSingle();
    void runSmoke();
    void smokeStep(int step);
    void request(const QString &method, const QString &suffix, const QString &body,
                 std::function<void(Exchange)> done);
    void printSingle(const Exchange &exchange);
    void reportFailure(const Exchange &exchange) const;
    void record(const QString &caseName, const Exchange &exchange, const QString &failure);
    void finish(int exitCode);

    CliOptions m_options;
    TrafficLog m_log;
    JunitReport m_report;
    RequestRunner *m_runner = nullptr;
    QByteArray m_smokeId;
};
