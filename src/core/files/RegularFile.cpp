#include "files/RegularFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString tooLarge(qint64 cap)
{
    return u"it is larger than "_s + sizeText(cap);
}

// Reads to the end, or until more than `cap` bytes are in: a file that grew after it was
// measured still shows as too large. The buffer starts at the measured size, so a file of a
// few bytes under a cap of gigabytes takes a few bytes.
Result<QByteArray> readAtMost(int fd, qint64 measured, qint64 cap)
{
    QByteArray bytes(std::min(measured, cap) + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > cap)
                break;
            bytes.resize(std::min<qint64>(qint64(bytes.size()) * 2, cap + 1));
        }
        const ssize_t got = ::read(fd, bytes.data() + filled, std::size_t(bytes.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Failure{systemReason(errno)};
        if (got == 0)
            break;
        filled += got;
    }
    if (filled > cap)
        return Failure{tooLarge(cap)};
    bytes.truncate(filled);
    return bytes;
}

} // namespace

Result<QByteArray> readRegularFile(const QString &fileName, qint64 cap, WhenMissing missing)
{
    // Not blocking: opening a FIFO for reading would otherwise wait for a writer forever.
    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT && missing == WhenMissing::Empty)
            return QByteArray();
        return Failure{systemReason(error)};
    }
    struct stat status = {};
    Result<QByteArray> result = QByteArray();
    if (::fstat(fd, &status) != 0) {
        result = Failure{systemReason(errno)};
    } else if (!S_ISREG(status.st_mode)) {
        result = Failure{notRegularReason(status.st_mode)};
    } else if (status.st_size > cap) {
        result = Failure{tooLarge(cap)};
    } else {
        try {
            result = readAtMost(fd, status.st_size, cap);
        } catch (const std::bad_alloc &) {
            // What QByteArray's allocation throws: a file under its cap that does not fit the
            // memory available now.
            result = Failure{u"it is too large for the memory available"_s};
        }
    }
    ::close(fd);
    return result;
}

QString notRegularReason(mode_t mode)
{
    QString kind = u"not a file"_s;
    if (S_ISDIR(mode))
        kind = u"a folder"_s;
    else if (S_ISFIFO(mode))
        kind = u"a FIFO"_s;
    else if (S_ISCHR(mode))
        kind = u"a character device"_s;
    else if (S_ISBLK(mode))
        kind = u"a block device"_s;
    else if (S_ISSOCK(mode))
        kind = u"a socket"_s;
    return u"it is not a regular file but "_s + kind;
}

QString sizeText(qint64 bytes)
{
    constexpr qint64 kKiB = 1024;
    for (const auto &[unit, name] : {std::pair{kKiB * kKiB * kKiB, u"GiB"_s},
                                     std::pair{kKiB * kKiB, u"MiB"_s}, std::pair{kKiB, u"KiB"_s}}) {
        if (bytes >= unit && bytes % unit == 0)
            return QString::number(bytes / unit) + u' ' + name;
    }
    return QString::number(bytes) + u" bytes"_s;
}
