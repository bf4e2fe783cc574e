#pragma once

#include "DataModule.h"
#include "MemberSearch.h"
#include "MemberSort.h"
#include "ProgramState.h"
#include "QueuedConfirmation.h"
#include "RowCommands.h"
#include "TestDb.h"
#include "TestScreen.h"

#include <QStringList>

#include <memory>

// Work tables on a fresh work database, the data module and the row commands.
class EditingRig {
public:
    TestFolder folder;
    Connections conn;
    std::unique_ptr<TDM2> dm = connectDataModule(folder, conn);
    ProgramState state;
    TestScreen screen;
    RowCommands rows{*dm, state, screen};
    MemberSort sort{*dm};
    MemberSearch search{*dm};

    // Major 1 with middle 1 as the current categories.
    void categories()
    {
        work({"insert into BUZAI_DAI values (1,1,'M',null)", "insert into BUZAI_CHU values (1,1,1,'m',null,null)"});
    }

    // Statements on the work database, committed.
    void work(const QStringList& statements)
    {
        conn.IBTransaction2().commitAndRestart();
        execCommitted(conn.IBDatabase2, statements);
        // The other connections' snapshots see the new tables and rows.
        for (Database* db : {&conn.IBDatabase3, &conn.IBDatabase4})
            db->transaction().commitAndRestart();
    }
    // Members 1…n of category 1-1, named by `names` ("" for a blank row).
    void members(const QStringList& names, int firstCnt = 1)
    {
        QStringList s;
        int cnt = firstCnt;
        for (const QString& n : names)
            s << (n.isEmpty()
                      ? QStringLiteral("insert into BUZAI_S (CNT,BL_kubun,BM_kubun) values (%1,1,1)").arg(cnt++)
                      : QStringLiteral("insert into BUZAI_S (CNT,BL_kubun,BM_kubun,BS_kubun,NAME01,TANI,KIN_02) "
                                       "values (%1,1,1,%1,'%2','本',%1)")
                            .arg(cnt++)
                            .arg(n));
        work(s);
    }
    void openGrids()
    {
        for (TableDataset* d : {&dm->IBT_dai, &dm->IBT_chu, &dm->IBT_bu, &dm->IBT_TANI})
            d->open();
    }
    // Rows of a query as "a|b|c", NULL as "∅".
    QStringList table(const QString& sql)
    {
        conn.IBTransaction2().commitAndRestart();
        return rowsOf(conn.IBDatabase2, sql);
    }
    // Member names in position order with their positions: "1:A".
    QStringList memberList(const QString& table = QStringLiteral("BUZAI_S"))
    {
        return this->table(QStringLiteral("select CNT, coalesce(NAME01,'') from %1 order by CNT").arg(table));
    }
};
