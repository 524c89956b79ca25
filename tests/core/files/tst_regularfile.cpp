#include "FileBytes.h"
#include "files/RegularFile.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// What a row's name stands for, made in the test's folder.
enum class Kind { Missing, Regular, Fifo, Folder, DevZero, LinkToFifo, LinkToRegular };

} // namespace

Q_DECLARE_METATYPE(Kind)

// Every file an operator names is read without blocking, only when it is a regular file, and
// only up to its cap: none may freeze the window or end the program.
class tst_RegularFile final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void read_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<qint64>("size"); // of a regular file
        QTest::addColumn<qint64>("cap");
        QTest::addColumn<bool>("missingIsEmpty");
        QTest::addColumn<QString>("reason"); // empty: read whole
        const auto row = [](const char *name, Kind kind, qint64 size, qint64 cap,
                            const QString &reason, bool missingIsEmpty = false) {
            QTest::newRow(name) << kind << size << cap << missingIsEmpty << reason;
        };
        const qint64 mib = 1024 * 1024;
        row("regular, empty", Kind::Regular, 0, mib, {});
        row("regular, at the cap", Kind::Regular, mib, mib, {});
        row("regular, a byte over the cap", Kind::Regular, mib + 1, mib,
            u"it is larger than 1 MiB"_s);
        row("regular, small under a cap of 2 GiB", Kind::Regular, 10, qint64(2) << 30, {});
        row("a link to a regular file", Kind::LinkToRegular, 10, mib, {});
        row("missing", Kind::Missing, 0, mib, u"No such file or directory"_s);
        row("missing, taken as empty", Kind::Missing, 0, mib, {}, true);
        row("a FIFO", Kind::Fifo, 0, mib, u"it is not a regular file but a FIFO"_s);
        row("a link to a FIFO", Kind::LinkToFifo, 0, mib, u"it is not a regular file but a FIFO"_s);
        row("/dev/zero", Kind::DevZero, 0, mib,
            u"it is not a regular file but a character device"_s);
        row("a folder", Kind::Folder, 0, mib, u"it is not a regular file but a folder"_s);
    }

    void read()
    {
        QFETCH(Kind, kind);
        QFETCH(qint64, size);
        QFETCH(qint64, cap);
        QFETCH(bool, missingIsEmpty);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = kind == Kind::DevZero ? u"/dev/zero"_s : dir.filePath(u"file"_s);
        const QByteArray bytes(size, 'b');
        const QString target = dir.filePath(u"target"_s);
        switch (kind) {
        case Kind::Regular:
            QVERIFY(writeFileBytes(path, bytes));
            break;
        case Kind::LinkToRegular:
            QVERIFY(writeFileBytes(target, bytes));
            QVERIFY(QFile::link(target, path));
            break;
        case Kind::Fifo:
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            break;
        case Kind::LinkToFifo:
            QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0600), 0);
            QVERIFY(QFile::link(target, path));
            break;
        case Kind::Folder:
            QVERIFY(QDir(dir.path()).mkdir(u"file"_s));
            break;
        case Kind::Missing:
        case Kind::DevZero:
            break;
        }
        const Result<QByteArray> read =
            readRegularFile(path, cap, missingIsEmpty ? WhenMissing::Empty : WhenMissing::Fails);
        QCOMPARE(read.reason(), reason);
        if (reason.isEmpty())
            QCOMPARE(*read, kind == Kind::Missing ? QByteArray() : bytes);
    }

    // A file that grows after it was measured is still refused past its cap, and one that is
    // read while a writer holds it open is read as far as it stands.
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
