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
