#include "CliOptions.h"

#include "BuildInfo.h"
#include "CreateInput.h"
#include "create/CreateBody.h"
#include "create/CreateCheck.h"
#include "settings/Settings.h"
#include "traffic/TrackingExchange.h"

#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QStringList kCommands{u"list"_s,   u"get"_s,   u"stop"_s, u"delete"_s,
                            u"create"_s, u"smoke"_s, u"watch"_s};

const char kUsage[] =
    R"(Usage: talus-test-cli COMMAND [ARGUMENTS] [OPTIONS]

Sends the tracking API's requests as the window does, for scripts and CI.

Commands:
  list                  the job table: externalId, latestAlertStatus, latestAlertTime
  get ID                one job's body
  stop ID               stops tracking the job
  delete ID             deletes the job
  create                creates a job from the field options or --from FILE
  smoke                 creates a job with a fresh identifier, lists, gets, stops and
                        deletes it, checking each answer; one line per step
  watch                 lists every --interval seconds and prints one line per job that
                        is new, changed or gone since the list before: time, change,
                        externalId, latestAlertStatus, latestAlertTime (the first list:
                        every job, as new)

Options:
  --address A           the server's address (host, host:port; default: the address in
                        ~/.local/share/talus-test-app/ORVA_Test_Application.ini, else
                        127.0.0.1)
  --timeout S           a transfer that makes no progress for S seconds fails (60)
  --log FILE            appends the traffic-log blocks to FILE
  --junit FILE          writes a JUnit report: one test case per request
  -v                    the status line, byte counts and timing on standard error
  --json                list, watch: one JSON object per line
  --raw                 list: the body exactly as received
  --interval S          watch: seconds from one list to the next (10)
  --count N             watch: stops after N lists
  --help                this text
  --version             the version

Create fields (create):
  --id ID --start TIME --end TIME --program NAME
  --group1 IP,PORT,IP,PORT,NAME   stream 1: primary address and port, backup address
  --group2 IP,PORT,IP,PORT,NAME   and port, channel name
  --key1 KEY --key2 KEY           threshold keys (ThresholdValue1, ThresholdValue2)
  --from FILE                     a JSON body of the same members; options given as
                                  well replace its values

Exit status: 0 answered below 400, 1 answered 400 or more, 2 usage or bad input (nothing
sent), 3 the transfer failed or standard output could not be written, 4 a smoke step's check
failed, 128 + N ended by signal N. watch: 0 after --count or a signal, 3 when its last list
failed.
)";

struct Declared
{
    QCommandLineOption address{u"address"_s, QString(), u"A"_s};
    QCommandLineOption timeout{u"timeout"_s, QString(), u"S"_s};
    QCommandLineOption log{u"log"_s, QString(), u"FILE"_s};
    QCommandLineOption junit{u"junit"_s, QString(), u"FILE"_s};
    QCommandLineOption verbose{u"v"_s};
    QCommandLineOption json{u"json"_s};
    QCommandLineOption raw{u"raw"_s};
    QCommandLineOption interval{u"interval"_s, QString(), u"S"_s};
    QCommandLineOption count{u"count"_s, QString(), u"N"_s};
    QCommandLineOption help{u"help"_s};
    QCommandLineOption version{u"version"_s};
    QCommandLineOption id{u"id"_s, QString(), u"ID"_s};
    QCommandLineOption start{u"start"_s, QString(), u"TIME"_s};
    QCommandLineOption end{u"end"_s, QString(), u"TIME"_s};
    QCommandLineOption program{u"program"_s, QString(), u"NAME"_s};
    QCommandLineOption group1{u"group1"_s, QString(), u"GROUP"_s};
    QCommandLineOption group2{u"group2"_s, QString(), u"GROUP"_s};
    QCommandLineOption key1{u"key1"_s, QString(), u"KEY"_s};
    QCommandLineOption key2{u"key2"_s, QString(), u"KEY"_s};
    QCommandLineOption from{u"from"_s, QString(), u"FILE"_s};

    QList<const QCommandLineOption *> createOnly() const
    {
        return {&id, &start, &end, &program, &group1, &group2, &key1, &key2, &from};
    }
};

