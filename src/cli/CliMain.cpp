#include "CliMain.h"

#include "CliOptions.h"
#include "CliRun.h"
#include "ExitCode.h"
#include "StandardOutput.h"

#include <QCoreApplication>
#include <QTimer>

#include <csignal>

using namespace Qt::StringLiterals;

int runTalusTestCli(int argc, char *argv[])
{
    // A reader that went away is told as a failed write (EPIPE), not by a silent end.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"talus-test-cli"_s);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    const Result<CommandLine> parsed = parseCommandLine(arguments, installedProgramAddress);
    if (!parsed) {
        qCritical("talus-test-cli: %s (see talus-test-cli --help)", qPrintable(parsed.reason()));
        return ExitUsage;
    }
    if (!parsed->run) {
        Result<> written = writeStandardOutput(parsed->print.toUtf8());
        if (written)
            written = closeStandardOutput();
        if (!written) {
            qCritical("talus-test-cli: %s", qPrintable(written.reason()));
            return ExitTransferFailed;
        }
        return ExitOk;
    }

    CliRun run(*parsed->run);
    if (Result<> prepared = run.prepare(); !prepared) {
        qCritical("talus-test-cli: %s", qPrintable(prepared.reason()));
        return ExitUsage;
    }
    QObject::connect(&run, &CliRun::finished, &app, &QCoreApplication::exit);
    QTimer::singleShot(0, &run, &CliRun::start);
    return QCoreApplication::exec();
}
