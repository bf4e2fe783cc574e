#pragma once

#include "HeldRows.h"
#include "Query.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>

class Database;

// A table dataset over one work table: the rows in the order of the position
// column, a current row with its 1-based record number, browse/edit/insert
// states and the handler slots the data module hooks into.
//
// The rows come from a HeldRows, which reads them when the dataset opens and
// keeps them after it closes for a cheaper re-read after a rebuild.
class TableDataset : public QObject {
    Q_OBJECT
public:
    enum State { Inactive, Browse, Edit, Insert };

    TableDataset(Database* db, const QString& tableName, const QString& orderColumn, QObject* parent = nullptr);
    ~TableDataset() override;

    const QString& tableName() const { return m_table; }
    Database* database() const { return m_db; }

    void open();
    void close(); // discards an unposted edit
    // For a rebuild that is about to commit, from inside its transaction:
    // prepares what the next open() shows, reading only what the transaction
    // wrote where it can (see HeldRows). dropPrepared() forgets it (rollback).
    void prepareReopen(bool positionsOnly = false, const RowShift* shift = nullptr);
    // Before a rebuild that may move the rows writes: see HeldRows::confirm().
    void confirmHeld();
    void dropPrepared();
    void reopen()
    {
        close();
        open();
    }
    bool active() const { return m_state != Inactive; }
    State state() const { return m_state; }
    bool modified() const { return m_modified; }
    // Whether the rows hold changes not registered yet. Every row the dataset
    // writes or deletes sets it, and so does every command that rebuilds the
    // table; a load and a registration clear it. It outlives close and open.
    bool unregistered() const { return m_unregistered; }
    void setUnregistered(bool on);

    int recordCount() const { return static_cast<int>(m_rows.size()); }
    int recNo() const { return m_rows.isEmpty() ? 0 : m_cur + 1; } // 0 when empty
    bool eof() const { return m_eof; }
    // Locate by record number; out of range lands on the nearest row.
    void setRecNo(int recNo);
    void first();
    void last();
    void next(); // at the last row sets eof() and stays
    void prior();

    // Stored columns (upper-case, as the database names them) and calculated fields.
    const QStringList& fieldNames() const { return m_columns; }
    bool hasField(const QString& name) const;
    void addCalculatedField(const QString& name);
    bool isCalculated(const QString& name) const;

    // Values of the current row (the edit buffer while editing).
    QVariant value(const QString& field) const;
    QString text(const QString& field) const;
    // Values of any row (0-based), for the grid.
    QVariant valueAt(int row, const QString& field) const;
    QString displayText(int row, const QString& field) const;
    QString editText(int row, const QString& field) const;
    // Puts the row into edit mode. Text for a numeric field is converted as
    // valueFromText() does; text it cannot convert is refused before anything changes.
    void setValue(const QString& field, const QVariant& value);

    // Type of a stored field as the database reported it when the dataset opened.
    FieldType fieldType(const QString& field) const;
    // What typed text becomes in `field`: numbers as the amount parser reads them
    // ("," ignored, "▲" minus), integers whole and within their column's range,
    // empty text NULL. Throws a DbError about the field for text it cannot hold.
    QVariant valueFromText(const QString& field, const QString& text) const;

    // Narrows what typed text an integer field takes to `minimum` … `maximum`.
    void setRange(const QString& field, qint64 minimum, qint64 maximum)
    {
        m_ranges[field.toUpper()] = {minimum, maximum};
    }
    void setDisplayFormat(const QString& field, const QString& format) { m_displayFormats[field.toUpper()] = format; }

    void edit();
    void post();
    void cancel();
    void insert(); // new row before the current one
    void append(); // new row at the end
    void remove(); // delete the current row
    // Posts a modified row, cancels an untouched insert: what moving the cursor does.
    void checkBrowseMode();

    // Handler slots. Calculated values are asked per row through `calcFields`,
    // which fills `CalcRow::values`.
    struct CalcRow {
        const TableDataset* dataset;
        int row;   // 0-based
        int recNo; // 1-based record number of the row
        QVariant value(const QString& field) const { return dataset->storedValueAt(row, field); }
        QHash<QString, QVariant> values;
    };
    std::function<void(TableDataset&)> beforeInsert, afterInsert, beforeDelete, afterDelete, beforePost, afterPost;
    std::function<void(CalcRow&)> calcFields;

    void detachFromDatabase();
    QVariant storedValueAt(int row, const QString& field) const;

signals:
    void reset();                   // opened, closed or rebuilt
    void rowChanged(int row);       // values of one row changed
    void currentChanged(int recNo); // cursor moved
    void stateChanged(int state);
    void unregisteredChanged(bool on);

private:
    void setState(State s);
    void moveTo(int index);
    int column(const QString& field) const;
    QVariant calculated(int row, const QString& field) const;
    void insertAt(int index);
    void store(); // writes the edit buffer to the table

    Database* m_db;
    QString m_table;
    QString m_order;
    State m_state = Inactive;
    QStringList m_columns;
    QVector<FieldType> m_types;
    QStringList m_calculated;
    QVector<QVector<QVariant>> m_rows;
    QVector<QByteArray> m_keys; // RDB$DB_KEY per row; empty for an unposted insert
    // RDB$RECORD_VERSION per row as read; 0 when unknown (posted since).
    QVector<qint64> m_versions;
    HeldRows m_cache;
    void showRows(DatasetRows&& rows);
    QVector<QVariant> m_buffer; // edit buffer of the current row
    QVector<bool> m_changed;
    bool m_modified = false;
    bool m_unregistered = false;
    int m_cur = 0;
    bool m_eof = true;
    QHash<QString, QString> m_displayFormats;
    QHash<QString, std::pair<qint64, qint64>> m_ranges;
    // Column of a field name as the callers spell it, filled as names are asked:
    // the grid asks for every cell.
    mutable QHash<QString, int> m_columnOf;
};

// Formats a number with a display format of the suite's kind: "#,###", "#",
// "0.00;-0.00;#" (positive;negative;zero sections). Empty result for NULL.
QString formatNumber(const QVariant& value, const QString& format);
