#include "Schema.h"

#include "Database.h"
#include "DbError.h"
#include "Query.h"

namespace {

const QStringList kMajorColumns = {"CNT INTEGER", "BL_kubun SMALLINT", "NAME01 VARCHAR(40)", "NAME02 VARCHAR(40)"};

const QStringList kMiddleColumns = {"CNT INTEGER",        "BL_kubun SMALLINT",  "BM_kubun SMALLINT",
                                    "NAME01 VARCHAR(40)", "NAME02 VARCHAR(40)", "KU_KAMOKU SMALLINT"};

// S2_CNT: while the member grid is narrowed, the row's position in the parked
// full list, which every edit keeps with the row; empty otherwise.
const QStringList kMemberColumns = {"CNT INTEGER",
                                    "BL_kubun SMALLINT",
                                    "BM_kubun SMALLINT",
                                    "BS_kubun INTEGER",
                                    "KU_KAMOKU SMALLINT",
                                    "NAME01 VARCHAR(40)",
                                    "NAME02 VARCHAR(40)",
                                    "TANI VARCHAR(6)",
                                    "KIN_02 DOUBLE PRECISION",
                                    "KIN_04 DOUBLE PRECISION",
                                    "KIN_05 DOUBLE PRECISION",
                                    "KIN_01 DOUBLE PRECISION",
                                    "KIN_06 DOUBLE PRECISION",
                                    "G_RITU INTEGER",
                                    "T_RITU INTEGER",
                                    "K_RITU DOUBLE PRECISION",
                                    "NAME03 VARCHAR(20)",
                                    "TAX_KU SMALLINT",
                                    "B_CD VARCHAR(20)",
                                    "S_CD INTEGER",
                                    "e_date01 DATE",
                                    "KETA SMALLINT",
                                    "S2_CNT INTEGER"};

const QStringList kUnitColumns = {"CD SMALLINT", "NAME VARCHAR(12)"};

const QStringList kSelectionColumns = {"CNT INTEGER",
                                       "M_NO INTEGER",
                                       "L_kubun SMALLINT",
                                       "M_kubun SMALLINT",
                                       "S_kubun INTEGER",
                                       "BL_kubun SMALLINT",
                                       "BM_kubun SMALLINT",
                                       "BS_kubun INTEGER",
                                       "KETA INTEGER",
                                       "NAME01 VARCHAR(40)",
                                       "NAME02 VARCHAR(40)",
                                       "NAME03 VARCHAR(20)",
                                       "B_CD VARCHAR(20)",
                                       "TAN VARCHAR(12)",
                                       "J_KAZU DOUBLE PRECISION",
                                       "M_KAZU DOUBLE PRECISION",
                                       "KIN_01 DOUBLE PRECISION",
                                       "KIN_02 DOUBLE PRECISION",
                                       "KIN_03 DOUBLE PRECISION",
                                       "KIN_04 DOUBLE PRECISION",
                                       "KIN_05 DOUBLE PRECISION",
                                       "KIN_06 DOUBLE PRECISION",
                                       "G_MODE DOUBLE PRECISION",
                                       "KAMOKU SMALLINT",
                                       "S_CD INTEGER",
                                       "KEISAN_1 VARCHAR(255)",
                                       "KEISAN_2 VARCHAR(255)",
                                       "KU_S_KETA SMALLINT",
                                       "KU_TAX SMALLINT",
                                       "KU_TAX_K SMALLINT",
                                       "S_NAME VARCHAR(20)",
                                       "E_DATE01 DATE",
                                       "E_DATE02 DATE",
                                       "E_DATE03 DATE",
                                       "E_DATE04 DATE",
                                       "PC_NAME VARCHAR(40)"};

struct ProductTable {
    const char* name;
    QStringList columns;
};

const QList<ProductTable>& productTables()
{
    static const QList<ProductTable> tables = {
        {"MAS_KOUSYU_01",
         {"CNT INTEGER", "BL_kubun SMALLINT", "NAME01 VARCHAR(40)", "NAME02 VARCHAR(40)", "e_date01 TIMESTAMP",
          "e_date04 DATE", "PC_NAME VARCHAR(40)"}},
        {"MAS_KOUSYU_02",
         {"CNT INTEGER", "BL_kubun SMALLINT", "BM_kubun SMALLINT", "NAME01 VARCHAR(40)", "NAME02 VARCHAR(40)",
          "KU_KAMOKU SMALLINT", "e_date01 TIMESTAMP", "e_date04 DATE", "PC_NAME VARCHAR(40)"}},
        {"MAS_KOUSYU", {"BL_KUBUN SMALLINT", "BM_KUBUN SMALLINT", "NAME01 VARCHAR(40)"}},
        {"MAS_BUZAI",
         {"BL_kubun SMALLINT",
          "BM_kubun SMALLINT",
          "BS_kubun INTEGER",
          "KU_KAMOKU SMALLINT",
          "NAME01 VARCHAR(40)",
          "NAME02 VARCHAR(40)",
          "NAME03 VARCHAR(20)",
          "TANI VARCHAR(6)",
          "KIN_01 DOUBLE PRECISION",
          "KIN_02 DOUBLE PRECISION",
          "KIN_06 DOUBLE PRECISION",
          "G_RITU INTEGER",
          "T_RITU INTEGER",
          "K_RITU DOUBLE PRECISION",
          "TAX_KU SMALLINT",
          "B_CD VARCHAR(20)",
          "S_CD INTEGER",
          "KETA SMALLINT",
          "e_date01 TIMESTAMP",
          "e_date04 DATE",
          "PC_NAME VARCHAR(40)"}},
        {"LOOK_TANI", {"CD SMALLINT", "NAME VARCHAR(12)"}},
        {"LOOK_KAMOKU", {"CD SMALLINT", "KUBUN SMALLINT", "BANGOU SMALLINT", "NAME VARCHAR(30)"}},
        {"LOOK_KIHON", {"NAME VARCHAR(40)"}},
        {"MAS_SIIRE",
         {"T_CD INTEGER",
          "T_KEY VARCHAR(20)",
          "T_NAME01 VARCHAR(40)",
          "T_NAME02 VARCHAR(40)",
          "T_NAME03 VARCHAR(40)",
          "T_TEL VARCHAR(20)",
          "T_FAX VARCHAR(20)",
          "T_TANTOU VARCHAR(20)",
          "T_ZIP_CD VARCHAR(10)",
          "T_ADD_1 VARCHAR(60)",
          "T_ADD_2 VARCHAR(60)",
          "KU_TAX SMALLINT",
          "KU_KOUSYU INTEGER",
          "KU_KAMOKU SMALLINT",
          "KU_G_KETA SMALLINT",
          "KU_KIN_K SMALLINT",
          "KU_TAX_K SMALLINT",
          "KIN_01 DOUBLE PRECISION",
          "KIN_02 DOUBLE PRECISION",
          "KIN_03 DOUBLE PRECISION",
          "KU_HARAI SMALLINT",
          "KU_SIME SMALLINT",
          "E_DATE04 DATE"}},
        {"MAS_SIAGE01", {"BUI INTEGER", "BANGOU INTEGER", "NAME01 VARCHAR(40)"}},
        {"MAS_SIAGE02",
         {"BUI INTEGER", "BANGOU INTEGER", "BL_kubun SMALLINT", "BM_kubun SMALLINT", "BS_kubun INTEGER",
          "KOUSYU INTEGER", "NAME_01 VARCHAR(40)", "NAME_02 VARCHAR(40)", "NAME_03 VARCHAR(20)", "TAN VARCHAR(12)",
          "KIN_01 DOUBLE PRECISION", "KIN_02 DOUBLE PRECISION", "KAMOKU SMALLINT", "T_CD_2 INTEGER", "B_CD VARCHAR(20)",
          "KETA SMALLINT"}},
        {"DAT_MITUMORI_M", {"ID INTEGER", "BL_kubun SMALLINT", "BM_kubun SMALLINT", "NAME01 VARCHAR(40)"}},
        {"DAT_MEISAI03", {"ID INTEGER", "L_kubun SMALLINT", "M_kubun SMALLINT", "KU_KOUSYU INTEGER"}},
        {"DAT_JIKKOU", {"ID INTEGER", "KOUSYU INTEGER", "T_CD_2 INTEGER"}},
        {"DAT_JIKKOU_MEISAI", {"ID INTEGER", "L_kubun SMALLINT", "M_kubun SMALLINT"}},
        {"DAT_SIAGE02",
         {"ID INTEGER", "BL_kubun SMALLINT", "BM_kubun SMALLINT", "BUI INTEGER", "KOUSYU INTEGER", "TAN VARCHAR(12)"}},
    };
    return tables;
}

QString createSql(const QString& table, const QStringList& columns, const QString& tail = {})
{
    QString sql =
        QStringLiteral("CREATE TABLE ") + table + QStringLiteral(" (\n  ") + columns.join(QStringLiteral(",\n  "));
    if (!tail.isEmpty())
        sql += QStringLiteral(",\n  ") + tail;
    return sql + QStringLiteral(")");
}

} // namespace

