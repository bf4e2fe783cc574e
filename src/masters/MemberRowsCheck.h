#pragma once

#include <QStringList>

class Database;

// Rows of the member list that a registration would not keep: a row with
// neither 名称 nor 摘要 that still holds something, and an earlier row that a
// later one of the same names and unit replaces. Rows with nothing typed at
// all are not named; they are only the grid's blank lines.
namespace MemberRowsCheck {

// One line per row, with its place in the grid and why it is not kept.
QStringList lostRows(Database& work);

// The question that names them; empty when there is nothing to name.
QString question(const QStringList& lost);

} // namespace MemberRowsCheck
