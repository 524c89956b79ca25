#include "settings/ProfileFile.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

} // namespace

class tst_Settings final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void read_data();
    void read();
    void readMissingFile();
    void write_data();
    void write();
    void writeLeavesNoPartialFile();
    void loadAndSaveRoundTrip_data();
    void loadAndSaveRoundTrip();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
};

void tst_Settings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_file = SettingsFilePath(m_dir->path());
}

void tst_Settings::read_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    const QString fallback = QStringLiteral("127.0.0.1");
    QTest::newRow("plain") << QByteArray("[IP]\r\nAddress=10.0.0.5\r\n") << u"10.0.0.5"_qs;
    QTest::newRow("names ignore case") << QByteArray("[ip]\r\naddress=10.0.0.6\r\n") << u"10.0.0.6"_qs;
    QTest::newRow("LF line ends") << QByteArray("[IP]\nAddress=10.0.0.7\n") << u"10.0.0.7"_qs;
    QTest::newRow("no final line end") << QByteArray("[IP]\r\nAddress=10.0.0.8") << u"10.0.0.8"_qs;
    QTest::newRow("blanks around name and value")
        << QByteArray("[ IP ]\r\n  Address  =  10.0.0.9  \r\n") << u"10.0.0.9"_qs;
    QTest::newRow("quoted value") << QByteArray("[IP]\r\nAddress=\" 10.0.0.1 \"\r\n")
                                  << u" 10.0.0.1 "_qs;
    QTest::newRow("comma stays in the value")
        << QByteArray("[IP]\r\nAddress=10.0.0.5,10.0.0.6\r\n") << u"10.0.0.5,10.0.0.6"_qs;
    QTest::newRow("comments and other sections")
        << QByteArray("; saved by hand\r\n[Other]\r\nAddress=1.1.1.1\r\n[IP]\r\n;Address=2.2.2.2\r\n"
                      "Port=81\r\nAddress=3.3.3.3\r\n")
        << u"3.3.3.3"_qs;
    QTest::newRow("key only in another section")
        << QByteArray("[Other]\r\nAddress=1.1.1.1\r\n[IP]\r\nPort=81\r\n") << fallback;
    QTest::newRow("no section") << QByteArray("Address=1.1.1.1\r\n") << fallback;
    QTest::newRow("empty value stays empty") << QByteArray("[IP]\r\nAddress=\r\n") << QString();
    QTest::newRow("first of two keys") << QByteArray("[IP]\r\nAddress=a\r\nAddress=b\r\n")
                                       << u"a"_qs;
    QTest::newRow("utf-8 value") << QByteArray("[IP]\r\nAddress=h\xc3\xb6st\r\n")
                                 << QString::fromUtf8("h\xc3\xb6st");
    QTest::newRow("300 characters read back as 254")
        << QByteArray("[IP]\r\nAddress=") + QByteArray(300, 'x') + QByteArray("\r\n")
        << QString(254, u'x');
}

void tst_Settings::read()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    writeAll(m_file, content);
    QCOMPARE(ReadIniValue(m_file, u"IP"_qs, u"Address"_qs, u"127.0.0.1"_qs), expected);
}

void tst_Settings::readMissingFile()
{
    QCOMPARE(ReadIniValue(m_file, u"IP"_qs, u"Address"_qs, u"127.0.0.1"_qs), u"127.0.0.1"_qs);
    // The default is cut like a stored value.
    QCOMPARE(ReadIniValue(m_file, u"IP"_qs, u"Address"_qs, QString(300, u'd')).size(), 254);
}

