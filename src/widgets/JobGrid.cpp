#include "JobGrid.h"

#include "FlexGrid.h"
#include "FlexGridModel.h"
#include "jobs/JobStatusTable.h"

using namespace Qt::StringLiterals;

namespace {

// Whether the grid is to be seen once its window is: a grid inside a window that is not
// shown yet counts as visible unless it was hidden on purpose.
bool meantToBeVisible(const FlexGrid &grid)
{
    return grid.isWindow() ? grid.isVisible() : grid.isVisibleTo(grid.parentWidget());
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
        // while row 1 keeps whatever its other columns held. Setting the final count once
        // and writing silently gives that same grid without a signal per cell.
        grid.setRows(jobs + 1);
        FlexGridModel &model = *grid.gridModel();
        model.beginBulkWrite();
        for (int row = 1; row <= jobs; ++row) {
            const JobStatus &job = JobStatuses.slot(row - 1);
            QList<QByteArray> texts = {job.externalId, job.latestAlertStatus, job.latestAlertTime};
            if (row == 1) {
                for (int col = 0; col < texts.size(); ++col)
                    model.setText(row, col, QString::fromUtf8(texts.at(col)));
            } else {
                model.setRowTexts(row, std::move(texts));
            }
        }
        model.endBulkWrite();
    }

    if (visible)
        grid.setVisible(true);
    // Hiding took the keyboard focus away; the operator keeps it.
    if (focused)
        grid.setFocus(Qt::OtherFocusReason);
}
