#pragma once

#include <QString>
#include <QVector>

class QAbstractItemModel;

// Writes a grid's model as Shift-JIS CSV: a caption line, then every row as
// displayed, each value in double quotes (quotes inside doubled), CR LF line ends.
// An editable number is written in full, so that the file imports back exactly.
// Columns marked in `hidden` are left out, but a hidden first column still leaves
// the separator before the second, as the suite's files have always had it.
// False when the file cannot be written.
bool writeGridExport(const QString& fileName, const QAbstractItemModel& model, const QVector<bool>& hidden = {});
