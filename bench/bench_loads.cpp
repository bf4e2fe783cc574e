// Times the member load and the member insert rebuild for one middle category
// of 10,000 members on a generated product database. A program, not a test:
// it prints its figures.
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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int members = argc > 1 ? QString(argv[1]).toInt() : 10000;
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("PROG");
    QDir::setCurrent(dir.path() + "/PROG");
    try {
        const QString productPath = dir.path() + "/TREVOLAN.FDB";
        const QString workPath = dir.path() + "/MAS_MENT.fdb";
        Database::createDatabase(productPath);
        Database::createDatabase(workPath);
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

        QElapsedTimer t;
        t.start();
        loads.Button4Click();
        const qint64 loadMs = t.elapsed();

        dm.IBT_bu.setRecNo(members / 2);
        t.restart();
        dm.IBT_bu.insert();
        const qint64 insertMs = t.elapsed();

        dm.IBT_bu.setRecNo(members / 2);
        t.restart();
        dm.IBT_bu.remove();
        const qint64 deleteMs = t.elapsed();

        t.restart();
        dm.IBT_bu.reopen();
        const qint64 openMs = t.elapsed();

        std::printf("members: %d\n", dm.IBT_bu.recordCount());
        std::printf("member grid open:       %6lld ms\n", static_cast<long long>(openMs));
        std::printf("member load:            %6lld ms\n", static_cast<long long>(loadMs));
        std::printf("member insert rebuild:  %6lld ms\n", static_cast<long long>(insertMs));
        std::printf("member delete rebuild:  %6lld ms\n", static_cast<long long>(deleteMs));
        c.closeAll();
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        Database::shutdownEngine();
        return 1;
    }
    Database::shutdownEngine();
    return 0;
}
