#include "DatasetModel.h"

#include "DbError.h"
#include "Query.h"
#include "TableDataset.h"

#include <QScopedValueRollback>

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
        case Qt::DisplayRole: return m_ds.displayText(index.row(), col.field);
        case Qt::EditRole: return m_ds.editText(index.row(), col.field);
        case Qt::TextAlignmentRole: return QVariant::fromValue(col.alignment);
        default: return {};
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
    const QString typed = value.toString();
    const QString text = withoutControlCharacters(typed);
    bool changed = false;
    try {
        // Checked before the row is touched: a refused text leaves the cell as it was.
        const QVariant v = m_ds.valueFromText(col.field, text);
        if (valueText(v) != m_ds.editText(index.row(), col.field)) {
            if (m_ds.recNo() != index.row() + 1)
                m_ds.setRecNo(index.row() + 1);
            m_ds.setValue(col.field, v);
            changed = true;
        }
    } catch (const DbError& e) {
        report(errorText(e));
        return false;
    }
    if (text != typed)
        report(QStringLiteral("「%1」に入力された制御文字（画面に表示されない文字）は保存できないため、取り除きました。"
                              "残りの文字を確かめてください。")
                   .arg(col.title),
               onNotice);
    return changed;
}

QString DatasetModel::withoutControlCharacters(const QString& text)
{
    // Tabs and line breaks come with text copied from a spreadsheet or a
    // document: inside the text they part words, so they stay as one blank; the
    // line break a copied cell ends with goes.
    const auto lineBreak = [](QChar c) { return c == QLatin1Char('\n') || c == QLatin1Char('\r'); };
    qsizetype end = text.size();
    while (end > 0 && lineBreak(text.at(end - 1)))
        --end;
    QString out;
    out.reserve(end);
    for (qsizetype i = 0; i < end; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') && i + 1 < end && text.at(i + 1) == QLatin1Char('\n'))
            continue;
        if (c == QLatin1Char('\t') || lineBreak(c))
            out += QLatin1Char(' ');
        else if (c.category() != QChar::Other_Control)
            out += c;
    }
    return out;
}

QString DatasetModel::errorText(const DbError& e) const
{
    if (e.field().isEmpty())
        return e.text();
    const int c = columnOf(e.field());
    return c < 0 ? e.message() : e.messageNaming(m_columns.at(c).title);
}

void DatasetModel::report(const QString& message)
{
    report(message, onError);
}

void DatasetModel::report(const QString& message, const std::function<void(const QString&)>& to)
{
    // The message box takes the focus from the cell editor, which commits the
    // same text again; one message is enough.
    if (m_reporting || !to)
        return;
    const QScopedValueRollback guard(m_reporting, true);
    to(message);
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
