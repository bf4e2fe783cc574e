// Times major registration and member registration on a product database of
// realistic size: 100 major × 20 middle categories, 20,000 members and 500,000
// past detail rows.
#include "BenchScreen.h"
#include "Connections.h"
#include "DataModule.h"
#include "Database.h"
#include "DbError.h"
#include "ProgramState.h"
#include "Query.h"
#include "RegisterCommand.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kMajors = 100;
constexpr int kMiddles = 20;
constexpr int kMembers = 20000;
constexpr int kRegisteredMembers = 10000;

// Rows inserted through one prepared statement in one transaction.
void fill(Database& db, const QString& sql, int count, const std::function<void(Query&, int)>& bind)
{
    Query q(&db);
    q.setSql(sql);
    for (int i = 0; i < count; ++i) {
        bind(q, i);
        q.exec();
    }
    db.transaction().commitAndRestart();
}

void buildProduct(Database& db)
{
    Schema::createProductTables(db);
    fill(db, "insert into MAS_KOUSYU_01 (CNT,BL_kubun,NAME01) values (:CNT,:BL,:NAME)", kMajors, [](Query& q, int i) {
        q.setParam("CNT", i + 1);
        q.setParam("BL", i + 1);
        q.setParam("NAME", QStringLiteral("大項目%1").arg(i + 1));
    });
    fill(db, "insert into MAS_KOUSYU_02 (CNT,BL_kubun,BM_kubun,NAME01) values (:CNT,:BL,:BM,:NAME)", kMajors * kMiddles,
         [](Query& q, int i) {
             q.setParam("CNT", i % kMiddles + 1);
             q.setParam("BL", i / kMiddles + 1);
             q.setParam("BM", i % kMiddles + 1);
             q.setParam("NAME", QStringLiteral("中項目%1").arg(i));
         });
    const int perMiddle = kMembers / (kMajors * kMiddles);
    fill(db,
         "insert into MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01,NAME02,TANI,KIN_01,KIN_02,KU_KAMOKU) "
         "values (:BL,:BM,:BS,:N1,:N2,:TANI,:K1,:K2,:KA)",
         kMembers, [&](Query& q, int i) {
             const int middle = i / perMiddle;
             q.setParam("BL", middle / kMiddles + 1);
             q.setParam("BM", middle % kMiddles + 1);
             q.setParam("BS", i % perMiddle + 1);
             q.setParam("N1", QStringLiteral("部材%1").arg(i));
             q.setParam("N2", QStringLiteral("摘要%1").arg(i % 97));
             q.setParam("TANI", i % 3 ? QStringLiteral("本") : QStringLiteral("ｍ"));
             q.setParam("K1", 800.0 + i % 50);
             q.setParam("K2", 1000.0 + i % 70);
             q.setParam("KA", 7);
         });
    const auto packed = [](int i) { return (i % kMajors + 1) * 100 + (i / kMajors) % kMiddles + 1; };
    fill(db,
         "insert into MAS_SIAGE02 (BUI,BANGOU,BL_kubun,BM_kubun,KOUSYU,NAME_01,TAN) values "
         "(:BUI,:BANGOU,:BL,:BM,:K,:N,:TAN)",
         5000, [&](Query& q, int i) {
             q.setParam("BUI", i % 2 ? -packed(i) : i % 40 + 1);
             q.setParam("BANGOU", i);
             q.setParam("BL", packed(i) / 100);
             q.setParam("BM", packed(i) % 100);
             q.setParam("K", packed(i));
             q.setParam("N", QStringLiteral("部材%1").arg(i * 3));
             q.setParam("TAN", QStringLiteral("本"));
         });
    fill(db, "insert into DAT_SIAGE02 (ID,BL_kubun,BM_kubun,BUI,KOUSYU) values (:ID,:BL,:BM,:BUI,:K)", 20000,
         [&](Query& q, int i) {
             q.setParam("ID", i);
             q.setParam("BL", packed(i) / 100);
             q.setParam("BM", packed(i) % 100);
             q.setParam("BUI", -packed(i));
             q.setParam("K", packed(i));
         });
    // 500,000 past detail rows.
    fill(db, "insert into DAT_MEISAI03 (ID,KU_KOUSYU) values (:ID,:K)", 200000, [&](Query& q, int i) {
        q.setParam("ID", i);
        q.setParam("K", packed(i));
    });
    fill(db, "insert into DAT_JIKKOU (ID,KOUSYU,T_CD_2) values (:ID,:K,:T)", 50000, [&](Query& q, int i) {
        q.setParam("ID", i);
        q.setParam("K", packed(i));
        q.setParam("T", i % 300);
    });
    fill(db, "insert into DAT_JIKKOU_MEISAI (ID,L_kubun,M_kubun) values (:ID,:L,:M)", 150000, [&](Query& q, int i) {
        q.setParam("ID", i);
        q.setParam("L", packed(i) / 100);
        q.setParam("M", packed(i) % 100);
    });
    fill(db, "insert into DAT_MITUMORI_M (ID,BL_kubun,BM_kubun) values (:ID,:L,:M)", 100000, [&](Query& q, int i) {
        q.setParam("ID", i);
        q.setParam("L", packed(i) / 100);
        q.setParam("M", packed(i) % 100);
    });
}

