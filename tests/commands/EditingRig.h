#pragma once

#include "MemberSearch.h"
#include "MemberSort.h"
#include "RowCommands.h"
#include "WorkRig.h"

// The work tables, the data module and the row, sort and search commands.
class EditingRig : public WorkRig<> {
public:
    RowCommands rows{*dm, state, screen};
    MemberSort sort{*dm};
    MemberSearch search{*dm};

    EditingRig() = default;
    // The categories, the members `names` and the grids open.
    explicit EditingRig(const QStringList& names)
    {
        categories();
        members(names);
        openGrids();
    }

    // Major 1 with middle 1 as the current categories.
    void categories()
    {
        work({"insert into BUZAI_DAI values (1,1,'M',null)", "insert into BUZAI_CHU values (1,1,1,'m',null,null)"});
    }
    // Members 1…n of category 1-1 named by `names` ("" for a blank row), codes and prices = positions.
    void members(const QStringList& names)
    {
        QStringList s;
        for (int cnt = 1; cnt <= names.size(); ++cnt)
            s << (names[cnt - 1].isEmpty()
                      ? QStringLiteral("insert into BUZAI_S (CNT,BL_kubun,BM_kubun) values (%1,1,1)").arg(cnt)
                      : QStringLiteral("insert into BUZAI_S (CNT,BL_kubun,BM_kubun,BS_kubun,NAME01,TANI,KIN_02) "
                                       "values (%1,1,1,%1,'%2','本',%1)")
                            .arg(cnt)
                            .arg(names[cnt - 1]));
        work(s);
    }
    void openGrids()
    {
        for (TableDataset* d : {&dm->IBT_dai, &dm->IBT_chu, &dm->IBT_bu, &dm->IBT_TANI})
            d->open();
    }
    // Rows of a work query as "a|b|c", NULL as "∅", as the program's own connection sees them.
    QStringList table(const QString& sql)
    {
        conn.IBTransaction2().commitAndRestart();
        return rowsOf(conn.IBDatabase2, sql);
    }
    // Positions and names: "1|A".
    QStringList memberList(const QString& table = QStringLiteral("BUZAI_S"))
    {
        return this->table(QStringLiteral("select CNT, coalesce(NAME01,'') from %1 order by CNT").arg(table));
    }
};
