#include "CliRun.h"

#include "ExitCode.h"
#include "JobOutput.h"
#include "StandardOutput.h"
#include "SystemRandom.h"
#include "create/CreateBody.h"
#include "create/ExternalId.h"
#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"
#include "timeconv/FormatUtcTimestamp.h"
#include "traffic/StatusText.h"
#include "traffic/TrackingExchange.h"
#include "transfer/InetTransfer.h"

#include <QDateTime>
#include <QTimer>

#include <csignal>
#include <new>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

int exitCodeOf(const ExchangeOutcome &exchange)
{
    if (!exchange.completed)
        return ExitTransferFailed;
    return exchange.answeredWell() ? ExitOk : ExitAnswerProblem;
}

// The job smoke creates: the creation window's worked example, with a fresh identifier and
// the times its time button gives.
CreateFields smokeJob(const QString &externalId)
{
    CreateFields fields;
    fields.externalId = externalId;
    const TrackingTimes times =
        presetTrackingTimes(QDateTime::currentDateTime(), SystemTimeZoneSource());
    fields.start = times.start;
    fields.end = times.end;
    fields.program = u"talus-test-cli smoke"_s;
    fields.streams[0] = {u"239.10.0.1"_s, u"5000"_s, u"239.10.0.2"_s, u"5002"_s, u"Feed A"_s};
    fields.streams[1] = {u"239.20.0.1"_s, u"6000"_s, u"239.20.0.2"_s, u"6002"_s, u"Feed B"_s};
    fields.thresholdKey1 = u"ThresholdValue1"_s;
    fields.thresholdKey2 = u"ThresholdValue2"_s;
    return fields;
}

struct SmokeStep
{
    const char *name;
    RequestKind kind;
};
constexpr SmokeStep kSmokeSteps[] = {
    {"create", RequestKind::Create},    {"list", RequestKind::List},
    {"get", RequestKind::GetJob},       {"stop", RequestKind::StopJob},
    {"delete", RequestKind::DeleteJob},
};

} // namespace

