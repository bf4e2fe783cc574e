#pragma once

#include <QString>
#include <QStringList>

class Database;
class Query;

// The member list rebuilt in place. A rebuild first writes the list it wants
// into a transaction-scoped temporary table (the image: each row with the
// RDB$DB_KEY of the member row it comes from, or none for a new row), then
// brings BUZAI_S to that image touching only what differs: a row that stays
// where it is with the same values is left alone, one that only changes its
// values is updated, one that changes its position or is new is inserted (the
// old row deleted first), and a row the image does not hold is deleted.
//
// The temporary table lives outside the database file's forced writes, and
// rows that do not change cost nothing at commit: that keeps a rebuild of ten
// thousand members close to the cost of writing them once.
namespace MemberImage {

QString table();
// A second table of the same columns, for a step before the image.
QString scratchTable();

// Creates the image tables when they are missing and commits; called before the
// command's own transaction starts.
void prepare(Database& db);

// First line of the statement that fills the image: "insert into <image>
// (K,CNT,<columns>)". The select that follows gives the source row's
// RDB$DB_KEY (NULL for a new row), the new position and the columns' values.
QString insertLine(const QStringList& columns);
// The key of a row of BUZAI_S (`alias` may be empty) as the image holds it,
// and the key of a new row.
QString keyOf(const QString& alias);
QString noKey();

enum class Mode {
    InPlace,  // unchanged rows stay, changed rows are updated, moved rows reinserted
    Reinsert, // every row of the image is written anew
};
// Makes BUZAI_S the image. Columns of BUZAI_S outside `columns` (CNT left out)
// become NULL in every row written, as an insert of `columns` leaves them.
void apply(Query& q, const QStringList& columns, Mode mode = Mode::InPlace);

} // namespace MemberImage
