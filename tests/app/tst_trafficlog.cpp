#include "app/TrafficLog.h"

#include "FileBytes.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Writes blocks of one size as fast as it can, telling its parent after each, until killed.
int writeUntilKilled(const char *path, const char *bodySize)
{
    TrafficLog log;
    if (!log.create(QString::fromLocal8Bit(path), nullptr))
        return 1;
    const QByteArray body(QByteArray(bodySize).toInt(), 'b');
    while (log.writeBlock({QByteArrayView("---Data Received---"), body})) {
        [[maybe_unused]] const auto told = ::write(STDOUT_FILENO, ".", 1);
    }
    return 1;
}

} // namespace

class tst_TrafficLog final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Bodies bigger than a page and than any buffer, so that the kill can land inside a block.
    void killedWriterLeavesWholeBlocks_data()
    {
        QTest::addColumn<int>("bodySize");
        QTest::addColumn<int>("blocksBeforeKill");
        for (const int size : {70000, 300000}) {
            for (int blocks = 1; blocks <= 25; ++blocks)
                QTest::addRow("%d-byte bodies, killed after %d blocks", size, blocks) << size << blocks;
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
        writer.start(QCoreApplication::applicationFilePath(), {u"--write"_s, path, QString::number(bodySize)});
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

// Started as "--write FILE SIZE" it is the writer the test kills.
int main(int argc, char *argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--write") == 0)
        return writeUntilKilled(argv[2], argv[3]);
    QCoreApplication app(argc, argv);
    tst_TrafficLog test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_trafficlog.moc"
