#pragma once

#include "BenchFolder.h"
#include "Connections.h"
#include "Query.h"
#include "Schema.h"

// An installation for the import benchmarks: the product's tables, the work
// tables the import writes, connections open with a transaction each.
struct ImportBenchRig {
    BenchFolder folder{true, QStringLiteral("LOCAL/MAS_MENT.fdb")};
    Connections c;

    ImportBenchRig()
    {
        c.setProductPath(folder.productPath);
        c.setWorkPath(folder.workPath);
        for (Database* db : {&c.IBDatabase1, &c.IBDatabase2, &c.IBDatabase4}) {
            db->open();
            db->transaction().start();
        }
        Schema::createProductTables(c.IBDatabase1);
        Query q(&c.IBDatabase2);
        for (const QString& t : Schema::categoryAndMemberTables() + QStringList{"BUSAI_SEL"}) {
            q.run(Schema::createWorkTableSql(t));
            q.run("COMMIT");
        }
        c.IBTransaction4().commitAndRestart();
    }
};
