#include "jobs/FlexGrid.h"
#include "jobs/FlexGridModel.h"
#include "jobs/JobGrid.h"
#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QByteArray job(const QByteArray &id, const QByteArray &status, const QByteArray &time)
{
    return "{\"externalId\": \"" + id + "\", \"latestAlertStatus\": \"" + status
        + "\", \"latestAlertTime\": \"" + time + "\"}";
}

// Columns 0 to 2 of rows 1 .. Rows() - 1, as "id/status/time".
QStringList gridRows(const FlexGrid &grid)
{
    QStringList rows;
    for (int row = 1; row < grid.Rows(); ++row) {
        rows << grid.TextMatrix(row, 0) + u'/' + grid.TextMatrix(row, 1) + u'/'
                + grid.TextMatrix(row, 2);
    }
    return rows;
}

// The fill written out job by job: one row count change and one cell at a time.
void stepByStepFill(FlexGridModel &grid, const JobStatusTable &table)
{
    int n = 0;
    for (qsizetype i = 0; i <= table.upperBound(); ++i) {
        const JobStatus &slot = table.slot(i);
        if (slot.externalId.isEmpty() || slot.latestAlertStatus.isEmpty()
            || slot.latestAlertTime.isEmpty()) {
            continue;
        }
        ++n;
        grid.setGridRows(n + 1);
        grid.setText(n, 0, QString::fromUtf8(slot.externalId));
        grid.setText(n, 1, QString::fromUtf8(slot.latestAlertStatus));
        grid.setText(n, 2, QString::fromUtf8(slot.latestAlertTime));
    }
}

} // namespace

class tst_JobGrid final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void initJobGrid();
    void setRowsKeepsTexts();
    void clearKeepsCounts();
    void operatorPicksRowAndCannotEdit();
    void currentRowSurvivesRowChanges();
    void fillsFollowTheTable();
    void fillAnnouncesUpdatedRows();
    void fillKeepsCurrentRow();
    void fillVisibility_data();
    void fillVisibility();
    void bulkFillMatchesStepByStep_data();
    void bulkFillMatchesStepByStep();

private:
    void clickRow(int row);

    std::unique_ptr<QWidget> m_window;
    FlexGrid *m_grid = nullptr;
};

void tst_JobGrid::init()
{
    m_window = std::make_unique<QWidget>();
    m_window->resize(900, 600);
    auto *layout = new QVBoxLayout(m_window.get());
    m_grid = new FlexGrid(m_window.get());
    layout->addWidget(m_grid);
    InitJobGrid(*m_grid);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_JobGrid::cleanup()
{
    m_window.reset();
    m_grid = nullptr;
}

void tst_JobGrid::clickRow(int row)
{
    const QPoint cell = m_grid->visualRect(m_grid->model()->index(row - 1, 1)).center();
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, cell);
}

void tst_JobGrid::initJobGrid()
{
    QCOMPARE(m_grid->Cols(), 15);
    QCOMPARE(m_grid->Rows(), 2);
    QCOMPARE(m_grid->Row(), 1);
    const QStringList headers = {u"externalId"_s, u"latestAlertStatus"_s, u"latestAlertTime"_s};
    for (int col = 0; col < 15; ++col) {
        QCOMPARE(m_grid->TextMatrix(0, col), headers.value(col));
        QCOMPARE(m_grid->model()->headerData(col, Qt::Horizontal).toString(), headers.value(col));
        QVERIFY(m_grid->TextMatrix(1, col).isEmpty());
    }
    QCOMPARE(m_grid->columnWidth(0), 266);
    QCOMPARE(m_grid->columnWidth(1), 133);
    QCOMPARE(m_grid->columnWidth(2), 266);
    QCOMPARE(m_grid->currentIndex().column(), 0);
    QVERIFY(m_grid->selectionModel()->isRowSelected(0, QModelIndex()));
}

void tst_JobGrid::setRowsKeepsTexts()
{
    m_grid->setTextMatrix(1, 1, u"a"_s);
    m_grid->setRows(5);
    m_grid->setTextMatrix(4, 1, u"z"_s);
    QCOMPARE(m_grid->TextMatrix(1, 1), u"a"_s);
    QVERIFY(m_grid->TextMatrix(3, 1).isEmpty());

    // Rows cut off are gone: growing again brings them back empty.
    m_grid->setRows(3);
    m_grid->setRows(5);
    QVERIFY(m_grid->TextMatrix(4, 1).isEmpty());
    QCOMPARE(m_grid->TextMatrix(1, 1), u"a"_s);

    // The header row always stays.
    m_grid->setRows(0);
    QCOMPARE(m_grid->Rows(), 1);
    QCOMPARE(m_grid->TextMatrix(0, 0), u"externalId"_s);
}

