#include "FileKinds.h"
#include "files/RegularFile.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(FileKind)

// Every file an operator names is read without blocking, only when it is a regular file, and
// only up to its cap: none may freeze the window or end the program.
class tst_RegularFile final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void read_data()
    {
        QTest::addColumn<FileKind>("kind"); // a character device: the system's /dev/zero
        QTest::addColumn<qint64>("size");   // of a regular file
        QTest::addColumn<qint64>("cap");
        QTest::addColumn<bool>("missingIsEmpty");
        QTest::addColumn<QString>("reason"); // empty: read whole
        const auto row = [](const char *name, FileKind kind, qint64 size, qint64 cap,
                            const QString &reason, bool missingIsEmpty = false) {
            QTest::newRow(name) << kind << size << cap << missingIsEmpty << reason;
        };
        const qint64 mib = 1024 * 1024;
        const QString notRegular = u"it is not a regular file but "_s;
        row("regular, empty", FileKind::Regular, 0, mib, {});
        row("regular, at the cap", FileKind::Regular, mib, mib, {});
        row("regular, a byte over the cap", FileKind::Regular, mib + 1, mib,
            u"it is larger than 1 MiB"_s);
        row("regular, small under a cap of 2 GiB", FileKind::Regular, 10, qint64(2) << 30, {});
        row("a link to a regular file", FileKind::LinkToRegular, 10, mib, {});
        row("missing", FileKind::Missing, 0, mib, u"No such file or directory"_s);
        row("missing, taken as empty", FileKind::Missing, 0, mib, {}, true);
        row("a FIFO", FileKind::Fifo, 0, mib, notRegular + u"a FIFO"_s);
        row("a link to a FIFO", FileKind::LinkToFifo, 0, mib, notRegular + u"a FIFO"_s);
        row("/dev/zero", FileKind::CharacterDevice, 0, mib, notRegular + u"a character device"_s);
        row("a folder", FileKind::Folder, 0, mib, notRegular + u"a folder"_s);
    }

    void read()
    {
        QFETCH(FileKind, kind);
        QFETCH(qint64, size);
        QFETCH(qint64, cap);
        QFETCH(bool, missingIsEmpty);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        // The device is only read, never written: the system's own will do.
        const bool device = kind == FileKind::CharacterDevice;
        const QString path = device ? u"/dev/zero"_s : dir.filePath(u"file"_s);
        const QByteArray bytes(size, 'b');
        QVERIFY(device || makeFileKind(path, kind, bytes));
        const Result<QByteArray> read =
            readRegularFile(path, cap, missingIsEmpty ? WhenMissing::Empty : WhenMissing::Fails);
        QCOMPARE(read.reason(), reason);
        if (reason.isEmpty())
            QCOMPARE(*read, kind == FileKind::Missing ? QByteArray() : bytes);
    }

    // A file that grows after it was measured is still refused past its cap.
    void fileGrowingWhileRead()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"growing"_s);
        QVERIFY(writeFileBytes(path, "1234"));
        QFile writer(path);
        QVERIFY(writer.open(QIODevice::Append));
        QCOMPARE(*readRegularFile(path, 8), "1234");
        QCOMPARE(writer.write("56789"), 5);
        QVERIFY(writer.flush());
        QCOMPARE(readRegularFile(path, 8).reason(), u"it is larger than 8 bytes"_s);
    }

    void sizeText_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("bytes") << qint64(1023) << u"1023 bytes"_s;
        QTest::newRow("KiB") << qint64(1024) << u"1 KiB"_s;
        QTest::newRow("not a whole MiB") << qint64(1024 * 1024 + 1024) << u"1025 KiB"_s;
        QTest::newRow("MiB") << qint64(1024 * 1024) << u"1 MiB"_s;
        QTest::newRow("GiB") << (qint64(2) << 30) << u"2 GiB"_s;
    }

    void sizeText()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(::sizeText(bytes), text);
    }
};

QTEST_GUILESS_MAIN(tst_RegularFile)
#include "tst_regularfile.moc"
