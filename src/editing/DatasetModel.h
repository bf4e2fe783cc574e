#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QVector>

#include <functional>

class DbError;
class TableDataset;

// Shows a table dataset in a grid: one model row per dataset row, the columns
// chosen by field name. Editing a cell puts the row into edit mode; the grid
// posts when the user leaves the row.
class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString field;
        QString title;
        int width = 80;
        bool readOnly = false;
        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    };

    DatasetModel(TableDataset& dataset, QVector<Column> columns, QObject* parent = nullptr);

    TableDataset& dataset() const { return m_ds; }
    const QVector<Column>& columns() const { return m_columns; }
    int columnOf(const QString& field) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Errors while writing a cell (text a numeric column cannot hold, a lost
    // connection) go here so the form can show them.
    std::function<void(const QString&)> onError;
    // Notices about what a cell made of the typed text.
    std::function<void(const QString&)> onNotice;

    // Typed or pasted text without the characters no cell can show: control
    // characters go, tabs and line breaks become blanks.
    static QString withoutControlCharacters(const QString& text);

    // The error as the user should read it: an error about one field names
    // the column by its caption.
    QString errorText(const DbError& e) const;

private:
    void report(const QString& message);
    void report(const QString& message, const std::function<void(const QString&)>& to);

    TableDataset& m_ds;
    QVector<Column> m_columns;
    bool m_reporting = false;
};
