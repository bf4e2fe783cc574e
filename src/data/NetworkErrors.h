#pragma once

#include <QList>
#include <QString>

// The failures a user of a network installation meets, told apart by the
// error codes Firebird reports, each with a message that says what happened and
// what to do. Firebird's own text stays beneath it for whoever has to look closer.
namespace NetworkErrors {

enum class Kind {
    None,
    RowLocked,      // another user's uncommitted change holds the row
    Unreachable,    // no server answers at the address
    FileNotFound,   // the server answers but cannot open the database file
    LoginRefused,   // user name or password refused
    ConnectionLost, // the server went away in the middle of work
};

// `codes` are the error codes of the status vector in order; `statement` is what
// failed ("CONNECT …" for an attachment).
Kind classify(const QList<long>& codes, const QString& statement);

// The user's message for a kind; empty for None.
QString message(Kind kind);

} // namespace NetworkErrors
