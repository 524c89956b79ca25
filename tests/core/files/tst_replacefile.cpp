#include "FileKinds.h"
#include "files/ReplaceFile.h"

#include <QIODevice>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

Result<> writeNew(const QString &path)
{
    return replaceFile(path, [](QIODevice &file) { return file.write("new") == 3; });
}

// The kind of what stands at path now, link followed: S_IFREG, S_IFIFO, ...
uint kindAt(const QString &path)
{
    struct stat status = {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & S_IFMT : 0;
}

} // namespace

Q_DECLARE_METATYPE(FileKind)

// A file is replaced whole or not at all, and only a regular file is replaced: a device or a
// FIFO renamed over would be a system file destroyed (--junit /dev/null run as root).
class tst_ReplaceFile final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replace_data()
    {
        QTest::addColumn<FileKind>("kind");
        QTest::addColumn<QString>("reason"); // empty: replaced
        QTest::addColumn<uint>("after");     // the kind at the name afterwards
        const QString notRegular = u"it is not a regular file but "_s;
        QTest::newRow("missing") << FileKind::Missing << QString() << uint(S_IFREG);
        QTest::newRow("regular") << FileKind::Regular << QString() << uint(S_IFREG);
        QTest::newRow("a link to a regular file")
            << FileKind::LinkToRegular << QString() << uint(S_IFREG);
        QTest::newRow("a FIFO") << FileKind::Fifo << notRegular + u"a FIFO"_s << uint(S_IFIFO);
        QTest::newRow("a link to a FIFO")
            << FileKind::LinkToFifo << notRegular + u"a FIFO"_s << uint(S_IFIFO);
        QTest::newRow("a character device of our own")
            << FileKind::CharacterDevice << notRegular + u"a character device"_s << uint(S_IFCHR);
        QTest::newRow("a folder") << FileKind::Folder << notRegular + u"a folder"_s
                                  << uint(S_IFDIR);
    }

    void replace()
    {
        QFETCH(FileKind, kind);
        QFETCH(QString, reason);
        QFETCH(uint, after);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"report.xml"_s);
        if (!makeFileKind(path, kind, "old"))
            QSKIP("making a device node needs root");
        QCOMPARE(writeNew(path).reason(), reason);
        QCOMPARE(kindAt(path), after);
        if (reason.isEmpty())
            QCOMPARE(fileBytes(path), "new");
        // A link stays a link, and its file gets the bytes.
        if (kind == FileKind::LinkToRegular)
            QCOMPARE(QFileInfo(path).symLinkTarget(), dir.filePath(u"target"_s));
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
        QVERIFY(!replaceFile(path, [](QIODevice &file) { return file.write("half") < 0; }));
        QCOMPARE(fileBytes(path), "old");
    }
};

QTEST_GUILESS_MAIN(tst_ReplaceFile)
#include "tst_replacefile.moc"
