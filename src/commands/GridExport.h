#pragma once

#include <QString>

class QTableView;

// Writes the grid's visible columns as Shift-JIS CSV: a caption line, then every
// model row as displayed, each value in double quotes, CR LF line ends. Leaves the
// grid's current row on the last row. False when the file cannot be created.
bool writeGridExport(const QString& fileName, QTableView* grid);
