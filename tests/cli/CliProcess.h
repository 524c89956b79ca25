#pragma once

#include "CreateExample.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

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

// How a run's standard output is taken: read, sent to a file, or closed at once.
enum class CliOutput { Read, ToFile, Closed };

inline CliResult runCli(const QStringList &arguments, const QProcessEnvironment &env,
                        CliOutput output = CliOutput::Read, const QString &outputFile = {},
                        const char *program = TALUS_TEST_CLI_PATH)
{
    QProcess process;
    process.setProcessEnvironment(env);
    if (output == CliOutput::ToFile)
        process.setStandardOutputFile(outputFile);
    // A pipe whose reader has gone before the first byte is written.
    int pipe[2] = {-1, -1};
    if (output == CliOutput::Closed && ::pipe2(pipe, O_CLOEXEC) == 0)
        ::close(pipe[0]);
    // The test runner ignores SIGPIPE and a child inherits that; a shell gives the default, which
    // ends a program at its first write to a closed pipe unless it sees to it itself.
    process.setChildProcessModifier([writer = pipe[1]] {
        ::signal(SIGPIPE, SIG_DFL);
        if (writer >= 0)
            ::dup2(writer, STDOUT_FILENO);
    });
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QString::fromUtf8(program), arguments);
    if (pipe[1] >= 0)
        ::close(pipe[1]);
    if (!finished.wait(60000)) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// The create command for the worked example: the four texts, then each stream as one option.
inline QStringList workedExampleArguments()
{
    return u"create|--id|4123856710|--start|2027-03-01T09:32:00-0500|--program|Evening News|"
           "--end|2027-03-01T10:02:00-0500|--group1|239.10.0.1,5000,239.10.0.2,5002,Feed A|"
           "--group2|239.20.0.1,6000,239.20.0.2,6002,Feed B"_s.split(u'|');
}