void tst_Settings::write_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("creates the file") << false << QByteArray() << u"10.0.0.5"_qs
                                      << QByteArray("[IP]\r\nAddress=10.0.0.5\r\n");
    QTest::newRow("replaces only the value")
        << true << QByteArray("[IP]\r\nAddress=1.1.1.1\r\n") << u"10.0.0.5"_qs
        << QByteArray("[IP]\r\nAddress=10.0.0.5\r\n");
    QTest::newRow("keeps comments, other sections and keys, and their line ends")
        << true
        << QByteArray("; operator notes\n[Other]\nAddress=1.1.1.1\n\n[ip]\r\nPort=81\r\n"
                      "ADDRESS = 2.2.2.2\r\n; after\r\n[Last]\r\nX=1")
        << u"10.0.0.5"_qs
        << QByteArray("; operator notes\n[Other]\nAddress=1.1.1.1\n\n[ip]\r\nPort=81\r\n"
                      "Address=10.0.0.5\r\n; after\r\n[Last]\r\nX=1");
    QTest::newRow("adds the key after the section's last entry")
        << true << QByteArray("[IP]\r\nPort=81\r\n\r\n[Other]\r\nA=1\r\n") << u"10.0.0.5"_qs
        << QByteArray("[IP]\r\nPort=81\r\nAddress=10.0.0.5\r\n\r\n[Other]\r\nA=1\r\n");
    QTest::newRow("adds the section at the end")
        << true << QByteArray("[Other]\r\nA=1") << u"10.0.0.5"_qs
        << QByteArray("[Other]\r\nA=1\r\n[IP]\r\nAddress=10.0.0.5\r\n");
    QTest::newRow("CR LF in the value becomes two spaces")
        << false << QByteArray() << u"10.0.0.5\r\n"_qs
        << QByteArray("[IP]\r\nAddress=10.0.0.5  \r\n");
    QTest::newRow("spaces around the value are written")
        << false << QByteArray() << u" 10.0.0.5 "_qs
        << QByteArray("[IP]\r\nAddress= 10.0.0.5 \r\n");
    QTest::newRow("empty address is stored empty")
        << true << QByteArray("[IP]\r\nAddress=10.0.0.5\r\n") << QString()
        << QByteArray("[IP]\r\nAddress=\r\n");
}

void tst_Settings::write()
{
    QFETCH(bool, fileExists);
    QFETCH(QByteArray, before);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    if (fileExists)
        writeAll(m_file, before);
    WriteIniValue(m_file, u"IP"_qs, u"Address"_qs, value);
    QCOMPARE(readAll(m_file), after);
}

void tst_Settings::writeLeavesNoPartialFile()
{
    // A folder that does not exist cannot take the file: nothing is written anywhere.
    const QString missing = QDir(m_dir->path()).filePath(u"gone/ORVA_Test_Application.ini"_qs);
    QVERIFY(!ProfileFile::writeString(missing, u"IP"_qs, u"Address"_qs, u"1.2.3.4"_qs));
    QVERIFY(!QFile::exists(missing));
    // A name taken by a folder cannot be replaced; the folder is left alone.
    QVERIFY(QDir(m_dir->path()).mkdir(u"ORVA_Test_Application.ini"_qs));
    QVERIFY(!ProfileFile::writeString(m_file, u"IP"_qs, u"Address"_qs, u"1.2.3.4"_qs));
    QVERIFY(QFileInfo(m_file).isDir());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 0);
}

void tst_Settings::loadAndSaveRoundTrip_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shownNextStart");

    QTest::newRow("address") << u"192.168.1.20"_qs << u"192.168.1.20"_qs;
    QTest::newRow("address with port") << u"10.0.0.5:8080"_qs << u"10.0.0.5:8080"_qs;
    QTest::newRow("line break becomes spaces") << u"10.0.0.5\r\nx"_qs << u"10.0.0.5  x"_qs;
    QTest::newRow("empty stays empty") << QString() << QString();
}

void tst_Settings::loadAndSaveRoundTrip()
{
    QFETCH(QString, typed);
    QFETCH(QString, shownNextStart);

    QLineEdit txtIP;
    LoadSettings(txtIP, m_dir->path());
    QCOMPARE(txtIP.text(), u"127.0.0.1"_qs);
    txtIP.setText(typed);
    SaveSettings(txtIP, m_dir->path());

    QLineEdit nextRun;
    LoadSettings(nextRun, m_dir->path());
    QCOMPARE(nextRun.text(), shownNextStart);
}

QTEST_MAIN(tst_Settings)
#include "tst_settings.moc"
