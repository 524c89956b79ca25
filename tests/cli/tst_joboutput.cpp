#include "JobOutput.h"
#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The client's texts of a list: the table's cells kept to one line each, and whether an answer
// names the job a smoke step made.
class tst_JobOutput final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A tab, CR or LF inside a text would shift the table's columns or rows: each becomes a
    // space. The scanner takes the bytes between the quotes as they are, raw ones too.
    void tableKeepsEachJobOnOneLine_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("plain") << QByteArray("Video Loss") << QByteArray("J1\tVideo Loss\tt\n");
        QTest::newRow("a tab") << QByteArray("Video\tLoss") << QByteArray("J1\tVideo Loss\tt\n");
        QTest::newRow("a raw CR") << QByteArray("Video\rLoss") << QByteArray("J1\tVideo Loss\tt\n");
        QTest::newRow("a raw LF") << QByteArray("Video\nLoss") << QByteArray("J1\tVideo Loss\tt\n");
        QTest::newRow("CR LF") << QByteArray("Video\r\nLoss") << QByteArray("J1\tVideo  Loss\tt\n");
    }

    void tableKeepsEachJobOnOneLine()
    {
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, line);
        JobStatusTable jobs;
        ParseJobList("[{\"externalId\": \"J1\", \"latestAlertStatus\": \"" + status
                         + "\", \"latestAlertTime\": \"t\"}]",
                     jobs);
        QCOMPARE(jobTable(jobs), "externalId\tlatestAlertStatus\tlatestAlertTime\n" + line);
    }

    // Whether the answer has an "externalId" member with exactly this identifier.
    void namesJob_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("names");
        QTest::newRow("the job") << QByteArray(R"({"externalId": "4123856710"})") << true;
        QTest::newRow("without a space") << QByteArray(R"({"externalId":"4123856710"})") << true;
        QTest::newRow("line breaks around the colon")
            << QByteArray("{\"externalId\"\r\n:\r\n\"4123856710\"}") << true;
        QTest::newRow("in a list, after another job")
            << QByteArray(R"([{"externalId": "1"}, {"externalId": "4123856710"}])") << true;
        QTest::newRow("an identifier that goes on")
            << QByteArray(R"({"externalId": "41238567101"})") << false;
        QTest::newRow("an identifier that stops short")
            << QByteArray(R"({"externalId": "412385671"})") << false;
        QTest::newRow("another member with the identifier")
            << QByteArray(R"({"programName": "4123856710"})") << false;
        QTest::newRow("nothing") << QByteArray() << false;
    }

    void namesJob()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, names);
        QCOMPARE(::namesJob(body, "4123856710"), names);
    }
};

QTEST_APPLESS_MAIN(tst_JobOutput)
#include "tst_joboutput.moc"
