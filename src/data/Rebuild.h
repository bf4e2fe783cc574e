#pragma once

#include "RebuildTransaction.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class Database;
class Query;
class TableDataset;

// How the editing commands and the data module rebuild a work table.
namespace Rebuild {

// SQL for a text column read as the grids read it: NULL when empty. Firebird
// compares VARCHARs without trailing blanks, so emptiness is a length test.
QString textOrNull(const QString& column);
// SQL test "the column holds some text".
QString hasText(const QString& column);

// The column list, the value expressions and the keep-row test of one kind of row.
struct RowShape {
    QString table;             // work table
    QString clipboard;         // clipboard table
    QString scratch;           // scratch table
    QStringList columns;       // written columns, CNT first
    QStringList rebuildValues; // expressions over the source row, CNT left out
    QStringList clipboardValues;
    QStringList keepNames; // a row is kept when one of these holds text
};
const RowShape& majorRows();
const RowShape& middleRows();
const RowShape& memberRows();

// "insert into <into> (columns) select <position>, values from (<source with
// P = row_number() over (order by <order>)>) where <keep>": positions count
// every source row, the dropped ones included, so a dropped row leaves a gap.
QStringList refill(const RowShape& shape, const QString& into, const QString& from, const QString& order,
                   bool keepTest = true);
// "select <the shape's columns> from <table> <where>", as a derived table;
// with a `key` expression the rows carry it first, as K.
QString rowsOf(const RowShape& shape, const QString& table, const QString& where = {},
               const QString& position = QStringLiteral("CNT"), const QString& key = {});
// The member rows of `table` for an image: each with its RDB$DB_KEY as K.
QString keyedRowsOf(const RowShape& shape, const QString& table, const QString& where = {},
                    const QString& position = QStringLiteral("CNT"));
// refill() into the member image: `from` rows carry K.
QStringList refillImage(const RowShape& shape, const QString& from, const QString& order);
// Brings the member list to the image refillImage() wrote.
void applyImage(Query& q, const RowShape& shape);

// The member list in one pass: whether it holds the positions 1 … n, which
// lets a rebuild count positions instead of ranking rows, how many rows the
// keep test drops and how many are not in the form a rebuild writes.
struct MemberCounts {
    bool dense = false;
    int dropped = 0;
    int unlike = 0;
};
// Rows that the last rebuild kept under formMark(shape) and that were not
// written since are not tested again.
MemberCounts countMembers(Query& q, const RowShape& shape);
// The name of the mark of a list rebuilt in the shape's form, kept rows only.
QString formMark(const RowShape& shape);
// Rebuilds a dense member list in place: rows the keep test drops are deleted
// (the grid's tally notices them), rows not in the form a rebuild writes are
// brought to it, and the rows take their positions under `moves`, through
// `positions` when nothing else about them changes.
void shiftInPlace(Query& q, Positions& positions, const RowShape& shape, const MemberCounts& counts,
                  const Moves& moves);
// Replaces the work table's rows with the scratch table's, which hold the new
// positions: every row is written once and the old rows deleted once, which
// keeps a rebuild of ten thousand rows cheap to commit.
void replaceRows(Query& q, const RowShape& shape);

} // namespace Rebuild
