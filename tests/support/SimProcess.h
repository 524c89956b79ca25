#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

using namespace Qt::StringLiterals;

// One simulator started for a test. It is killed when this object goes, so no simulator
// outlives the test that started it.
class SimProcess final
{
    Q_DISABLE_COPY_MOVE(SimProcess)

public:
    SimProcess() = default;
    ~SimProcess();

    // Starts the simulator and waits for its first line. False when it exited or stayed
    // silent instead; the process is then left for the caller to inspect.
    bool start(const QStringList &arguments,
               const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    // Building a million jobs takes the simulator about a minute, more than a test's patience:
    // a benchmark gives it longer.
    void setPatience(int ms) { m_patienceMs = ms; }

    // Waits for the process to end after it was told to stop or failed to start.
    bool waitForExit();

    QString firstLine() const { return m_firstLine; }
    quint16 port() const { return m_port; }
    // The job list's URL on the address the simulator printed.
    QString listUrl() const { return m_firstLine + u"/api/videocompare/tracking"_s; }
    QProcess &process() { return m_process; }

    static QString program() { return QString::fromUtf8(TRACKING_SIM_PATH); }

private:
    int m_patienceMs = 15000;
    QProcess m_process;
    QString m_firstLine;
    quint16 m_port = 0;
};
