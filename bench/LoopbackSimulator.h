#pragma once

#include <QProcess>
#include <QString>
#include <QUrl>

using namespace Qt::StringLiterals;

// The tracking-server simulator serving `jobs` jobs on a free loopback port, for a benchmark;
// killed with this object. Building a million jobs takes the simulator about a minute, more
// than the tests' patience.
class LoopbackSimulator final
{
public:
    explicit LoopbackSimulator(int jobs)
    {
        m_process.start(QString::fromUtf8(TRACKING_SIM_PATH),
                        {u"--port"_s, u"0"_s, u"--quiet"_s, u"--jobs"_s, QString::number(jobs)});
        while (m_process.waitForStarted() && !m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(kStartMs))
                qFatal("the simulator did not start");
        }
        m_base = QUrl(QString::fromUtf8(m_process.readLine().trimmed()));
        if (m_base.port() <= 0)
            qFatal("the simulator did not name its address");
    }
    ~LoopbackSimulator()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    LoopbackSimulator(const LoopbackSimulator &) = delete;
    LoopbackSimulator &operator=(const LoopbackSimulator &) = delete;

    quint16 port() const { return quint16(m_base.port()); }
    QString listUrl() const
    {
        return m_base.toString(QUrl::StripTrailingSlash) + u"/api/videocompare/tracking"_s;
    }

private:
    static constexpr int kStartMs = 600000;

    QProcess m_process;
    QUrl m_base;
};
