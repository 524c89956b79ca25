#pragma once

#include "Result.h"
#include "traffic/WriteBehind.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <thread>

// The traffic log: every request and response, as blocks of records (a text followed by CR LF).
//
// No append of a hundred megabytes can be made atomic: the kernel stops a large write where a
// fatal signal finds it. What the file promises instead, however the program ends:
// - every block but the last is whole;
// - the last block is whole exactly when the file ends in CR LF. A block's room is set aside
//   first (the file grows over it, reading as NUL bytes), its bytes go in, and its closing
//   CR LF is written last. A block cut short by a kill keeps NUL bytes at the end of its
//   room and no closing CR LF; the next start says so on standard error before it empties
//   the log.
// A block that cannot be written whole (a full disk, a file size limit) is cut off the file
// again, so no part of it stays, and later blocks are tried as usual. On something that is not
// a regular file (a device, a pipe) blocks are written as they come, without room or cutting.
//
// The file is shared with other copies of the program only through its lock (flock). A log
// made by create() is locked for as long as it is open: a second copy is refused instead of
// emptying it. A log opened by append() is locked for each block, which goes at the file's end
// as it stands then, so runs that add to one file keep every block of each.
class TrafficLog final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrafficLog)

public:
    // Told the outcome of a large block (see writeBlockSharing).
    using Written = std::function<void(const Result<> &)>;

    TrafficLog() = default;
    // Waits for a block being written; its `written` is not called any more.
    ~TrafficLog() override;

    // Creates the file empty (an existing log is emptied) and keeps it open and locked. Fails
    // with InUse, leaving the file as it is, when another copy holds it.
    Result<> create(const QString &path);
    // Opens the file (made when missing) to add blocks after what it holds. A block fails with
    // InUse when the lock stays taken (a window's log) for lockWait.
    Result<> append(const QString &path,
                    std::chrono::milliseconds lockWait = std::chrono::seconds(10));

    // The reason for a log another copy of the program holds.
    static constexpr char InUse[] = "in use by another copy of this program";

    // A block of records, written together, after any large block before it.
    Result<> writeBlock(std::initializer_list<QByteArrayView> records);

    // A block of a heading and a body. A large body is written by a thread of its own, so that
    // the window does not wait for a hundred megabytes to reach the disk; the next block and
    // close() wait for it, so blocks keep their order and a closed log is whole. `written` is
    // called once with the outcome: at once for a small body, for a large one when it has
    // been written (from the event loop) or when something waits for it, whichever is first.
    void writeBlockSharing(QByteArrayView heading, const QByteArray &body, Written written = {});
    // Waits for a large block being written and tells its outcome.
    Result<> finishWriting();

    void close();
    bool isOpen() const { return m_fd >= 0; }

    // Bodies from this size on are written by their own thread.
    static constexpr qsizetype BackgroundBytes = 4 * 1024 * 1024;

private:
    enum class Opening { Create, Append };
    Result<> open(const QString &path, Opening opening);
    // Writes one block at m_end, or under the lock at the file's end when added to (or just
    // appends, off a regular file); the new end. A large block is written behind (see
    // WriteBehind).
    Result<qint64> put(std::initializer_list<QByteArrayView> records,
                       WriteBehind *behind = nullptr) const;

    int m_fd = -1;
    bool m_regular = true;
    bool m_lockEachBlock = false;
    std::chrono::milliseconds m_lockWait{0};
    qint64 m_end = 0;
    std::thread m_writer;
    // Counts large blocks, so that the notice of one that ended is not taken for a later one.
    quint64 m_largeBlocks = 0;
    bool m_largePending = false;
    // Owned by the thread while it runs: its block and how it went.
    QByteArray m_writerHeading;
    QByteArray m_writerBody;
    Result<qint64> m_writerResult = qint64(0);
    Written m_writerDone;
    WriteBehind m_writeBehind;
};
