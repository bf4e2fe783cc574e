#pragma once

#include "BackupPicker.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

// The list of backups of the product database, newest first: when, on which
// computer, before what, how large. 「戻す」 goes back to the selected one (a
// double click too); 「閉じる」, Esc and the close box choose nothing.
class TRestoreDialog : public QDialog {
    Q_OBJECT
public:
    explicit TRestoreDialog(QWidget* parent = nullptr);

    void setBackups(const QList<BackupListing>& backups, const QString& folder);
    // The selected row; -1 when none.
    int chosen() const;

    // "12.3 MB" and the like.
    static QString sizeText(qint64 bytes);

    QLabel* Label;
    QTableWidget* BackupGrid;
    QPushButton* RestoreButton;
    QPushButton* CloseButton;
};

// The list through the dialog, centred on the main window.
class DialogBackupPicker : public BackupPicker {
public:
    explicit DialogBackupPicker(QWidget* mainWindow) : m_mainWindow(mainWindow) {}
    int pick(const QList<BackupListing>& backups, const QString& folder) override;

private:
    QWidget* m_mainWindow;
};
