#include "RegistrationRig.h"

#include "DbError.h"
#include "Query.h"
#include "RegistrationSupport.h"
#include "Schema.h"

#include <algorithm>

QStringList inserts(const QString& into, const QStringList& tuples)
{
    QStringList out;
    for (const QString& t : tuples)
        out << QString("insert into %1 values (%2)").arg(into, t);
    return out;
}

RenumberStrategy renumberRowByRow()
{
    return [](Query& q, const QVector<RenumberTarget>& targets, const QVector<CodeStep>& steps) {
        for (const CodeStep& step : steps)
            for (const RenumberTarget& t : targets) {
                const QString where = (t.scope.isEmpty() ? QString() : t.scope + " and ") + t.column + "=" +
                                      QString::number(step.oldCode);
                if (t.carriesAccount && step.account)
                    q.run(QString("UPDATE %1 set KU_KAMOKU=%2 where %3")
                              .arg(t.table, QString::number(*step.account), where));
                q.run(QString("UPDATE %1 set %2=%3 where %4")
                          .arg(t.table, t.column, QString::number(step.position), where));
            }
    };
}

RegistrationRig::RegistrationRig()
{
    state.computerName = "PC1";
    state.registrationPermitted = true;
    command = std::make_unique<RegisterCommand>(ctx);
}

RegistrationRig::~RegistrationRig()
{
    command.reset();
    for (TableDataset* d : grids())
        d->close();
    dm.reset();
    conn.closeAll();
}

void RegistrationRig::freshWorkSnapshots()
{
    // The grids read their rows when opened, the registrations commit work rows over
    // every work connection, and the middle and member grids read through their own:
    // grids closed and snapshots ended, registerTab shows what is written here.
    for (TableDataset* d : grids())
        d->close();
    conn.IBTransaction2().commitAndRestart();
    conn.IBTransaction3().commit();
    conn.IBTransaction4().commit();
}

void RegistrationRig::work(const QStringList& statements)
{
    freshWorkSnapshots();
    execCommitted(conn.IBDatabase2, statements);
}

void RegistrationRig::workRow(const QString& table, const Values& values)
{
    freshWorkSnapshots();
    QStringList cols;
    for (const auto& [col, v] : values)
        cols << col;
    Query q(&conn.IBDatabase2);
    q.setSql(QString("insert into %1 (%2) values (:%3)").arg(table, cols.join(','), cols.join(",:")));
    for (const auto& [col, v] : values)
        q.setParam(col, v);
    q.exec();
    conn.IBTransaction2().commitAndRestart();
}

void RegistrationRig::addJikkouColumns()
{
    Query q(&conn.IBDatabase1);
    Registration::addJikkouColumns(q);
}

Rows RegistrationRig::productRows(const QString& sql)
{
    conn.IBTransaction1().commitAndRestart();
    return rowsOf(conn.IBDatabase1, sql);
}

Rows RegistrationRig::workRows(const QString& sql)
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

Rows RegistrationRig::workTables()
{
    return workRows("select * from BUZAI_DAI order by CNT") + workRows("select * from BUZAI_CHU order by CNT") +
           workRows("select * from BUZAI_S order by CNT") + workRows("select * from TANI order by CD");
}

void RegistrationRig::registerTab(Tab on, bool majorGridClosed)
{
    screen.tab = on;
    for (TableDataset* d : grids())
        d->open();
    if (majorGridClosed)
        dm->IBT_dai.close();
    command->SB03Click();
}

void RegistrationRig::clearAll()
{
    QStringList statements;
    for (const QString& t : Schema::productTableNames())
        statements << "delete from " + t;
    product(statements);
    work({"delete from BUZAI_DAI", "delete from BUZAI_CHU", "delete from BUZAI_S", "delete from TANI"});
}

void RegistrationRig::standardProduct()
{
    product(inserts("MAS_KOUSYU_01 (CNT,BL_kubun,NAME01)", {"1,1,'M1'", "2,2,'M2'"}) +
            inserts("MAS_KOUSYU_02 (CNT,BL_kubun,BM_kubun,NAME01)",
                    {"1,1,1,'M1-1'", "2,1,2,'M1-2'", "1,2,1,'M2-1'", "2,2,2,'M2-2'"}) +
            inserts("MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01,KU_KAMOKU)",
                    {"1,1,1,'M1-1a',7", "1,2,1,'M1-2a',7", "2,1,1,'M2-1a',7", "2,2,1,'M2-2a',7"}) +
            inserts("MAS_SIAGE02 (BUI,BANGOU,BL_kubun,BM_kubun,KOUSYU,NAME_01)",
                    {"-101,0,1,1,101,'M1-1s'", "7,1,2,2,202,'M2-2s'"}) +
            inserts("DAT_SIAGE02 (ID,BL_kubun,BM_kubun,BUI,KOUSYU)", {"1,1,2,-102,102", "2,2,1,-201,201"}) +
            inserts("DAT_MEISAI03 (ID,KU_KOUSYU)", {"1,101", "2,202", "3,102"}) +
            inserts("DAT_JIKKOU (ID,KOUSYU,T_CD_2)", {"1,101,5", "2,201,6"}) +
            inserts("DAT_JIKKOU_MEISAI (ID,L_kubun,M_kubun)", {"1,1,1", "2,2,2"}) +
            inserts("DAT_MITUMORI_M (ID,BL_kubun,BM_kubun)", {"1,1,2", "2,2,1"}));
}

void RegistrationRig::fillEveryTab()
{
    standardProduct();
    product(inserts("MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun)", {"5,5,1"}) +
            inserts("MAS_SIAGE02 (BUI,BANGOU,NAME_01,TAN,BL_kubun,BM_kubun)",
                    {"-3,0,'N1','本',null,null", "1,9,null,null,9,1"}) +
            inserts("LOOK_TANI (CD,NAME)", {"1,'old'"}));
    addJikkouColumns();
    work(inserts("BUZAI_DAI (CNT,BL_kubun,NAME01)", {"1,2,'M2'", "2,1,'M1'"}) +
         inserts("BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01,KU_KAMOKU)", {"1,2,2,'M2-2',150", "2,2,1,'M2-1',null"}) +
         inserts("BUZAI_S (CNT,NAME01,TANI,KIN_01,B_CD)",
                 {"1,'N1','本',1.5,'2-x'", "2,'N2','m',null,null", "3,null,null,null,null"}) +
         inserts("TANI (CD,NAME)", {"1,'A'", "2,'B'", "3,'C'"}));
}
