#include "traffic/TrafficLog.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/uio.h>
#include <system_error>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

bool TrafficLog::create(const QString &path, QString *error)
{
    return open(path, QIODevice::Truncate, error);
}

bool TrafficLog::append(const QString &path, QString *error)
{
    return open(path, QIODevice::Append, error);
}

bool TrafficLog::open(const QString &path, QIODevice::OpenMode mode, QString *error)
{
    close();
    m_file.setFileName(path);
    // Unbuffered: blocks go straight to the file descriptor below, never through a buffer.
    if (!m_file.open(QIODevice::WriteOnly | mode | QIODevice::Unbuffered)) {
        if (error)
            *error = m_file.errorString();
        return false;
    }
    return true;
}

namespace {

// Writes the records, each followed by CR LF, in one gathering write: the body is not copied
// to put the record ends between the records, and the kernel takes the block as one piece.
// Returns the reason when the block could not be written whole.
QString writeRecords(int fd, std::initializer_list<QByteArrayView> records)
{
    static char crlf[] = "\r\n";
    std::vector<iovec> parts;
    parts.reserve(records.size() * 2);
    for (const QByteArrayView record : records) {
        if (!record.isEmpty())
            parts.push_back({const_cast<char *>(record.data()), std::size_t(record.size())});
        parts.push_back({crlf, 2});
    }
    iovec *next = parts.data();
    int left = int(parts.size());
    while (left > 0) {
        const ssize_t written = ::writev(fd, next, std::min(left, IOV_MAX));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return QString::fromLocal8Bit(std::strerror(errno));
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
    return QString();
}

} // namespace

TrafficLog::~TrafficLog()
{
    close();
}

bool TrafficLog::finishWriting()
{
    if (m_writer.joinable())
        m_writer.join();
    m_writerBlock = QByteArray();
    m_writerBody = QByteArray();
    if (m_writerError.isEmpty())
        return true;
    m_error = std::exchange(m_writerError, QString());
    return false;
}

bool TrafficLog::writeBlock(std::initializer_list<QByteArrayView> records)
{
    // An earlier block that failed is reported, but does not keep this one out of the log.
    const bool earlierWritten = finishWriting();
    if (!m_file.isOpen()) {
        m_error = u"the log is not open"_s;
        return false;
    }
    for (const QByteArrayView record : records)
        m_lastRecordData = record.data();
    if (const QString error = writeRecords(m_file.handle(), records); !error.isEmpty()) {
        m_error = error;
        return false;
    }
    return earlierWritten;
}

bool TrafficLog::writeBlockSharing(QByteArrayView heading, const QByteArray &body)
{
    if (body.size() < BackgroundBytes || !m_file.isOpen())
        return writeBlock({heading, body});
    const bool earlierWritten = finishWriting();
    m_lastRecordData = body.constData();
    // The thread keeps its own references: the caller may let go of the body at once.
    m_writerBlock = heading.toByteArray();
    m_writerBody = body;
    m_writing = true;
    try {
        m_writer = std::thread([this, fd = m_file.handle()] {
            m_writerError = writeRecords(fd, {m_writerBlock, m_writerBody});
            m_writing = false;
        });
    } catch (const std::system_error &) {
        // No thread to be had: the block is written all the same, only not in the background.
        m_writerError = writeRecords(m_file.handle(), {m_writerBlock, m_writerBody});
        m_writing = false;
    }
    return earlierWritten;
}

void TrafficLog::close()
{
    if (!finishWriting())
        qWarning("The traffic log could not be written: %s", qPrintable(m_error));
    if (m_file.isOpen())
        m_file.close();
}
