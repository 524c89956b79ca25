#include "jobs/SavedResponse.h"

#include "FileBytes.h"

#include <QTemporaryDir>
#include <QTest>

class tst_SavedResponse final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void read_data()
    {
        QTest::addColumn<QByteArray>("bytes");    // null: no file at all
        QTest::addColumn<QByteArray>("expected"); // null: nothing read

        QTest::newRow("CR LF lines equal the text on one line")
            << QByteArray("[\r\n  {\"externalId\": \"A7\",\r\n  \"x\": \"y\"}\r\n]\r\n")
            << QByteArray("[  {\"externalId\": \"A7\",  \"x\": \"y\"}]");
        QTest::newRow("lone CR ends a line") << QByteArray("a\rb\r\r\nc") << QByteArray("abc");
        QTest::newRow("lone LF stays") << QByteArray("a\nb\r\n\n") << QByteArray("a\nb\n");
        QTest::newRow("missing file") << QByteArray() << QByteArray();
    }

    void read()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);

        const QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("JobReturn.txt"));
        QVERIFY(bytes.isNull() || writeFileBytes(path, bytes));
        QCOMPARE(ReadSavedResponse(path), expected.isNull() ? std::nullopt : std::optional(expected));
    }
};

QTEST_GUILESS_MAIN(tst_SavedResponse)
#include "tst_savedresponse.moc"
