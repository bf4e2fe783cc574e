#include "RegistrationRig.h"

#include "DbError.h"
#include "ProgramState.h"
#include "Query.h"
#include "RegistrationSupport.h"
#include "Schema.h"

#include <algorithm>

namespace {

QStringList rowsOf(Database& db, const QString& sql, const QStringList& skip = {})
{
    Query q(&db);
    q.setSql(sql);
    q.open();
    QStringList out;
    for (; !q.eof(); q.next()) {
        QStringList cells;
        for (int c = 0; c < q.fieldNames().size(); ++c) {
            if (skip.contains(q.fieldNames().at(c), Qt::CaseInsensitive))
                continue;
            const QVariant v = q.value(c);
            cells << (v.isValid() ? valueText(v) : QStringLiteral("∅"));
        }
        out << cells.join('|');
    }
    return out;
}

} // namespace

std::unique_ptr<TDM2> RegistrationRig::connect(TestFolder& folder, Connections& conn)
{
    const QString productPath = folder.file("TREVOLAN.FDB");
    const QString workPath = folder.file("MAS_MENT.fdb");
    Database::createDatabase(productPath);
    Database::createDatabase(workPath);
    conn.setProductPath(productPath);
    conn.setWorkPath(workPath);
    for (Database* db : {&conn.IBDatabase1, &conn.IBDatabase2, &conn.IBDatabase3, &conn.IBDatabase4})
        db->open();
    Schema::createProductTables(conn.IBDatabase1);
    Query q(&conn.IBDatabase2);
    QStringList tables = Schema::categoryAndMemberTables();
    tables << "TANI" << "TANIW";
    for (const QString& t : tables) {
        q.setSql(Schema::createWorkTableSql(t));
        q.exec();
        q.setSql("COMMIT");
        q.exec();
    }
    return std::make_unique<TDM2>(conn);
}

RegistrationRig::RegistrationRig()
{
    ProgramState& state = programState();
    state.computerName = "PC1";
    state.registrationPermitted = true;
    state.housingRowMissing = 0;
    ctx.convertMajorDetails = [this] { return convertDetails; };
    ctx.convertMiddleDetails = [this] { return convertDetails; };
    ctx.majorLoad = [this] { events << "majorLoad"; };
    ctx.middleLoad = [this] { events << "middleLoad"; };
    ctx.memberLoad = [this] { events << "memberLoad"; };
    ctx.unitLoad = [this] { events << "unitLoad"; };
    ctx.activeTab = [this] { return tab; };
    ctx.isNarrowed = [this] { return narrowed; };
    ctx.endNarrowing = [this] {
        events << "endNarrowing";
        narrowed = false;
    };
    ctx.resetSearchFields = [this] { events << "resetSearchFields"; };
    command = std::make_unique<RegisterCommand>(ctx);
}

RegistrationRig::~RegistrationRig()
{
    command.reset();
    closeDatasets();
    dm.reset();
    conn.closeAll();
}

void RegistrationRig::product(const QStringList& statements)
{
    Query q(&conn.IBDatabase1);
    for (const QString& s : statements) {
        q.setSql(s);
        q.exec();
    }
    conn.IBTransaction1().commitAndRestart();
}

void RegistrationRig::product(const QString& sql) { product(QStringList{sql}); }

void RegistrationRig::work(const QStringList& statements)
{
    // A fresh snapshot: the registrations commit work rows over the other connections.
    conn.IBTransaction2().commitAndRestart();
    Query q(&conn.IBDatabase2);
    for (const QString& s : statements) {
        q.setSql(s);
        q.exec();
    }
    conn.IBTransaction2().commitAndRestart();
}

void RegistrationRig::work(const QString& sql) { work(QStringList{sql}); }

void RegistrationRig::addJikkouColumns()
{
    Query q(&conn.IBDatabase1);
    Registration::addJikkouColumns(q);
}

QStringList RegistrationRig::productRows(const QString& sql)
{
    conn.IBTransaction1().commitAndRestart();
    return rowsOf(conn.IBDatabase1, sql);
}

QStringList RegistrationRig::workRows(const QString& sql)
{
    conn.IBTransaction2().commitAndRestart();
    return rowsOf(conn.IBDatabase2, sql);
}

QString RegistrationRig::dumpProduct(bool withTimestamps)
{
    conn.IBTransaction1().commitAndRestart();
    QString out;
    for (const QString& table : Schema::productTableNames()) {
        QStringList rows;
        try {
            rows = rowsOf(conn.IBDatabase1, "select * from " + table,
                          withTimestamps ? QStringList{} : QStringList{"E_DATE01"});
        } catch (const DbError&) {
            conn.IBTransaction1().rollback();
            rows = QStringList{"(missing)"};
        }
        std::sort(rows.begin(), rows.end());
        out += table + ":\n  " + rows.join("\n  ") + '\n';
    }
    return out;
}

