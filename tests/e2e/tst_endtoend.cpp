#include "CreateExample.h"
#include "MainWindowFixture.h"
#include "SimProcess.h"

#include "create/frmCreate.h"

#include <QComboBox>

#include <span>

namespace {

// Every block the traffic log holds: its marker and its first record.
QStringList logBlocks(const QByteArray &log)
{
    QStringList blocks;
    const QList<QByteArray> lines = log.split('\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        if (line == "---Data Transmitted---")
            blocks << u"TX "_qs + QString::fromUtf8(lines.at(i + 1).trimmed());
        else if (line == "---Data Received---")
            blocks << u"RX"_qs;
    }
    return blocks;
}

bool startSim(SimProcess &sim, QStringList arguments, MainWindowFixture &f)
{
    arguments << u"--port"_qs << u"0"_qs << u"--quiet"_qs;
    if (!sim.start(arguments) || sim.port() == 0)
        return false;
    f.customize = [](AppEnvironment &env) {
        env.clock = [] { return QDateTime::currentDateTime(); };
        env.timeZone = std::make_shared<SystemTimeZoneSource>();
    };
    return f.start(u"127.0.0.1:"_qs + QString::number(sim.port()));
}

} // namespace

class tst_EndToEnd final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // More jobs than a 16-bit row count holds.
    void everyCommandAgainstTheSimulator()
    {
        const int jobs = 40000;
        SimProcess sim;
        MainWindowFixture f;
        QVERIFY(startSim(sim, {u"--jobs"_qs, QString::number(jobs)}, f));
        FlexGrid &grid = f.window->grid();
        // Sends with a button and tells whether the received pane then holds the text.
        const auto send = [&f](const char *button, const QString &inReply = {}) {
            return f.send(button, 60000) && f.rxText().contains(inReply);
        };

        QVERIFY(send("cmd1"));
        QCOMPARE(f.lblStat()->text(), u"Response Completed"_qs);
        QCOMPARE(grid.Rows(), jobs + 1);
        QCOMPARE(grid.TextMatrix(jobs, 0), u"SIM-%1"_qs.arg(jobs, 6, 10, QChar(u'0')));
        QVERIFY(grid.isVisible());
        QVERIFY(f.rxText().startsWith(u"[\n    {\n"_qs) && f.rxText().endsWith(u"}\n]"_qs));

        // A job typed into the creation window, with its fields filled by its own buttons.
        f.click("cmd2");
        QPointer<frmCreate> create = f.window->createWindow();
        QVERIFY(create);
        QTest::mouseClick(create->findChild<QPushButton *>(u"cmdRandom"_qs), Qt::LeftButton);
        QTest::mouseClick(create->findChild<QPushButton *>(u"cmdTime"_qs), Qt::LeftButton);
        const QString id = create->findChild<QLineEdit *>(u"txtExternalID"_qs)->text();
        QCOMPARE(id.size(), 10);
        for (const auto &[name, text] : std::span(CreateExampleFields).subspan(3))
            QTest::keyClicks(create->findChild<QLineEdit *>(QLatin1String(name)), QLatin1String(text));
        QTest::mouseClick(create->findChild<QPushButton *>(u"cmdCreate"_qs), Qt::LeftButton);
        QVERIFY(f.boxes->shown.isEmpty());
        QTRY_VERIFY(!create);
        QCOMPARE(f.window->requestKind(), RequestKind::Create);
        QVERIFY(f.waitIdle());
        QVERIFY(f.rxText().contains(u"\"externalId\": \""_qs + id + u'"'));
        QVERIFY(f.rxText().contains(u"\"latestAlertStatus\": \"None\""_qs));

        // Listed again, the new job has the next row.
        QVERIFY(send("cmd1"));
        const int row = jobs + 1;
        QCOMPARE(grid.TextMatrix(row, 0), id);
        QCOMPARE(grid.TextMatrix(row, 1), u"None"_qs);

        // Get, stop and delete the selected job; the server's answers show in the received pane.
        const QModelIndex index = grid.model()->index(row - 1, 0);
        grid.scrollTo(index);
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(index).center());
        QCOMPARE(grid.Row(), row);
        QVERIFY(send("cmdGetJob", u"\"programName\": \"Evening News\""_qs));
        QVERIFY(send("cmdStopJob", u"\"latestAlertStatus\": \"Stopped\""_qs));
        QVERIFY(send("cmdDeleteJob", u"Deleted"_qs));
        QVERIFY(send("cmdGetJob", u"no job with externalId"_qs));

        // The server no longer lists the deleted job; its row stays with its last values.
        QVERIFY(send("cmd1"));
        QVERIFY(!f.rxText().contains(id));
        QCOMPARE(grid.Rows(), jobs + 2);
        QCOMPARE(grid.TextMatrix(row, 0), id);
        QCOMPARE(grid.TextMatrix(row, 1), u"None"_qs);

        // The traffic log holds every block, in order.
        const QString base = u"TX http://127.0.0.1:"_qs + QString::number(sim.port())
            + u"/api/videocompare/tracking"_qs;
        const QString job = base + u'/' + id;
        QStringList expected; // list, create, list, get, stop, delete, get (now unknown), list
        for (const QString &tx : {base, base, base, job, job + u"/stopTracking"_qs, job, job, base})
            expected << tx << u"RX"_qs;
        QCOMPARE(logBlocks(f.log()), expected);
        QVERIFY(f.log().contains("\r\n\r\n{\r\n    \"externalId\": \"" + id.toUtf8() + "\",\r\n"));
    }
};

QTEST_MAIN(tst_EndToEnd)
#include "tst_endtoend.moc"
