#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>

// Cell texts of a FlexGrid. Grid row 0 is the header row and is served as the horizontal
// header; grid rows 1 .. gridRows() - 1 are model rows 0 .. gridRows() - 2. Only rows with a
// written cell are stored, each up to its last written column, so a large grid of mostly empty
// cells stays small. Texts are kept as UTF-8 and decoded when read.
//
// A block of rows can instead be answered by a row source (the job table): a million rows are
// then there at once, with no row made or copied, and a row is stored only when one of its
// cells is written.
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
    // The UTF-8 bytes of a cell, as stored or as the row source gives them.
    QByteArray utf8Text(int row, int col) const;
    // Empties every cell, headers included, and lets go of the row source.
    void clearTexts();

    // Gives the first `cols` columns of rows firstRow .. firstRow + rows - 1 the texts
    // source(row - firstRow, col) hands out, in place of what those rows held; their later
    // columns become empty. The rows must exist. The source is asked each time a cell is read,
    // so it must stay valid while it is set; it replaces any earlier source.
    using RowSource = std::function<QByteArray(qsizetype index, int col)>;
    void setRowSource(int firstRow, int rows, int cols, RowSource source);
    // The other roles of the source's cells (font, colours, tool tip, accessible description),
    // asked for each cell as it is painted or read; an invalid QVariant leaves the grid's own.
    // Set after setRowSource, which lets go of an earlier one.
    using RowLook = std::function<QVariant(qsizetype index, int col, int role)>;
    void setRowLook(RowLook look);

    // Between these calls writes are not announced one by one; endBulkWrite() announces
    // everything written in one go.
    void beginBulkWrite();
    void endBulkWrite();

private:
    bool contains(int row, int col) const;
    bool fromSource(int row, int col) const;
    // The stored cells of a row, made (with what the source shows of it) on its first write.
    QList<QByteArray> &storedRow(int row);
    void announce(int row, int firstCol, int lastCol);

    QHash<int, QList<QByteArray>> m_cells;
    int m_rows = 2;
    int m_cols = 2;
    RowSource m_source;
    RowLook m_look;
    int m_sourceFirst = 1;
    int m_sourceRows = 0;
    int m_sourceCols = 0;
    bool m_bulk = false;
    int m_bulkTop = 0;
    int m_bulkBottom = -1;
    int m_bulkLeft = 0;
    int m_bulkRight = -1;
};
