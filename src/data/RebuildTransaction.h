#pragma once

#include "HeldRows.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

class Database;
class Query;
class TableDataset;

namespace Rebuild {

// The order in which an UPDATE moves rows along CNT, one by one so that no two
// share a position. Ascending, the rows are sorted first: walking the key's index
// while the statement writes into it costs a fresh search of the index per row.
QString shiftOrder(bool ascending);

// Moves along the position: rows above `first` move by `second`; moves add up.
using Moves = QList<std::pair<qint64, qint64>>;

// The statements of a rebuild that move, delete and add the grid's rows by
// position. Each runs its statement and notes what it did, so that the grid
// reads back no more than the added rows. A step that writes the held rows in
// any other way says so with rewrote(); the grid then reads what was written.
class Positions {
public:
    explicit Positions(const QString& table) : m_table(table) {}

    // The new position of a row under `moves`, as an expression over CNT.
    static QString of(const Moves& moves);
    // "update <table> set CNT=of(moves) where CNT>(lowest mark)", row by row in
    // the order that never holds a position twice, unless `inOrder` is false:
    // a move far enough that no row meets another needs no order.
    void move(Query& q, const Moves& moves, bool inOrder = true);
    // Deletes the rows at positions in `ranges` (both ends included).
    void remove(Query& q, const Moves& ranges);
    // Runs `insert`, which adds rows at the positions `from` … `to`.
    void add(Query& q, const QStringList& insert, qint64 from, qint64 to);
    void rewrote() { m_rewrote = true; }
    // Whether the held rows that were written changed only their position.
    bool positionsOnly() const { return m_declared && !m_rewrote; }
    const RowShift& shift() const { return m_shift; }

private:
    QString m_table;
    RowShift m_shift;
    bool m_declared = false;
    bool m_rewrote = false;
};

// Runs `steps` in one transaction of `db` with `grid` closed: either every
// statement is committed or the table is left exactly as it was. Edits the user
// posted before are committed first, so a rollback never takes them away.
// `steps` returns the record number to show afterwards; on failure the grid is
// reopened on its old row and the error goes on to the caller.
// A command that leaves the grid's table as it is (`gridChanges` false) keeps
// the grid open instead of reading it again; one that changes it leaves the
// list marked as holding unregistered changes.
// With a `markName`, a mark of the rebuild's transaction is kept under that
// name once it commits (see WriteMark): the steps leave every row in form.
void inOneTransaction(Database& db, TableDataset& grid, const std::function<int()>& steps, bool gridChanges = true,
                      const QString& markName = {});
// The same for steps that move the grid's rows through `Positions`: the grid
// reads back only what their statements declare, when a tally confirms it.
void inOneTransaction(Database& db, TableDataset& grid, const std::function<int(Positions&)>& steps,
                      const QString& markName = {});

} // namespace Rebuild
