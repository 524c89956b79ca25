#include "traffic/TrafficLog.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The records with a CR LF after each but the last: the last one is written on its own. A
// record longer than `largestPart` (when given) is cut into parts of at most that size.
std::vector<iovec> recordParts(std::initializer_list<QByteArrayView> records, qint64 *total,
                               qint64 largestPart = 0)
{
    static char crlf[] = "\r\n";
    std::vector<iovec> parts;
    parts.reserve(records.size() * 2);
    *total = 0;
    for (const QByteArrayView record : records) {
        for (qsizetype at = 0; at < record.size();) {
            const qsizetype size = largestPart > 0 ? std::min(record.size() - at, largestPart)
                                                   : record.size();
            parts.push_back({const_cast<char *>(record.data() + at), std::size_t(size)});
            at += size;
        }
        parts.push_back({crlf, 2});
        *total += record.size() + 2;
    }
    return parts;
}

// Writes the parts in gathering writes, at `offset` or, when it is negative, where the file
// stands: the body is never copied to put the record ends between the records. Only a write
// cut short (a full disk, a signal) loops. With `behind` (at an offset only), a write takes at
// most a chunk of whole parts (parts no larger than a chunk), and `behind` is told of each.
Result<> writeParts(int fd, qint64 offset, iovec *next, int left, WriteBehind *behind = nullptr)
{
    while (left > 0) {
        int count = std::min(left, IOV_MAX);
        if (behind) {
            qint64 bytes = qint64(next[0].iov_len);
            int taken = 1;
            while (taken < count && bytes + qint64(next[taken].iov_len) <= WriteBehind::ChunkBytes)
                bytes += qint64(next[taken++].iov_len);
            count = taken;
            behind->before(fd, offset);
        }
        const ssize_t written = offset < 0 ? ::writev(fd, next, count)
                                           : ::pwritev(fd, next, count, offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return Failure{systemReason()};
        if (behind)
            WriteBehind::after(fd, offset, written);
        if (offset >= 0)
            offset += written;
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
    return {};
}

// Whether the log a run left ends in a block that was cut short: a log of whole blocks is
// empty or ends in CR LF. Opened without blocking, so that a FIFO cannot hold the start up.
bool endsTorn(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status = {};
    char last[2] = {};
    const bool torn = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0
        && (::pread(fd, last, 2, status.st_size - 2 < 0 ? 0 : status.st_size - 2) != 2
            || last[0] != '\r' || last[1] != '\n');
    ::close(fd);
    return torn;
}

// Whether a log that is added to ends torn; not asked while another run holds it (its block
// in writing ends in NUL bytes until it is whole).
bool endsTornUnlessWritten(int fd, const QString &path)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return false;
    const bool torn = endsTorn(path);
    ::flock(fd, LOCK_UN);
    return torn;
}

// The lock of a log that several runs add to, held while one block is written. A window holds
// the lock of its log for the whole run: a run that finds it taken waits a while for it (far
// longer than another run takes to write a block), then gives the block up rather than hang.
class BlockLock
{
public:
    BlockLock() = default;
    Q_DISABLE_COPY_MOVE(BlockLock)
    ~BlockLock()
    {
        if (m_fd >= 0)
            ::flock(m_fd, LOCK_UN);
    }

    // Takes the lock; the file's end as it stands then.
    Result<qint64> take(int fd, std::chrono::milliseconds wait)
    {
        constexpr std::chrono::milliseconds kPause(10);
        const auto tries = wait / kPause;
        for (qint64 tried = 0; ::flock(fd, LOCK_EX | LOCK_NB) != 0; ++tried) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || tried >= tries)
                return Failure{errno == EWOULDBLOCK ? QString::fromLatin1(TrafficLog::InUse)
                                                    : systemReason()};
            const timespec pause{0, std::chrono::nanoseconds(kPause).count()};
            ::nanosleep(&pause, nullptr);
        }
        m_fd = fd;
        struct stat status = {};
        if (::fstat(fd, &status) != 0)
            return Failure{systemReason()};
        return qint64(status.st_size);
    }

private:
    int m_fd = -1;
};

} // namespace

TrafficLog::~TrafficLog()
{
    m_writerDone = nullptr;
    close();
}

Result<> TrafficLog::create(const QString &path)
{
    return open(path, Opening::Create);
}

Result<> TrafficLog::append(const QString &path, std::chrono::milliseconds lockWait)
{
    m_lockWait = lockWait;
    return open(path, Opening::Append);
}