namespace Schema {

QStringList workColumns(const QString& table)
{
    const QString t = table.toUpper();
    if (t == "BUZAI_DAI" || t == "BUZAI_DAIW" || t == "BUZAI_DAIW2")
        return kMajorColumns;
    if (t == "BUZAI_CHU" || t == "BUZAI_CHUW" || t == "BUZAI_CHUW2")
        return kMiddleColumns;
    if (t == "BUZAI_S" || t == "BUZAI_SW" || t == "BUZAI_SW2" || t == "BUZAI_S2" || t == "BUZAI_S3")
        return kMemberColumns;
    if (t == "TANI" || t == "TANIW")
        return kUnitColumns;
    if (t == "BUSAI_SEL" || t == "BUSAI_CNV")
        return kSelectionColumns;
    return {};
}

QString createWorkTableSql(const QString& table)
{
    QStringList cols = workColumns(table);
    if (table.compare("BUZAI_S", Qt::CaseInsensitive) == 0) {
        // Two member rows can never share a position.
        cols[0] = QStringLiteral("CNT INTEGER NOT NULL");
        return createSql(table, cols, QStringLiteral("PRIMARY KEY (CNT)"));
    }
    return createSql(table, cols);
}

QStringList categoryAndMemberTables()
{
    return {"BUZAI_DAI",   "BUZAI_DAIW", "BUZAI_DAIW2", "BUZAI_CHU", "BUZAI_CHUW",
            "BUZAI_CHUW2", "BUZAI_S",    "BUZAI_SW",    "BUZAI_SW2"};
}

QStringList productTableNames()
{
    QStringList names;
    for (const auto& t : productTables())
        names << QString::fromLatin1(t.name);
    return names;
}

void createProductTables(Database& db)
{
    Query q(&db, QStringLiteral("schema"));
    for (const auto& t : productTables()) {
        q.setSql(createSql(QString::fromLatin1(t.name), t.columns));
        q.exec();
        q.setSql(QStringLiteral("COMMIT"));
        q.exec();
    }
}

} // namespace Schema

bool Schema::tableExists(Database& db, const QString& table)
{
    try {
        Query q(&db, QStringLiteral("relations"));
        q.setSql(QStringLiteral("select count(*) as N from RDB$RELATIONS where RDB$RELATION_NAME=:T"));
        q.setParam(QStringLiteral("T"), table);
        q.open();
        return q.value(QStringLiteral("N")).toInt() > 0;
    } catch (const DbError&) {
        return false;
    }
}
