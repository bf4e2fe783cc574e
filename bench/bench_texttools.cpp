// Times the string replacement in 名称 across one middle category of 20,000
// members and a rename that touches 1,000 of them, each beside its bound: one
// UPDATE of the same rows in the same run. A program, not a test: it prints its figures.
#include "BenchFolder.h"
#include "BenchScreen.h"
#include "Connections.h"
#include "DataModule.h"
#include "Database.h"
#include "DbError.h"
#include "MemberRename.h"
#include "Schema.h"
#include "TextReplacement.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>

namespace {

// Reads the tables the commands rewrite and commits a write, so that no figure
// pays for collecting (and flushing) the old row versions the one before it left.
void settle(Connections& c)
{
    for (auto [db, table] : {std::pair{&c.IBDatabase1, "MAS_BUZAI"}, std::pair{&c.IBDatabase1, "MAS_SIAGE02"},
                             std::pair{&c.IBDatabase4, "BUZAI_S"}}) {
        c.IBTransaction2().commitAndRestart();
        c.IBTransaction3().commitAndRestart();
        db->transaction().commitAndRestart();
        Query q(db);
        q.setSql(QStringLiteral("select count(*) from ") + QLatin1String(table));
        q.open();
        db->transaction().commitAndRestart();
    }
    // A write and its commit on each database flush the pages the reads cleaned.
    Query w(&c.IBDatabase1);
    w.run("insert into LOOK_KIHON (NAME) values ('~')");
    w.run("COMMIT");
    w.run("delete from LOOK_KIHON where NAME='~'");
    w.run("COMMIT");
    Query v(&c.IBDatabase4);
    v.run("insert into BUZAI_SW (CNT) values (0)");
    v.run("COMMIT");
    v.run("delete from BUZAI_SW");
    v.run("COMMIT");
}

// One statement and its commit on the product database, timed.
double timedUpdate(Connections& c, const QStringList& statement)
{
    settle(c);
    Database& product = c.IBDatabase1;
    Query q(&product);
    QElapsedTimer t;
    t.start();
    q.run(statement);
    product.transaction().commitAndRestart();
    return seconds(t);
}

const QString kNumbers =
    "with d as (select 0 as v from rdb$database union all select 1 from rdb$database union all "
    "select 2 from rdb$database union all select 3 from rdb$database union all select 4 from "
    "rdb$database union all select 5 from rdb$database union all select 6 from rdb$database union all "
    "select 7 from rdb$database union all select 8 from rdb$database union all select 9 from "
    "rdb$database),"
    "n as (select a.v + 10*b.v + 100*c.v + 1000*e.v + 10000*f.v + 1 as i from d a, d b, d c, d e, d f)";

// The rename dialog answered with OK.
class RenameScreen : public BenchScreen {
public:
    std::function<bool()> ok;
    bool showTextDialog(TextDialog) override { return ok(); }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int members = argc > 1 ? QString(argv[1]).toInt() : 20000;
    const int renamed = members / 20;
    return runBench([&] {
        const BenchFolder folder;
        Connections c;
        c.setProductPath(folder.productPath);
        c.setWorkPath(folder.workPath);
        for (Database* db : {&c.IBDatabase1, &c.IBDatabase2, &c.IBDatabase3, &c.IBDatabase4})
            db->open();
        Schema::createProductTables(c.IBDatabase1);
        {
            Query q(&c.IBDatabase2);
            for (const QString& t : Schema::categoryAndMemberTables() + QStringList{"TANI", "TANIW"}) {
                q.run(Schema::createWorkTableSql(t));
                q.run("COMMIT");
            }
            q.run("insert into BUZAI_DAI (CNT,BL_KUBUN,NAME01) values (1,1,'仮設工事')");
            q.run("insert into BUZAI_CHU (CNT,BL_KUBUN,BM_KUBUN,NAME01) values (1,1,1,'足場')");
            q.run("COMMIT");
            Query p(&c.IBDatabase1);
            // Every 20th member shares the three texts the rename looks for.
            p.run({"insert into MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01,NAME02,TANI,KIN_01,KIN_02,KIN_06)",
                   kNumbers,
                   "select 1, 1, i, iif(mod(i, 20) = 0, '六角ボルト', '単管ボルト ' || i), "
                   "iif(mod(i, 20) = 0, 'M10', 'φ48.6×' || i), '本', 800 + i, 1000 + i, 1200 + i",
                   "from n where i <= " + QString::number(members)});
            p.run({"insert into MAS_SIAGE02 (BUI,BANGOU,BL_kubun,BM_kubun,NAME_01,NAME_02,TAN)", kNumbers,
                   "select 1, i, 1, 1, '単管ボルト ' || i, 'φ48.6×' || i, '本' from n where i <= 1000"});
            p.run("COMMIT");
        }
        TDM2 dm(c);
        BenchScreen screen;
        screen.tab = Tab::Member;
        MasterLoads loads(dm, screen);
        for (TableDataset* d : {&dm.IBT_dai, &dm.IBT_chu})
            d->open();
        loads.Button4Click();
        std::printf("members: %d, renamed: %d\n", dm.IBT_bu.recordCount(), renamed);

        // Each figure and its bound take turns at going first after the list is
        // loaded (the first write after a load costs more, whichever it is), in
        // both directions; the best of three rounds of each is shown.
        constexpr int kRounds = 3;
        const QString full = "ボルト", half = "ﾎﾞﾙﾄ";
        const auto bound = [&](const QString& from, const QString& to) {
            return timedUpdate(c, {QString("update MAS_BUZAI set NAME01=replace(NAME01,'%1','%2')").arg(from, to),
                                   "where BL_kubun=1 and BM_kubun=1"});
        };
        TextReplacement replace(dm, screen, loads);
        const auto replacement = [&](const QString& from, const QString& to, bool edited) {
            loads.Button4Click();
            dm.IBT_bu.open();
            if (edited) {
                // A list edited since its load is loaded again from the product.
                Query q(&c.IBDatabase4);
                q.run("update BUZAI_S set NAME03='編集' where CNT=1");
                q.run("COMMIT");
            }
            replace.edit(1) = from;
            replace.edit(2) = to;
            settle(c);
            QElapsedTimer t;
            t.start();
            replace.run();
            return seconds(t);
        };
        for (const bool edited : {false, true}) {
            double figure = 1e9, limit = 1e9;
            for (int round = 0; round < kRounds; ++round) {
                if (round % 2 == 0) {
                    figure = std::min(figure, replacement(full, half, edited));
                    limit = std::min(limit, bound(half, full));
                } else {
                    loads.Button4Click();
                    limit = std::min(limit, bound(full, half));
                    figure = std::min(figure, replacement(half, full, edited));
                }
            }
            reportRow(edited ? "replacement in 名称 after an edit (member reload)"
                             : "replacement in 名称 (list changed in place)",
                      figure, limit);
        }

        // The rename as the dialog runs it: OK, then the list back on its row.
        RenameScreen renameScreen;
        renameScreen.tab = Tab::Member;
        MemberRename rename(dm, renameScreen);
        QString renamedTo;
        renameScreen.ok = [&] {
            rename.after[0] = renamedTo;
            return rename.run();
        };
        const auto renaming = [&](const QString& to) {
            loads.Button4Click();
            dm.IBT_bu.open();
            dm.IBT_bu.setRecNo(20);
            renamedTo = to;
            settle(c);
            QElapsedTimer t;
            t.start();
            rename.open();
            const double s = seconds(t);
            if (rename.before[0] == to)
                std::fprintf(stderr, "renamed %s\n", qPrintable(rename.before[0]));
            return s;
        };
        const auto renameBound = [&](const QString& from, const QString& to) {
            loads.Button4Click();
            return timedUpdate(c, {QString("update MAS_BUZAI set NAME01='%1'").arg(to),
                                   QString("where NAME01='%1' and NAME02='M10' and TANI='本'").arg(from)});
        };
        double figure = 1e9, limit = 1e9;
        for (int round = 0; round < kRounds; ++round) {
            if (round % 2 == 0) {
                figure = std::min(figure, renaming("六角" + half));
                limit = std::min(limit, renameBound("六角" + half, "六角" + full));
            } else {
                limit = std::min(limit, renameBound("六角" + full, "六角" + half));
                figure = std::min(figure, renaming("六角" + full));
            }
        }
        reportRow("rename touching every 20th member", figure, limit);
        c.closeAll();
    });
}
