#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

struct BackupFile {
    QString path;
    QDateTime taken;
    QString computer;
    QString what;
    qint64 bytes = 0;
};

// The backups of the product database: one folder of files named by nameFor(),
// kept to the newest few.
class Backups {
public:
    // "BACKUP" beside the product database, as the engine sees it (for `server:path`, the server's folder).
    static QString folderFor(const QString& productDatabaseName);
    explicit Backups(QString folder);
    const QString& folder() const;
    // A full path in the folder, named with date, time, computer name and what was registered (file-name-safe).
    QString nameFor(const QDateTime& taken, const QString& computer, const QString& what) const;
    QList<BackupFile> list() const; // newest first; files not named by nameFor are skipped
    void prune(int keep);           // deletes all but the newest `keep`

private:
    QString m_folder;
};

// The backup folder as this computer reaches it, for listing and pruning: the
// same folder for a local database or a server on this computer, else `shared`
// (the server's folder shared on the network, as SYSTEM.DAT names it). Empty
// when this computer cannot reach it.
QString backupFolderHere(const QString& productDatabaseName, const QString& shared = {});
