#include "jobs/SavedResponse.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class tst_SavedResponse final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void lineEnds_data();
    void lineEnds();
    void unreadable_data();
    void unreadable();

private:
    QString writeFile(const QByteArray &bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_SavedResponse::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString tst_SavedResponse::writeFile(const QByteArray &bytes)
{
    const QString path = m_dir->filePath(QStringLiteral("JobReturn.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

void tst_SavedResponse::lineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("CR LF lines equal the text on one line")
        << QByteArray("[\r\n  {\r\n    \"externalId\": \"A7\",\r\n    \"x\": \"y\"\r\n  }\r\n]\r\n")
        << QByteArray("[  {    \"externalId\": \"A7\",    \"x\": \"y\"  }]");
    QTest::newRow("lone CR ends a line") << QByteArray("a\rb\r") << QByteArray("ab");
    QTest::newRow("lone LF stays") << QByteArray("a\nb\n") << QByteArray("a\nb\n");
    QTest::newRow("LF after a CR LF stays") << QByteArray("a\r\n\nb") << QByteArray("a\nb");
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << QByteArray("ab");
    QTest::newRow("LF CR") << QByteArray("a\n\rb") << QByteArray("a\nb");
    QTest::newRow("no line end") << QByteArray("abc") << QByteArray("abc");
    QTest::newRow("empty file") << QByteArray() << QByteArray();
    QTest::newRow("8-bit bytes and NUL kept")
        << QByteArray("\xe9\0\xff\r\n", 5) << QByteArray("\xe9\0\xff", 3);
}

void tst_SavedResponse::lineEnds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);

    const std::optional<QByteArray> text = ReadSavedResponse(writeFile(bytes));
    QVERIFY(text.has_value());
    QCOMPARE(*text, expected);
}

void tst_SavedResponse::unreadable_data()
{
    QTest::addColumn<QString>("name");

    QTest::newRow("missing file") << QStringLiteral("JobReturn.txt");
    QTest::newRow("a folder") << QString();
    QTest::newRow("missing folder") << QStringLiteral("nowhere/JobReturn.txt");
}

void tst_SavedResponse::unreadable()
{
    QFETCH(QString, name);

    QCOMPARE(ReadSavedResponse(m_dir->filePath(name)), std::nullopt);
}

QTEST_GUILESS_MAIN(tst_SavedResponse)
#include "tst_savedresponse.moc"
