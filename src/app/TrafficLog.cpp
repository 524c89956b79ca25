#include "app/TrafficLog.h"

#include <sys/uio.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

bool TrafficLog::create(const QString &path, QString *error)
{
    close();
    m_file.setFileName(path);
    // Unbuffered: blocks go straight to the file descriptor below, never through a buffer.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        if (error)
            *error = m_file.errorString();
        return false;
    }
    return true;
}

bool TrafficLog::writeBlock(std::initializer_list<QByteArrayView> records)
{
    if (!m_file.isOpen()) {
        m_error = QStringLiteral("the log is not open");
        return false;
    }
    static char crlf[] = "\r\n";
    // One gathering write for the whole block: the body is not copied to put the record ends
    // between the records, and the kernel takes the block as one piece.
    std::vector<iovec> parts;
    parts.reserve(records.size() * 2);
    for (const QByteArrayView record : records) {
        m_lastRecordData = record.data();
        if (!record.isEmpty())
            parts.push_back({const_cast<char *>(record.data()), std::size_t(record.size())});
        parts.push_back({crlf, 2});
    }
    const int fd = m_file.handle();
    iovec *next = parts.data();
    int left = int(parts.size());
    while (left > 0) {
        const ssize_t written = ::writev(fd, next, std::min(left, IOV_MAX));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            m_error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        // Only a write the kernel cut short (a full disk, a signal) gets here more than once.
        auto done = std::size_t(written);
        while (left > 0 && done >= next->iov_len) {
            done -= next->iov_len;
            ++next;
            --left;
        }
        if (left > 0) {
            next->iov_base = static_cast<char *>(next->iov_base) + done;
            next->iov_len -= done;
        }
    }
    return true;
}

void TrafficLog::close()
{
    if (m_file.isOpen())
        m_file.close();
}
