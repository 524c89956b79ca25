#include "SimProcess.h"

#include <QUrl>

SimProcess::~SimProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(m_patienceMs);
    }
}

bool SimProcess::start(const QStringList &arguments, const QProcessEnvironment &environment)
{
    m_process.setProcessEnvironment(environment);
    m_process.start(program(), arguments);
    if (!m_process.waitForStarted(m_patienceMs))
        return false;
    // waitForReadyRead also returns, with false, when the process ends.
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(m_patienceMs))
            return false;
    }
    m_firstLine = QString::fromUtf8(m_process.readLine()).chopped(1);
    const QUrl address(m_firstLine);
    m_port = address.isValid() ? static_cast<quint16>(address.port(0)) : 0;
    return true;
}

bool SimProcess::waitForExit()
{
    return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(m_patienceMs);
}
