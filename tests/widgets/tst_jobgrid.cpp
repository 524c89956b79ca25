#include "FlexGrid.h"
#include "FlexGridModel.h"
#include "JobGrid.h"
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

class tst_JobGrid final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fillsFollowTheTable()
    {
        FlexGrid grid;
        const QAbstractItemModelTester tester(grid.model(), Mode::QtTest);
        InitJobGrid(grid);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        const auto at = [&](const QModelIndex &cell) { return grid.visualRect(cell).center(); };
        const QString header = u"externalId/latestAlertStatus/latestAlertTime"_s;
        QCOMPARE(dump(*grid.gridModel()), (QStringList{header, QString()}));
        QCOMPARE(std::pair(grid.Cols(), grid.Row()), std::pair(15, 1));

        JobStatusTable table;
        const auto show = [&](const QByteArrayList &jobs, const QByteArray &status = "s") {
            for (const QByteArray &id : jobs)
                table.StoreJobStatus(JobStatus{true, id, status, "t"});
            FillJobGrid(grid, table);
        };
        show({"A7", "caf\xc3\xa9"});
        QCOMPARE(dump(*grid.gridModel()), (QStringList{header, u"A7/s/t"_s, u"caf\u00e9/s/t"_s}));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, at(grid.model()->index(1, 1)));

        // An update changes no row count, so the view learns of it only through dataChanged.
        QSignalSpy changed(grid.model(), &QAbstractItemModel::dataChanged);
        show({"caf\xc3\xa9"}, "s2");
        QVERIFY(!changed.isEmpty());
        show({"C"});
        show({});
        QCOMPARE(dump(*grid.gridModel()),
                 (QStringList{header, u"A7/s/t"_s, u"caf\u00e9/s2/t"_s, u"C/s/t"_s}));
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
};

QTEST_MAIN(tst_JobGrid)
#include "tst_jobgrid.moc"
