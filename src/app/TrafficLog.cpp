#include "app/TrafficLog.h"

bool TrafficLog::create(const QString &path, QString *error)
{
    close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = m_file.errorString();
        return false;
    }
    return true;
}

void TrafficLog::writeBlock(std::initializer_list<QByteArrayView> records)
{
    if (!m_file.isOpen())
        return;
    for (const QByteArrayView record : records) {
        m_file.write(record.data(), record.size());
        m_file.write("\r\n", 2);
    }
    m_file.flush();
}

void TrafficLog::close()
{
    if (m_file.isOpen())
        m_file.close();
}
