#pragma once

#include "CreateExample.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// One run of talus-test-cli. The test's event loop keeps running while it waits, so a server
// in the test process answers meanwhile.
struct CliResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// A home of its own, so that no real settings file gives the default address.
inline QProcessEnvironment cliEnvironment(const QString &dataHome)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_DATA_HOME"_s, dataHome);
    env.insert(u"HOME"_s, dataHome);
    return env;
}

inline CliResult runCli(const QStringList &arguments, const QProcessEnvironment &env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QString::fromUtf8(TALUS_TEST_CLI_PATH), arguments);
    if (!finished.wait(60000)) {
        process.kill();
        process.waitForFinished();
    }
    CliResult result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// The create command for the worked example: the four texts, then each stream as one option.
inline QStringList workedExampleArguments()
{
    QStringList arguments{u"create"_s};
    const char *options[] = {"--id", "--start", "--end", "--program"};
    for (int i = 0; i < 4; ++i)
        arguments << QLatin1String(options[i]) << QLatin1String(CreateExampleFields[i][1]);
    for (int stream = 0; stream < 2; ++stream) {
        QStringList group;
        for (int i = 0; i < 5; ++i)
            group << QLatin1String(CreateExampleFields[4 + 5 * stream + i][1]);
        arguments << u"--group%1"_s.arg(stream + 1) << group.join(u',');
    }
    return arguments;
}
