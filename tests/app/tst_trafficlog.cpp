#include "FileBytes.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

class tst_TrafficLog final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedWriterLeavesWholeBlocks_data()
    {
        QTest::addColumn<int>("bodySize");
        QTest::addColumn<int>("blocksBeforeKill");
        for (const int size : {70000, 300000}) {
            for (int blocks = 1; blocks <= 25; ++blocks)
                QTest::addRow("%d-byte bodies, killed after %d blocks", size, blocks) << size << blocks;
        }
    }

    // A process killed while it writes leaves each block whole or absent. The one exception is a
    // write the kernel itself cuts short when the kill arrives in it: that stops at a page
    // boundary of the file, never at a record's edge.
    void killedWriterLeavesWholeBlocks()
    {
        QFETCH(int, bodySize);
        QFETCH(int, blocksBeforeKill);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Data_Text.txt"_s);
        QProcess writer;
        writer.start(QStringLiteral(TRAFFIC_LOG_WRITER), {path, QString::number(bodySize)});
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

QTEST_GUILESS_MAIN(tst_TrafficLog)
#include "tst_trafficlog.moc"
