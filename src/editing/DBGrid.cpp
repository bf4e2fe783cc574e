#include "DBGrid.h"

#include "DatasetModel.h"
#include "DbError.h"
#include "TableDataset.h"

#include <QHeaderView>
#include <QKeyEvent>

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
            onError(db ? db->text() : QString::fromUtf8(e.what()));
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

void DBGrid::selectColumn(int column)
{
    TableDataset* ds = dataset();
    if (!ds || ds->recordCount() == 0)
        return;
    setCurrentIndex(m_model->index(ds->recNo() - 1, column));
}

void DBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    TableDataset* ds = dataset();
    if (m_syncing || !ds || !current.isValid() || current.row() == previous.row())
        return;
    m_syncing = true;
    // Moving to another row posts the row that was edited.
    guarded([&] { ds->setRecNo(current.row() + 1); });
    m_syncing = false;
    if (ds->recNo() - 1 != current.row())
        followDataset();
}

void DBGrid::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
}

void DBGrid::keyPressEvent(QKeyEvent* event)
{
    TableDataset* ds = dataset();
    if (!ds || state() == QAbstractItemView::EditingState) {
        QTableView::keyPressEvent(event);
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
    case Qt::Key_Escape:
        guarded([&] { ds->cancel(); });
        return;
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
    default:
        break;
    }
    QTableView::keyPressEvent(event);
}
