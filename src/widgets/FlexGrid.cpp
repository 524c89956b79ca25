#include "FlexGrid.h"

#include "FindBar.h"
#include "FlexGridModel.h"
#include "text/ByteFinder.h"

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
    , m_menu(new QMenu(this))
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
    connect(m_model, &QAbstractItemModel::modelReset, this, &FlexGrid::dropFound);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &FlexGrid::dropFound);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &FlexGrid::dropFound);
    m_copyAction = m_menu->addAction(tr("Copy"), this, &FlexGrid::copySelectedRows);
    m_copyAction->setShortcut(QKeySequence::Copy);
    m_menu->addSeparator();
    m_findSteps = FindBar::addMenuActions(*m_menu, this);
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
    if (event == QKeySequence::Find) {
        openFind();
        return;
    }
    if (event == QKeySequence::FindNext || event == QKeySequence::FindPrevious) {
        if (event == QKeySequence::FindNext)
            findNext();
        else
            findPrevious();
        return;
    }
    QTableView::keyPressEvent(event);
}

void FlexGrid::contextMenuEvent(QContextMenuEvent *event)
{
    m_copyAction->setEnabled(selectionModel()->hasSelection());
    for (QAction *step : std::as_const(m_findSteps))
        step->setEnabled(!m_foundRows.isEmpty());
    // No event loop of its own: a chosen entry acts once the menu has closed.
    m_menu->popup(event->globalPos());
}

void FlexGrid::addMenuAction(QAction *action)
{
    // The entries from outside come after a separator of their own.
    if (m_menu->actions().constLast() == m_findSteps.constLast())
        m_menu->addSeparator();
    m_menu->addAction(action);
}

void FlexGrid::openFind()
{
    if (!m_findBar)
        m_findBar = FindBar::over(this, &FlexGrid::search);
    m_findBar->open();
    search();
}

void FlexGrid::search()
{
    m_foundRows.clear();
    m_currentFound = -1;
    const QByteArray text = m_findBar->text().toUtf8();
    if (text.isEmpty()) {
        m_findBar->clearCount();
        return;
    }
    // The same matching as the traffic panes: UTF-8 bytes, ASCII letters in either case.
    const ByteFinder finder(text, m_findBar->matchCase());
    const int rows = Rows();
    for (int row = 1; row < rows; ++row) {
        const QByteArray id = TextMatrix(row, 0).toUtf8();
        if (finder.indexIn(id, 0, id.size()) >= 0)
            m_foundRows.append(row);
    }
    // The first found row from the current one on.
    const auto from = std::lower_bound(m_foundRows.cbegin(), m_foundRows.cend(), Row());
    if (!m_foundRows.isEmpty())
        selectFound(from == m_foundRows.cend() ? 0 : from - m_foundRows.cbegin());
    m_findBar->showCount(m_currentFound + 1, m_foundRows.size(), true);
}

void FlexGrid::selectRowAlone(int row)
{
    const QModelIndex cell = m_model->index(row - 1, 0);
    if (!cell.isValid())
        return;
    // The row alone: the view's own selecting would read the keys held, and Shift (as in
    // Shift+Enter or Shift+F8 for the previous one) would extend the selection to it.
    const auto alone = QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    selectionModel()->setCurrentIndex(cell, alone);
    scrollTo(cell);
}

void FlexGrid::selectFound(qsizetype index)
{
    m_currentFound = index;
    selectRowAlone(m_foundRows.at(index));
    if (m_findBar)
        m_findBar->showCount(index + 1, m_foundRows.size(), true);
}

void FlexGrid::dropFound()
{
    m_foundRows.clear();
    m_currentFound = -1;
    if (m_findBar)
        m_findBar->clearCount();
}

void FlexGrid::findNext()
{
    if (!m_foundRows.isEmpty())
        selectFound(m_currentFound + 1 < m_foundRows.size() ? m_currentFound + 1 : 0);
}

void FlexGrid::findPrevious()
{
    if (!m_foundRows.isEmpty())
        selectFound(m_currentFound > 0 ? m_currentFound - 1 : m_foundRows.size() - 1);
}
