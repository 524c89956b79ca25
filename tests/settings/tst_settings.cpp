#include "settings/Settings.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

class tst_Settings final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startAndClose_data();
    void startAndClose();
    void failedWriteKeepsTheOldFile();
};

void tst_Settings::startAndClose_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file yet
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("after");
    const QByteArray ip = "[IP]\r\nAddress=";
    const QByteArray notes = "; notes\n[Other]\nAddress=1\n\n[ip]\r\n;Address=3\r\nPort=81\r\n";

    QTest::newRow("no file; CR LF becomes two spaces")
        << QByteArray() << u"127.0.0.1"_s << u"10.0.0.5\r\nx"_s << ip + "10.0.0.5  x\r\n";
    QTest::newRow("no key in the section; key added at its end")
        << QByteArray("[Other]\r\nAddress=1\r\n[IP]\r\nA=1\r\n\r\n[X]") << u"127.0.0.1"_s << u"2"_s
        << QByteArray("[Other]\r\nAddress=1\r\n[IP]\r\nA=1\r\nAddress=2\r\n\r\n[X]");
    QTest::newRow("no section; section added at the end")
        << QByteArray("[X]\r\nA=1") << u"127.0.0.1"_s << u"1"_s << "[X]\r\nA=1\r\n" + ip + "1\r\n";
    QTest::newRow("names ignore case; comments, other sections and line ends kept")
        << notes + "ADDRESS = 2\r\n[Last]\r\nX=1" << u"2"_s << u"1"_s
        << notes + "Address=1\r\n[Last]\r\nX=1";
    QTest::newRow("300 characters read back as 254")
        << ip + QByteArray(300, 'x') << QString(254, u'x') << u"1"_s << ip + "1";
    QTest::newRow("quotes around the address kept")
        << QByteArray() << u"127.0.0.1"_s << u"'a'"_s << ip + "\"'a'\"\r\n";
    QTest::newRow("empty address stored empty")
        << ip + "1\r\n" << u"1"_s << QString() << ip + "\r\n";
}

// Read at start, typed into, written at close, read again at the next start.
void tst_Settings::startAndClose()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, shown);
    QFETCH(QString, typed);
    QFETCH(QByteArray, after);
    QTemporaryDir dir;
    const QString path = SettingsFilePath(dir.path());
    QVERIFY(before.isNull() || writeFileBytes(path, before));
    QLineEdit txtIP;
    LoadSettings(txtIP, dir.path());
    QCOMPARE(txtIP.text(), shown);
    txtIP.setText(typed);
    SaveSettings(txtIP, dir.path());
    QCOMPARE(fileBytes(path), after);
    LoadSettings(txtIP, dir.path());
    QCOMPARE(txtIP.text(), QString(typed).replace(u'\r', u' ').replace(u'\n', u' '));
}

void tst_Settings::failedWriteKeepsTheOldFile()
{
    // A file-size limit fails the write part way, as a full disk would.
    QTemporaryDir dir;
    const QString path = SettingsFilePath(dir.path());
    const QByteArray old = "[IP]\r\nAddress=1\r\n";
    QVERIFY(writeFileBytes(path, old));
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const rlimit small{64, saved.rlim_max};
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    SaveSettings(QLineEdit(QString(100, u'x')), dir.path());
    setrlimit(RLIMIT_FSIZE, &saved);
    QCOMPARE(fileBytes(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

QTEST_MAIN(tst_Settings)
#include "tst_settings.moc"
