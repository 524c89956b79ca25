#include "FileBytes.h"
#include "settings/TlsSettings.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

const QByteArray DigestHex = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";
const QByteArray Digest = QByteArray::fromHex(DigestHex);

class tst_TlsSettings final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The pin goes in at once; every other line keeps its bytes, line ends and comments included.
    void writePin_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        const QByteArray pin = "Pin.10.0.0.5:443=" + DigestHex + "\r\n";
        QTest::newRow("no file") << QByteArray() << "[TLS]\r\n" + pin;
        QTest::newRow("[IP] alone, LF line ends")
            << QByteArray("; site\n[IP]\nAddress = https://10.0.0.5 \n")
            << "; site\n[IP]\nAddress = https://10.0.0.5 \n[TLS]\r\n" + pin;
        QTest::newRow("[TLS] before [IP], a CA file kept")
            << QByteArray("[TLS]\r\nCAFile=ca.pem\r\n\r\n[IP]\r\nAddress=x\r\n")
            << "[TLS]\r\nCAFile=ca.pem\r\n" + pin + "\r\n[IP]\r\nAddress=x\r\n";
        QTest::newRow("an old pin replaced, another server's kept")
            << QByteArray("[IP]\r\nAddress=x\r\n[TLS]\r\nPin.10.0.0.5:443=AA:BB\r\n"
                          "Pin.10.0.0.6:443=cc\r\n")
            << "[IP]\r\nAddress=x\r\n[TLS]\r\n" + pin + "Pin.10.0.0.6:443=cc\r\n";
    }

    void writePin()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QTemporaryDir folder;
        const QString file = folder.filePath(u"ORVA_Test_Application.ini"_s);
        QVERIFY(before.isEmpty() || writeFileBytes(file, before));
        const Result<> written = ::writePin(file, u"10.0.0.5:443"_s, Digest);
        QVERIFY2(written.ok(), qPrintable(written.reason()));
        QCOMPARE(fileBytes(file), after);
        QCOMPARE(readPin(file, u"10.0.0.5:443"_s).value(), QString::fromLatin1(DigestHex));
    }

    // Neither a pin written where it cannot go nor a settings file that is there but cannot be
    // read passes for success: a pin missed that way would turn a pinned server into a question.
    void unreachableFiles()
    {
        QCOMPARE(::writePin(u"/nonexistent/x.ini"_s, u"h:443"_s, Digest).reason(),
                 u"Cannot write /nonexistent/x.ini: No such file or directory"_s);
        QTemporaryDir folder;
        const Result<QString> pin = readPin(folder.path(), u"h:443"_s);
        QCOMPARE(pin.reason(),
                 u"cannot read the settings file %1: it is not a regular file but a "
                 "folder"_s.arg(folder.path()));
        QCOMPARE(TlsSettings::read(folder.path()).reason(), pin.reason());
    }

    // Pins read in any letter case, with or without ":" between pairs; files from the folder.
    void read()
    {
        QTemporaryDir folder;
        const QString file = folder.filePath(u"s.ini"_s);
        QVERIFY(writeFileBytes(file,
                               "[tls]\r\ncafile = certs/ca.pem\r\nClientCertificate=/etc/me.pem\r\n"
                               "pin.Tracker:8443=AB:CD:EF\r\n"));
        const TlsSettings settings = TlsSettings::read(file).value();
        QCOMPARE(settings.caFile, QDir(folder.path()).filePath(u"certs/ca.pem"_s));
        QCOMPARE(settings.clientCertificate, u"/etc/me.pem"_s);
        QCOMPARE(settings.clientKey, QString());
        QCOMPARE(readPin(file, u"tracker:8443"_s).value(), u"abcdef"_s);
        QCOMPARE(readPin(file, u"tracker:443"_s).value(), QString());
    }

    // A pin is found for its host in any ASCII letter case, and for no other host: a name that
    // differs in one letter outside ASCII is another host, even where Unicode folds the two
    // together.
    void pinKeyFolds_data()
    {
        QTest::addColumn<QByteArray>("stored"); // the key's host as the file holds it
        QTest::addColumn<bool>("found");        // for "localhost:8443"
        QTest::newRow("as looked up") << QByteArray("localhost") << true;
        QTest::newRow("ASCII capitals") << QByteArray("LOCALHOST") << true;
        QTest::newRow("a long s for the s") << QByteArray("localho\xc5\xbft") << false;
        QTest::newRow("a Kelvin sign for a k") << QByteArray("\xe2\x84\xaaocalhost") << false;
    }

    void pinKeyFolds()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, found);
        QTemporaryDir folder;
        const QString file = folder.filePath(u"s.ini"_s);
        QVERIFY(writeFileBytes(file, "[TLS]\r\nPin." + stored + ":8443=" + DigestHex + "\r\n"));
        QCOMPARE(readPin(file, u"localhost:8443"_s).value(),
                 found ? QString::fromLatin1(DigestHex) : QString());
    }
};

QTEST_APPLESS_MAIN(tst_TlsSettings)
#include "tst_tlssettings.moc"
