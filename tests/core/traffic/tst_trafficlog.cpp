#include "FileBytes.h"
#include "traffic/TrafficLog.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The writer's exit code when it could not see its log's thread inside a write.
constexpr int kNotWatched = 3;

const QString kTornWarning = u"The traffic log %1 of the previous run ends in a block that was cut "
                             "short: the program was ended while it wrote that block. "_s;

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A block as the log holds it.
QByteArray block(const QByteArray &heading, const QByteArray &body)
{
    return heading + "\r\n" + body + "\r\n";
}

// Block `i` of the appending child `name`: every fiftieth is large, written by the log's own
// thread.
QByteArray appenderBlock(const QByteArray &name, int i)
{
    const qsizetype size = i % 50 == 0 ? TrafficLog::BackgroundBytes + i : i;
    return block("---" + name + QByteArray::number(i) + "---", QByteArray(size, name.at(0)));
}

// Memory whose second half cannot be read: a write from it stops in the middle.
std::shared_ptr<char> halfReadable(qsizetype size)
{
    const auto bytes = std::size_t(size);
    void *memory =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return {};
    std::memset(memory, 'h', bytes / 2);
    ::mprotect(static_cast<char *>(memory) + bytes / 2, bytes / 2, PROT_NONE);
    return {static_cast<char *>(memory), [bytes](char *data) { ::munmap(data, bytes); }};
}

} // namespace

