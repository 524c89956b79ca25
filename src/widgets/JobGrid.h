#pragma once

class FlexGrid;
class JobStatusTable;

// Headers, widths and selection of the job grid; run once at start-up.
void InitJobGrid(FlexGrid &grid);

// Writes every job of the table into rows 1 to n, in slot order. Never removes rows.
void FillJobGrid(FlexGrid &grid, const JobStatusTable &JobStatuses);
