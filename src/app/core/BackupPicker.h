#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// One backup of the product database as the list of backups shows it.
struct BackupListing {
    QDateTime taken;
    QString computer; // the computer that took it
    QString what;     // what was about to be registered ("大項目登録", "復元前" …)
    qint64 bytes = 0;
};

// The list of backups from which the user chooses the one to go back to. The
// window shows it as a dialog; tests answer it themselves.
class BackupPicker {
public:
    virtual ~BackupPicker() = default;
    // `folder` is where the files are, as the user may look for them. Returns the
    // index of the chosen backup, or -1 when the user closed the list.
    virtual int pick(const QList<BackupListing>& backups, const QString& folder) = 0;
};
