#pragma once

#include "Query.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <memory>
#include <optional>
#include <utility>

class Database;

// The rows of a work table as a dataset shows them: each with its RDB$DB_KEY,
// so that posts and deletes address exactly it, and its RDB$RECORD_VERSION as
// read (0 when unknown: written through the dataset since).
struct DatasetRows {
    QStringList columns;
    QVector<FieldType> types;
    QVector<QVector<QVariant>> rows;
    QVector<QByteArray> keys;
    QVector<qint64> versions;
};

// What a rebuild's statements did to the rows' positions: moved them along the
// position, deleted held rows and added rows. Declared by the statements that
// ran (see Rebuild::Positions), it lets a re-read take no more than a tally and
// the added rows.
struct RowShift {
    // Rows positioned above `first` move by `second`; the moves add up.
    QList<std::pair<qint64, qint64>> moves;
    // Held rows at positions in these ranges (both ends included) are gone.
    QList<std::pair<qint64, qint64>> removed;
    // Positions of the added rows (both ends included), read whole.
    qint64 addedFrom = 1, addedTo = 0;
};

// The rows a dataset showed when it was last closed, and the re-read built on
// them. A rebuild of ten thousand members changes a few rows and the positions
// of the others; reading the table whole again costs more than the rebuild.
// prepare(), called from inside the rebuild's transaction, reads only what
// that transaction wrote and takes the rest from the held rows, but only where
// a tally of the table proves them unchanged; otherwise the next read is whole.
class HeldRows {
public:
    HeldRows(Database* db, const QString& table, const QString& order);
    ~HeldRows();

    // nullptr detaches: everything held is forgotten.
    void setDatabase(Database* db);
    // What the next open shows: the prepared rows, or the table read whole.
    DatasetRows take();
    // Kept at close for the next prepare().
    void hold(DatasetRows&& rows)
    {
        m_held = std::move(rows);
        m_confirmed = false;
    }
    // Checks, in the rebuild's transaction before it writes, that the held rows
    // are the table's rows still: a row another connection changed since the
    // read, which the rebuild then only moves, must not keep its held values.
    void confirm();
    // Reads what the next take() returns, from inside the transaction that
    // wrote. With `positionsOnly` the caller vouches that the held rows it wrote
    // changed only their position, with a `shift` it says how; both count only
    // after confirm() found the held rows current.
    void prepare(bool positionsOnly, const RowShift* shift = nullptr);
    void drop()
    {
        m_prepared.reset();
        m_confirmed = false;
    }

private:
    // Rows in the table, rows this transaction wrote, the sum of the record
    // versions of the others, and the sum of the written rows' positions.
    struct Tally {
        qint64 rows = 0, written = 0, otherVersions = 0, writtenPositions = 0;
    };
    Tally tally(Query& q) const;
    void prepareFrom(bool positionsOnly, const RowShift* shift);
    bool prepareFromWritten(bool positionsOnly, int order, const QHash<QByteArray, int>& heldAt, const Tally& tally);
    bool prepareFromShift(const RowShift& shift, int order, const Tally& tally);
    void prepareFromPositions(bool positionsOnly, int order, const QHash<QByteArray, int>& heldAt);
    // Fills the rows at `missing` of `next` (keys known) from the table.
    bool readMissing(DatasetRows& next, const QList<int>& missing, const QVariant& low, const QVariant& high);
    // A held row read again by key, as its record version and columns; empty
    // when it is gone.
    std::optional<std::pair<qint64, QVector<QVariant>>> readRow(Query& one, const QByteArray& key);
    // A held row this transaction did not write, into `next` as held; one posted
    // since the read (version unknown) is read again by key, a few at most.
    bool keepHeldRow(int i, DatasetRows& next, Query& one, int& reads, qint64& versionSum);
    // `next` in position order becomes the prepared rows.
    void keepSorted(DatasetRows&& next, int order);
    DatasetRows emptyLikeHeld(qsizetype capacity) const;

    Database* m_db;
    QString m_table;
    QString m_order;
    std::unique_ptr<Query> m_read;
    DatasetRows m_held;
    std::unique_ptr<DatasetRows> m_prepared;
    bool m_confirmed = false;
};
