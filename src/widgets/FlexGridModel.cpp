#include "FlexGridModel.h"

FlexGridModel::FlexGridModel(QObject *parent)
    : QAbstractTableModel(parent)
{ }

FlexGridModel::~FlexGridModel() = default;

int FlexGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : gridRows() - 1;
}

int FlexGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_cols;
}

QVariant FlexGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const int row = index.row() + 1;
    if (role == Qt::DisplayRole)
        return text(row, index.column());
    if (m_look && fromSource(row, index.column()) && !m_cells.contains(row))
        return m_look(row - m_sourceFirst, index.column(), role);
    return QVariant();
}

QVariant FlexGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return text(0, section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags FlexGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

int FlexGridModel::gridRows() const
{
    return m_rows;
}

int FlexGridModel::gridCols() const
{
    return m_cols;
}

void FlexGridModel::setGridRows(int rows)
{
    rows = qMax(rows, 1);
    const int old = gridRows();
    if (rows > old) {
        beginInsertRows(QModelIndex(), old - 1, rows - 2);
        m_rows = rows;
        endInsertRows();
    } else if (rows < old) {
        beginRemoveRows(QModelIndex(), rows - 1, old - 2);
        // Cells of removed rows are gone: adding rows again shows them empty.
        m_cells.removeIf([rows](const auto &row) { return row.key() >= rows; });
        m_sourceRows = qBound(0, rows - m_sourceFirst, m_sourceRows);
        m_rows = rows;
        endRemoveRows();
    }
}

void FlexGridModel::setGridCols(int cols)
{
    cols = qMax(cols, 1);
    if (cols > m_cols) {
        beginInsertColumns(QModelIndex(), m_cols, cols - 1);
        m_cols = cols;
        endInsertColumns();
    } else if (cols < m_cols) {
        beginRemoveColumns(QModelIndex(), cols, m_cols - 1);
        // Cells of removed columns are gone: widening again shows them empty.
        for (QList<QByteArray> &row : m_cells) {
            if (row.size() > cols)
                row.resize(cols);
        }
        m_sourceCols = qMin(m_sourceCols, cols);
        m_cols = cols;
        endRemoveColumns();
    }
}

QString FlexGridModel::text(int row, int col) const
{
    return QString::fromUtf8(utf8Text(row, col));
}

QByteArray FlexGridModel::utf8Text(int row, int col) const
{
    if (!contains(row, col))
        return QByteArray();
    const auto stored = m_cells.constFind(row);
    if (stored != m_cells.cend())
        return stored->value(col);
    if (fromSource(row, col))
        return m_source(row - m_sourceFirst, col);
    return QByteArray();
}

void FlexGridModel::setText(int row, int col, const QString &text)
{
    if (!contains(row, col))
        return;
    if (text.isEmpty() && !m_cells.contains(row) && !fromSource(row, col))
        return;
    QList<QByteArray> &cells = storedRow(row);
    if (col >= cells.size()) {
        if (text.isEmpty())
            return;
        cells.resize(col + 1);
    }
    cells[col] = text.toUtf8();
    announce(row, col, col);
}

void FlexGridModel::setRowTexts(int row, QList<QByteArray> utf8Texts)
{
    if (!contains(row, 0))
        return;
    QList<QByteArray> &cells = storedRow(row);
    const int written = static_cast<int>(qMin<qsizetype>(utf8Texts.size(), m_cols));
    const int lastCol = static_cast<int>(qMax<qsizetype>(cells.size(), written)) - 1;
    utf8Texts.resize(written);
    cells = std::move(utf8Texts);
    if (lastCol >= 0)
        announce(row, 0, lastCol);
}

void FlexGridModel::clearTexts()
{
    // Assigning an empty hash also gives back the storage, which clear() keeps.
    m_cells = QHash<int, QList<QByteArray>>();
    m_source = nullptr;
    m_look = nullptr;
    m_sourceRows = 0;
    if (m_bulk) {
        announce(0, 0, m_cols - 1);
        announce(gridRows() - 1, 0, m_cols - 1);
        return;
    }
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, m_cols - 1);
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, m_cols - 1), {Qt::DisplayRole});
}

