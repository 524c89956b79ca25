#include "JobGrid.h"

#include "FlexGrid.h"
#include "FlexGridModel.h"
#include "ProgramLook.h"
#include "jobs/JobStatusTable.h"

#include <QLocale>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Whether the grid is to be seen once its window is: a grid inside a window that is not
// shown yet counts as visible unless it was hidden on purpose.
bool meantToBeVisible(const FlexGrid &grid)
{
    return grid.isWindow() ? grid.isVisible() : grid.isVisibleTo(grid.parentWidget());
}

// The grid's columns that show a job: externalId, latestAlertStatus, latestAlertTime.
constexpr int kJobCols = 3;

QByteArray jobText(const JobStatusTable &table, qsizetype index, int col)
{
    // A table replaced by a smaller one (a fresh start of the window) has no such job.
    if (index >= table.jobCount())
        return QByteArray();
    const JobStatus &job = table.slot(index);
    switch (col) {
    case 0:
        return job.externalId;
    case 1:
        return job.latestAlertStatus;
    case 2:
        return job.latestAlertTime;
    default:
        return QByteArray();
    }
}

// Why a cell is marked, for its tool tip and accessible description; empty when it is not.
QString markText(const JobListHistory &history, qsizetype index, int col, unsigned marks)
{
    const QString list = QLocale::c().toString(history.lastListTime().time(), u"HH:mm:ss"_s);
    if (marks & JobListHistory::New)
        return u"new in the list of %1"_s.arg(list);
    if (marks & JobListHistory::NotListed)
        return u"not in the list of %1"_s.arg(list);
    const JobListHistory::Change *change = history.changeOf(index);
    if (change && col == 1 && (marks & JobListHistory::StatusChanged))
        return u"was \"%1\" until the list of %2"_s.arg(
            QString::fromUtf8(change->latestAlertStatus), list);
    if (change && col == 2 && (marks & JobListHistory::TimeChanged))
        return u"was \"%1\" until the list of %2"_s.arg(QString::fromUtf8(change->latestAlertTime),
                                                        list);
    return QString();
}

QVariant jobLook(const JobStatusTable &table, const QFont &bold, const QColor &notListed,
                 qsizetype index, int col, int role)
{
    if (index >= table.jobCount() || col >= kJobCols)
        return QVariant();
    const unsigned marks = table.history().marks(index, table.slot(index));
    if (marks == JobListHistory::Unmarked)
        return QVariant();
    switch (role) {
    case Qt::FontRole:
        return marks & JobListHistory::New ? QVariant(bold) : QVariant();
    case Qt::ForegroundRole:
        return marks & JobListHistory::NotListed ? QVariant(notListed) : QVariant();
    case Qt::BackgroundRole: {
        const bool changed = (col == 1 && (marks & JobListHistory::StatusChanged))
            || (col == 2 && (marks & JobListHistory::TimeChanged));
        return changed ? QVariant(kChangedBack) : QVariant();
    }
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        if (const QString text = markText(table.history(), index, col, marks); !text.isEmpty())
            return text;
        return QVariant();
    default:
        return QVariant();
    }
}

} // namespace

void InitJobGrid(FlexGrid &grid)
{
    grid.Clear();
    grid.setCols(15);
    grid.setTextMatrix(0, 0, u"externalId"_s);
    grid.setColWidth(0, 4000);
    grid.setTextMatrix(0, 1, u"latestAlertStatus"_s);
    grid.setColWidth(1, 2000);
    grid.setTextMatrix(0, 2, u"latestAlertTime"_s);
    grid.setColWidth(2, 4000);
    for (int col = 3; col <= 13; ++col)
        grid.setTextMatrix(0, col, QString());
    grid.setCol(0);
    grid.setColSel(grid.Cols() - 1);
}

void FillJobGrid(FlexGrid &grid, const JobStatusTable &JobStatuses)
{
    const bool visible = meantToBeVisible(grid);
    const bool focused = grid.hasFocus();
    grid.setVisible(false);

    // The slots in use are always slots 0 to jobCount() - 1, in order of first sight.
    const int jobs = int(JobStatuses.jobCount());

    if (jobs > 0) {
        // Written job by job, the first job sets the row count to 2 and every further job
        // adds one fresh row; so rows 2 onwards end up holding the job's three texts only,
        // while row 1 keeps whatever its other columns held. The rows answer from the table
        // itself, so a million jobs are shown without a row being made.
        FlexGridModel &model = *grid.gridModel();
        QList<QByteArray> firstRow;
        for (int col = 0; col < model.gridCols(); ++col)
            firstRow.append(model.utf8Text(1, col));
        grid.setRows(jobs + 1);
        model.beginBulkWrite();
        model.setRowSource(1, jobs, kJobCols, [&JobStatuses](qsizetype index, int col) {
            return jobText(JobStatuses, index, col);
        });
        QFont bold = grid.font();
        bold.setBold(true);
        const QColor notListed = grid.palette().color(QPalette::Disabled, QPalette::Text);
        model.setRowLook([&JobStatuses, bold, notListed](qsizetype index, int col, int role) {
            return jobLook(JobStatuses, bold, notListed, index, col, role);
        });
        for (int col = kJobCols; col < firstRow.size(); ++col) {
            if (!firstRow.at(col).isEmpty())
                model.setText(1, col, QString::fromUtf8(firstRow.at(col)));
        }
        model.endBulkWrite();
    }

    if (visible)
        grid.setVisible(true);
    // Hiding took the keyboard focus away; the operator keeps it.
    if (focused)
        grid.setFocus(Qt::OtherFocusReason);
}

void selectNextChange(FlexGrid &grid, const JobStatusTable &JobStatuses, bool forward)
{
    const qsizetype jobs = std::min<qsizetype>(JobStatuses.jobCount(), grid.Rows() - 1);
    const qsizetype slot = JobStatuses.history().nextMarked(grid.Row() - 1, forward, jobs);
    if (slot >= 0)
        grid.selectRowAlone(int(slot) + 1);
}
