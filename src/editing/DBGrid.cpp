#include "DBGrid.h"

#include "DatasetModel.h"
#include "DbError.h"
#include "TableDataset.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <algorithm>

namespace {

// Draws the picked rows as selected, beside the view's own current cell. A
// number too wide for its cell loses its leading digits, not its last ones, and
// any cut text shows whole in the tooltip.
class PickedRowsDelegate : public QStyledItemDelegate {
public:
    explicit PickedRowsDelegate(DBGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (m_grid->multiSelect() && m_grid->selectedRows().contains(index.row() + 1))
            option->state |= QStyle::State_Selected;
        if (option->displayAlignment & Qt::AlignRight)
            option->textElideMode = Qt::ElideLeft;
    }
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        const QString text = index.data(Qt::DisplayRole).toString();
        if (!text.isEmpty() && sizeHint(option, index).width() > view->visualRect(index).width()) {
            QToolTip::showText(event->globalPos(), text, view);
            return true;
        }
        QToolTip::hideText();
        event->ignore();
        return false;
    }

private:
    const DBGrid* m_grid;
};

} // namespace

DBGrid::DBGrid(const QString& name, QWidget* parent) : QTableView(parent)
{
    setObjectName(name);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::DoubleClicked);
    verticalHeader()->setDefaultSectionSize(22);
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
    setItemDelegate(new PickedRowsDelegate(this));
}

QList<int> DBGrid::selectedRows() const
{
    const int rows = m_model ? m_model->rowCount() : 0;
    QList<int> picked;
    for (int r : m_picked)
        if (r <= rows)
            picked << r;
    std::sort(picked.begin(), picked.end());
    return picked;
}

void DBGrid::clearSelectedRows()
{
    m_picked.clear();
    viewport()->update();
}

void DBGrid::pickRow(int recNo, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & Qt::ShiftModifier && m_anchor > 0) {
        for (int r = std::min(m_anchor, recNo); r <= std::max(m_anchor, recNo); ++r)
            if (!m_picked.contains(r))
                m_picked << r;
    } else if (modifiers & Qt::ControlModifier) {
        if (!m_picked.removeOne(recNo))
            m_picked << recNo;
        m_anchor = recNo;
    } else {
        m_picked = {recNo};
        m_anchor = recNo;
    }
    m_multiSelect = true;
    viewport()->update();
}

TableDataset* DBGrid::dataset() const
{
    return m_model ? &m_model->dataset() : nullptr;
}

void DBGrid::setDatasetModel(DatasetModel* model)
{
    m_model = model;
    setModel(model);
    for (int c = 0; c < model->columns().size(); ++c)
        setColumnWidth(c, model->columns().at(c).width);
    connect(model, &QAbstractItemModel::modelReset, this, &DBGrid::followDataset);
    connect(&model->dataset(), &TableDataset::currentChanged, this, &DBGrid::followDataset);
}

bool DBGrid::guarded(const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const std::exception& e) {
        const auto* db = dynamic_cast<const DbError*>(&e);
        if (onError)
            onError(db ? (m_model ? m_model->errorText(*db) : db->text()) : QString::fromUtf8(e.what()));
        return false;
    }
}

void DBGrid::followDataset()
{
    TableDataset* ds = dataset();
    if (!ds || m_syncing || ds->recordCount() == 0)
        return;
    m_syncing = true;
    const int col = currentIndex().isValid() ? currentIndex().column() : 1;
    setCurrentIndex(m_model->index(ds->recNo() - 1, std::min(col, m_model->columnCount() - 1)));
    m_syncing = false;
}

int DBGrid::cellWidthFor(const QString& text) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = text;
    // The grid line takes one pixel of the column.
    return style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width() + (showGrid() ? 1 : 0);
}

void DBGrid::fitColumnTo(int column, const QString& widest)
{
    setColumnWidth(column, std::max(columnWidth(column), cellWidthFor(widest)));
}

