// Times the registrations on a product database of realistic size: 100 major ×
// 20 middle categories, 20,000 members and 500,000 past detail rows. Each figure
// stands beside its bound, measured on the same database in the same run: for a
// work-type registration one UPDATE per changed table through the same code
// mapping in one transaction, rolled back; for member registration in the
// housing edition the same registration outside it.
#include "BenchFolder.h"
#include "BenchProduct.h"
#include "BenchScreen.h"
#include "CodeRenumbering.h"
#include "Connections.h"
#include "DataModule.h"
#include "Database.h"
#include "DbError.h"
#include "ListGuard.h"
#include "ProgramState.h"
#include "Query.h"
#include "RegisterCommand.h"
#include "RegistrationSupport.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <tuple>

namespace {

// The least a renumbering writes: each table once through the mapping, in one
// transaction, committed as a registration is. The grids below are reversed, so
// the registration after it meets the same codes in the same rows again.
double bound(Database& db, const QStringList& statements)
{
    Query q(&db);
    db.transaction().commitAndRestart();
    const double seconds = timed([&] {
        for (const QString& sql : statements)
            q.run(sql);
        db.transaction().commit();
    });
    readRewrittenTables(db);
    return seconds;
}

QStringList majorBound(const CodeRenumbering& r)
{
    QStringList sql;
    const QString range = QString("BETWEEN 1 AND %1").arg(kMajors);
    for (const auto& [table, column] :
         std::initializer_list<std::pair<const char*, const char*>>{{"MAS_KOUSYU_02", "BL_kubun"},
                                                                    {"MAS_BUZAI", "BL_kubun"},
                                                                    {"MAS_SIAGE02", "BL_kubun"},
                                                                    {"DAT_SIAGE02", "BL_kubun"},
                                                                    {"DAT_JIKKOU_MEISAI", "L_kubun"},
                                                                    {"DAT_MITUMORI_M", "BL_kubun"}})
        sql << QString("UPDATE %1 set %2=%3 where %2 %4").arg(table, column, r.codeOf(column, column), range);
    for (const auto& [table, packed] : std::initializer_list<std::pair<const char*, const char*>>{
             {"DAT_MEISAI03", "KU_KOUSYU"}, {"DAT_JIKKOU", "KOUSYU"}}) {
        const QString major = QString("%1/100").arg(packed);
        sql << QString("UPDATE %1 set %2=(%3)*100+%2-%2/100*100 where %4 %5")
                   .arg(table, packed, r.codeOf(major, major), major, range);
    }
    return sql;
}

QStringList middleBound(const CodeRenumbering& r, int major)
{
    QStringList sql;
    for (const auto& [table, l, m] : std::initializer_list<std::tuple<const char*, const char*, const char*>>{
             {"MAS_BUZAI", "BL_kubun", "BM_kubun"},
             {"MAS_SIAGE02", "BL_kubun", "BM_kubun"},
             {"DAT_SIAGE02", "BL_kubun", "BM_kubun"},
             {"DAT_JIKKOU_MEISAI", "L_kubun", "M_kubun"},
             {"DAT_MITUMORI_M", "BL_kubun", "BM_kubun"}})
        sql << QString("UPDATE %1 set %2=%3 where %4=%5").arg(table, m, r.codeOf(m, m), l).arg(major);
    for (const auto& [table, packed] : std::initializer_list<std::pair<const char*, const char*>>{
             {"DAT_MEISAI03", "KU_KOUSYU"}, {"DAT_JIKKOU", "KOUSYU"}}) {
        const QString middle = QString("%1-%1/100*100").arg(packed);
        sql << QString("UPDATE %1 set %2=%2/100*100+%3 where %2/100=%4")
                   .arg(table, packed, r.codeOf(middle, middle))
                   .arg(major);
    }
    return sql;
}

// With --statements: each fused statement of the major registration and each
// bound statement timed on its own, rolled back.
void perStatement(Database& db, const QVector<CodeStep>& steps)
{
    QVector<CodeStep> negated = steps;
    for (CodeStep& s : negated)
        s.oldCode = -s.oldCode;
    Query q(&db);
    Registration::addJikkouColumns(q);
    for (const auto& [name, statements] : {std::pair{"fused", fusedMajorSql(CodeRenumbering(negated), true)},
                                           std::pair{"bound", majorBound(CodeRenumbering(steps))}}) {
        for (const QString& sql : statements) {
            db.transaction().commitAndRestart();
            const double seconds = timed([&] { q.run(sql); });
            db.transaction().rollback();
            readRewrittenTables(db);
            std::printf("  %s %7.3f s  %s\n", name, seconds, qPrintable(sql.left(60)));
        }
    }
}

// Work-type registrations run this many rounds. The first meets rows as the
// product left them; in the later ones the rows have grown (the past-detail
// columns filled) and no longer fit their pages, so that the engine's writes to
// this forced-writes database go to the disk one page at a time: those rounds are
// slower and vary with the disk, their bound as much. Both are shown.
constexpr int kRounds = 4;

struct Rounds {
    double figure = 0, bound = 0, garbage = 0; // the first round
    double laterFigure = 0, laterBound = 0;    // sums over the later ones
    int later = 0;
    void add(double b, std::pair<double, double> run)
    {
        if (later == 0 && figure == 0) {
            figure = run.first;
            bound = b;
            garbage = run.second;
            return;
        }
        laterFigure += run.first;
        laterBound += b;
        ++later;
    }
    void report(const char* label, const char* laterLabel, const char* garbageLabel) const
    {
        reportRow(label, figure, bound);
        if (later > 0)
            reportRow(laterLabel, laterFigure / later, laterBound / later);
        reportRow(garbageLabel, garbage);
    }
};

// A registration's figure without its garbage read, and the read on its own.
// The list counts as loaded from the product as it is, so the registration
// checks it as it checks a list the loads filled.
std::pair<double, double> registration(BenchScreen& screen, RegisterCommand& command, MasterLoads& loads,
                                       Database& product, int major = 0, int middle = 0)
{
    const Tab tab = screen.activeTab();
    loads.setOrigin(tab, ListGuard::read(product, tab, {true, major, middle, {}}, false));
    screen.timing().clear();
    const double total = timed([&] { command.SB03Click(); });
    const double garbage = screen.timing().sinceLastStart();
    return {total - garbage, garbage};
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
        Database& product = conn.IBDatabase1;

        try {
            // Majors in reverse order: every code of every table changes.
            const auto loadMajors = [&](bool reversed) {
                dm.IBT_dai.close();
                fill(conn.IBDatabase2, "delete from BUZAI_DAI", 1, [](Query&, int) {});
                fill(conn.IBDatabase2, "insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (:CNT,:BL,:N)", kMajors,
                     [&](Query& q, int i) {
                         q.setParam("CNT", i + 1);
                         q.setParam("BL", reversed ? kMajors - i : i + 1);
                         q.setParam("N", QStringLiteral("大項目%1").arg(kMajors - i));
                     });
                dm.IBT_dai.open();
            };
            QVector<CodeStep> majorSteps;
            for (int i = 0; i < kMajors; ++i)
                majorSteps.append({i + 1, kMajors - i, std::nullopt});
            readRewrittenTables(product);
            if (argc > 1 && QString(argv[1]) == "--statements")
                perStatement(product, majorSteps);
            // Reversal twice gives the codes back: every round meets the same database.
            Rounds majorRounds, middleRounds;
            for (int round = 0; round < kRounds; ++round) {
                const double b = bound(product, majorBound(CodeRenumbering(majorSteps)));
                loadMajors(true);
                tab = Tab::Major;
                majorRounds.add(b, registration(screen, command, loads, product));
            }
            majorRounds.report("major registration, 100 majors reversed, past details",
                               "  the same again, mean of the later rounds", "  garbage read after major registration");

            // Middle registration of major category 1, its 20 middles reversed; the
            // major grid as the reload after the major registration leaves it.
            QVector<CodeStep> middleSteps;
            for (int i = 0; i < kMiddles; ++i)
                middleSteps.append({i + 1, kMiddles - i, std::nullopt});
            for (int round = 0; round < kRounds; ++round) {
                loadMajors(false);
                dm.IBT_chu.close();
                fill(conn.IBDatabase2, "delete from BUZAI_CHU", 1, [](Query&, int) {});
                fill(conn.IBDatabase2, "insert into BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01) values (:CNT,1,:BM,:N)",
                     kMiddles, [](Query& q, int i) {
                         q.setParam("CNT", i + 1);
                         q.setParam("BM", kMiddles - i);
                         q.setParam("N", QStringLiteral("中項目%1").arg(i));
                     });
                dm.IBT_dai.first();
                while (!dm.IBT_dai.eof() && dm.IBT_dai.text("BL_KUBUN") != "1")
                    dm.IBT_dai.next();
                dm.IBT_chu.open();
                const double b = bound(product, middleBound(CodeRenumbering(middleSteps), 1));
                tab = Tab::Middle;
                middleRounds.add(b, registration(screen, command, loads, product, 1));
                if (Registration::count(product, "select count(*) from MAS_KOUSYU_02 where BL_kubun=1 and "
                                                 "NAME01='中項目0' and BM_kubun=1") != 1)
                    throw DbError("middle registration did not run");
            }
            middleRounds.report("middle registration, 20 middles reversed, past details",
                                "  the same again, mean of the later rounds",
                                "  garbage read after middle registration");

            double outside = 0;
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
                // One round: a second would find the duplicates of other categories gone.
                const auto [figure, garbage] = registration(screen, command, loads, product, 1, 1);
                if (housingRowMissing) {
                    outside = figure;
                    reportRow("member registration, 10000 members, outside housing", figure);
                } else {
                    reportRow("member registration, 10000 members, housing edition", figure, outside);
                }
                reportRow(housingRowMissing ? "  garbage read after it (outside housing)"
                                            : "  garbage read after it (housing edition)",
                          garbage);
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