void tst_JobGrid::clearKeepsCounts()
{
    m_grid->setRows(3);
    m_grid->setTextMatrix(2, 14, u"c"_s);
    // Cells outside the grid are ignored rather than created.
    m_grid->setTextMatrix(3, 0, u"x"_s);
    m_grid->setTextMatrix(1, 15, u"x"_s);
    QCOMPARE(m_grid->Rows(), 3);
    QVERIFY(m_grid->TextMatrix(3, 0).isEmpty());

    m_grid->Clear();
    QCOMPARE(m_grid->Cols(), 15);
    QCOMPARE(m_grid->Rows(), 3);
    QVERIFY(m_grid->TextMatrix(2, 14).isEmpty());
    QVERIFY(m_grid->TextMatrix(0, 0).isEmpty());
    QVERIFY(m_grid->model()->headerData(0, Qt::Horizontal).toString().isEmpty());
}

void tst_JobGrid::operatorPicksRowAndCannotEdit()
{
    m_grid->setRows(4);
    m_grid->setTextMatrix(3, 0, u"job"_s);
    clickRow(3);
    QCOMPARE(m_grid->Row(), 3);
    QCOMPARE(m_grid->TextMatrix(m_grid->Row(), 0), u"job"_s);
    QVERIFY(m_grid->selectionModel()->isRowSelected(2, QModelIndex()));

    const QPoint cell = m_grid->visualRect(m_grid->currentIndex()).center();
    QTest::mouseDClick(m_grid->viewport(), Qt::LeftButton, {}, cell);
    QTest::keyClick(m_grid, Qt::Key_F2);
    QCOMPARE(m_grid->findChild<QLineEdit *>(), nullptr);
}

void tst_JobGrid::currentRowSurvivesRowChanges()
{
    m_grid->setRows(6);
    clickRow(4);
    m_grid->setRows(100);
    QCOMPARE(m_grid->Row(), 4);

    // Cutting the current row off moves the current cell onto a remaining row, never row 0.
    m_grid->setRows(3);
    QVERIFY(m_grid->Row() >= 1 && m_grid->Row() <= 2);
    m_grid->setRows(1);
    QCOMPARE(m_grid->Row(), 1);
    QVERIFY(m_grid->TextMatrix(m_grid->Row(), 0).isEmpty());
    m_grid->setRows(3);
    QCOMPARE(m_grid->Row(), 1);
    QVERIFY(m_grid->currentIndex().isValid());
}

void tst_JobGrid::fillsFollowTheTable()
{
    JobStatusTable table;
    ParseJobList("[" + job("A7", "s1", "t1") + ", " + job("B2", "s2", "t2") + "]", table);
    FillJobGrid(*m_grid, table);
    QCOMPARE(gridRows(*m_grid), (QStringList{u"A7/s1/t1"_s, u"B2/s2/t2"_s}));

    ParseJobList("[" + job("B2", "s3", "t3") + "]", table);
    FillJobGrid(*m_grid, table);
    QCOMPARE(gridRows(*m_grid), (QStringList{u"A7/s1/t1"_s, u"B2/s3/t3"_s}));

    ParseJobList("[]", table);
    FillJobGrid(*m_grid, table);
    QCOMPARE(gridRows(*m_grid), (QStringList{u"A7/s1/t1"_s, u"B2/s3/t3"_s}));
    QCOMPARE(m_grid->TextMatrix(0, 0), u"externalId"_s);

    // Record bytes are UTF-8; what does not decode shows as the replacement character.
    ParseJobList(job("caf\xc3\xa9", "bad\xff", "t"), table);
    FillJobGrid(*m_grid, table);
    QCOMPARE(gridRows(*m_grid).value(2), u"caf\u00e9/bad\ufffd/t"_s);
}

void tst_JobGrid::fillAnnouncesUpdatedRows()
{
    // An update changes no row count, so the view learns of it only through dataChanged.
    JobStatusTable table;
    ParseJobList(job("A", "s", "t") + job("B", "s", "t") + job("C", "s", "t"), table);
    FillJobGrid(*m_grid, table);
    ParseJobList(job("C", "new", "t"), table);
    QSignalSpy changed(m_grid->model(), &QAbstractItemModel::dataChanged);
    FillJobGrid(*m_grid, table);
    bool covered = false;
    for (const QList<QVariant> &signal : std::as_const(changed)) {
        const auto topLeft = signal.at(0).value<QModelIndex>();
        const auto bottomRight = signal.at(1).value<QModelIndex>();
        covered = covered
            || (topLeft.row() <= 2 && bottomRight.row() >= 2 && topLeft.column() <= 1
                && bottomRight.column() >= 1);
    }
    QVERIFY(covered);
}

