#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class Database;
class ProgressSink;
class Query;
class TableDataset;
class Transaction;

// Steps shared by the registrations.
namespace Registration {

// Posts a pending grid edit; a failing post leaves the row as it was.
void postPending(TableDataset& dataset);

// Disconnects and connects again so the registration sees the database as it is now.
// A failure here shows up at the first statement instead.
void reconnect(Database& db);

// Adds DAT_JIKKOU's two code columns, each committed on its own; an existing column
// is no error.
void addJikkouColumns(Query& productQuery);

// Runs `body` in the product transaction and a work-database transaction as one
// unit: both commit (product first) when it succeeds; on any failure both roll
// back, `restore` runs and the error goes on to the caller. Whatever was pending
// before (a posted grid edit) is committed first, so a failure cannot take it back.
// The work connection's grids that were open are open again afterwards.
void runAllOrNothing(Database& product, Database& work, const std::function<void()>& body,
                     const std::function<void()>& restore);

// Reads every row of `tables` once, under a progress bar of its own. A registration
// leaves the old version of each row it rewrote; read now, they are collected at
// once instead of by the next program that opens the table. The registration is
// committed by then, so a failing read only leaves that work to the next reader.
void collectGarbage(Database& product, const QStringList& tables, ProgressSink& progress);

// A restore step that must not hide the error that caused it.
void quietly(const std::function<void()>& step);

// Whether a work table holds a row that registers something: one where the first
// line of one of `columns` is more than blanks.
bool hasNamedRow(Database& work, const QString& table, const QStringList& columns);

// The single value of a "select count(*) …".
int count(Database& db, const QString& select);

// The notice of a registration refused because it would leave `master` without rows.
QString nothingToRegisterMessage(const QString& master);

} // namespace Registration
