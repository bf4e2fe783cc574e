#pragma once

// The benchmark product database: 100 major × 20 middle categories, 20,000
// members and 500,000 past detail rows, and the work tables beside it.
#include "CodeRenumbering.h"
#include "Database.h"
#include "Query.h"
#include "Schema.h"

#include <functional>

inline constexpr int kMajors = 100;
inline constexpr int kMiddles = 20;
inline constexpr int kMembers = 20000;
inline constexpr int kRegisteredMembers = 10000;

// Rows inserted through one prepared statement in one transaction.
inline void fill(Database& db, const QString& sql, int count, const std::function<void(Query&, int)>& bind)
{
    Query q(&db);
    q.setSql(sql);
    for (int i = 0; i < count; ++i) {
        bind(q, i);
        q.exec();
    }
    db.transaction().commitAndRestart();
}

inline void buildProduct(Database& db)
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

inline void createWorkTables(Database& work)
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

// Every table the registrations rewrite, read once in a transaction of its own:
// what earlier runs left behind is collected before the next one is timed.
inline void readRewrittenTables(Database& db)
{
    db.transaction().commitAndRestart();
    Query q(&db);
    for (const QString& t : rewrittenTables(true, true)) {
        q.setSql("select count(*) from " + t);
        q.open();
        q.close();
    }
    db.transaction().commit();
}