void tst_JobGrid::fillKeepsCurrentRow()
{
    JobStatusTable table;
    ParseJobList(job("A", "s", "t") + job("B", "s", "t"), table);
    FillJobGrid(*m_grid, table);
    clickRow(2);

    ParseJobList(job("C", "s", "t") + job("B", "s2", "t"), table);
    FillJobGrid(*m_grid, table);
    QCOMPARE(m_grid->Row(), 2);
    QCOMPARE(m_grid->TextMatrix(m_grid->Row(), 0), u"B"_s);
    QVERIFY(m_grid->selectionModel()->isRowSelected(1, QModelIndex()));
}

void tst_JobGrid::fillVisibility_data()
{
    QTest::addColumn<bool>("windowShown");
    QTest::addColumn<bool>("gridHidden");
    QTest::addColumn<bool>("withJob");

    QTest::newRow("shown grid stays shown") << true << false << true;
    QTest::newRow("shown grid, empty table") << true << false << false;
    QTest::newRow("grid hidden on purpose stays hidden") << true << true << true;
    QTest::newRow("window not shown yet") << false << false << true;
}

void tst_JobGrid::fillVisibility()
{
    QFETCH(bool, windowShown);
    QFETCH(bool, gridHidden);
    QFETCH(bool, withJob);

    if (!windowShown)
        m_window->hide();
    if (gridHidden)
        m_grid->hide();
    JobStatusTable table;
    if (withJob)
        table.StoreJobStatus(JobStatus{true, "A", "s", "t"});
    FillJobGrid(*m_grid, table);

    QCOMPARE(m_grid->isHidden(), gridHidden);
    QCOMPARE(m_grid->isVisible(), windowShown && !gridHidden);
    QCOMPARE(m_grid->Rows(), 2);
    QCOMPARE(m_grid->TextMatrix(1, 0), withJob ? u"A"_s : QString());
}

void tst_JobGrid::bulkFillMatchesStepByStep_data()
{
    QTest::addColumn<int>("jobs");
    QTest::addColumn<int>("rowsBefore");
    QTest::addColumn<int>("colsBefore");

    QTest::newRow("fresh grid, 50,000 jobs") << 50000 << 2 << 15;
    QTest::newRow("more rows than jobs") << 3 << 10 << 15;
    QTest::newRow("fewer rows than jobs") << 7 << 4 << 15;
    QTest::newRow("only the header row") << 2 << 1 << 15;
    QTest::newRow("two columns") << 4 << 2 << 2;
}

void tst_JobGrid::bulkFillMatchesStepByStep()
{
    QFETCH(int, jobs);
    QFETCH(int, rowsBefore);
    QFETCH(int, colsBefore);

    JobStatusTable table;
    for (int i = 0; i < jobs; ++i)
        table.StoreJobStatus(JobStatus{true, QByteArray::number(i), "s", QByteArray::number(-i)});

    // Both grids start alike, with texts left in several columns of every row.
    FlexGridModel reference;
    reference.setGridCols(colsBefore);
    reference.setGridRows(rowsBefore);
    m_grid->Clear();
    m_grid->setCols(colsBefore);
    m_grid->setRows(rowsBefore);
    for (int row = 0; row < rowsBefore; ++row) {
        for (int col = 0; col < colsBefore; col += 4) {
            reference.setText(row, col, u"old %1,%2"_s.arg(row).arg(col));
            m_grid->setTextMatrix(row, col, u"old %1,%2"_s.arg(row).arg(col));
        }
    }

    stepByStepFill(reference, table);
    FillJobGrid(*m_grid, table);

    QCOMPARE(m_grid->Rows(), reference.gridRows());
    QCOMPARE(m_grid->Cols(), reference.gridCols());
    for (int row = 0; row < reference.gridRows(); ++row) {
        for (int col = 0; col < reference.gridCols(); ++col) {
            if (m_grid->TextMatrix(row, col) != reference.text(row, col)) {
                QFAIL(qPrintable(u"cell %1,%2: [%3] instead of [%4]"_s.arg(row).arg(col).arg(
                    m_grid->TextMatrix(row, col), reference.text(row, col))));
            }
        }
    }
    QVERIFY(m_grid->Row() >= 1 && m_grid->Row() < m_grid->Rows());
}

QTEST_MAIN(tst_JobGrid)
#include "tst_jobgrid.moc"
