#pragma once

#include <QString>

#include <functional>

class Database;
class TableDataset;

namespace Rebuild {

// The order in which an UPDATE moves rows along CNT, one by one so that no two
// share a position. Ascending, the rows are sorted first: walking the key's index
// while the statement writes into it costs a fresh search of the index per row.
QString shiftOrder(bool ascending);

// Runs `steps` in one transaction of `db` with `grid` closed: either every
// statement is committed or the table is left exactly as it was. Edits the user
// posted before are committed first, so a rollback never takes them away.
// `steps` returns the record number to show afterwards; on failure the grid is
// reopened on its old row and the error goes on to the caller.
// A command that leaves the grid's table as it is (`gridChanges` false) keeps
// the grid open instead of reading it again; one that changes it leaves the
// list marked as holding unregistered changes.
// When the steps set `*positionsOnly`, the rows they wrote that the grid held
// changed only their positions, and the grid reads no more than their order.
// With a `markName`, a mark of the rebuild's transaction is kept under that
// name once it commits (see WriteMark): the steps leave every row in form.
void inOneTransaction(Database& db, TableDataset& grid, const std::function<int()>& steps, bool gridChanges = true,
                      const bool* positionsOnly = nullptr, const QString& markName = {});

} // namespace Rebuild