// The last of an option given twice wins, as with most programs.
QString lastValue(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    const QStringList values = parser.values(option);
    return values.isEmpty() ? QString() : values.last();
}

// --timeout and --interval: a day is far beyond any server's patience; beyond it the
// milliseconds could overflow.
Result<std::chrono::milliseconds> parseSeconds(const QString &option, const QString &text)
{
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds * 1000 < 1 || seconds > 86400)
        return Failure{
            u"--%1 \"%2\" is not a number of seconds from 0.001 to 86400"_s.arg(option, text)};
    return std::chrono::milliseconds(std::llround(seconds * 1000));
}

Result<CreateFields> createFields(const QCommandLineParser &parser, const Declared &options)
{
    CreateFields fields;
    fields.thresholdKey1 = QLatin1String(ThresholdKeys[0]);
    fields.thresholdKey2 = QLatin1String(ThresholdKeys[1]);
    if (parser.isSet(options.from)) {
        Result<CreateFields> read = readCreateFile(lastValue(parser, options.from));
        if (!read)
            return read;
        fields = std::move(read).value();
    }
    const auto take = [&](const QCommandLineOption &option, QString &field) {
        if (parser.isSet(option))
            field = lastValue(parser, option);
    };
    take(options.id, fields.externalId);
    take(options.start, fields.start);
    take(options.end, fields.end);
    take(options.program, fields.program);
    take(options.key1, fields.thresholdKey1);
    take(options.key2, fields.thresholdKey2);
    const QCommandLineOption *groups[] = {&options.group1, &options.group2};
    for (std::size_t i = 0; i < 2; ++i) {
        if (!parser.isSet(*groups[i]))
            continue;
        Result<CreateFields::Stream> stream = parseGroupOption(lastValue(parser, *groups[i]));
        if (!stream)
            return Failure{u"--group%1: %2"_s.arg(i + 1).arg(stream.reason())};
        fields.streams[i] = std::move(stream).value();
    }
    if (Result<> checked = checkCreateFields(fields); !checked)
        return Failure{u"create: "_s + checked.reason()};
    return fields;
}

// The command's request. It is composed as it will go out, so that one that cannot be sent is
// refused before anything is sent or logged; smoke is checked by its list (its other requests
// name a fresh identifier of digits).
Result<CommandRequest> commandRequest(const CliOptions &run)
{
    CommandRequest request{RequestKind::List, QString(), QString()};
    if (run.command == u"create")
        request = {RequestKind::Create, QString(), buildCreateBody(run.createFields)};
    else if (run.command == u"get")
        request.kind = RequestKind::GetJob;
    else if (run.command == u"stop")
        request.kind = RequestKind::StopJob;
    else if (run.command == u"delete")
        request.kind = RequestKind::DeleteJob;
    request.externalId = run.jobId;
    if (const auto list = TrackingExchange::compose(RequestKind::List, run.address); !list)
        return Failure{u"the address \"%1\" cannot be used: %2"_s.arg(run.address, list.reason())};
    if (const auto composed =
            TrackingExchange::compose(request.kind, run.address, request.externalId, request.body);
        !composed) {
        return Failure{u"%1: the job's ID \"%2\" cannot be sent: %3"_s.arg(run.command, run.jobId,
                                                                           composed.reason())};
    }
    return request;
}

Result<> checkArguments(const QString &command, const QStringList &arguments)
{
    const bool takesId = command == u"get" || command == u"stop" || command == u"delete";
    const qsizetype wanted = takesId ? 2 : 1;
    if (arguments.size() < wanted)
        return Failure{u"%1 needs the job's ID"_s.arg(command)};
    if (arguments.size() > wanted)
        return Failure{u"%1: unexpected argument \"%2\""_s.arg(command, arguments.at(wanted))};
    if (takesId && arguments.at(1).isEmpty())
        return Failure{u"%1: the job's ID is empty"_s.arg(command)};
    return {};
}

} // namespace

