#include "FlexGridModel.h"

FlexGridModel::FlexGridModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_cells(2)
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
    if (role != Qt::DisplayRole || !index.isValid())
        return QVariant();
    return text(index.row() + 1, index.column());
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
    return static_cast<int>(m_cells.size());
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
        m_cells.resize(rows);
        endInsertRows();
    } else if (rows < old) {
        beginRemoveRows(QModelIndex(), rows - 1, old - 2);
        m_cells.resize(rows);
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
        m_cols = cols;
        endRemoveColumns();
    }
}

QString FlexGridModel::text(int row, int col) const
{
    if (!contains(row, col))
        return QString();
    return QString::fromUtf8(m_cells.at(row).value(col));
}

void FlexGridModel::setText(int row, int col, const QString &text)
{
    if (!contains(row, col))
        return;
    QList<QByteArray> &cells = m_cells[row];
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
    QList<QByteArray> &cells = m_cells[row];
    const int written = static_cast<int>(qMin<qsizetype>(utf8Texts.size(), m_cols));
    const int lastCol = static_cast<int>(qMax<qsizetype>(cells.size(), written)) - 1;
    utf8Texts.resize(written);
    cells = std::move(utf8Texts);
    if (lastCol >= 0)
        announce(row, 0, lastCol);
}

void FlexGridModel::clearTexts()
{
    // Assigning an empty list also gives back the row's storage, which clear() keeps.
    for (QList<QByteArray> &row : m_cells)
        row = QList<QByteArray>();
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

bool FlexGridModel::contains(int row, int col) const
{
    return row >= 0 && row < gridRows() && col >= 0 && col < m_cols;
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
