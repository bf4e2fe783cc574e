#pragma once

#include <QString>
#include <QStringList>

class Database;

// Layouts of the work tables the program creates and of the product tables it
// reads and writes.
namespace Schema {

// The column lines of a work table, in order, as "NAME TYPE".
QStringList workColumns(const QString& table);

// "CREATE TABLE <table>" with its column lines; BUZAI_S alone ends with its key.
QString createWorkTableSql(const QString& table);

// Whether the database has the table; false when it cannot be asked.
bool tableExists(Database& db, const QString& table);

// Tables rebuilt by the major load, in their drop-and-create order.
QStringList categoryAndMemberTables();

// Creates every product table and column the program uses, typed like the
// matching work-table columns: for tests and the demo database. Commits.
void createProductTables(Database& db);
QStringList productTableNames();

} // namespace Schema
