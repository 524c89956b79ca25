#include "CreateExample.h"
#include "MainWindowFixture.h"
#include "SimProcess.h"
#include "create/frmCreate.h"

#include <QApplication>

#include <span>

using namespace Qt::StringLiterals;

class tst_EndToEnd final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // More jobs than a 16-bit row count holds.
    void windowAgainstTheSimulator()
    {
        const int jobs = 40000;
        SimProcess sim;
        QVERIFY(sim.start({u"--jobs"_s, QString::number(jobs), u"--port"_s, u"0"_s, u"--quiet"_s}));
        MainWindowFixture f;
        f.customize = [](AppEnvironment &env) {
            env.clock = [] { return QDateTime::currentDateTime(); };
            env.timeZone = std::make_shared<SystemTimeZoneSource>();
        };
        QVERIFY(sim.port() && f.start(u"127.0.0.1:"_s + QString::number(sim.port())));
        FlexGrid &grid = *f.grid();
        const auto send = [&f](const char *button, const QString &inReply = {}) {
            return f.send(button, 60000) && f.rxText().contains(inReply);
        };

        QVERIFY(send("cmd1"));
        QCOMPARE(f.lblStat()->text(), u"Response Completed"_s);
        QCOMPARE(grid.Rows(), jobs + 1);
        QCOMPARE(grid.TextMatrix(jobs, 0), u"SIM-%1"_s.arg(jobs, 6, 10, QChar(u'0')));
        QVERIFY(grid.isVisible());

        // A job typed into the creation window, with its fields filled by its own buttons.
        f.click("cmd2");
        QPointer<frmCreate> win;
        QTRY_VERIFY((win = qobject_cast<frmCreate *>(QApplication::activeWindow())));
        QTest::mouseClick(win->findChild<QPushButton *>(u"cmdRandom"_s), Qt::LeftButton);
        QTest::mouseClick(win->findChild<QPushButton *>(u"cmdTime"_s), Qt::LeftButton);
        const QString id = win->findChild<QLineEdit *>(u"txtExternalID"_s)->text();
        for (const auto &[name, text] : std::span(CreateExampleFields).subspan(3))
            QTest::keyClicks(win->findChild<QWidget *>(QLatin1String(name)), QLatin1String(text));
        QTest::mouseClick(win->findChild<QPushButton *>(u"cmdCreate"_s), Qt::LeftButton);
        QTRY_VERIFY(!win);
        QVERIFY(f.waitIdle()
                && f.rxText().contains(
                    u"\"externalId\": \"%1\",\n    \"latestAlertStatus\": \"None\""_s.arg(id)));

        // Listed again, the new job has the next row.
        QVERIFY(send("cmd1"));
        const int row = jobs + 1;
        QCOMPARE(grid.TextMatrix(row, 0) + u'|' + grid.TextMatrix(row, 1), id + u"|None"_s);

        // The selected job, past a 16-bit row, is the one asked for (the buttons' requests are
        // the window's own test; the simulator's answers to them, the command line's).
        const QModelIndex index = grid.model()->index(row - 1, 0);
        grid.scrollTo(index);
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(index).center());
        QCOMPARE(grid.Row(), row);
        QVERIFY(send("cmdGetJob", u"\"externalId\": \"%1\",\n    \"latestAlertStatus\""_s.arg(id)));

        // The created job's body is logged with CR LF line ends.
        QVERIFY(f.log().contains("\r\n\r\n{\r\n    \"externalId\": \"" + id.toUtf8() + "\",\r\n"));
    }
};

QTEST_MAIN(tst_EndToEnd)
#include "tst_endtoend.moc"