class tst_TrafficLog final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A large body goes out on the log's own thread: the next block and close() wait for it,
    // and its outcome is told once, whether something waited for it or not.
    void largeBlockKeepsItsPlace()
    {
        QTemporaryDir dir;
        const QByteArray body(TrafficLog::BackgroundBytes, 'x');
        QStringList told;
        const auto tell = [&told](const Result<> &written) {
            told << (written ? u"ok"_s : written.reason());
        };
        TrafficLog log;
        QVERIFY(log.create(dir.filePath(u"log"_s)).ok());
        log.writeBlockSharing("big", body, tell);
        QVERIFY(log.writeBlock({"next"}).ok());
        log.writeBlockSharing("big", body, tell);
        QTRY_COMPARE(told, QStringList({u"ok"_s, u"ok"_s}));
        log.writeBlockSharing("small", "s", tell);
        log.close();
        QCOMPARE(told, QStringList({u"ok"_s, u"ok"_s, u"ok"_s}));
        QCOMPARE(fileBytes(dir.filePath(u"log"_s)),
                 block("big", body) + "next\r\n" + block("big", body) + block("small", "s"));

        // Not a regular file: written as it comes, and the device's refusal is told.
        QVERIFY(log.create(u"/dev/full"_s).ok());
        log.writeBlockSharing("big", body, tell);
        QCOMPARE(log.finishWriting().reason(), reasonOf(ENOSPC));
        QCOMPARE(told.last(), reasonOf(ENOSPC));
    }

    // Large blocks leave memory once they are on the disk: of three blocks of 40 MiB, no more
    // than the last window and chunk stay in the page cache.
    void largeBlocksLeaveMemory()
    {
        QTemporaryDir dir;
        struct statfs system = {};
        constexpr decltype(system.f_type) kTmpfs = 0x01021994, kRamfs = 0x858458f6;
        if (::statfs(QFile::encodeName(dir.path()).constData(), &system) != 0
            || system.f_type == kTmpfs || system.f_type == kRamfs)
            QSKIP("the temporary folder is in memory: its files are never on a disk");
        const QString path = dir.filePath(u"log"_s);
        const QByteArray body(40 << 20, 'x');
        TrafficLog log;
        QVERIFY(log.create(path).ok());
        for (int i = 0; i < 3; ++i)
            log.writeBlockSharing("big", body);
        log.close();

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const qint64 size = file.size();
        QCOMPARE(size, 3 * (body.size() + 7));
        uchar *mapped = file.map(0, size); // shared and read-only: the page cache itself
        QVERIFY(mapped);
        const qint64 page = ::sysconf(_SC_PAGESIZE);
        const qint64 dropped = size - WriteBehind::WindowBytes - WriteBehind::ChunkBytes;
        std::vector<unsigned char> resident(size_t(dropped / page));
        QCOMPARE(::mincore(mapped, resident.size() * size_t(page), resident.data()), 0);
        const auto kept = std::count_if(resident.begin(), resident.end(),
                                        [](unsigned char pageIn) { return pageIn & 1; });
        QVERIFY2(kept < qint64(resident.size()) / 10,
                 qPrintable(u"%1 of %2 pages kept"_s.arg(kept).arg(resident.size())));
    }

    // A block that cannot be written whole is cut off again, and the blocks after it are written
    // as usual. (The request tests' full disk meets a file size limit the same way.)
    void failedBlockIsCutOff_data()
    {
        QTest::addColumn<qsizetype>("bodySize"); // the kernel stops reading it halfway
        QTest::newRow("write stopped halfway") << qsizetype(64 * 4096); // at a page
        QTest::newRow("write stopped halfway, on the log's thread") << TrafficLog::BackgroundBytes;
    }

    void failedBlockIsCutOff()
    {
        QFETCH(qsizetype, bodySize);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Data_Text.txt"_s);
        TrafficLog log;
        QVERIFY(log.create(path).ok());
        QVERIFY(log.writeBlock({"---Data Transmitted---", "first"}).ok());
        const QByteArray before = fileBytes(path);

        const std::shared_ptr<char> memory = halfReadable(bodySize);
        Result<> outcome = Failure{u"not told"_s};
        log.writeBlockSharing("---Data Received---",
                              QByteArray::fromRawData(memory.get(), bodySize),
                              [&outcome](const Result<> &written) { outcome = written; });
        (void)log.finishWriting();
        QCOMPARE(outcome.reason(), reasonOf(EFAULT));
        QCOMPARE(fileBytes(path), before);
        QVERIFY(log.writeBlock({"---Data Transmitted---", "next"}).ok());
        log.close();
        QCOMPARE(fileBytes(path), before + block("---Data Transmitted---", "next"));
    }

    // A previous run's log that does not end in CR LF ends in a torn block: standard error says
    // so. Emptied, or kept when added to (the command-line --log), and the new blocks follow.
    void previousRunsLog_data()
    {
        QTest::addColumn<QByteArray>("left"); // null: no log
        QTest::addColumn<bool>("append");
        QTest::addColumn<QString>("warning");  // how the warning ends; empty: none
        QTest::addColumn<QByteArray>("after"); // once "next" is written
        const auto row = [](const char *name, const QByteArray &left, bool append,
                            const QString &warning, const QByteArray &after = "next\r\n") {
            QTest::newRow(name) << left << append << warning << after;
        };
        const QString emptied = u"The log is emptied now."_s;
        const QByteArray torn = block("---Data Received---", "{}") + "---Data Rec"
            + QByteArray(5, '\0');
        row("no log", {}, false, {});
        row("empty", "", false, {});
        row("whole blocks", block("---Data Received---", "{}"), false, {});
        row("room of a block partly written",
            "---Data Received---\r\n{\"a\": 1}\r\n" + QByteArray(9, '\0'), false, emptied);
        row("one byte", "-", false, emptied);
        row("a CR at the end", "x\r", false, emptied);
        row("a lone LF at the end", "x\n", false, emptied);
        row("appended after a torn block", torn, true, u"New blocks follow it."_s,
            torn + "next\r\n");
    }

    void previousRunsLog()
    {
        QFETCH(QByteArray, left);
        QFETCH(bool, append);
        QFETCH(QString, warning);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Data_Text.txt"_s);
        QVERIFY(left.isNull() || writeFileBytes(path, left));
        if (warning.isEmpty())
            QTest::failOnWarning(QRegularExpression(u"."_s));
        else
            QTest::ignoreMessage(QtWarningMsg, qPrintable(kTornWarning.arg(path) + warning));
        TrafficLog log;
        QVERIFY((append ? log.append(path) : log.create(path)).ok());
        QVERIFY(log.writeBlock({"next"}).ok());
        log.close();
        QCOMPARE(fileBytes(path), after);
    }

    // A log is made by one copy of the program at a time: a second copy is refused and empties
    // nothing, and a run that adds to it waits a while, then gives that block up rather than
    // hang. Once the first has closed it, both may go on.
    void heldLogIsLocked()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Data_Text.txt"_s);
        const QString inUse = u"in use by another copy of this program"_s;
        TrafficLog window, second, run;
        QVERIFY(window.create(path).ok());
        QVERIFY(window.writeBlock({"window"}).ok());
        QCOMPARE(second.create(path).reason(), inUse);
        QVERIFY(!second.isOpen());
        QVERIFY(run.append(path, std::chrono::milliseconds(100)).ok());
        QCOMPARE(run.writeBlock({"run"}).reason(), inUse);
        QVERIFY(window.writeBlock({"more"}).ok());
        window.close();
        QVERIFY(run.writeBlock({"run"}).ok());
        QCOMPARE(fileBytes(path), "window\r\nmore\r\nrun\r\n");
        QVERIFY(second.create(path).ok());
        QCOMPARE(fileBytes(path), QByteArray());
    }

    // Two runs adding to one log at once keep every block of each, whole: each block goes at
    // the file's end as it stands under the lock, large ones (the log's own thread) too.
    void parallelAppendersKeepEveryBlock()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"shared.log"_s);
        constexpr int kBlocks = 200;
        std::vector<std::unique_ptr<QProcess>> writers;
        for (const char *name : {"A", "B"}) {
            writers.push_back(std::make_unique<QProcess>());
            writers.back()->start(
                QCoreApplication::applicationFilePath(),
                {u"--append"_s, path, QString::fromLatin1(name), QString::number(kBlocks)});
        }
        for (const auto &writer : writers) {
            QVERIFY(writer->waitForFinished(60000));
            QCOMPARE(writer->exitCode(), 0);
        }
        // The log read block by block: each is one of the runs' blocks, whole, and each comes
        // once.
        const QByteArray log = fileBytes(path);
        QSet<QByteArray> seen;
        for (qsizetype at = 0; at < log.size();) {
            const qsizetype headingEnd = log.indexOf("---\r\n", at + 3);
            QVERIFY2(log.sliced(at).startsWith("---") && headingEnd > at,
                     qPrintable(u"no block at %1"_s.arg(at)));
            const QByteArray name = log.sliced(at + 3, 1);
            const QByteArray number = log.sliced(at + 4, headingEnd - at - 4);
            const QByteArray expected = appenderBlock(name, number.toInt());
            QVERIFY2(QByteArrayView(log).sliced(at).startsWith(expected),
                     (name + number).constData());
            QVERIFY(!seen.contains(name + number));
            seen.insert(name + number);
            at += expected.size();
        }
        QCOMPARE(seen.size(), 2 * kBlocks);
    }

    // A child writing large blocks is killed in the middle of one: the blocks before it are
    // whole and the torn one is told apart as previousRunsLog's rows are: it has no closing
    // CR LF, and its room ends in NUL bytes.
    void killedWriterTearsOnlyTheLastBlock()
    {
        constexpr int bodySize = 32 * 1024 * 1024;
        const QByteArray whole = block("---Data Received---", QByteArray(bodySize, 'b'));
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Data_Text.txt"_s);
        // The writer kills itself once it sees half of the block stored; on a loaded machine the
        // write may be over by then, and the run is made again.
        bool torn = false;
        for (int run = 0; run < 8 && !torn; ++run) {
            QProcess writer;
            writer.start(QCoreApplication::applicationFilePath(),
                         {u"--write"_s, path, QString::number(bodySize)});
            QVERIFY(writer.waitForFinished(60000));
            if (writer.exitStatus() == QProcess::NormalExit && writer.exitCode() == kNotWatched)
                continue;
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

            // The room of a block is there whole from the start: the log is whole rooms.
            const QByteArray log = fileBytes(path);
            QCOMPARE(log.size(), 3 * whole.size());
            QCOMPARE(log.first(2 * whole.size()), whole.repeated(2));
            const QByteArray last = log.sliced(2 * whole.size());
            if (last == whole)
                continue;
            // The torn one is filled from its front, then NUL bytes: it never ends in CR LF.
            torn = true;
            const qsizetype filled = last.indexOf('\0');
            QVERIFY2(filled >= 0, qPrintable(u"torn block of %1 bytes"_s.arg(last.size())));
            QCOMPARE(last.first(filled), whole.first(filled));
            QCOMPARE(last.sliced(filled), QByteArray(last.size() - filled, '\0'));
        }
        if (!torn)
            QSKIP("every kill came after the block was written: the machine is too busy");
    }
};

