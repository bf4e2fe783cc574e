#include "CodeLookups.h"

#include "Helpers.h"
#include "Query.h"

namespace CodeLookups {

QStringList workTypeStatement(const QString& companyName)
{
    if (companyName.contains(QStringLiteral("青葉設備")))
        return {QStringLiteral("select BL_KUBUN,BM_KUBUN,BL_KUBUN as CD,NAME01 from MAS_KOUSYU"),
                QStringLiteral("order by BL_KUBUN,BM_KUBUN")};
    return {QStringLiteral(
                "select BL_KUBUN,BM_KUBUN,CAST(BL_KUBUN*100+BM_KUBUN as integer) as CD, NAME01 from MAS_KOUSYU_02"),
            QStringLiteral("order by BL_KUBUN,BM_KUBUN")};
}

QStringList majorStatement()
{
    return {QStringLiteral("select BL_KUBUN, NAME01 from MAS_KOUSYU_01 order by BL_KUBUN")};
}

QStringList middleStatement(const QString& majorCode)
{
    QStringList lines{QStringLiteral("select BL_KUBUN,BM_KUBUN,BL_KUBUN*100+BM_KUBUN as CD,NAME01 from MAS_KOUSYU_02"),
                      QStringLiteral("where BL_KUBUN is not null")};
    // The code is a program value, but only its number ever reaches the SQL text.
    if (!majorCode.isEmpty())
        lines << QStringLiteral("and BL_KUBUN=%1").arg(Helpers::toIntOrZero(majorCode));
    lines << QStringLiteral("order by BL_KUBUN,BM_KUBUN");
    return lines;
}

QStringList unitStatement()
{
    return {QStringLiteral("select * from LOOK_TANI"), QStringLiteral("order by CD")};
}

void openAccounts(Query& q)
{
    q.close();
    q.setSql(QStringLiteral("select * from LOOK_KAMOKU order by CD"));
    q.open();
    if (q.recordCount() > 0)
        return;
    static const std::pair<int, const char16_t*> accounts[] = {
        {101, u"材料費"}, {201, u"労務費"}, {301, u"外注費"}, {401, u"経　費"}, {501, u"その他"},
    };
    for (const auto& [cd, name] : accounts) {
        q.close();
        q.setSql(QStringList{QStringLiteral("INSERT INTO LOOK_KAMOKU"), QStringLiteral("(CD,NAME)"),
                             QStringLiteral("values"), QStringLiteral("(:CD,:NAME)")});
        q.setParam(QStringLiteral("CD"), cd);
        q.setParam(QStringLiteral("NAME"), QString::fromUtf16(name));
        q.exec();
    }
    q.run(QStringLiteral("COMMIT"));
    q.setSql(QStringLiteral("select * from LOOK_KAMOKU"));
    q.open();
}

QString cell(const Query& q, int row, const QString& field)
{
    if (row < 0 || row >= q.recordCount())
        return {};
    const qsizetype column = q.fieldNames().indexOf(field.toUpper());
    return column < 0 ? QString() : valueText(q.rows()[row][column]);
}

int cellInt(const Query& q, int row, const QString& field)
{
    return Helpers::toIntOrZero(cell(q, row, field));
}

int startingRow(const Query& q, const QString& keyField, int start)
{
    const int n = q.recordCount();
    if (n == 0)
        return -1;
    for (int row = 0; row < n; ++row)
        if (cellInt(q, row, keyField) >= start)
            return row;
    return n - 1;
}

} // namespace CodeLookups
