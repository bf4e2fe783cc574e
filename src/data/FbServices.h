#pragma once

#include <QString>

#include <functional>

class Database;

// Where a services call goes; an empty server means the embedded engine.
struct ServiceLogin {
    QString server;
    QString user;
    QString password;
};

// Backup, restore and validation through the engine's services manager: the
// work gbak and gfix do, done by the engine (or the server) that holds the
// database, so a server installation writes its files on the server.
class FbServices {
public:
    using Progress = std::function<bool(const QString& line)>; // a line of the job's output; false stops the job
    // Paths are as the engine (or server) sees them.
    static void backup(const ServiceLogin& login, const QString& database, const QString& backupFile,
                       const Progress& progress = {});
    // Restores into a new file; an existing file is never replaced.
    static void restore(const ServiceLogin& login, const QString& backupFile, const QString& newDatabase,
                        const Progress& progress = {});
    // Throws DbError (Japanese text, naming what is wrong) when the database is damaged.
    static void validate(const ServiceLogin& login, const QString& database);
};

// The services login for the database of a connection: the server of a
// "server:path" name (none for a local file) and the connection's user and password.
ServiceLogin serviceLoginOf(const Database& db);

// The database of a connection as its engine sees it: the path after "server:",
// the local path itself otherwise.
QString pathOnEngine(const QString& databaseName);