Result<CommandLine> parseCommandLine(const QStringList &arguments,
                                     const std::function<QString()> &defaultAddress)
{
    Declared options;
    QCommandLineParser parser;
    parser.addOptions({options.address, options.timeout, options.log, options.junit,
                       options.verbose, options.json, options.raw, options.interval, options.count,
                       options.help, options.version});
    for (const QCommandLineOption *option : options.createOnly())
        parser.addOption(*option);
    // QCommandLineParser takes the program's name first.
    if (!parser.parse(QStringList{u"talus-test-cli"_s} + arguments))
        return Failure{parser.errorText()};
    if (parser.isSet(options.help))
        return CommandLine{std::nullopt, QString::fromUtf8(kUsage)};
    if (parser.isSet(options.version))
        return CommandLine{std::nullopt,
                           u"talus-test-cli %1.%2.%3\n"_s.arg(TalusVersionMajor)
                               .arg(TalusVersionMinor)
                               .arg(TalusVersionPatch)};

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return Failure{u"no command given (list, get, stop, delete, create, smoke or watch)"_s};
    CliOptions run;
    run.command = positional.first();
    if (!kCommands.contains(run.command))
        return Failure{u"unknown command \"%1\""_s.arg(run.command)};
    if (Result<> counted = checkArguments(run.command, positional); !counted)
        return Failure{counted.reason()};
    if (positional.size() == 2)
        run.jobId = positional.at(1);

    if (run.command != u"create") {
        for (const QCommandLineOption *option : options.createOnly()) {
            if (parser.isSet(*option))
                return Failure{u"--%1 is an option of create"_s.arg(option->names().first())};
        }
    }
    if (run.command != u"watch") {
        for (const QCommandLineOption *option : {&options.interval, &options.count}) {
            if (parser.isSet(*option))
                return Failure{u"--%1 is an option of watch"_s.arg(option->names().first())};
        }
    } else {
        // A report of one test case per request has no end for a watch.
        for (const QCommandLineOption *option : {&options.junit, &options.raw}) {
            if (parser.isSet(*option))
                return Failure{u"--%1 is not an option of watch"_s.arg(option->names().first())};
        }
    }
    if (parser.isSet(options.json) && parser.isSet(options.raw))
        return Failure{u"--json and --raw exclude each other"_s};
    run.output = parser.isSet(options.json) ? OutputForm::Json
        : parser.isSet(options.raw)         ? OutputForm::Raw
                                            : OutputForm::Table;
    run.verbose = parser.isSet(options.verbose);
    run.settingsFile = installedSettingsFile();
    run.logFile = lastValue(parser, options.log);
    run.junitFile = lastValue(parser, options.junit);
    if ((parser.isSet(options.log) && run.logFile.isEmpty())
        || (parser.isSet(options.junit) && run.junitFile.isEmpty()))
        return Failure{u"--log and --junit need a file name"_s};
    if (parser.isSet(options.timeout)) {
        Result<std::chrono::milliseconds> timeout =
            parseSeconds(u"timeout"_s, lastValue(parser, options.timeout));
        if (!timeout)
            return Failure{timeout.reason()};
        run.timeout = *timeout;
    }
    if (parser.isSet(options.interval)) {
        Result<std::chrono::milliseconds> interval =
            parseSeconds(u"interval"_s, lastValue(parser, options.interval));
        if (!interval)
            return Failure{interval.reason()};
        run.interval = *interval;
    }
    if (parser.isSet(options.count)) {
        bool ok = false;
        const QString text = lastValue(parser, options.count);
        run.count = text.toInt(&ok);
        if (!ok || run.count < 1)
            return Failure{u"--count \"%1\" is not a number of lists from 1"_s.arg(text)};
    }
    // Without --address the settings file gives it; with one, that file is not read at all.
    run.address = parser.isSet(options.address) ? lastValue(parser, options.address)
                                                : defaultAddress();
    if (run.command == u"create") {
        Result<CreateFields> fields = createFields(parser, options);
        if (!fields)
            return Failure{fields.reason()};
        run.createFields = std::move(fields).value();
    }
    Result<CommandRequest> request = commandRequest(run);
    if (!request)
        return Failure{request.reason()};
    run.request = std::move(request).value();
    return CommandLine{std::move(run), QString()};
}

// The window's per-user folder when it is installed (its settings file sits there).
static QString installedProgramFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + u"/talus-test-app"_s;
}

QString installedSettingsFile()
{
    return settingsFilePath(installedProgramFolder());
}

QString installedProgramAddress()
{
    return LoadSettings(installedProgramFolder());
}
