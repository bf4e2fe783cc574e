// Times the member clipboard, sort and search commands on one middle category
// of 10,000 members, each beside its bound: an INSERT … SELECT of the same rows
// in the same run. A program, not a test: it prints its figures.
#include "BenchFolder.h"
#include "BenchScreen.h"
#include "Connections.h"
#include "DataModule.h"
#include "Database.h"
#include "DbError.h"
#include "MemberSearch.h"
#include "MemberSort.h"
#include "ProgramState.h"
#include "RowCommands.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

namespace {

// The bench screen with rows picked in the member grid.
class PickingScreen : public BenchScreen {
public:
    QList<int> picked;
    QList<int> selectedRows(Tab) const override { return picked; }
    void clearSelectedRows(Tab) override { picked.clear(); }
};

// Copies `rows` member rows (the first ones by position) into the scratch table
// with one statement and commits: what any rebuild of that many rows must at
// least do.
double bound(TDM2& dm, int rows)
{
    Query& q = dm.IBQ_FB4;
    q.run("delete from BUZAI_SW");
    q.run("COMMIT");
    QElapsedTimer t;
    t.start();
    q.run({"insert into BUZAI_SW select * from BUZAI_S", "where CNT <= " + QString::number(rows)});
    q.run("COMMIT");
    const double s = seconds(t);
    q.run("delete from BUZAI_SW");
    q.run("COMMIT");
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int members = argc > 1 ? QString(argv[1]).toInt() : 10000;
    const int moved = members / 10;
    return runBench([&] {
        const BenchFolder folder(false);
        Connections c;
        c.setWorkPath(folder.workPath);
        for (Database* db : {&c.IBDatabase2, &c.IBDatabase3, &c.IBDatabase4})
            db->open();
        {
            Query q(&c.IBDatabase2);
            for (const QString& t : Schema::categoryAndMemberTables()) {
                q.run(Schema::createWorkTableSql(t));
                q.run("COMMIT");
            }
            q.run("insert into BUZAI_DAI (CNT,BL_KUBUN,NAME01) values (1,1,'仮設工事')");
            q.run("insert into BUZAI_CHU (CNT,BL_KUBUN,BM_KUBUN,NAME01) values (1,1,1,'足場')");
            q.run(
                {"insert into BUZAI_S "
                 "(CNT,BL_kubun,BM_kubun,BS_kubun,KU_KAMOKU,NAME01,NAME02,TANI,KIN_01,KIN_02,KIN_06,S_CD,KETA)",
                 "with d as (select 0 as v from rdb$database union all select 1 from rdb$database union all "
                 "select 2 from rdb$database union all select 3 from rdb$database union all select 4 from "
                 "rdb$database union all select 5 from rdb$database union all select 6 from rdb$database union all "
                 "select 7 from rdb$database union all select 8 from rdb$database union all select 9 from "
                 "rdb$database),",
                 "n as (select a.v + 10*b.v + 100*c.v + 1000*e.v + 10000*f.v + 1 as i from d a, d b, d c, d e, d f)",
                 "select i, 1, 1, i, 0, '単管パイプ ' || (" + QString::number(members) + " - i), 'φ48.6×' || i, '本',",
                 "800 + i, 1000 + mod(i * 7919, 5000), 1200 + i, 12, 1 from n where i <= " + QString::number(members)});
            q.run("COMMIT");
        }
        TDM2 dm(c);
        PickingScreen screen;
        screen.tab = Tab::Member;
        ProgramState state;
        RowCommands rows(dm, state, screen);
        MemberSort sort(dm);
        MemberSearch search(dm);
        for (TableDataset* d : {&dm.IBT_dai, &dm.IBT_chu, &dm.IBT_bu})
            d->open();
        std::printf("members: %d, rows moved: %d\n", dm.IBT_bu.recordCount(), moved);

        QElapsedTimer t;
        for (int r = 1; r <= moved; ++r)
            screen.picked << r;
        dm.IBT_bu.setRecNo(1);
        t.start();
        rows.copyRows();
        // Each figure is taken before its bound runs.
        const double copy = seconds(t);
        reportRow("copy of the picked members", copy, bound(dm, moved));

        dm.IBT_bu.setRecNo(members / 2);
        t.restart();
        rows.pasteRows();
        const double paste = seconds(t);
        reportRow("paste of the copied members into the middle", paste, bound(dm, members + moved));

        for (int r = 2 * moved + 1; r <= 3 * moved; ++r)
            screen.picked << r;
        dm.IBT_bu.setRecNo(2 * moved + 1);
        t.restart();
        rows.cutRows();
        const double cut = seconds(t);
        reportRow("cut of the picked members", cut, bound(dm, members));

        t.restart();
        sort.sortBy("NAME01");
        const double sorted = seconds(t);
        reportRow("sort by 名称", sorted, bound(dm, members));

        t.restart();
        search.search("パイプ", "");
        const double narrow = seconds(t);
        const int narrowed = dm.IBT_bu.recordCount();
        // Narrowing copies the list twice (parked, then the matches) and back once.
        reportRow("narrowing (every member matches)", narrow, bound(dm, members));
        dm.IBT_bu.setRecNo(narrowed / 2);
        dm.IBT_bu.setValue("KIN_02", 1);
        dm.IBT_bu.post();
        t.restart();
        search.reset();
        const double reset = seconds(t);
        reportRow("reset: merge back by name", reset, bound(dm, members));
        std::printf("members after reset: %d\n", dm.IBT_bu.recordCount());
        c.closeAll();
    });
}
