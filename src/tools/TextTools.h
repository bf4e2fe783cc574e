#pragma once

#include <QString>

#include <functional>

class Database;

// Steps shared by the bulk text commands.
namespace TextTools {

// Runs `body` in one transaction of `db`: committed when it succeeds, rolled back
// (and the error passed on) when it fails. Whatever was pending is committed first.
void inOneTransaction(Database& db, const std::function<void()>& body);

// Why `text` cannot be stored in a column `bytes` Shift-JIS bytes wide, for a
// notice that names `what` (e.g. "部材「六角ボルト」の名称"); empty when it fits.
QString fitProblem(const QString& text, int bytes, const QString& what);

} // namespace TextTools
