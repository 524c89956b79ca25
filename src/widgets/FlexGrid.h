#pragma once

#include <QTableView>

class FlexGridModel;

// The job grid: a table of cell texts with one fixed header row (row 0, shown as the
// view's column headers). Rows and columns are counted with the header row included, so
// Rows() == 2 means the header plus one data row. The current row is never row 0.
class FlexGrid final : public QTableView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FlexGrid)

public:
    explicit FlexGrid(QWidget *parent = nullptr);
    ~FlexGrid() override;

    // Empties every cell, keeping the numbers of rows and columns.
    void Clear();
    int Cols() const;
    void setCols(int cols);
    int Rows() const;
    // Existing cells keep their texts; new cells are empty.
    void setRows(int rows);
    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString &text);
    void setColWidth(int col, int twips);
    void setCol(int col);
    void setColSel(int col);
    // Row of the current cell (1 or more).
    int Row() const;

    FlexGridModel *gridModel() const;

protected:
    void changeEvent(QEvent *event) override;

private:
    void fitRowHeight();
    void keepCurrentCell(int row, int col);

    FlexGridModel *m_model;
};
