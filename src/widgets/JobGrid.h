#pragma once

class FlexGrid;
class JobStatusTable;

// Headers, widths and selection of the job grid; run once at start-up.
void InitJobGrid(FlexGrid &grid);

// Shows every job of the table in rows 1 to n, in slot order. The rows read the table's texts
// when they are shown, so the table must stay alive while the grid does, unless the grid is
// cleared (InitJobGrid) before the table goes.
void FillJobGrid(FlexGrid &grid, const JobStatusTable &JobStatuses);