void RegistrationRig::openDatasets()
{
    for (TableDataset* d : {&dm->IBT_dai, &dm->IBT_chu, &dm->IBT_bu, &dm->IBT_TANI})
        d->open();
}

void RegistrationRig::closeDatasets()
{
    if (!dm)
        return;
    for (TableDataset* d : {&dm->IBT_dai, &dm->IBT_chu, &dm->IBT_bu, &dm->IBT_TANI})
        d->close();
}

void RegistrationRig::clearAll()
{
    closeDatasets();
    QStringList statements;
    for (const QString& t : Schema::productTableNames())
        statements << "delete from " + t;
    product(statements);
    work(QStringList{"delete from BUZAI_DAI", "delete from BUZAI_CHU", "delete from BUZAI_S", "delete from TANI"});
}

// Two major categories with two middle categories each; every row names the
// category it belongs to, so a row under the wrong category shows.
void RegistrationRig::standardProduct()
{
    product(QStringList{
        "insert into MAS_KOUSYU_01 (CNT,BL_kubun,NAME01) values (1,1,'M1')",
        "insert into MAS_KOUSYU_01 (CNT,BL_kubun,NAME01) values (2,2,'M2')",
        "insert into MAS_KOUSYU_02 (CNT,BL_kubun,BM_kubun,NAME01) values (1,1,1,'M1-1')",
        "insert into MAS_KOUSYU_02 (CNT,BL_kubun,BM_kubun,NAME01) values (2,1,2,'M1-2')",
        "insert into MAS_KOUSYU_02 (CNT,BL_kubun,BM_kubun,NAME01) values (1,2,1,'M2-1')",
        "insert into MAS_KOUSYU_02 (CNT,BL_kubun,BM_kubun,NAME01) values (2,2,2,'M2-2')",
        "insert into MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01,KU_KAMOKU) values (1,1,1,'M1-1a',7)",
        "insert into MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01,KU_KAMOKU) values (1,2,1,'M1-2a',7)",
        "insert into MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01,KU_KAMOKU) values (2,1,1,'M2-1a',7)",
        "insert into MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01,KU_KAMOKU) values (2,2,1,'M2-2a',7)",
        "insert into MAS_SIAGE02 (BUI,BANGOU,BL_kubun,BM_kubun,KOUSYU,NAME_01) values (-101,0,1,1,101,'M1-1s')",
        "insert into MAS_SIAGE02 (BUI,BANGOU,BL_kubun,BM_kubun,KOUSYU,NAME_01) values (7,1,2,2,202,'M2-2s')",
        "insert into DAT_SIAGE02 (ID,BL_kubun,BM_kubun,BUI,KOUSYU) values (1,1,2,-102,102)",
        "insert into DAT_SIAGE02 (ID,BL_kubun,BM_kubun,BUI,KOUSYU) values (2,2,1,-201,201)",
        "insert into DAT_MEISAI03 (ID,KU_KOUSYU) values (1,101)",
        "insert into DAT_MEISAI03 (ID,KU_KOUSYU) values (2,202)",
        "insert into DAT_MEISAI03 (ID,KU_KOUSYU) values (3,102)",
        "insert into DAT_JIKKOU (ID,KOUSYU,T_CD_2) values (1,101,5)",
        "insert into DAT_JIKKOU (ID,KOUSYU,T_CD_2) values (2,201,6)",
        "insert into DAT_JIKKOU_MEISAI (ID,L_kubun,M_kubun) values (1,1,1)",
        "insert into DAT_JIKKOU_MEISAI (ID,L_kubun,M_kubun) values (2,2,2)",
        "insert into DAT_MITUMORI_M (ID,BL_kubun,BM_kubun) values (1,1,2)",
        "insert into DAT_MITUMORI_M (ID,BL_kubun,BM_kubun) values (2,2,1)",
    });
}


RenumberStrategy renumberRowByRow()
{
    return [](Query& q, const QVector<RenumberTarget>& targets, const QVector<CodeStep>& steps) {
        for (const CodeStep& step : steps) {
            for (const RenumberTarget& t : targets) {
                const QString where = (t.scope.isEmpty() ? QString() : t.scope + " and ") + t.column + "=" +
                                      QString::number(step.oldCode);
                if (t.carriesAccount && step.account)
                    Registration::run(q, QString("UPDATE %1 set KU_KAMOKU=%2 where %3")
                                             .arg(t.table)
                                             .arg(*step.account)
                                             .arg(where));
                Registration::run(q, QString("UPDATE %1 set %2=%3 where %4")
                                         .arg(t.table, t.column)
                                         .arg(step.position)
                                         .arg(where));
            }
        }
    };
}
