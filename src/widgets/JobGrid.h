#pragma once

class FlexGrid;
class JobStatusTable;

// Headers, widths and selection of the job grid; run once at start-up.
void InitJobGrid(FlexGrid &grid);

// Shows every job of the table in rows 1 to n, in slot order. The rows read the table's texts
// when they are shown, so the table must stay alive while the grid does, unless the grid is
// cleared (InitJobGrid) before the table goes.
//
// The rows show what the last list changed (JobListHistory), without a change to any text: a
// new job's row in bold, a changed status or time on a tint, a job the list did not name in
// the disabled text colour. Each marked cell's tool tip and accessible description say why:
// "new in the list of 14:03:12", "was "OK" until the list of 14:03:12", "not in the list of
// 14:03:12".
void FillJobGrid(FlexGrid &grid, const JobStatusTable &JobStatuses);

// Selects the next row (backwards: the previous one) that the last list marked, wrapping at
// the ends; nothing when no row is marked.
void selectNextChange(FlexGrid &grid, const JobStatusTable &JobStatuses, bool forward);
