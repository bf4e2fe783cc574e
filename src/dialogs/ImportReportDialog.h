#pragma once

#include "MemberImport.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;

// After an import that left lines out: how many lines came in, how many did
// not, and for the first of them the line, the column and why; the whole list
// can be saved as a text file.
class ImportReportDialog : public QDialog {
    Q_OBJECT
public:
    ImportReportDialog(const MemberImport::Report& report, QWidget* parent = nullptr);

    static constexpr int kShown = 1000;

    QLabel* summary;
    QTableWidget* list;
    QPushButton* saveButton;
    QPushButton* closeButton;

    // Asks for the file to save the list in; empty is Cancel. Tests answer it.
    std::function<QString()> chooseFile;
    // Writes the whole list (Shift-JIS, CR LF); a failure is told and gives false.
    bool saveTo(const QString& path);

private:
    MemberImport::Report m_report;
};
