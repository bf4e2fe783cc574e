#pragma once

#include "CodeRenumbering.h"
#include "UiSeams.h"

class Database;
class TableDataset;

// What a registration of the category grid will do, read from the product
// database before anything changes. The outline applies the registration's own
// renumbering to the codes the product tables hold, so it tells what the
// registration's statements will then do row for row.
namespace RenumberingPreview {

// The renumbering steps of `grid` as the registration will take them: rows in
// grid order, rows without a name left out, old codes sign-marked.
QVector<CodeStep> plannedSteps(const TableDataset& grid, const QString& codeColumn);

RenumberingOutline majors(Database& product, const TableDataset& grid, bool pastDetails);
RenumberingOutline middles(Database& product, const TableDataset& grid, int major, bool pastDetails);

} // namespace RenumberingPreview
