#include "CliOptions.h"
#include "CliRun.h"
#include "ExitCode.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"talus-test-cli"_s);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    // --address given: the settings file is not read at all.
    const bool addressGiven = arguments.contains(u"--address"_s)
        || std::any_of(arguments.cbegin(), arguments.cend(),
                       [](const QString &a) { return a.startsWith(u"--address="_s); });
    const Result<CommandLine> parsed =
        parseCommandLine(arguments, addressGiven ? QString() : installedProgramAddress());
    if (!parsed) {
        qCritical("talus-test-cli: %s (see talus-test-cli --help)", qPrintable(parsed.reason()));
        return ExitUsage;
    }
    if (!parsed->run) {
        const QByteArray text = parsed->print.toUtf8();
        std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
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
