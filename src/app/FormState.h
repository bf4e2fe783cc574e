#pragma once

#include <QString>

class QWidget;

// Writes the dialog's geometry and the state of its check boxes, radio buttons and
// line edits as Shift-JIS "name=value" lines, replacing the file.
void saveFormState(QWidget* dialog, const QString& fileName);
