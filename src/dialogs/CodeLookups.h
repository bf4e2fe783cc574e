#pragma once

#include <QString>
#include <QStringList>

class Query;

// The statements and row rules of the code pickers, apart from their windows.
namespace CodeLookups {

// Work types: the single-table MAS_KOUSYU for the one customer whose company
// name contains "青葉設備", else the middle categories with the packed code.
QStringList workTypeStatement(const QString& companyName);
QStringList majorStatement();
// All middle categories, or those of one major category when `majorCode` is set.
QStringList middleStatement(const QString& majorCode);
QStringList unitStatement();

// Opens the account list on `q`. An empty LOOK_KAMOKU is first given the five
// standard accounts (and committed), so that a new installation has some.
void openAccounts(Query& q);

// The text of `field` in row `row` of the opened query ("" when absent or NULL).
QString cell(const Query& q, int row, const QString& field);
int cellInt(const Query& q, int row, const QString& field);

// Where the list starts: the first row whose `keyField` is not less than
// `start`, else the last row; -1 for an empty list.
int startingRow(const Query& q, const QString& keyField, int start);

} // namespace CodeLookups