void FlexGridModel::beginBulkWrite()
{
    m_bulk = true;
    m_bulkTop = gridRows();
    m_bulkBottom = -1;
    m_bulkLeft = m_cols;
    m_bulkRight = -1;
}

void FlexGridModel::endBulkWrite()
{
    if (!m_bulk)
        return;
    m_bulk = false;
    // Rows or columns may have been removed since the write; announce only what remains.
    const int bottom = qMin(m_bulkBottom, gridRows() - 1);
    const int right = qMin(m_bulkRight, m_cols - 1);
    if (m_bulkTop > bottom || m_bulkLeft > right)
        return;
    if (m_bulkTop == 0)
        Q_EMIT headerDataChanged(Qt::Horizontal, m_bulkLeft, right);
    const int firstDataRow = qMax(m_bulkTop, 1);
    if (firstDataRow <= bottom) {
        Q_EMIT dataChanged(index(firstDataRow - 1, m_bulkLeft), index(bottom - 1, right),
                           {Qt::DisplayRole});
    }
}

void FlexGridModel::setRowSource(int firstRow, int rows, int cols, RowSource source)
{
    firstRow = qMax(firstRow, 0);
    rows = qBound(0, rows, gridRows() - firstRow);
    cols = qBound(0, cols, m_cols);
    // The rows of the earlier source that the new one does not cover keep what they showed.
    const int oldFirst = m_sourceFirst;
    const int oldEnd = m_sourceFirst + m_sourceRows;
    for (int row = oldFirst; row < oldEnd; ++row) {
        if (row < firstRow || row >= firstRow + rows)
            storedRow(row);
    }
    for (int row = firstRow; row < firstRow + rows; ++row)
        m_cells.remove(row);
    m_source = std::move(source);
    m_look = nullptr;
    m_sourceFirst = firstRow;
    m_sourceRows = m_source ? rows : 0;
    m_sourceCols = cols;
    if (rows > 0) {
        announce(firstRow, 0, m_cols - 1);
        announce(firstRow + rows - 1, 0, m_cols - 1);
    }
}

void FlexGridModel::setRowLook(RowLook look)
{
    m_look = std::move(look);
    if (m_sourceRows > 0) {
        announce(m_sourceFirst, 0, m_cols - 1);
        announce(m_sourceFirst + m_sourceRows - 1, 0, m_cols - 1);
    }
}

bool FlexGridModel::contains(int row, int col) const
{
    return row >= 0 && row < gridRows() && col >= 0 && col < m_cols;
}

bool FlexGridModel::fromSource(int row, int col) const
{
    return row >= m_sourceFirst && row < m_sourceFirst + m_sourceRows && col < m_sourceCols;
}

QList<QByteArray> &FlexGridModel::storedRow(int row)
{
    const auto stored = m_cells.find(row);
    if (stored != m_cells.end())
        return *stored;
    QList<QByteArray> cells;
    if (fromSource(row, 0)) {
        for (int col = 0; col < m_sourceCols; ++col)
            cells.append(m_source(row - m_sourceFirst, col));
    }
    return *m_cells.insert(row, std::move(cells));
}

void FlexGridModel::announce(int row, int firstCol, int lastCol)
{
    if (m_bulk) {
        m_bulkTop = qMin(m_bulkTop, row);
        m_bulkBottom = qMax(m_bulkBottom, row);
        m_bulkLeft = qMin(m_bulkLeft, firstCol);
        m_bulkRight = qMax(m_bulkRight, lastCol);
        return;
    }
    if (row == 0) {
        Q_EMIT headerDataChanged(Qt::Horizontal, firstCol, lastCol);
        return;
    }
    Q_EMIT dataChanged(index(row - 1, firstCol), index(row - 1, lastCol), {Qt::DisplayRole});
}
