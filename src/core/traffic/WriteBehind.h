#pragma once

#include <QtGlobal>

// Sends a large block to the disk while it is written, and lets the page cache drop what has
// reached the disk. Left in the page cache, every large block took memory the system had not
// used lately: a gigabyte of log held a gigabyte of memory, and on the virtual machines we
// measured, which hand freed memory back to their host, each such page cost several times the
// copy itself (a 100 MB block 250 ms instead of 30). Written this way, the next chunk reuses
// the pages just let go. Only what lies more than a window behind the write is waited for, so
// a disk that keeps up is never waited on. The program never reads its log back.
class WriteBehind final
{
public:
    // A block is written this much at a time.
    static constexpr qint64 ChunkBytes = qint64(8) << 20;
    // What the disk may lag behind the write before the writer waits for it.
    static constexpr qint64 WindowBytes = qint64(64) << 20;

    // Before a write at `offset`: whatever lies more than the window behind it is waited for
    // on its way to the disk and then dropped from memory.
    void before(int fd, qint64 offset);
    // After `bytes` were written at `offset`: sends them on their way to the disk.
    static void after(int fd, qint64 offset, qint64 bytes);
    // The file's bytes before `offset` are not this writer's to drop (another run's log).
    void startAt(qint64 offset) { m_droppedTo = offset; }

private:
    qint64 m_droppedTo = 0;
};
