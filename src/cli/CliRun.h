#pragma once

#include "CliOptions.h"
#include "JunitReport.h"
#include "jobs/JobStatusTable.h"
#include "process/SignalNotifier.h"
#include "traffic/ExchangeOutcome.h"
#include "traffic/TrafficLog.h"

#include <QElapsedTimer>
#include <QObject>

#include <functional>

class TrackingExchange;

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
    void runWatch();
    void watchOnce();
    void watched(const ExchangeOutcome &outcome);
    // Sends the request; done is told its outcome from the event loop.
    void request(const QString &caseName, const CommandRequest &request,
                 std::function<void(ExchangeOutcome)> done);
    void exchangeFinished(const ExchangeOutcome &outcome);
    // What a single command prints for its answer. Throws std::bad_alloc when the list's
    // table does not fit the memory available.
    QByteArray singleOutput(const ExchangeOutcome &exchange) const;
    // False, and the run finished, when standard output cannot be written.
    bool writeOut(QByteArrayView bytes);
    void reportFailure(const ExchangeOutcome &exchange) const;
    void tellHowToTrust(const ExchangeOutcome &exchange) const;
    static JunitReport::Case errorCase(const QString &caseName, const QString &reason);
    void record(const QString &caseName, const ExchangeOutcome &exchange, const QString &failure);
    // SIGINT or SIGTERM: the run ends at once, its report holding the request under way as an
    // error.
    void interrupt(int signalNumber);
    // Closes standard output, the log and the report, then tells the exit status from the
    // event loop. Only the first call counts.
    void finish(int exitCode);

    CliOptions m_options;
    TrafficLog m_log;
    JunitReport m_report;
    TrackingExchange *m_exchange = nullptr;
    std::function<void(ExchangeOutcome)> m_done;
    JobStatusTable m_jobs; // a list's, for its table
    SignalNotifier m_signals;
    QString m_caseName; // the request under way
    QByteArray m_smokeId;
    bool m_finished = false;
    // watch
    QElapsedTimer m_watchClock; // since the list under way was sent
    int m_lists = 0;
    bool m_lastListFailed = false;
};
