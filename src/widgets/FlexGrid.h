#pragma once

#include <QTableView>

class FindBar;
class FlexGridModel;
class QMenu;

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
    // Makes the row (1 or more) current, selected alone, and scrolls to it.
    void selectRowAlone(int row);

    FlexGridModel *gridModel() const;

    // The selected rows as text: cells separated by a tab, each row ended by CR LF, only the
    // columns that hold text in any of them. Ctrl+C and the context menu's Copy put it on the
    // clipboard.
    QString selectedRowsText() const;
    void copySelectedRows() const;

    // Ctrl+F: the find field over the grid, for rows whose externalId (column 0) holds the
    // text; the next and previous such row, wrapping at the ends.
    void openFind();
    void findNext();
    void findPrevious();
    // Further entries for the context menu, after its own; the grid does not own them.
    void addMenuAction(QAction *action);

protected:
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void fitRowHeight();
    void keepCurrentCell(int row, int col);
    void search();
    void selectFound(qsizetype index);
    // Rows that came or went make the found rows stale.
    void dropFound();

    FlexGridModel *m_model;
    // Built once, for the reason TrafficView's is: a fresh menu at each opening would leave
    // an entry from outside tied, for accessibility, to the first menu that listed it.
    QMenu *m_menu;
    QAction *m_copyAction = nullptr;
    QList<QAction *> m_findSteps;
    FindBar *m_findBar = nullptr;
    // The rows found (1 or more), and the index of the selected one (-1 when none).
    QList<int> m_foundRows;
    qsizetype m_currentFound = -1;
};
