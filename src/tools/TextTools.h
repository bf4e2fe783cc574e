#pragma once

#include <QString>

// Steps shared by the bulk text commands.
namespace TextTools {

// Why `text` cannot be stored in a column `bytes` Shift-JIS bytes wide, for a
// notice that names `what` (e.g. "部材「六角ボルト」の名称"); empty when it fits.
QString fitProblem(const QString& text, int bytes, const QString& what);

} // namespace TextTools
