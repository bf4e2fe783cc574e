// A network installation against the embedded engine, in one run on one
// benchmark product database (100 × 20 categories, 500,000 past detail rows,
// one middle category of 10,000 members): the member load of those members and
// a major registration of the 100 majors reversed, first embedded, then through
// the private Firebird server on a loopback port that scripts/bench starts
// (MASMENT_FBSERVER_DIR). Each server figure stands beside the embedded one.
#include "BenchFolder.h"
#include "BenchProduct.h"
#include "BenchScreen.h"
#include "Connections.h"
#include "DataModule.h"
#include "DbError.h"
#include "MasterLoads.h"
#include "ProgramState.h"
#include "RegisterCommand.h"
#include "WorkTypeRegistration.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kLoadedMembers = 10000;

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

// One installation's program on the product database: the member load of the
// loaded members, or one major registration of the majors reversed (reversing
// twice gives the codes back) without the garbage read that follows it.
class Installation {
public:
    Installation(const QString& productPath, const QString& workPath)
    {
        if (!QFile::exists(workPath))
            Database::createDatabase(workPath);
        conn.setProductPath(productPath);
        conn.setWorkPath(workPath);
        screen.tab = Tab::Major;
        loads.Button2Click();
        screen.tab = Tab::Member;
        loads.Button3Click();
    }
    ~Installation()
    {
        dm.reset();
        conn.closeAll();
    }

    double memberLoad()
    {
        const double s = timed([&] { loads.Button4Click(); });
        if (dm->IBT_bu.recordCount() != kLoadedMembers)
            throw DbError(QString("member load read %1 members").arg(dm->IBT_bu.recordCount()));
        return s;
    }

    double majorRegistration()
    {
        NoReload noReload(*dm, screen);
        ProgramState state;
        state.registrationPermitted = true;
        state.computerName = "BENCH";
        CommandContext ctx{*dm, state, screen, noReload};
        RegisterCommand command(ctx);
        dm->IBT_bu.close();
        dm->IBT_chu.close();
        dm->IBT_dai.close();
        fill(conn.IBDatabase2, "delete from BUZAI_DAI", 1, [](Query&, int) {});
        fill(conn.IBDatabase2, "insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (:CNT,:BL,:N)", kMajors,
             [](Query& q, int i) {
                 q.setParam("CNT", i + 1);
                 q.setParam("BL", kMajors - i);
                 q.setParam("N", QStringLiteral("大項目%1").arg(kMajors - i));
             });
        dm->IBT_dai.open();
        readRewrittenTables(conn.IBDatabase1);
        screen.tab = Tab::Major;
        screen.timing().clear();
        const double total = timed([&] { command.SB03Click(); });
        return total - screen.timing().sinceLastStart();
    }

private:
    Connections conn;
    std::unique_ptr<TDM2> dm = std::make_unique<TDM2>(conn); // opens nothing yet
    BenchScreen screen;
    MasterLoads loads{*dm, screen};
};

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
        const QString paths[] = {productPath, QString("127.0.0.1/%1:%2").arg(port).arg(productPath)};
        const QString works[] = {dir.filePath("WORK1.fdb"), dir.filePath("WORK2.fdb")};
        double load[2], major[2] = {1e9, 1e9};
        for (int i = 0; i < 2; ++i)
            load[i] = Installation(paths[i], works[i]).memberLoad();
        // The first update of the freshly built tables is far quicker than any later
        // one: a pair of untimed registrations first, so that neither installation
        // meets the database in a state the other never sees. Then turn about, the
        // order swapped every round, the best of four each.
        for (int i = 0; i < 2; ++i)
            Installation(paths[0], works[0]).majorRegistration();
        for (int round = 0; round < 4; ++round)
            for (int k = 0; k < 2; ++k) {
                const int i = (round + k) % 2;
                major[i] = std::min(major[i], Installation(paths[i], works[i]).majorRegistration());
            }
        reportRow("member load, 10000 members, embedded", load[0]);
        reportRow("member load, 10000 members, loopback server", load[1], load[0]);
        reportRow("major registration, 100 majors reversed, embedded", major[0]);
        reportRow("major registration, 100 majors reversed, loopback server", major[1], major[0]);
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        rc = 1;
    }
    Database::shutdownEngine();
    return rc;
}