// Bytes of the file that hold data: the room of a block is a hole until its bytes go in.
static qint64 bytesStored(const char *path)
{
    struct stat status = {};
    return ::stat(path, &status) == 0 ? qint64(status.st_blocks) * 512 : -1;
}

// Started as "--write FILE SIZE", the program is the writer that is killed: it writes two
// blocks of that size, then kills itself with SIGKILL, as an operator's kill would, once the
// log's thread has written half of the next (or exits with kNotWatched if it cannot tell).
// Started as "--append FILE NAME COUNT", it adds COUNT blocks to FILE as one run of the
// command-line client does.
int main(int argc, char *argv[])
{
    if (argc == 5 && qstrcmp(argv[1], "--append") == 0) {
        TrafficLog log;
        if (!log.append(QString::fromLocal8Bit(argv[2])))
            return 1;
        for (int i = 0; i < QByteArray(argv[4]).toInt(); ++i) {
            const QByteArray written = appenderBlock(argv[3], i);
            const qsizetype heading = written.indexOf("\r\n");
            Result<> outcome;
            log.writeBlockSharing(written.first(heading),
                                  written.sliced(heading + 2, written.size() - heading - 4),
                                  [&outcome](const Result<> &result) { outcome = result; });
            if (!log.finishWriting() || !outcome)
                return 2;
        }
        return 0;
    }
    if (argc == 4 && qstrcmp(argv[1], "--write") == 0) {
        TrafficLog log;
        const QByteArray body(QByteArray(argv[3]).toInt(), 'b');
        if (!log.create(QString::fromLocal8Bit(argv[2])))
            return 1;
        for (int block = 0; block < 3; ++block) {
            const qint64 half = bytesStored(argv[2]) + body.size() / 2;
            bool written = false;
            log.writeBlockSharing("---Data Received---", body,
                                  [&written](const Result<> &) { written = true; });
            // The log's thread is watched until half of the last block is on the disk; told
            // the block's outcome, it was too quick to be seen.
            QElapsedTimer watched;
            watched.start();
            while (block == 2 && watched.elapsed() < 10000) {
                if (bytesStored(argv[2]) >= half)
                    ::raise(SIGKILL);
            }
            if (!log.finishWriting() || !written)
                return 1;
        }
        return kNotWatched;
    }
    QCoreApplication app(argc, argv);
    tst_TrafficLog test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_trafficlog.moc"