void createWorkTables(Database& work)
{
    Query q(&work);
    QStringList tables = Schema::categoryAndMemberTables();
    tables << "TANI"
           << "TANIW";
    for (const QString& t : tables) {
        q.setSql(Schema::createWorkTableSql(t));
        q.exec();
        work.transaction().commitAndRestart();
    }
}

double timed(const std::function<void()>& f)
{
    QElapsedTimer t;
    t.start();
    f();
    return t.elapsed() / 1000.0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QTemporaryDir dir;
    Connections conn;
    const QString productPath = dir.filePath("TREVOLAN.FDB");
    const QString workPath = dir.filePath("MAS_MENT.fdb");
    Database::createDatabase(productPath);
    Database::createDatabase(workPath);
    conn.setProductPath(productPath);
    conn.setWorkPath(workPath);
    for (Database* db : {&conn.IBDatabase1, &conn.IBDatabase2, &conn.IBDatabase3, &conn.IBDatabase4})
        db->open();

    std::printf("building product database ...\n");
    std::fflush(stdout);
    const double build = timed([&] { buildProduct(conn.IBDatabase1); });
    std::printf("  %d majors x %d middles, %d members, 500000 past detail rows: %.2f s\n", kMajors, kMiddles, kMembers,
                build);
    createWorkTables(conn.IBDatabase2);

    int rc = 0;
    {
        TDM2 dm(conn);
        BenchScreen screen;
        NoReload loads(dm, screen);
        ProgramState state;
        CommandContext ctx{dm, state, screen, loads};
        Tab& tab = screen.tab;
        RegisterCommand command(ctx);
        state.registrationPermitted = true;
        state.computerName = "BENCH";

        try {
            // Majors in reverse order: every code of every table changes.
            fill(conn.IBDatabase2, "insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (:CNT,:BL,:N)", kMajors,
                 [](Query& q, int i) {
                     q.setParam("CNT", i + 1);
                     q.setParam("BL", kMajors - i);
                     q.setParam("N", QStringLiteral("大項目%1").arg(kMajors - i));
                 });
            dm.IBT_dai.open();
            std::printf("major registration, %d majors reversed, past details converted: %.2f s\n", kMajors,
                        timed([&] { command.SB03Click(); }));

            // Middle registration of one major category, its 20 middles reversed.
            dm.IBT_dai.open();
            fill(conn.IBDatabase2, "insert into BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01) values (:CNT,1,:BM,:N)",
                 kMiddles, [](Query& q, int i) {
                     q.setParam("CNT", i + 1);
                     q.setParam("BM", kMiddles - i);
                     q.setParam("N", QStringLiteral("中項目%1").arg(i));
                 });
            dm.IBT_chu.open();
            tab = Tab::Middle;
            std::printf("middle registration, %d middles reversed, past details converted: %.2f s\n", kMiddles,
                        timed([&] { command.SB03Click(); }));

            for (int housingRowMissing : {1, 0}) {
                state.housingRowMissing = housingRowMissing;
                dm.IBT_bu.close();
                fill(conn.IBDatabase2, "delete from BUZAI_S", 1, [](Query&, int) {});
                fill(conn.IBDatabase2,
                     "insert into BUZAI_S (CNT,NAME01,NAME02,TANI,KIN_01,KIN_02,KETA) values "
                     "(:CNT,:N1,:N2,:T,:K1,:K2,:KETA)",
                     kRegisteredMembers, [](Query& q, int i) {
                         q.setParam("CNT", i + 1);
                         q.setParam("N1", QStringLiteral("部材%1").arg(i * 2));
                         q.setParam("N2", QStringLiteral("摘要%1").arg(i % 97));
                         q.setParam("T", i % 3 ? QStringLiteral("本") : QStringLiteral("ｍ"));
                         q.setParam("K1", 800.5 + i % 50);
                         q.setParam("K2", 1000.25 + i % 70);
                         q.setParam("KETA", i % 5 ? QVariant() : QVariant(2));
                     });
                // What the middle load would leave: the current middle category 1/1.
                dm.IBT_chu.close();
                fill(conn.IBDatabase2, "delete from BUZAI_CHU", 1, [](Query&, int) {});
                fill(conn.IBDatabase2, "insert into BUZAI_CHU (CNT,BL_kubun,BM_kubun) values (1,1,1)", 1,
                     [](Query&, int) {});
                // The loads start the grids' transactions afresh.
                conn.IBTransaction3().commitAndRestart();
                conn.IBTransaction4().commitAndRestart();
                dm.IBT_chu.open();
                dm.IBT_bu.open();
                tab = Tab::Member;
                std::printf("member registration, %d members, %s: %.2f s\n", kRegisteredMembers,
                            housingRowMissing ? "outside the housing edition" : "housing edition",
                            timed([&] { command.SB03Click(); }));
            }
        } catch (const DbError& e) {
            std::fprintf(stderr, "%s\n", qPrintable(e.text()));
            rc = 1;
        }
    }
    conn.closeAll();
    Database::shutdownEngine();
    return rc;
}
