#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What the user reads about a failure: Japanese sentences that say what happened,
// whether anything was changed, and what to do. Chosen by Firebird's error codes
// (with the system error number the engine reports beside them) or by a system
// error number alone; the engine's own text stays in the details part.
namespace ErrorText {

enum class Reason {
    None,
    RowLocked,         // another user's uncommitted change holds the row
    Unreachable,       // no server answers at the address
    LoginRefused,      // user name or password refused
    ConnectionLost,    // the server went away in the middle of work
    ServerFileMissing, // the server answers but cannot open the file NET.TXT names
    FileMissing,       // a local database file does not exist
    FolderMissing,     // a database cannot be created: its folder is missing
    FileInUse,         // another program holds the database file
    FileDamaged,       // not a database, empty or cut short
    IsFolder,          // the database path names a folder
    AccessDenied,      // no permission, or a read-only file system
    DiskFull,
    ReadOnlyDatabase,   // the database is set read-only
    ColumnMissing,      // a column this program needs is not in the database
    TableMissing,       // a table this program needs is not in the database
    ValueTooLong,       // a text longer than its column
    CharacterNotStored, // a character the database's character set has no code for
};

// What the engine reported, taken apart: each error code with the arguments
// that follow it.
struct Status {
    struct Entry {
        long code = 0;
        QStringList strings;
        QList<long> numbers;
    };
    QList<Entry> entries;
    int osError = 0; // the system error number the engine reports, 0 when none

    QList<long> codes() const;
};

struct Failure {
    Reason reason = Reason::None;
    QString subject; // the file, column or table concerned; empty when unknown
    // For ValueTooLong, the engine's "expected length" and "actual" (characters or
    // bytes, as the engine found the overflow); 0 when unknown.
    int limit = 0;
    int actual = 0;
};

// The failures a user of a network installation meets, by the error codes of
// the status vector alone (in order): RowLocked, Unreachable, LoginRefused,
// ConnectionLost and, while attaching, ServerFileMissing; None otherwise.
// `statement` is what failed ("CONNECT …" for an attachment).
Reason networkReason(const QList<long>& codes, const QString& statement);
// The message for one of those: what happened and what to do. Empty for the others.
QString networkMessage(Reason reason);

// `statement` is what failed ("CONNECT path" for an attachment, "CREATE DATABASE
// 'path'" for a creation).
Failure classify(const Status& status, const QString& statement);

// The user's sentences. `role` names the database ("製品データベース" …; empty
// for a plain "データベース"); `unchanged` adds that nothing was changed.
QString sentence(const Failure& failure, const QString& role, bool unchanged);

// Why a file operation failed, from its system error number: a short Japanese
// clause ("ファイルまたはフォルダーがありません。") with what to do.
QString forErrno(int error);

// The caption the user sees for a column of the masters ("名称" for NAME01);
// the name itself when it has none.
QString columnCaption(const QString& column);

// True for a "server:path" connection string (a drive letter is no server).
bool isRemote(const QString& path);

} // namespace ErrorText
