#include "CliRun.h"

#include "ExitCode.h"
#include "JobOutput.h"
#include "RequestRunner.h"
#include "SystemRandom.h"
#include "create/CreateBody.h"
#include "create/ExternalId.h"
#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"
#include "timeconv/FormatUtcTimestamp.h"
#include "transfer/TrackingUrl.h"

#include <QDateTime>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// Data for standard output; messages go to standard error through Qt's handler.
void writeOut(QByteArrayView bytes)
{
    if (!bytes.isEmpty())
        std::fwrite(bytes.data(), 1, std::size_t(bytes.size()), stdout);
}

int exitCodeOf(const Exchange &exchange)
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
    const char *method;
    const char *tail; // after "/" + the identifier; null: the list itself
};
constexpr SmokeStep kSmokeSteps[] = {
    {"create", "POST", nullptr},       {"list", "GET", nullptr}, {"get", "GET", ""},
    {"stop", "POST", "/stopTracking"}, {"delete", "DELETE", ""},
};

} // namespace

CliRun::CliRun(CliOptions options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_report(u"talus-test-cli "_s + m_options.command)
{ }

CliRun::~CliRun() = default;

Result<> CliRun::prepare()
{
    // The report first: a report that cannot be written leaves the log untouched.
    if (!m_options.junitFile.isEmpty()) {
        if (Result<> written = m_report.write(m_options.junitFile); !written)
            return written;
    }
    if (!m_options.logFile.isEmpty()) {
        if (const Result<> opened = m_log.append(m_options.logFile); !opened)
            return Failure{u"cannot open the log %1: %2"_s.arg(m_options.logFile, opened.reason())};
    }
    m_runner = new RequestRunner(m_options.timeout, m_options.verbose,
                                 m_log.isOpen() ? &m_log : nullptr, m_options.settingsFile, this);
    return {};
}

void CliRun::start()
{
    if (m_options.command == u"smoke")
        runSmoke();
    else
        runSingle();
}

void CliRun::request(const QString &method, const QString &suffix, const QString &body,
                     std::function<void(Exchange)> done)
{
    m_runner->send(composeTrackingRequest(m_options.address, method, suffix, body),
                   std::move(done));
}

void CliRun::runSingle()
{
    const QString &command = m_options.command;
    QString method = u"GET"_s;
    QString suffix;
    QString body;
    if (command == u"create") {
        method = u"POST"_s;
        body = buildCreateBody(m_options.createFields);
    } else if (command != u"list") {
        suffix = u"/"_s + pathSegment(m_options.jobId);
        if (command == u"stop") {
            method = u"POST"_s;
            suffix += u"/stopTracking"_s;
        } else if (command == u"delete") {
            method = u"DELETE"_s;
        }
    }
    const QString caseName = m_options.jobId.isEmpty() ? command : command + u' ' + m_options.jobId;
    request(method, suffix, body, [this, caseName](const Exchange &exchange) {
        record(caseName, exchange, exchange.answeredWell() ? QString() : exchange.details());
        if (!exchange.completed)
            reportFailure(exchange);
        else
            printSingle(exchange);
        finish(exitCodeOf(exchange));
    });
}

void CliRun::printSingle(const Exchange &exchange)
{
    // Only a list is turned into a table; every other answer, and a list in --raw, is given as
    // it came, so that a script sees what the server said.
    if (m_options.command != u"list" || m_options.output == OutputForm::Raw
        || !exchange.answeredWell()) {
        writeOut(exchange.body);
        return;
    }
    JobStatusTable jobs;
    ParseJobList(exchange.body, jobs);
    writeOut(m_options.output == OutputForm::Json ? jobLines(jobs) : jobTable(jobs));
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
    const QString suffix = what.tail ? u"/"_s + pathSegment(id) + QLatin1String(what.tail)
                                     : QString();
    request(
        QLatin1String(what.method), suffix, body, [this, step, caseName](const Exchange &exchange) {
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
            const QString line = failure.isEmpty()
                ? u"%1 ok: %2"_s.arg(stepText, exchange.details())
                : u"%1 FAILED: %2"_s.arg(stepText, failure);
            writeOut(line.toUtf8() + '\n');
            if (!failure.isEmpty())
                finish(exchange.completed ? ExitSmokeFailed : ExitTransferFailed);
            else
                smokeStep(step + 1);
        });
}

void CliRun::reportFailure(const Exchange &exchange) const
{
    qCritical("talus-test-cli: %s", qPrintable(exchange.details()));
    // No question can be asked here: the operator is told what trusting it would take.
    if (exchange.untrusted)
        qCritical("talus-test-cli: to trust this certificate, add \"Pin.%s=%s\" under [TLS] in %s, "
                  "or press Trust in the window",
                  qPrintable(exchange.untrusted->hostPort),
                  exchange.untrusted->sha256().toHex().constData(),
                  qPrintable(m_options.settingsFile));
}

void CliRun::record(const QString &caseName, const Exchange &exchange, const QString &failure)
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

void CliRun::finish(int exitCode)
{
    std::fflush(stdout);
    // A large block still being written is waited for; its failure is said where it was given.
    m_log.close();
    if (!m_options.junitFile.isEmpty()) {
        if (Result<> written = m_report.write(m_options.junitFile); !written)
            qCritical("talus-test-cli: %s", qPrintable(written.reason()));
    }
    emit finished(exitCode);
}
