#include "FlexGrid.h"
#include "FlexGridModel.h"
#include "JobGrid.h"
#include "JobLists.h"
#include "MenuEntries.h"
#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using Mode = QAbstractItemModelTester::FailureReportingMode;

// Every row, its cells joined by "/" without the trailing empty ones.
static QStringList dump(const FlexGridModel &grid)
{
    QStringList rows;
    for (int row = 0; row < grid.gridRows(); ++row) {
        QString cells;
        for (int col = 0; col < grid.gridCols(); ++col)
            cells += grid.text(row, col) + u'/';
        rows << cells.remove(QRegularExpression(u"/+$"_s));
    }
    return rows;
}

const QString kHeader = u"externalId/latestAlertStatus/latestAlertTime"_s;

class tst_JobGrid final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What the last list changed, shown without a change to any text: a new row in bold, a
    // changed cell on a tint with the row's other cells plain, a row the list did not name in
    // the disabled text colour; each marked cell says why in its tool tip and accessible
    // description.
    void marks_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("look"); // bold, tinted, greyed or plain
        QTest::addColumn<QString>("why");  // TIME: the list's time
        const auto row = [](const char *name, int row, int col, const QString &look,
                            const QString &why = {}) {
            QTest::newRow(name) << row << col << look << why;
        };
        // Rows: A unchanged, B status changed, C time changed, D not listed, E new.
        const QString plain = u"plain"_s, tinted = u"tinted"_s, greyed = u"greyed"_s;
        row("unchanged", 1, 1, plain);
        row("changed status", 2, 1, tinted, u"was \"OK\" until the list of TIME"_s);
        row("changed status: its time plain", 2, 2, plain);
        row("changed status: its id plain", 2, 0, plain);
        row("changed time", 3, 2, tinted, u"was \"t1\" until the list of TIME"_s);
        row("changed time: its status plain", 3, 1, plain);
        row("not listed", 4, 0, greyed, u"not in the list of TIME"_s);
        row("not listed, its time", 4, 2, greyed, u"not in the list of TIME"_s);
        row("new", 5, 0, u"bold"_s, u"new in the list of TIME"_s);
        row("new, its status", 5, 1, u"bold"_s, u"new in the list of TIME"_s);
        row("a column of no job", 5, 3, plain);
    }

    void marks()
    {
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(QString, look);
        QFETCH(QString, why);
        FlexGrid grid;
        InitJobGrid(grid);
        JobStatusTable table;
        ParseJobList(jobList("A/OK/t1 B/OK/t1 C/OK/t1 D/OK/t1"), table);
        ParseJobList(jobList("A/OK/t1 B/Loss/t1 C/OK/t2 E/OK/t2"), table);
        FillJobGrid(grid, table);
        const QModelIndex cell = grid.model()->index(row - 1, col);
        QCOMPARE(cell.data(Qt::FontRole).value<QFont>().bold(), look == u"bold"_s);
        QCOMPARE(cell.data(Qt::BackgroundRole).isValid(), look == u"tinted"_s);
        QCOMPARE(cell.data(Qt::ForegroundRole).value<QColor>(),
                 look == u"greyed"_s ? grid.palette().color(QPalette::Disabled, QPalette::Text)
                                     : QColor());
        why.replace(u"TIME"_s, table.history().lastListTime().toString(u"HH:mm:ss"_s));
        QCOMPARE(cell.data(Qt::ToolTipRole).toString(), why);
        QCOMPARE(cell.data(Qt::AccessibleDescriptionRole).toString(), why);
        // No text changes.
        QCOMPARE(grid.TextMatrix(2, 1), u"Loss"_s);
        QCOMPARE(grid.TextMatrix(4, 1), u"OK"_s);
    }

    void fillsFollowTheTable()
    {
        FlexGrid grid;
        const QAbstractItemModelTester tester(grid.model(), Mode::QtTest);
        InitJobGrid(grid);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        const auto at = [&](const QModelIndex &cell) { return grid.visualRect(cell).center(); };
        QCOMPARE(dump(*grid.gridModel()), (QStringList{kHeader, QString()}));
        QCOMPARE(std::pair(grid.Cols(), grid.Row()), std::pair(15, 1));

        JobStatusTable table;
        const auto show = [&](const QByteArrayList &jobs, const QByteArray &status = "s") {
            for (const QByteArray &id : jobs)
                table.StoreJobStatus(JobStatus{true, id, status, "t"});
            FillJobGrid(grid, table);
        };
        show({"A7", "caf\xc3\xa9"});
        QCOMPARE(dump(*grid.gridModel()), (QStringList{kHeader, u"A7/s/t"_s, u"caf\u00e9/s/t"_s}));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, at(grid.model()->index(1, 1)));

        // An update changes no row count, so the view learns of it only through dataChanged.
        QSignalSpy changed(grid.model(), &QAbstractItemModel::dataChanged);
        show({"caf\xc3\xa9"}, "s2");
        QVERIFY(!changed.isEmpty());
        show({"C"});
        show({});
        QCOMPARE(dump(*grid.gridModel()),
                 (QStringList{kHeader, u"A7/s/t"_s, u"caf\u00e9/s2/t"_s, u"C/s/t"_s}));
        QCOMPARE(grid.Row(), 2);

        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, at(grid.currentIndex()));
        QTest::keyClick(&grid, Qt::Key_F2);
        QCOMPARE(grid.findChild<QLineEdit *>(), nullptr);

        // Two rows selected and copied: their filled cells, a tab between, CR LF after each.
        grid.selectRow(0);
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ControlModifier,
                          at(grid.model()->index(2, 1)));
        QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"A7\ts\tt\r\nC\ts\tt\r\n"_s);
    }

    // Each opening lists every entry to a screen reader, the ones added from outside too, each
    // enabled for what the grid holds at that opening.
    void contextMenuReachableAtEveryOpening()
    {
        FlexGrid grid;
        InitJobGrid(grid);
        grid.setTextMatrix(1, 0, u"A7"_s);
        QAction next(u"Next Change"_s), every(u"List Every 10 Seconds"_s);
        every.setCheckable(true);
        grid.addMenuAction(&next);
        grid.addMenuAction(&every);
        grid.show();
        grid.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&grid));
        grid.clearSelection();
        QCOMPARE(contextMenuEntries(&grid).join(u'|'),
                 u"[Copy]||Find\u2026|[Find Next]|[Find Previous]||Next Change|"
                 "List Every 10 Seconds"_s);
        grid.openFind();
        grid.findChild<QLineEdit *>(u"findText"_s)->setText(u"a7"_s);
        every.setChecked(true);
        QCOMPARE(contextMenuEntries(&grid).join(u'|'),
                 u"Copy||Find\u2026|Find Next|Find Previous||Next Change|"
                 "List Every 10 Seconds (checked)"_s);
        grid.setRows(3); // rows that come drop what was found
        QCOMPARE(contextMenuEntries(&grid).join(u'|'),
                 u"Copy||Find\u2026|[Find Next]|[Find Previous]||Next Change|"
                 "List Every 10 Seconds (checked)"_s);
    }

    void bulkFillMatchesStepByStep_data()
    {
        QTest::addColumn<int>("jobs");
        QTest::addColumn<int>("rowsBefore");
        QTest::newRow("fresh grid, 50,000 jobs") << 50000 << 2;
        QTest::newRow("more rows than jobs") << 3 << 10;
        QTest::newRow("only the header row") << 2 << 1;
    }

    // Against a model filled job by job and cell by cell, both starting full, the window hidden.
    void bulkFillMatchesStepByStep()
    {
        QFETCH(int, jobs);
        QFETCH(int, rowsBefore);
        QWidget window;
        FlexGrid &grid = *new FlexGrid(&window);
        FlexGridModel reference;
        const QAbstractItemModelTester tester(grid.gridModel(), Mode::QtTest);
        for (FlexGridModel *model : {&reference, grid.gridModel()}) {
            model->setGridCols(15);
            model->setGridRows(rowsBefore);
            for (int cell = 0; cell < rowsBefore * 15; ++cell)
                model->setText(cell / 15, cell % 15, u"old %1"_s.arg(cell));
        }
        JobStatusTable table;
        for (int n = 1; n <= jobs; ++n) {
            const QByteArray id = QByteArray::number(n), time = QByteArray::number(-n);
            table.StoreJobStatus(JobStatus{true, id, "s", time});
            reference.setGridRows(n + 1);
            for (const auto &[col, text] : {std::pair(0, id), {1, "s"}, {2, time}})
                reference.setText(n, col, QString::fromLatin1(text));
        }
        FillJobGrid(grid, table);
        QCOMPARE(dump(*grid.gridModel()), dump(reference));
        QVERIFY(!grid.isHidden());
    }

    // The rows answer from the table: a large list is in the grid at once, its last row one
    // key press away and its texts the table's.
    void largeListReachedWithCtrlEnd()
    {
        constexpr int jobs = 200000;
        JobStatusTable table;
        for (int n = 0; n < jobs; ++n)
            table.StoreJobStatus(JobStatus{true, "J" + QByteArray::number(n), "s", "t"});
        FlexGrid grid;
        InitJobGrid(grid);
        grid.resize(400, 300);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        FillJobGrid(grid, table);
        QCOMPARE(grid.Rows(), jobs + 1);
        QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(grid.Row(), jobs);
        QCOMPARE(grid.TextMatrix(jobs, 0), u"J199999"_s);
        QVERIFY(grid.visualRect(grid.currentIndex()).intersects(grid.viewport()->rect()));
    }

    void writesOverTableRows_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("a cell written keeps the row's other texts")
            << u"write"_s << QStringList{kHeader, u"A/s/t"_s, u"B/x/t//y"_s, u"C/s/t"_s};
        QTest::newRow("rows removed and added again come back empty")
            << u"rows"_s << QStringList{kHeader, u"A/s/t"_s, QString(), QString()};
        QTest::newRow("a column removed and added again comes back empty")
            << u"cols"_s
            << QStringList{u"externalId/latestAlertStatus"_s, u"A/s"_s, u"B/s"_s, u"C/s"_s};
        QTest::newRow("cleared, the table's texts go too")
            << u"clear"_s << QStringList{QString(), QString(), QString(), QString()};
        QTest::newRow("the table replaced by an empty one shows empty rows")
            << u"table"_s << QStringList{kHeader, QString(), QString(), QString()};
    }

    void writesOverTableRows()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, rows);
        FlexGrid grid;
        const QAbstractItemModelTester tester(grid.model(), Mode::QtTest);
        InitJobGrid(grid);
        JobStatusTable table;
        for (const char *id : {"A", "B", "C"})
            table.StoreJobStatus(JobStatus{true, id, "s", "t"});
        FillJobGrid(grid, table);
        if (change == u"write"_s)
            grid.setTextMatrix(2, 1, u"x"_s), grid.setTextMatrix(2, 4, u"y"_s);
        else if (change == u"rows"_s)
            grid.setRows(2), grid.setRows(4);
        else if (change == u"cols"_s)
            grid.setCols(2), grid.setCols(15);
        else if (change == u"clear"_s)
            grid.Clear();
        else
            table = JobStatusTable();
        QCOMPARE(dump(*grid.gridModel()), rows);
    }
};

QTEST_MAIN(tst_JobGrid)
#include "tst_jobgrid.moc"