Result<> TrafficLog::open(const QString &path, Opening opening)
{
    close();
    // Not blocking while it opens: a FIFO without a reader fails instead of waiting forever.
    // Not O_TRUNC: another copy's log is emptied by nobody. Not O_APPEND either: blocks are
    // written at their own offsets, which O_APPEND ignores.
    m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK,
                  0666);
    if (m_fd < 0)
        return Failure{systemReason()};
    struct stat status = {};
    if (::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK) != 0
        || ::fstat(m_fd, &status) != 0) {
        const QString reason = systemReason();
        close();
        return Failure{reason};
    }
    m_regular = S_ISREG(status.st_mode);
    // A window keeps its log locked for the whole run; added to, the log is locked for each
    // block (lockBlock), so that runs sharing one file take turns.
    m_lockEachBlock = m_regular && opening == Opening::Append;
    if (m_regular && opening == Opening::Create && ::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const QString reason = errno == EWOULDBLOCK ? QString::fromLatin1(InUse) : systemReason();
        close();
        return Failure{reason};
    }
    if (opening == Opening::Create ? endsTorn(path) : endsTornUnlessWritten(m_fd, path)) {
        qWarning("The traffic log %s of the previous run ends in a block that was cut short: "
                 "the program was ended while it wrote that block. %s",
                 qPrintable(QDir::toNativeSeparators(path)),
                 opening == Opening::Create ? "The log is emptied now." : "New blocks follow it.");
    }
    if (opening == Opening::Create && m_regular && ::ftruncate(m_fd, 0) != 0) {
        const QString reason = systemReason();
        close();
        return Failure{reason};
    }
    m_end = m_regular && opening == Opening::Append ? status.st_size : 0;
    m_writeBehind.startAt(m_end);
    if (!m_regular && opening == Opening::Append)
        ::lseek(m_fd, 0, SEEK_END);
    return {};
}

Result<qint64> TrafficLog::put(std::initializer_list<QByteArrayView> records,
                               WriteBehind *behind) const
{
    if (m_fd < 0)
        return Failure{u"the log is not open"_s};
    qint64 total = 0;
    std::vector<iovec> parts = recordParts(records, &total, behind ? WriteBehind::ChunkBytes : 0);
    if (!m_regular) {
        if (const Result<> written = writeParts(m_fd, -1, parts.data(), int(parts.size()));
            !written)
            return Failure{written.reason()};
        return m_end;
    }
    qint64 start = m_end;
    BlockLock lock;
    if (m_lockEachBlock) {
        // Another run may have added blocks since: this one goes after them.
        Result<qint64> end = lock.take(m_fd, m_lockWait);
        if (!end)
            return end;
        start = *end;
        if (behind)
            behind->startAt(start);
    }
    // The block's room first, its closing CR LF last: until that is in, the file ends in the
    // NUL bytes of the room, so a block torn anywhere never looks whole.
    Result<> written = ::ftruncate(m_fd, start + total) == 0 ? Result<>() : Failure{systemReason()};
    if (written)
        written = writeParts(m_fd, start, parts.data(), int(parts.size()) - 1, behind);
    if (written)
        written = writeParts(m_fd, start + total - 2, &parts.back(), 1, behind);
    if (written)
        return start + total;
    // Whatever part of the block got in goes again: the log holds whole blocks only.
    if (::ftruncate(m_fd, start) != 0)
        return Failure{written.reason() + u"; the part written could not be cut off: "_s
                       + systemReason()};
    return Failure{written.reason()};
}

Result<> TrafficLog::writeBlock(std::initializer_list<QByteArrayView> records)
{
    (void)finishWriting();
    const Result<qint64> end = put(records);
    if (!end)
        return Failure{end.reason()};
    m_end = *end;
    return {};
}

void TrafficLog::writeBlockSharing(QByteArrayView heading, const QByteArray &body, Written written)
{
    if (body.size() < BackgroundBytes || m_fd < 0) {
        const Result<> result = writeBlock({heading, body});
        if (written)
            written(result);
        return;
    }
    (void)finishWriting();
    // The thread keeps its own references: the caller may let go of the body at once.
    m_writerHeading = heading.toByteArray();
    m_writerBody = body;
    m_writerDone = std::move(written);
    m_largePending = true;
    const quint64 block = ++m_largeBlocks;
    const auto run = [this, block] {
        m_writerResult = put({m_writerHeading, m_writerBody}, &m_writeBehind);
        // Told from the event loop, unless something waits for the block first.
        QMetaObject::invokeMethod(
            this,
            [this, block] {
                if (block == m_largeBlocks)
                    (void)finishWriting();
            },
            Qt::QueuedConnection);
    };
    try {
        m_writer = std::thread(run);
    } catch (const std::system_error &) {
        // No thread to be had (what std::thread's constructor throws): the block is written
        // all the same, only not in the background.
        run();
    }
}

Result<> TrafficLog::finishWriting()
{
    if (m_writer.joinable())
        m_writer.join();
    if (!std::exchange(m_largePending, false))
        return {};
    m_writerHeading = QByteArray();
    m_writerBody = QByteArray();
    const Result<> result = m_writerResult ? Result<>() : Failure{m_writerResult.reason()};
    if (m_writerResult)
        m_end = *m_writerResult;
    if (Written done = std::exchange(m_writerDone, nullptr))
        done(result);
    return result;
}

void TrafficLog::close()
{
    (void)finishWriting();
    m_end = 0;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}