void DBGrid::selectColumn(int column)
{
    TableDataset* ds = dataset();
    if (!ds || ds->recordCount() == 0)
        return;
    setCurrentIndex(m_model->index(ds->recNo() - 1, column));
}

bool DBGrid::commitEdit()
{
    QWidget* editor = QApplication::focusWidget();
    if (state() != QAbstractItemView::EditingState || !editor || !viewport()->isAncestorOf(editor))
        return false;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

void DBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    TableDataset* ds = dataset();
    if (m_syncing || !ds || !current.isValid() || current.row() == previous.row())
        return;
    m_syncing = true;
    // Moving to another row posts the row that was edited.
    const bool moved = guarded([&] { ds->setRecNo(current.row() + 1); });
    m_syncing = false;
    if (!moved)
        m_moveRefused = true;
    if (ds->recNo() - 1 != current.row())
        followDataset();
}

// The view goes on selecting the cell it moved to after the dataset refused
// the move; the highlight belongs on the row that is still being edited.
void DBGrid::showRefusedRow()
{
    if (!m_moveRefused)
        return;
    m_moveRefused = false;
    TableDataset* ds = dataset();
    if (!ds || ds->recordCount() == 0)
        return;
    const int col = currentIndex().isValid() ? currentIndex().column() : 1;
    const QModelIndex at = m_model->index(ds->recNo() - 1, std::min(col, m_model->columnCount() - 1));
    m_syncing = true;
    selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
    m_syncing = false;
}

bool DBGrid::leaveRowFor(int row)
{
    TableDataset* ds = dataset();
    if (!ds || row < 0 || row == ds->recNo() - 1)
        return true;
    // Only a post can fail; an untouched new row is dropped by the move itself.
    const bool posts = ds->state() == TableDataset::Edit || (ds->state() == TableDataset::Insert && ds->modified());
    return !posts || guarded([&] { ds->post(); });
}

void DBGrid::mousePressEvent(QMouseEvent* event)
{
    // The view selects the clicked cell after moving the cursor, so a row that
    // cannot be stored is posted first and the click dropped when that fails.
    if (!leaveRowFor(indexAt(event->position().toPoint()).row())) {
        event->accept();
        return;
    }
    const QModelIndex at = indexAt(event->position().toPoint());
    QTableView::mousePressEvent(event);
    showRefusedRow();
    if (at.isValid() && at.column() == 0 && event->button() == Qt::LeftButton) {
        pickRow(at.row() + 1, event->modifiers());
    } else if (at.isValid() && m_multiSelect) {
        m_multiSelect = false;
        clearSelectedRows();
    }
}

void DBGrid::keyPressEvent(QKeyEvent* event)
{
    TableDataset* ds = dataset();
    if (!ds || state() == QAbstractItemView::EditingState) {
        QTableView::keyPressEvent(event);
        showRefusedRow();
        return;
    }
    const int col = currentIndex().isValid() ? currentIndex().column() : 1;
    switch (event->key()) {
    case Qt::Key_Insert:
        guarded([&] { ds->insert(); });
        selectColumn(col);
        return;
    case Qt::Key_Delete:
        if (event->modifiers() & Qt::ControlModifier) {
            if (!confirmDelete || confirmDelete())
                guarded([&] { ds->remove(); });
            selectColumn(col);
            return;
        }
        break;
    case Qt::Key_Escape: guarded([&] { ds->cancel(); }); return;
    case Qt::Key_Down:
        if (ds->recordCount() == 0 || ds->recNo() == ds->recordCount()) {
            // An untouched new row is not appended twice.
            if (ds->state() == TableDataset::Insert && !ds->modified())
                return;
            guarded([&] { ds->append(); });
            selectColumn(col);
            return;
        }
        break;
    default: break;
    }
    QTableView::keyPressEvent(event);
    showRefusedRow();
}
