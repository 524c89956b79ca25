#include "FileBytes.h"
#include "files/ReplaceFile.h"

#include <QDir>
#include <QIODevice>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

enum class Kind { Missing, Regular, LinkToRegular, Fifo, LinkToFifo, CharacterDevice, Folder };

Result<> writeNew(const QString &path)
{
    return replaceFile(path, [](QIODevice &file) { return file.write("new") == 3; });
}

// The kind of what stands at path now, link followed: S_IFREG, S_IFIFO, ...
mode_t kindAt(const QString &path)
{
    struct stat status = {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & S_IFMT : 0;
}

} // namespace

Q_DECLARE_METATYPE(Kind)

// A file is replaced whole or not at all, and only a regular file is replaced: a device or a
// FIFO renamed over would be a system file destroyed (--junit /dev/null run as root).
class tst_ReplaceFile final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replace_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("reason"); // empty: replaced
        QTest::addColumn<uint>("after");     // the kind at the name afterwards
        QTest::newRow("missing") << Kind::Missing << QString() << uint(S_IFREG);
        QTest::newRow("regular") << Kind::Regular << QString() << uint(S_IFREG);
        QTest::newRow("a link to a regular file")
            << Kind::LinkToRegular << QString() << uint(S_IFREG);
        QTest::newRow("a FIFO") << Kind::Fifo << u"it is not a regular file but a FIFO"_s
                                << uint(S_IFIFO);
        QTest::newRow("a link to a FIFO")
            << Kind::LinkToFifo << u"it is not a regular file but a FIFO"_s << uint(S_IFIFO);
        QTest::newRow("a character device of our own")
            << Kind::CharacterDevice << u"it is not a regular file but a character device"_s
            << uint(S_IFCHR);
        QTest::newRow("a folder") << Kind::Folder << u"it is not a regular file but a folder"_s
                                  << uint(S_IFDIR);
    }

    void replace()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, reason);
        QFETCH(uint, after);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"report.xml"_s);
        const QString target = dir.filePath(u"target"_s);
        switch (kind) {
        case Kind::Regular:
            QVERIFY(writeFileBytes(path, "old"));
            break;
        case Kind::LinkToRegular:
            QVERIFY(writeFileBytes(target, "old"));
            QVERIFY(QFile::link(target, path));
            break;
        case Kind::Fifo:
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            break;
        case Kind::LinkToFifo:
            QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0600), 0);
            QVERIFY(QFile::link(target, path));
            break;
        case Kind::CharacterDevice:
            // The null device's numbers, in a folder of the test's own: never the system's.
            if (::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
                QSKIP("making a device node needs root");
            break;
        case Kind::Folder:
            QVERIFY(QDir(dir.path()).mkdir(u"report.xml"_s));
            break;
        case Kind::Missing:
            break;
        }
        QCOMPARE(writeNew(path).reason(), reason);
        QCOMPARE(uint(kindAt(path)), after);
        if (reason.isEmpty())
            QCOMPARE(fileBytes(path), "new");
        // A link stays a link, and its file gets the bytes.
        if (kind == Kind::LinkToRegular)
            QCOMPARE(QFileInfo(path).symLinkTarget(), target);
        // Nothing is left beside it.
        QCOMPARE(QDir(dir.path())
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                     .filter(u"report.xml."_s),
                 QStringList());
    }

    // A write that falls short leaves the old file whole.
    void failedWriteKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"report.xml"_s);
        QVERIFY(writeFileBytes(path, "old"));
        const Result<> written = replaceFile(path, [](QIODevice &file) {
            file.write("half");
            return false;
        });
        QVERIFY(!written);
        QCOMPARE(fileBytes(path), "old");
    }
};

QTEST_GUILESS_MAIN(tst_ReplaceFile)
#include "tst_replacefile.moc"
