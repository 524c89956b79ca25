#include "FlexGrid.h"

#include "FlexGridModel.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Column widths come in twips; the grid is laid out at 96 dpi, 15 twips to the pixel.
constexpr int kTwipsPerPixel = 15;

} // namespace

FlexGrid::FlexGrid(QWidget *parent)
    : QTableView(parent)
    , m_model(new FlexGridModel(this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // Several rows may be selected for copying; the current row stays the one acted on.
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->hide();
    // One line of text per row at a fixed height: compact, and no per-row measuring of large
    // lists.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    fitRowHeight();
    // Widths come from the program in twips; a narrow width must not be widened behind its back.
    horizontalHeader()->setMinimumSectionSize(0);
    setCurrentIndex(m_model->index(0, 0));
}

FlexGrid::~FlexGrid() = default;

void FlexGrid::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitRowHeight();
}

void FlexGrid::fitRowHeight()
{
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
}

void FlexGrid::Clear()
{
    m_model->clearTexts();
}

int FlexGrid::Cols() const
{
    return m_model->gridCols();
}

void FlexGrid::setCols(int cols)
{
    const int col = currentIndex().isValid() ? currentIndex().column() : 0;
    m_model->setGridCols(cols);
    keepCurrentCell(Row(), col);
}

int FlexGrid::Rows() const
{
    return m_model->gridRows();
}

void FlexGrid::setRows(int rows)
{
    const int col = currentIndex().isValid() ? currentIndex().column() : 0;
    const int row = Row();
    m_model->setGridRows(rows);
    keepCurrentCell(row, col);
}

QString FlexGrid::TextMatrix(int row, int col) const
{
    return m_model->text(row, col);
}

void FlexGrid::setTextMatrix(int row, int col, const QString &text)
{
    m_model->setText(row, col, text);
}

void FlexGrid::setColWidth(int col, int twips)
{
    if (col < 0 || col >= Cols())
        return;
    // A negative width asks for the grid's default width.
    const int pixels = twips >= 0 ? twips / kTwipsPerPixel
                                  : horizontalHeader()->defaultSectionSize();
    setColumnWidth(col, pixels);
}

void FlexGrid::setCol(int col)
{
    if (col < 0 || col >= Cols() || m_model->rowCount() == 0)
        return;
    setCurrentIndex(m_model->index(Row() - 1, col));
}

void FlexGrid::setColSel(int col)
{
    const QModelIndex current = currentIndex();
    if (col < 0 || col >= Cols() || !current.isValid())
        return;
    const int left = qMin(current.column(), col);
    const int right = qMax(current.column(), col);
    selectionModel()->select(
        QItemSelection(m_model->index(current.row(), left), m_model->index(current.row(), right)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int FlexGrid::Row() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : 1;
}

FlexGridModel *FlexGrid::gridModel() const
{
    return m_model;
}

void FlexGrid::keepCurrentCell(int row, int col)
{
    // Removing the current row or column can leave the view without a current cell; the
    // grid always has one while it has a data row.
    if (currentIndex().isValid() || m_model->rowCount() == 0)
        return;
    const int lastRow = m_model->rowCount();
    setCurrentIndex(m_model->index(qBound(1, row, lastRow) - 1, qBound(0, col, Cols() - 1)));
}

QString FlexGrid::selectedRowsText() const
{
    QList<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        rows.append(index.row() + 1);
    std::sort(rows.begin(), rows.end());
    QList<int> cols;
    for (int col = 0; col < Cols(); ++col) {
        if (std::any_of(rows.cbegin(), rows.cend(),
                        [&](int row) { return !TextMatrix(row, col).isEmpty(); }))
            cols.append(col);
    }
    QString text;
    for (const int row : std::as_const(rows)) {
        QStringList cells;
        for (const int col : std::as_const(cols))
            cells.append(TextMatrix(row, col));
        text += cells.join(u'\t') + u"\r\n"_s;
    }
    return text;
}

void FlexGrid::copySelectedRows() const
{
    QGuiApplication::clipboard()->setText(selectedRowsText());
}

void FlexGrid::keyPressEvent(QKeyEvent *event)
{
    if (event == QKeySequence::Copy) {
        copySelectedRows();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void FlexGrid::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    QAction *copy = menu.addAction(tr("Copy"), this, &FlexGrid::copySelectedRows);
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(selectionModel()->hasSelection());
    menu.exec(event->globalPos());
}
