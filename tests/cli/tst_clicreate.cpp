#include "CliProcess.h"
#include "CreateExample.h"
#include "CreateFieldRows.h"
#include "ScriptedHttpServer.h"

#include <QFile>
#include <QMap>

using namespace Qt::StringLiterals;

namespace {

// The create command's options for the worked example, with the boxes in `changed` replaced.
QStringList createArguments(const QMap<QString, QString> &changed)
{
    QMap<QString, QString> box;
    for (const auto &[name, value] : CreateExampleFields) {
        const QString key = QString::fromLatin1(name);
        box[key] = changed.contains(u"*"_s) ? changed[u"*"_s]
                                            : changed.value(key, QLatin1String(value));
    }
    QStringList arguments{u"create"_s,      u"--id"_s,          box[u"txtExternalID"_s],
                          u"--start"_s,     box[u"txtStart"_s], u"--end"_s,
                          box[u"txtEnd"_s], u"--program"_s,     box[u"txtProgram"_s]};
    for (const QString &stream : {u"1"_s, u"2"_s}) {
        QStringList group;
        for (const QString &part : {u"txtPrimaryIP_"_s, u"txtPrimaryPort_"_s, u"txtBackupIP_"_s,
                                    u"txtBackupPort_"_s, u"txtChannelName_"_s})
            group << box[part + stream];
        arguments << u"--group"_s + stream << group.join(u',');
    }
    return arguments;
}

} // namespace

class tst_CliCreate final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The creation window's own rows: what it refuses, the client refuses with exit status 2,
    // naming the field, and sends nothing; what it sends, the client sends byte for byte.
    void fields_data() { addCreateFieldRows(); }

    void fields()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, inBody);
        ScriptedHttpServer server;
        server.setResponse("HTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\n{}");
        const CliResult result =
            runCli(createArguments({{field, text}}) << u"--address"_s << server.authority(), m_env);

        if (inBody.isNull()) {
            QCOMPARE(result.exitCode, 2);
            QVERIFY2(result.err.startsWith("talus-test-cli: create: "), result.err.constData());
            QCOMPARE(result.err.count('\n'), 1);
            QCOMPARE(server.connectionCount(), 0);
            return;
        }
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, "{}");
        const QByteArray body = QString::fromUtf8(workedExampleBody())
                                    .replace(QLatin1String(exampleValue(field)), inBody)
                                    .toUtf8();
        QVERIFY(server.received(0).endsWith("\r\n\r\n" + body));
    }

    // Each failing field is named by its member in the body.
    void reasonNamesEachField()
    {
        const CliResult result =
            runCli(createArguments({{u"txtProgram"_s, u" "_s}, {u"txtBackupPort_2"_s, u"-1"_s}})
                       << u"--key2"_s << u"Other"_s,
                   m_env);
        QCOMPARE(result.exitCode, 2);
        QCOMPARE(result.err,
                 "talus-test-cli: create: programName is empty; channelGroup 2 backupUdpPort "
                 "\"-1\" is not a port; thresholdKey2 \"Other\" is not ThresholdValue1 or "
                 "ThresholdValue2 (see talus-test-cli --help)\n");
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
        QTest::newRow("the server's own job")
            << job << QStringList() << QByteArray() << QByteArray();
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
        QTest::newRow("members missing")
            << QByteArray("{}") << QByteArray("create: externalId is empty; startTrackingUtc");
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
    static const char *exampleValue(const QString &field)
    {
        for (const auto &[name, value] : CreateExampleFields) {
            if (field == QLatin1String(name))
                return value;
        }
        return "";
    }

    QString writeFile(const QByteArray &bytes)
    {
        const QString name = m_home.filePath(u"job.json"_s);
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(name));
        return name;
    }

    QTemporaryDir m_home;
    QProcessEnvironment m_env = cliEnvironment(m_home.path());
};

QTEST_MAIN(tst_CliCreate)
#include "tst_clicreate.moc"
