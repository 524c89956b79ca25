#include "JobLists.h"
#include "MainWindowFixture.h"
#include "MenuEntries.h"

#include <QAction>
#include <QTimer>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

// What the last list changed, as the window shows it: the count in the status line's tool tip,
// the jump from change to change, and a list on a timer.
class tst_ListChanges final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // After a list, the tool tip's third line counts it against the list before; the saved
    // response file is a list too, and one that is a FIFO is skipped at once, never waited on.
    void countInTheToolTip()
    {
        MainWindowFixture f;
        QVERIFY(f.serve(ScriptedHttpServer::okResponse(jobList("A/OK/1 B/OK/1 C/OK/1"))));
        QVERIFY(f.send("cmd1"));
        QCOMPARE(f.lblStat()->toolTip().section(u'\n', 2), u"3 jobs · no change"_s);
        f.server.setResponse(ScriptedHttpServer::okResponse(jobList("A/OK/1 B/Loss/2 D/OK/2")));
        QVERIFY(f.send("cmd1"));
        QCOMPARE(f.lblStat()->toolTip().section(u'\n', 2),
                 u"3 jobs · 1 new · 1 changed · 1 not listed"_s);
        QCOMPARE(f.lblStat()->accessibleDescription(), f.lblStat()->toolTip());
        // An answer that is not a list gets no count.
        QVERIFY(f.window->sendRequest(RequestKind::GetJob, u"A"_s, {}));
        QVERIFY(f.waitIdle());
        QCOMPARE(f.lblStat()->toolTip().count(u'\n'), 1);

        const QString saved = f.path(u"JobReturn.txt"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(saved).constData(), 0600), 0);
        f.control<QPushButton>("cmdJob")->click();
        QCOMPARE(f.grid()->Rows(), 5);
        QVERIFY(QFile::remove(saved) && writeFileBytes(saved, jobList("A/Freeze/3")));
        f.control<QPushButton>("cmdJob")->click();
        QVERIFY(f.grid()
                    ->model()
                    ->index(0, 1)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .startsWith(u"was \"OK\" until the list of "_s));
    }

    // F8 and Shift+F8 in the grid, and the context menu's entries, select the next and
    // previous marked row, wrapping; the selected-job commands then act on it.
    void jumpFromChangeToChange()
    {
        MainWindowFixture f;
        QVERIFY(f.serve(ScriptedHttpServer::okResponse(jobList("A/OK/1 B/OK/1 C/OK/1 D/OK/1"))));
        QVERIFY(f.send("cmd1"));
        f.server.setResponse(ScriptedHttpServer::okResponse(jobList("A/OK/1 B/Loss/1 C/OK/1")));
        QVERIFY(f.send("cmd1"));
        FlexGrid *grid = f.grid();
        grid->setFocus();
        QStringList visited;
        for (const auto modifier : {Qt::NoModifier, Qt::NoModifier, Qt::NoModifier,
                                    Qt::ShiftModifier, Qt::ShiftModifier}) {
            QTest::keyClick(grid, Qt::Key_F8, modifier);
            visited << grid->TextMatrix(grid->Row(), 0);
        }
        QCOMPARE(visited, QStringList({u"B"_s, u"D"_s, u"B"_s, u"D"_s, u"B"_s}));
        QCOMPARE(contextMenuEntries(grid).mid(5),
                 QStringList({QString(), u"Next Change"_s, u"Previous Change"_s,
                              u"List Every 10 Seconds"_s}));
        f.window->findChild<QAction *>(u"nextChange"_s)->trigger();
        QCOMPARE(grid->TextMatrix(grid->Row(), 0), u"D"_s);
        f.server.setResponse(ScriptedHttpServer::okResponse("{}"));
        QVERIFY(f.send("cmdGetJob"));
        QVERIFY(f.server.received(2).startsWith("GET /api/videocompare/tracking/D HTTP/1.1\r\n"));
    }

    // With ListEvery=1 the timer lists every second once it is turned on (never at start);
    // a click while it waits is sent at once; a failed list turns it off.
    void listOnATimer()
    {
        MainWindowFixture f;
        QVERIFY(
            writeFileBytes(f.path(u"ORVA_Test_Application.ini"_s), "[View]\r\nListEvery=1\r\n"));
        QVERIFY(f.serve(ScriptedHttpServer::okResponse(jobList("A/OK/1"))));
        auto *timer = f.window->findChild<QAction *>(u"listEvery"_s);
        QCOMPARE(timer->text(), u"List Every Second"_s);
        QVERIFY(timer->isCheckable() && !timer->isChecked());
        QTest::qWait(0);
        QCOMPARE(f.server.connectionCount(), 0);

        timer->setChecked(true);
        QTRY_COMPARE_WITH_TIMEOUT(f.server.connectionCount(), 1, 3000);
        QVERIFY(f.waitIdle());
        QCOMPARE(f.lblStat()->text(), u"Response Completed"_s);
        QCOMPARE(f.grid()->TextMatrix(1, 0), u"A"_s);
        // Between two timed lists, another command goes out as soon as it is clicked.
        f.grid()->setCurrentIndex(f.grid()->model()->index(0, 0));
        f.click("cmdGetJob");
        QCOMPARE(f.server.connectionCount(), 1);
        // Well before the next tick; the request may follow its connection by a moment.
        QTRY_VERIFY_WITH_TIMEOUT(
            f.server.received(1).startsWith("GET /api/videocompare/tracking/A "), 500);
        QVERIFY(f.waitIdle());

        // The server goes: the next timed list fails, and the timer is off.
        f.txtIP()->setText(ScriptedHttpServer::refusingAuthority());
        QTRY_COMPARE_WITH_TIMEOUT(f.lblStat()->text(), u"Error"_s, 3000);
        QVERIFY(!timer->isChecked());
        QVERIFY(!f.window->findChild<QTimer *>(u"listTimer"_s)->isActive());
    }

    // An interval outside 1 to 3600 seconds, or no number, is ten seconds.
    void listEveryBounds_data()
    {
        QTest::addColumn<QByteArray>("setting");
        QTest::addColumn<QString>("caption");
        QTest::newRow("absent") << QByteArray() << u"List Every 10 Seconds"_s;
        QTest::newRow("1") << QByteArray("1") << u"List Every Second"_s;
        QTest::newRow("2") << QByteArray("2") << u"List Every 2 Seconds"_s;
        QTest::newRow("3600") << QByteArray("3600") << u"List Every 3600 Seconds"_s;
        QTest::newRow("0") << QByteArray("0") << u"List Every 10 Seconds"_s;
        QTest::newRow("3601") << QByteArray("3601") << u"List Every 10 Seconds"_s;
        QTest::newRow("not a number") << QByteArray("often") << u"List Every 10 Seconds"_s;
    }

    void listEveryBounds()
    {
        QFETCH(QByteArray, setting);
        QFETCH(QString, caption);
        MainWindowFixture f;
        if (!setting.isNull()) {
            QVERIFY(writeFileBytes(f.path(u"ORVA_Test_Application.ini"_s),
                                   "[View]\r\nListEvery=" + setting + "\r\n"));
        }
        QVERIFY(f.start());
        QCOMPARE(f.window->findChild<QAction *>(u"listEvery"_s)->text(), caption);
    }
};

QTEST_MAIN(tst_ListChanges)
#include "tst_listchanges.moc"