CliRun::CliRun(CliOptions options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_report(u"talus-test-cli "_s + m_options.command)
    , m_signals({SIGINT, SIGTERM})
{
    connect(&m_signals, &SignalNotifier::received, this, &CliRun::interrupt);
}

CliRun::~CliRun() = default;

Result<> CliRun::prepare()
{
    // The report first: a report that cannot be written leaves the log untouched. Until the
    // run ends, it holds an error case, so that a run that is killed reads as failed.
    if (!m_options.junitFile.isEmpty()) {
        JunitReport unfinished = m_report;
        unfinished.add(
            errorCase(m_options.command, u"the run ended before its report was written"_s));
        if (Result<> written = unfinished.write(m_options.junitFile); !written)
            return written;
    }
    if (!m_options.logFile.isEmpty()) {
        if (const Result<> opened = m_log.append(m_options.logFile); !opened)
            return Failure{u"cannot open the log %1: %2"_s.arg(m_options.logFile, opened.reason())};
    }
    m_exchange = new TrackingExchange(m_log.isOpen() ? &m_log : nullptr, this);
    m_exchange->transfer().setTimeout(m_options.timeout);
    m_exchange->transfer().setTlsSettingsFile(m_options.settingsFile);
    // Only a list in a table's form is scanned; --raw gives the body as it came.
    if (m_options.command == u"list" && m_options.output != OutputForm::Raw)
        m_exchange->setJobTable(&m_jobs);
    connect(m_exchange, &TrackingExchange::finished, this, &CliRun::exchangeFinished);
    if (m_options.verbose) {
        connect(m_exchange, &TrackingExchange::stateChanged, this,
                [](qint16 state) { qInfo("%s", qPrintable(statusText(state))); });
    }
    return {};
}

void CliRun::start()
{
    if (m_options.command == u"smoke")
        runSmoke();
    else if (m_options.command == u"watch")
        runWatch();
    else
        runSingle();
}

void CliRun::request(const QString &caseName, const CommandRequest &request,
                     std::function<void(ExchangeOutcome)> done)
{
    m_caseName = caseName;
    m_done = std::move(done);
    const Result<TrackingRequest> sent =
        m_exchange->send(request.kind, m_options.address, request.externalId, request.body);
    // Checked with the command line; a smoke step names an identifier of digits.
    if (!sent) {
        ExchangeOutcome refused;
        refused.failureText = sent.reason();
        exchangeFinished(refused);
    }
}

void CliRun::exchangeFinished(const ExchangeOutcome &outcome)
{
    if (m_options.verbose) {
        if (outcome.completed)
            qInfo("%s", qPrintable(statusText(InetTransfer::ResponseCompleted)));
        qInfo("%s", qPrintable(outcome.details()));
        qInfo("%lld bytes sent, %lld bytes received", outcome.bytesSent, outcome.bytesReceived);
    }
    // From the event loop: the exchange has ended its own work before the next request starts.
    // An interrupted run has ended: an answer that comes after is not told.
    QTimer::singleShot(0, this, [this, outcome] {
        if (!m_finished && m_done)
            std::exchange(m_done, nullptr)(outcome);
    });
}

void CliRun::runSingle()
{
    const QString &command = m_options.command;
    const QString caseName = m_options.jobId.isEmpty() ? command : command + u' ' + m_options.jobId;
    request(caseName, m_options.request, [this, caseName](ExchangeOutcome exchange) {
        QByteArray out;
        if (exchange.completed) {
            try {
                out = singleOutput(exchange);
            } catch (const std::bad_alloc &) {
                // What the table's text throws when it does not fit the memory available (the
                // scan's own failure comes as a failed exchange): the answer counts as one
                // that could not be taken.
                exchange.completed = false;
                exchange.body = QByteArray();
                exchange.failureText = InetTransfer::outOfMemoryText();
            }
        }
        record(caseName, exchange, exchange.answeredWell() ? QString() : exchange.details());
        if (!exchange.completed) {
            reportFailure(exchange);
            finish(ExitTransferFailed);
            return;
        }
        if (!writeOut(out))
            return;
        finish(exitCodeOf(exchange));
    });
}

QByteArray CliRun::singleOutput(const ExchangeOutcome &exchange) const
{
    // Only a list is given as a table (the exchange scanned it); every other answer, and a
    // list in --raw, is given as it came, so that a script sees what the server said.
    if (m_options.command != u"list" || m_options.output == OutputForm::Raw
        || !exchange.answeredWell()) {
        return exchange.body;
    }
    return m_options.output == OutputForm::Json ? jobLines(m_jobs) : jobTable(m_jobs);
}

bool CliRun::writeOut(QByteArrayView bytes)
{
    const Result<> written = writeStandardOutput(bytes);
    if (!written) {
        qCritical("talus-test-cli: %s", qPrintable(written.reason()));
        finish(ExitTransferFailed);
    }
    return written.ok();
}

void CliRun::runSmoke()
{
    SystemRandom random;
    m_smokeId = nextExternalId(random).toUtf8();
    smokeStep(0);
}

void CliRun::smokeStep(int step)
{
    if (step == int(std::size(kSmokeSteps))) {
        finish(ExitOk);
        return;
    }
    const SmokeStep &what = kSmokeSteps[step];
    const QString id = QString::fromUtf8(m_smokeId);
    const QString caseName = u"smoke %1 %2"_s.arg(QLatin1String(what.name), id);
    const QString body = step == 0 ? buildCreateBody(smokeJob(id)) : QString();
    const CommandRequest sent{what.kind, what.kind == RequestKind::List ? QString() : id, body};
    request(caseName, sent, [this, step, caseName](const ExchangeOutcome &exchange) {
        QString failure;
        if (!exchange.completed)
            failure = exchange.details();
        else if (exchange.status < 200 || exchange.status > 299)
            failure = u"not a 2xx answer: "_s + exchange.details();
        else if (!namesJob(exchange.body, m_smokeId))
            failure = u"the answer does not name job %1: "_s.arg(QString::fromUtf8(m_smokeId))
                + exchange.details();
        record(caseName, exchange, failure);
        const QString stepText = caseName.sliced(caseName.indexOf(u' ') + 1);
        const QString line = failure.isEmpty() ? u"%1 ok: %2"_s.arg(stepText, exchange.details())
                                               : u"%1 FAILED: %2"_s.arg(stepText, failure);
        if (!writeOut(line.toUtf8() + '\n'))
            return;
        tellHowToTrust(exchange);
        if (!failure.isEmpty())
            finish(exchange.completed ? ExitSmokeFailed : ExitTransferFailed);
        else
            smokeStep(step + 1);
    });
}

void CliRun::runWatch()
{
    if (m_options.output == OutputForm::Table && !writeOut(watchHeader()))
        return;
    watchOnce();
}

void CliRun::watchOnce()
{
    m_watchClock.start();
    const CommandRequest list{RequestKind::List, QString(), QString()};
    request(u"watch"_s, list, [this](const ExchangeOutcome &outcome) { watched(outcome); });
}

void CliRun::watched(const ExchangeOutcome &outcome)
{
    ++m_lists;
    // Only a whole 2xx answer is a list: an error page scanned would make every job gone.
    m_lastListFailed = true;
    if (!outcome.completed) {
        reportFailure(outcome);
    } else if (outcome.status < 200 || outcome.status > 299) {
        qCritical("talus-test-cli: not a 2xx answer: %s", qPrintable(outcome.details()));
    } else {
        QByteArray lines;
        try {
            ParseJobList(outcome.body, m_jobs);
            const QString time =
                FormatUtcTimestamp(m_jobs.history().lastListTime(), SystemTimeZoneSource());
            lines = watchLines(m_jobs, time, m_options.output == OutputForm::Json);
            m_lastListFailed = false;
        } catch (const std::bad_alloc &) {
            // What the scan (which undoes its list first) and the lines throw when memory
            // runs out: this list fails, and the next compares with the one before.
            qCritical("talus-test-cli: Failed: %s", qPrintable(InetTransfer::outOfMemoryText()));
        }
        if (!writeOut(lines))
            return;
    }
    if (m_options.count > 0 && m_lists >= m_options.count) {
        finish(m_lastListFailed ? ExitTransferFailed : ExitOk);
        return;
    }
    const qint64 left = m_options.interval.count() - m_watchClock.elapsed();
    QTimer::singleShot(std::max<qint64>(0, left), this, &CliRun::watchOnce);
}

void CliRun::reportFailure(const ExchangeOutcome &exchange) const
{
    qCritical("talus-test-cli: %s", qPrintable(exchange.details()));
    tellHowToTrust(exchange);
}

void CliRun::tellHowToTrust(const ExchangeOutcome &exchange) const
{
    // No question can be asked here: the operator is told what trusting it would take.
    if (exchange.untrusted)
        qCritical("talus-test-cli: to trust this certificate, add \"Pin.%s=%s\" under [TLS] in %s, "
                  "or press Trust in the window",
                  qPrintable(exchange.untrusted->hostPort),
                  exchange.untrusted->sha256().toHex().constData(),
                  qPrintable(m_options.settingsFile));
}

JunitReport::Case CliRun::errorCase(const QString &caseName, const QString &reason)
{
    JunitReport::Case testCase;
    testCase.name = caseName;
    testCase.outcome = JunitReport::Outcome::Error;
    testCase.reason = reason;
    return testCase;
}

void CliRun::record(const QString &caseName, const ExchangeOutcome &exchange,
                    const QString &failure)
{
    JunitReport::Case testCase;
    testCase.name = caseName;
    testCase.seconds = double(exchange.elapsedMs) / 1000;
    testCase.status = exchange.details();
    testCase.reason = failure;
    testCase.outcome = failure.isEmpty() ? JunitReport::Outcome::Passed
        : exchange.completed             ? JunitReport::Outcome::Failed
                                         : JunitReport::Outcome::Error;
    m_report.add(std::move(testCase));
}

void CliRun::interrupt(int signalNumber)
{
    if (m_finished)
        return;
    // A watch is stopped by a signal as by its count; the line being written is whole.
    if (m_options.command == u"watch") {
        finish(m_lastListFailed ? ExitTransferFailed : ExitOk);
        return;
    }
    // The request under way is given up; the report says how far the run came.
    m_report.add(errorCase(m_caseName.isEmpty() ? m_options.command : m_caseName,
                           u"interrupted by signal %1"_s.arg(signalNumber)));
    finish(128 + signalNumber);
}

void CliRun::finish(int exitCode)
{
    if (std::exchange(m_finished, true))
        return;
    if (Result<> closed = closeStandardOutput(); !closed && exitCode != ExitTransferFailed) {
        qCritical("talus-test-cli: %s", qPrintable(closed.reason()));
        exitCode = ExitTransferFailed;
    }
    // A large block still being written is waited for; its failure is said where it was given.
    m_log.close();
    if (!m_options.junitFile.isEmpty()) {
        if (Result<> written = m_report.write(m_options.junitFile); !written)
            qCritical("talus-test-cli: %s", qPrintable(written.reason()));
    }
    emit finished(exitCode);
}
