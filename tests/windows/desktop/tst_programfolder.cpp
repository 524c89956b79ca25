#include "desktop/AppEnvironment.h"
#include "desktop/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <iostream>
#include <string>

using namespace Qt::StringLiterals;

class tst_ProgramFolder final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void executableFolder_data()
    {
        QTest::addColumn<QString>("applicationDir");
        QTest::addColumn<QString>("startedFile");
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<QString>("folder"); // or the reason none can be known
        QTest::newRow("Qt knows it")
            << u"/opt/talus"_s << u"/opt/talus/talus-test-app"_s << false << u"/opt/talus"_s;
        QTest::newRow("file deleted: the folder the start resolved")
            << QString() << u"/home/u/build/src/talus-test-app"_s << true << u"/home/u/build/src"_s;
        QTest::newRow("Qt gives none, the start resolved one")
            << QString() << u"/tmp/x y/talus-test-app"_s << false << u"/tmp/x y"_s;
        QTest::newRow("neither") << QString() << QString() << false
                                 << u"The program's folder cannot be known: the system names "
                                    "no file for this program"_s;
    }

    void executableFolder()
    {
        QFETCH(QString, applicationDir);
        QFETCH(QString, startedFile);
        QFETCH(bool, deleted);
        QFETCH(QString, folder);
        const Result<QString> found =
            ::executableFolder(applicationDir, ProgramFile{startedFile.toStdString(), deleted});
        QCOMPARE(found ? found.value() : found.reason(), folder);
    }

    void programFolder_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("folder");
        const QString bin = QDir::tempPath() + u"/talus-prefix/bin"_s, data = u"/data/talus"_s;
        QTest::newRow("installed") << bin << data;
        QTest::newRow("installed, path not clean") << bin + u"/../bin/"_s << data;
        QTest::newRow("elsewhere, though its name starts alike") << bin + u"2"_s << bin + u"2"_s;
    }

    void programFolder()
    {
        QFETCH(QString, executable);
        QFETCH(QString, folder);
        const QStringList installedBins{u"/usr/bin"_s, QDir::tempPath() + u"/talus-prefix/bin"_s};
        QCOMPARE(chooseProgramFolder(executable, installedBins, u"/data/talus"_s), folder);
    }

    // A copy of this program is started, its file deleted, and only then asked for its folder.
    void deletedProgramFile()
    {
        QTemporaryDir dir;
        const QString copy = dir.filePath(u"talus-copy"_s);
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
        QProcess child;
        child.start(copy, {u"--folder-after-delete"_s});
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForReadyRead(30000));
        QCOMPARE(child.readLine(), "resolved\n");
        QVERIFY(QFile::remove(copy));
        child.write("go\n");
        child.closeWriteChannel();
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.readAllStandardOutput(),
                 "Qt: \nprogram folder: " + QFile::encodeName(dir.path()) + "\n");
    }
};

// Started as "--folder-after-delete", the program resolves its file as main() does, waits until
// its parent has deleted it, and prints the folders Qt and the environment then give.
int main(int argc, char *argv[])
{
    if (argc == 2 && qstrcmp(argv[1], "--folder-after-delete") == 0) {
        (void)startedProgramFile();
        std::cout << "resolved" << std::endl;
        std::string go;
        std::getline(std::cin, go);
        QCoreApplication app(argc, argv);
        const Result<AppEnvironment> env = AppEnvironment::system();
        std::cout << "Qt: " << qPrintable(QCoreApplication::applicationDirPath())
                  << "\nprogram folder: "
                  << qPrintable(env ? env->programFolder : u"none: "_s + env.reason()) << std::endl;
        return 0;
    }
    QCoreApplication app(argc, argv);
    tst_ProgramFolder test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_programfolder.moc"
