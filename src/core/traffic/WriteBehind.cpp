#include "traffic/WriteBehind.h"

#include <fcntl.h>

// Both calls are advice about the page cache: when a file system refuses them, the block is
// written all the same and stays in memory as before.
void WriteBehind::before(int fd, qint64 offset)
{
    const qint64 upTo = offset - WindowBytes;
    if (upTo <= m_droppedTo)
        return;
#ifdef Q_OS_LINUX
    (void)::sync_file_range(fd, m_droppedTo, upTo - m_droppedTo,
                            SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE
                                | SYNC_FILE_RANGE_WAIT_AFTER);
#endif
    (void)::posix_fadvise(fd, m_droppedTo, upTo - m_droppedTo, POSIX_FADV_DONTNEED);
    m_droppedTo = upTo;
}

void WriteBehind::after(int fd, qint64 offset, qint64 bytes)
{
#ifdef Q_OS_LINUX
    // A length of 0 would mean "to the end of the file".
    if (bytes > 0)
        (void)::sync_file_range(fd, offset, bytes, SYNC_FILE_RANGE_WRITE);
#else
    (void)fd;
    (void)offset;
    (void)bytes;
#endif
}
