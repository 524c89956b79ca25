#include "CliProcess.h"
#include "FileBytes.h"
#include "ScriptedHttpServer.h"

#include <QFile>

using namespace Qt::StringLiterals;

class tst_CliCreate final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The window's field rules refuse before anything is sent, naming each failing field by its
    // member in the body; the last of an option given twice wins.
    void reasonNamesEachField()
    {
        ScriptedHttpServer server;
        const CliResult result = runCli(
            workedExampleArguments() << u"--program"_s << u" "_s << u"--group2"_s
                                     << u"239.20.0.1,6000,239.20.0.2,-1,Feed B"_s << u"--key2"_s
                                     << u"Other"_s << u"--address"_s << server.authority(),
            m_env);
        QCOMPARE(result.exitCode, 2);
        QCOMPARE(result.err,
                 "talus-test-cli: create: programName is empty; channelGroup 2 backupUdpPort "
                 "\"-1\" is not a port; thresholdKey2 \"Other\" is not ThresholdValue1 or "
                 "ThresholdValue2 (see talus-test-cli --help)\n");
        QCOMPARE(server.connectionCount(), 0);
    }

    // A body read from a file is checked and composed like the fields; options replace its
    // values.
    void fromFile_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("fromBody"); // replaced in the example's body
        QTest::addColumn<QByteArray>("toBody");
        const QByteArray job =
            QByteArray(WorkedExampleJob).replace("%1", "2027-03-01T09:33:00-0500");
        QTest::newRow("ports as texts") << QByteArray(job).replace("5000,", "\" 5000 \",")
                                        << QStringList() << QByteArray() << QByteArray();
        QTest::newRow("an option replaces the file's value")
            << job << QStringList{u"--program"_s, u"Late News"_s} << QByteArray("Evening News")
            << QByteArray("Late News");
        QTest::newRow("a key from the file")
            << QByteArray(job).replace("\"ThresholdValue2\"", "\"ThresholdValue1\"")
            << QStringList() << QByteArray("\"thresholdKey2\": \"ThresholdValue2\"")
            << QByteArray("\"thresholdKey2\": \"ThresholdValue1\"");
    }

    void fromFile()
    {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, options);
        QFETCH(QByteArray, fromBody);
        QFETCH(QByteArray, toBody);
        ScriptedHttpServer server;
        const QString file = writeFile(json);
        const CliResult result =
            runCli(QStringList{u"create"_s, u"--from"_s, file, u"--address"_s, server.authority()}
                       + options,
                   m_env);
        QCOMPARE(result.exitCode, 0);
        QByteArray body = workedExampleBody();
        if (!fromBody.isEmpty())
            body.replace(fromBody, toBody);
        QTRY_VERIFY(server.received(0).endsWith("\r\n\r\n" + body));
    }

    // A file that cannot be used: one line, exit status 2, nothing sent.
    void badFile_data()
    {
        QTest::addColumn<QByteArray>("json"); // null: no such file
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("missing") << QByteArray() << QByteArray("cannot read");
        QTest::newRow("not JSON") << QByteArray("{\"externalId\": ")
                                  << QByteArray("is not valid JSON");
        QTest::newRow("an array") << QByteArray("[]") << QByteArray("does not hold a JSON object");
        QTest::newRow("a number for a text")
            << QByteArray("{\"externalId\": 4123856710}") << QByteArray("externalId is not a text");
        QTest::newRow("three streams") << QByteArray("{\"channelGroup\": [{}, {}, {}]}")
                                       << QByteArray("channelGroup holds 3 streams; a job has two");
        QTest::newRow("a stream that is a text") << QByteArray("{\"channelGroup\": [\"x\"]}")
                                                 << QByteArray("channelGroup 1 is not an object");
    }

    void badFile()
    {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, message);
        ScriptedHttpServer server;
        const QString file = json.isNull() ? m_home.filePath(u"none.json"_s) : writeFile(json);
        const QString log = m_home.filePath(u"log.txt"_s);
        const CliResult result = runCli(
            {u"create"_s, u"--from"_s, file, u"--address"_s, server.authority(), u"--log"_s, log},
            m_env);
        QCOMPARE(result.exitCode, 2);
        QVERIFY2(result.err.contains(message), result.err.constData());
        QCOMPARE(result.err.count('\n'), 1);
        QCOMPARE(server.connectionCount(), 0);
        QVERIFY(!QFile::exists(log));
    }

private:
    QString writeFile(const QByteArray &bytes)
    {
        const QString name = m_home.filePath(u"job.json"_s);
        return writeFileBytes(name, bytes) ? name : QString();
    }

    QTemporaryDir m_home;
    QProcessEnvironment m_env = cliEnvironment(m_home.path());
};

QTEST_MAIN(tst_CliCreate)
#include "tst_clicreate.moc"
