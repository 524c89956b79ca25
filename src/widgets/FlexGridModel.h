#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QList>
#include <QString>

// Cell texts of a FlexGrid. Grid row 0 is the header row and is served as the horizontal
// header; grid rows 1 .. gridRows() - 1 are model rows 0 .. gridRows() - 2. Each row keeps
// texts only up to its last written column, so a large grid of mostly empty cells stays small.
// Texts are kept as UTF-8 and decoded when read: a grid of a hundred thousand jobs shares the
// job table's bytes instead of holding a second, wider copy of each text.
class FlexGridModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FlexGridModel)

public:
    explicit FlexGridModel(QObject *parent = nullptr);
    ~FlexGridModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Counts in grid terms, header row included. A grid keeps at least its header row and
    // one column; smaller counts are raised to that.
    int gridRows() const;
    int gridCols() const;
    void setGridRows(int rows);
    void setGridCols(int cols);

    // Cells outside the grid read as empty; writes to them are ignored.
    QString text(int row, int col) const;
    void setText(int row, int col, const QString &text);
    // Replaces a whole row: UTF-8 texts, kept as given (shared, not copied), fill columns 0
    // onwards, every later column becomes empty.
    void setRowTexts(int row, QList<QByteArray> utf8Texts);
    // Empties every cell, headers included.
    void clearTexts();

    // Between these calls writes are not announced one by one; endBulkWrite() announces
    // everything written in one go.
    void beginBulkWrite();
    void endBulkWrite();

private:
    bool contains(int row, int col) const;
    void announce(int row, int firstCol, int lastCol);

    QList<QList<QByteArray>> m_cells;
    int m_cols = 2;
    bool m_bulk = false;
    int m_bulkTop = 0;
    int m_bulkBottom = -1;
    int m_bulkLeft = 0;
    int m_bulkRight = -1;
};
