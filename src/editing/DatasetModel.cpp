#include "DatasetModel.h"

#include "DbError.h"
#include "TableDataset.h"

DatasetModel::DatasetModel(TableDataset& dataset, QVector<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), m_ds(dataset), m_columns(std::move(columns))
{
    connect(&m_ds, &TableDataset::reset, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(&m_ds, &TableDataset::rowChanged, this, [this](int row) {
        // Calculated columns of the row follow its values.
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
}

int DatasetModel::columnOf(const QString& field) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).field.compare(field, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int DatasetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_ds.recordCount();
}

int DatasetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_ds.recordCount())
        return {};
    const Column& col = m_columns.at(index.column());
    try {
        switch (role) {
        case Qt::DisplayRole:
            return m_ds.displayText(index.row(), col.field);
        case Qt::EditRole:
            return m_ds.editText(index.row(), col.field);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(col.alignment);
        default:
            return {};
        }
    } catch (const DbError&) {
        return {};
    }
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || (flags(index) & Qt::ItemIsEditable) == 0)
        return false;
    const Column& col = m_columns.at(index.column());
    const QString text = value.toString();
    if (text == m_ds.editText(index.row(), col.field))
        return false;
    try {
        if (m_ds.recNo() != index.row() + 1)
            m_ds.setRecNo(index.row() + 1);
        m_ds.setValue(col.field, text);
        return true;
    } catch (const DbError& e) {
        if (onError)
            onError(e.text());
        return false;
    }
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const Column& col = m_columns.at(index.column());
    if (!col.readOnly && !m_ds.isCalculated(col.field))
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_columns.size())
        return m_columns.at(section).title;
    return QAbstractTableModel::headerData(section, orientation, role);
}
