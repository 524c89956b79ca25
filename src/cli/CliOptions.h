#pragma once

#include "Result.h"
#include "create/CreateFields.h"
#include "traffic/RequestKind.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

enum class OutputForm {
    Table, // tab-separated, with a header line
    Json,  // one JSON object per line
    Raw,   // the body exactly as received
};

// A request as the exchange takes it.
struct CommandRequest
{
    RequestKind kind = RequestKind::List;
    QString externalId;
    QString body;
};

// One run of talus-test-cli, every part of it checked: nothing is sent before all of it is.
struct CliOptions
{
    QString command; // list, get, stop, delete, create, smoke or watch
    QString jobId;   // get, stop, delete
    QString address;
    QString settingsFile; // the installed window's, for its [TLS] section
    std::chrono::milliseconds timeout{60000};
    std::chrono::milliseconds interval{10000}; // watch: from one list to the next
    int count = 0;                             // watch: the lists to make; 0: no end
    QString logFile;
    QString junitFile;
    bool verbose = false;
    OutputForm output = OutputForm::Table;
    CreateFields createFields; // create
    // The command's request, known to be sendable (smoke: its list).
    CommandRequest request;
};

// A command line asks for a run, or for a text on standard output and nothing else (help,
// version).
struct CommandLine
{
    std::optional<CliOptions> run;
    QString print;
};

// arguments without the program's name. defaultAddress gives the address where --address is
// not given. A failure's reason is the one line the operator sees.
Result<CommandLine> parseCommandLine(const QStringList &arguments,
                                     const std::function<QString()> &defaultAddress);

// The installed window's per-user settings file, whether there or not.
QString installedSettingsFile();
// The address in it, else 127.0.0.1.
QString installedProgramAddress();
