#pragma once

#include "DataModule.h"
#include "ProgramState.h"
#include "TestDb.h"
#include "TestScreen.h"

#include <QStringList>

#include <memory>

// Product and work databases in a temporary installation, the data module on
// them, the program state and a screen: what every command rig starts from.
template <class Screen = TestScreen>
class WorkRig {
public:
    TestFolder folder;
    Connections conn;
    std::unique_ptr<TDM2> dm = connectDataModule(folder, conn);
    ProgramState state;
    Screen screen;

    // Statements on the product database, committed; the program's transaction sees them.
    void product(const QStringList& statements)
    {
        execCommitted(conn.IBDatabase1, statements);
        conn.IBTransaction1().commitAndRestart();
    }
    // Statements on the work database, committed; every work connection sees them.
    void work(const QStringList& statements)
    {
        conn.IBTransaction2().commitAndRestart();
        execCommitted(conn.IBDatabase2, statements);
        for (Database* db : {&conn.IBDatabase3, &conn.IBDatabase4})
            db->transaction().commitAndRestart();
    }
    // Rows of a query as "a|b", NULL as "∅", read through a connection of its own.
    QStringList productRows(const QString& sql) { return freshRows(conn.IBDatabase1, sql); }
    QStringList workRows(const QString& sql) { return freshRows(conn.IBDatabase2, sql); }
    // "insert into `into` values (v)" for each v.
    static QStringList inserts(const QString& into, const QStringList& values)
    {
        QStringList s;
        for (const QString& v : values)
            s << QStringLiteral("insert into %1 values (%2)").arg(into, v);
        return s;
    }

private:
    static QStringList freshRows(Database& db, const QString& sql)
    {
        auto check = connectTestDatabase(db.databaseName(), QStringLiteral("check"));
        return rowsOf(*check, sql);
    }
};
