#include "FileBytes.h"
#include "traffic/TrafficLog.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

using namespace Qt::StringLiterals;

class tst_TrafficLog final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A large body goes out on the log's own thread: the next block and close() wait for it,
    // and its failure is reported at the next call.
    void largeBlockKeepsItsPlace()
    {
        QTemporaryDir dir;
        const QByteArray body(TrafficLog::BackgroundBytes, 'x');
        TrafficLog log;
        QVERIFY(log.create(dir.filePath(u"log"_s), nullptr));
        QVERIFY(log.writeBlockSharing("big", body));
        QVERIFY(log.writeBlock({"next"}));
        QVERIFY(log.writeBlockSharing("big", body));
        log.close();
        QCOMPARE(fileBytes(dir.filePath(u"log"_s)),
                 "big\r\n" + body + "\r\nnext\r\nbig\r\n" + body + "\r\n");

        QVERIFY(log.create(u"/dev/full"_s, nullptr));
        QVERIFY(log.writeBlockSharing("big", body));
        QVERIFY(!log.finishWriting());
        QCOMPARE(log.errorString(), QString::fromLocal8Bit(std::strerror(ENOSPC)));
    }

    // Bodies bigger than a page and than any buffer, so that the kill can land inside a block.
    void killedWriterLeavesWholeBlocks_data()
    {
        QTest::addColumn<int>("bodySize");
        QTest::addColumn<int>("blocksBeforeKill");
        for (const int size : {70000, 300000}) {
            for (int blocks = 1; blocks <= 25; ++blocks)
                QTest::addRow("%d-byte bodies, killed after %d blocks", size, blocks)
                    << size << blocks;
        }
    }

    // Each block is whole or absent, except a write the kernel itself cuts short when the kill
    // arrives in it: that stops at a page boundary of the file, never at a record's edge.
    void killedWriterLeavesWholeBlocks()
    {
        QFETCH(int, bodySize);
        QFETCH(int, blocksBeforeKill);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Data_Text.txt"_s);
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(),
                     {u"--write"_s, path, QString::number(bodySize)});
        QVERIFY(writer.waitForStarted());
        while (writer.bytesAvailable() < blocksBeforeKill)
            QVERIFY(writer.waitForReadyRead(10000));
        ::kill(pid_t(writer.processId()), SIGKILL);
        QVERIFY(writer.waitForFinished(10000));

        const QByteArray log = fileBytes(path);
        const QByteArray block = "---Data Received---\r\n" + QByteArray(bodySize, 'b') + "\r\n";
        const qsizetype whole = log.size() / block.size();
        QVERIFY(whole >= blocksBeforeKill);
        QCOMPARE(log.first(whole * block.size()), block.repeated(whole));
        const QByteArray rest = log.sliced(whole * block.size());
        if (!rest.isEmpty()) {
            QVERIFY2(log.size() % 4096 == 0, qPrintable(u"torn at %1"_s.arg(log.size())));
            QVERIFY(block.startsWith(rest));
        }
    }
};

// Started as "--write FILE SIZE", the program is the writer the test kills: it writes blocks of one
// size as fast as it can and tells its parent after each.
int main(int argc, char *argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--write") == 0) {
        TrafficLog log;
        const QByteArray body(QByteArray(argv[3]).toInt(), 'b');
        if (!log.create(QString::fromLocal8Bit(argv[2]), nullptr))
            return 1;
        while (log.writeBlock({QByteArrayView("---Data Received---"), body})
               && ::write(STDOUT_FILENO, ".", 1) == 1) {
        }
        return 1;
    }
    QCoreApplication app(argc, argv);
    tst_TrafficLog test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_trafficlog.moc"
