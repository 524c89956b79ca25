#include "FileBytes.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class tst_Settings final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startAndClose_data()
    {
        QTest::addColumn<QByteArray>("before"); // null: no file yet
        QTest::addColumn<QByteArray>("shown");  // as UTF-8, as is typed
        QTest::addColumn<QByteArray>("typedBytes");
        QTest::addColumn<QByteArray>("after");
        const auto row = [](const char *name, const QByteArray &before, const QByteArray &shown,
                            const QByteArray &typed, const QByteArray &after) {
            QTest::newRow(name) << before << shown << typed << after;
        };
        const QByteArray ip = "[IP]\r\nAddress=";
        // Makes the file exactly 1 MiB, the most that is read, before and after.
        const QByteArray line = "X=" + QByteArray((1 << 20) - 21, 'y') + "\r\n";
        const QByteArray notes = "; notes\n[Other]\nAddress=1\n\n[ip]\r\n;Address=3\r\nPort=81\r\n";
        const QByteArray junk("\x00\xff[\x01=\n\r\x7f", 8), other = "[Other]\r\nAddress=1\r\n";
        const QByteArray def = "127.0.0.1";
        row("no file; CR LF becomes two spaces", {}, def, "10.0.0.5\r\nx", ip + "10.0.0.5  x\r\n");
        row("no key in the section; key added at its end", other + "[IP]\r\nA=1\r\n\r\n[X]", def,
            "2", other + "[IP]\r\nA=1\r\nAddress=2\r\n\r\n[X]");
        row("no section; added at end", "[X]\r\nA=1", def, "1", "[X]\r\nA=1\r\n" + ip + "1\r\n");
        row("names ignore case; comments, other sections and line ends kept",
            notes + "ADDRESS = 2\r\n[Last]\r\nX=1", "2", "1", notes + "Address=1\r\n[Last]\r\nX=1");
        row("300 characters read back as 254", ip + QByteArray(300, 'x'), QByteArray(254, 'x'), "1",
            ip + "1");
        row("binary junk kept, section after it", junk, def, "1", junk + "\r\n" + ip + "1\r\n");
        row("a file of exactly 1 MiB", line + ip + "2\r\n", "2", "3", line + ip + "3\r\n");
        row("quotes around the address kept", {}, def, "'a'", ip + "\"'a'\"\r\n");
        row("empty address stored empty", ip + "1\r\n", "1", "", ip + "\r\n");
    }

    // Read at start, typed into, written at close, read again at the next start.
    void startAndClose()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, shown);
        QFETCH(QByteArray, typedBytes);
        QFETCH(QByteArray, after);
        QString typed = QString::fromUtf8(typedBytes);
        QTemporaryDir dir;
        const QString path = settingsFilePath(dir.path());
        QVERIFY(before.isNull() || writeFileBytes(path, before));
        QCOMPARE(LoadSettings(dir.path()), QString::fromUtf8(shown));
        QVERIFY(SaveSettings(typed, dir.path()).ok());
        QCOMPARE(fileBytes(path), after);
        QCOMPARE(LoadSettings(dir.path()), typed.replace(u'\r', u' ').replace(u'\n', u' '));
    }

    // Nowhere to write: the save says why, and the file stays as it was.
    void unsaveable_data()
    {
        QTest::addColumn<QString>("folder"); // DIR: a fresh temporary folder
        QTest::addColumn<bool>("diskFull");  // an old file, and a size limit that cuts the write
        QTest::newRow("the folder cannot be written") << u"/proc/self"_s << false;
        QTest::newRow("the disk is full") << u"DIR"_s << true;
    }

    void unsaveable()
    {
        QFETCH(QString, folder);
        QFETCH(bool, diskFull);
        QTemporaryDir dir;
        folder.replace(u"DIR"_s, dir.path());
        const QString path = settingsFilePath(folder);
        const QByteArray old = "[IP]\r\nAddress=1\r\n";
        QVERIFY(!diskFull || writeFileBytes(path, old));
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const rlimit small{64, saved.rlim_max};
        QVERIFY(!diskFull || setrlimit(RLIMIT_FSIZE, &small) == 0);
        const Result<> written = SaveSettings(QString(100, u'x'), folder);
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!written.ok() && !written.reason().isEmpty());
        QCOMPARE(fileBytes(path), diskFull ? old : QByteArray());
        QVERIFY(!diskFull || QDir(folder).entryList(QDir::Files | QDir::Hidden).size() == 1);
    }

    // Not a settings file at all: the start does not wait on it or read it whole, the address
    // starts as 127.0.0.1 with one line on standard error, and the close leaves the file be.
    void notASettingsFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("why");
        const QString notRegular = u"it is not a regular file but a "_s;
        QTest::newRow("a folder") << u"folder"_s << notRegular + u"folder"_s;
        QTest::newRow("a FIFO") << u"fifo"_s << notRegular + u"FIFO"_s;
        QTest::newRow("a link to /dev/zero") << u"zero"_s << notRegular + u"character device"_s;
        QTest::newRow("1 MiB and one byte") << u"large"_s << u"it is larger than 1 MiB"_s;
    }

    void notASettingsFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, why);
        QTemporaryDir dir;
        const QString path = settingsFilePath(dir.path());
        const QByteArray name = QFile::encodeName(path);
        const QByteArray large = "[IP]\r\nAddress=1\r\n" + QByteArray((1 << 20) - 16, ';');
        if (kind == u"folder")
            QVERIFY(QDir(dir.path()).mkdir(u"ORVA_Test_Application.ini"_s));
        else if (kind == u"fifo")
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        else if (kind == u"zero")
            QCOMPARE(::symlink("/dev/zero", name.constData()), 0);
        else
            QVERIFY(writeFileBytes(path, large));
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(u"The settings file %1 was not read: %2; the address "
                                        "starts as 127.0.0.1"_s.arg(path, why)));
        QCOMPARE(LoadSettings(dir.path()), u"127.0.0.1"_s);
        const Result<> saved = SaveSettings(u"10.0.0.1"_s, dir.path());
        QCOMPARE(saved ? u"saved"_s : saved.reason(), why);
        // None replaced by a regular file; the large one not written to.
        QCOMPARE(QFileInfo(path).isFile() && !QFileInfo(path).isSymLink(), kind == u"large");
        if (kind == u"large")
            QCOMPARE(fileBytes(path), large);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
                 QStringList{u"ORVA_Test_Application.ini"_s});
    }
};

QTEST_MAIN(tst_Settings)
#include "tst_settings.moc"
