// Times the member load and the member insert and delete rebuilds for one middle
// category of 10,000 members on a generated product database, each beside its
// bound: for the load, the same rows read and put in through one prepared insert
// in one transaction; for a rebuild, one INSERT … SELECT of the same rows. Bounds
// are rolled back. A program, not a test: it prints its figures.
#include "BenchFolder.h"
#include "BenchScreen.h"
#include "Connections.h"
#include "DataModule.h"
#include "Database.h"
#include "DbError.h"
#include "MasterLoads.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void exec(Query& q, const QString& sql)
{
    q.setSql(sql);
    q.exec();
}

const QStringList kLoadedColumns = {"CNT",    "BL_kubun", "BM_kubun", "BS_kubun", "KU_KAMOKU",
                                    "NAME01", "NAME02",   "NAME03",   "TANI",     "B_CD",
                                    "KIN_01", "KIN_02",   "KIN_06",   "S_CD",     "KETA"};

// The bounds' own table, laid out as the member work tables: the grid's scratch
// tables stay the rebuilds' own.
void createCopyTable(Database& work)
{
    Query q(&work);
    exec(q, "CREATE TABLE BENCH_COPY (" + Schema::workColumns("BUZAI_SW").join(',') + ")");
    work.transaction().commit();
}

double loadBound(Database& product, Database& work)
{
    QElapsedTimer t;
    t.start();
    Query src(&product);
    src.setSql("select * from MAS_BUZAI where BL_KUBUN=1 and BM_KUBUN=1 order by BS_KUBUN");
    src.open();
    Query ins(&work);
    ins.setSql(
        QString("insert into BENCH_COPY (%1) values (:%2)").arg(kLoadedColumns.join(','), kLoadedColumns.join(",:")));
    for (int cnt = 1; !src.eof(); src.next(), ++cnt) {
        for (const QString& c : kLoadedColumns)
            ins.setParam(c, c == "CNT" ? QVariant(cnt) : src.value(c));
        ins.exec();
    }
    work.transaction().commit();
    const double s = seconds(t);
    src.close();
    product.transaction().commit();
    exec(ins, "delete from BENCH_COPY");
    work.transaction().commit();
    return s;
}

double rebuildBound(Database& work)
{
    Query q(&work);
    work.transaction().commitAndRestart();
    QElapsedTimer t;
    t.start();
    exec(q, "insert into BENCH_COPY select * from BUZAI_S");
    work.transaction().commit();
    const double s = seconds(t);
    exec(q, "delete from BENCH_COPY");
    work.transaction().commit();
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int members = argc > 1 ? QString(argv[1]).toInt() : 10000;
    return runBench([&] {
        const BenchFolder folder;
        const QString& productPath = folder.productPath;
        const QString& workPath = folder.workPath;
        {
            Connections c;
            c.setProductPath(productPath);
            Schema::createProductTables(c.IBDatabase1);
            Query q(&c.IBDatabase1);
            exec(q, "insert into MAS_KOUSYU_01 (CNT,BL_KUBUN,NAME01) values (1,1,'仮設工事')");
            exec(q, "insert into MAS_KOUSYU_02 (CNT,BL_KUBUN,BM_KUBUN,NAME01) values (1,1,1,'足場')");
            q.setSql(
                "insert into MAS_BUZAI (BL_KUBUN,BM_KUBUN,BS_KUBUN,NAME01,NAME02,TANI,KIN_01,KIN_02,KIN_06,S_CD,KETA) "
                "values (1,1,:BS,:N1,:N2,'本',:K1,:K2,:K6,12,1)");
            for (int i = 1; i <= members; ++i) {
                q.setParam("BS", i);
                q.setParam("N1", QString("単管パイプ %1").arg(i));
                q.setParam("N2", QString("φ48.6×%1mm").arg(1000 + i));
                q.setParam("K1", 800.0 + i);
                q.setParam("K2", 1000.0 + i);
                q.setParam("K6", 1200.0 + i);
                q.exec();
            }
            c.IBTransaction1().commit();
            c.closeAll();
        }

        Connections c;
        c.setProductPath(productPath);
        c.setWorkPath(workPath);
        TDM2 dm(c);
        BenchScreen tabs;
        MasterLoads loads(dm, tabs);
        tabs.tab = Tab::Major;
        loads.Button2Click();
        tabs.tab = Tab::Member;
        loads.Button3Click();

        createCopyTable(c.IBDatabase3);
        const double loadBoundSeconds = loadBound(c.IBDatabase1, c.IBDatabase3);
        QElapsedTimer t;
        t.start();
        loads.Button4Click();
        const double load = seconds(t);

        const double insertBound = rebuildBound(c.IBDatabase3);
        if (!dm.IBT_bu.active())
            dm.IBT_bu.open();
        dm.IBT_bu.setRecNo(members / 2);
        t.restart();
        dm.IBT_bu.insert();
        const double insert = seconds(t);

        const double deleteBound = rebuildBound(c.IBDatabase3);
        if (!dm.IBT_bu.active())
            dm.IBT_bu.open();
        dm.IBT_bu.setRecNo(members / 2);
        t.restart();
        dm.IBT_bu.remove();
        const double remove = seconds(t);

        t.restart();
        dm.IBT_bu.reopen();
        const double open = seconds(t);

        std::printf("members: %d\n", dm.IBT_bu.recordCount());
        reportRow("member grid open, 10000 members", open);
        reportRow("member load, 10000 members", load, loadBoundSeconds);
        reportRow("member insert rebuild, 10000 members", insert, insertBound);
        reportRow("member delete rebuild, 10000 members", remove, deleteBound);
        c.closeAll();
    });
}
