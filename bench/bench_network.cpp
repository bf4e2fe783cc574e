// A network installation against the embedded engine, in one run on one
// benchmark product database (100 × 20 categories, 500,000 past detail rows,
// one middle category of 10,000 members): the member load of those members and
// a major registration of the 100 majors reversed, first embedded, then through
// the private Firebird server on a loopback port that scripts/bench starts
// (MASMENT_FBSERVER_DIR). Each server figure stands beside the embedded one.
#include "BenchProduct.h"
#include "BenchScreen.h"
#include "Connections.h"
#include "DataModule.h"
#include "DbError.h"
#include "MasterLoads.h"
#include "ProgramState.h"
#include "RegisterCommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kLoadedMembers = 10000;

double timed(const std::function<void()>& f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e9;
}

// Middle category 1/1 holds the loaded members.
void addLoadedMembers(Database& db)
{
    fill(db, "delete from MAS_BUZAI where BL_kubun=1 and BM_kubun=1", 1, [](Query&, int) {});
    fill(db,
         "insert into MAS_BUZAI (BL_KUBUN,BM_KUBUN,BS_KUBUN,NAME01,NAME02,TANI,KIN_01,KIN_02,KIN_06,S_CD,KETA) "
         "values (1,1,:BS,:N1,:N2,'本',:K1,:K2,:K6,12,1)",
         kLoadedMembers, [](Query& q, int i) {
             q.setParam("BS", i + 1);
             q.setParam("N1", QString("単管パイプ %1").arg(i));
             q.setParam("N2", QString("φ48.6×%1mm").arg(1000 + i));
             q.setParam("K1", 800.0 + i);
             q.setParam("K2", 1000.0 + i);
             q.setParam("K6", 1200.0 + i);
         });
}

struct Figures {
    double load = 1e9;
    double major = 1e9;
};

// The member load, then the major registration twice (the second reversal gives
// the codes back, so the next installation meets the same database); the best
// registration without the garbage read that follows it.
Figures measure(const QString& productPath, const QString& workPath)
{
    Database::createDatabase(workPath);
    Connections conn;
    conn.setProductPath(productPath);
    conn.setWorkPath(workPath);
    Figures f;
    {
        TDM2 dm(conn);
        BenchScreen screen;
        MasterLoads loads(dm, screen);
        screen.tab = Tab::Major;
        loads.Button2Click();
        screen.tab = Tab::Member;
        loads.Button3Click();
        f.load = timed([&] { loads.Button4Click(); });
        if (dm.IBT_bu.recordCount() != kLoadedMembers)
            throw DbError(QString("member load read %1 members").arg(dm.IBT_bu.recordCount()));

        NoReload noReload(dm, screen);
        ProgramState state;
        state.registrationPermitted = true;
        state.computerName = "BENCH";
        CommandContext ctx{dm, state, screen, noReload};
        RegisterCommand command(ctx);
        for (int round = 0; round < 2; ++round) {
            dm.IBT_bu.close();
            dm.IBT_chu.close();
            dm.IBT_dai.close();
            fill(conn.IBDatabase2, "delete from BUZAI_DAI", 1, [](Query&, int) {});
            fill(conn.IBDatabase2, "insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (:CNT,:BL,:N)", kMajors,
                 [](Query& q, int i) {
                     q.setParam("CNT", i + 1);
                     q.setParam("BL", kMajors - i);
                     q.setParam("N", QStringLiteral("大項目%1").arg(kMajors - i));
                 });
            dm.IBT_dai.open();
            screen.tab = Tab::Major;
            screen.timing().clear();
            const double total = timed([&] { command.SB03Click(); });
            f.major = std::min(f.major, total - screen.timing().sinceLastStart());
        }
    }
    conn.closeAll();
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QFile portFile(qEnvironmentVariable("MASMENT_FBSERVER_DIR") + "/port");
    if (qEnvironmentVariable("MASMENT_FBSERVER_DIR").isEmpty() || !portFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "no private server: start one with scripts/fbserver.sh and set MASMENT_FBSERVER_DIR\n");
        return 1;
    }
    const int port = portFile.readAll().trimmed().toInt();
    QTemporaryDir dir;
    const QString productPath = dir.filePath("TREVOLAN.FDB");
    int rc = 0;
    try {
        {
            Database product("build");
            Database::createDatabase(productPath);
            product.setDatabaseName(productPath);
            product.setParams(Database::defaultParams());
            std::printf("building product database ...\n");
            buildProduct(product);
            addLoadedMembers(product);
            product.close();
        }
        const Figures embedded = measure(productPath, dir.filePath("WORK1.fdb"));
        const Figures server =
            measure(QString("127.0.0.1/%1:%2").arg(port).arg(productPath), dir.filePath("WORK2.fdb"));
        reportRow("member load, 10000 members, embedded", embedded.load);
        reportRow("member load, 10000 members, loopback server", server.load, embedded.load);
        reportRow("major registration, 100 majors reversed, embedded", embedded.major);
        reportRow("major registration, 100 majors reversed, loopback server", server.major, embedded.major);
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        rc = 1;
    }
    Database::shutdownEngine();
    return rc;
}
