#include "MemberSort.h"

#include "DataModule.h"
#include "MemberImage.h"
#include "Rebuild.h"

namespace {

QString orderLine(const QString& key, bool descending)
{
    if (key == QLatin1String("NAME01"))
        return descending ? QStringLiteral("NAME01 desc,NAME02") : QStringLiteral("NAME01,NAME02");
    if (key == QLatin1String("NAME02"))
        return descending ? QStringLiteral("NAME02 desc,B_CD") : QStringLiteral("NAME02");
    return descending ? key + QStringLiteral(" desc") : key;
}

} // namespace

void MemberSort::sortBy(const QString& field)
{
    TableDataset& ds = m_dm.IBT_bu;
    if (!ds.active())
        return;
    const QString key = field == QStringLiteral("利益率") ? QStringLiteral("KIN_02") : field.toUpper();
    // Only stored columns reach the statement.
    if (field == QStringLiteral("№") || !ds.hasField(key) || ds.isCalculated(key))
        return;
    const bool descending = m_descending;
    // A column sorted once already decides nothing the second time: left out,
    // which keeps the engine's sort keys short.
    QStringList order, sorted;
    for (const QString& term : (orderLine(key, descending) + QStringLiteral(",NAME01,NAME02,TANI")).split(',')) {
        const QString column = term.section(' ', 0, 0);
        if (!sorted.contains(column)) {
            sorted << column;
            order << term;
        }
    }
    const QString major = QString::number(m_dm.currentMajorCode());
    const QString middle = QString::number(m_dm.currentMiddleCode());
    Query& q = m_dm.IBQ_touroku4;
    // Empty codes and amounts become 0; no row is dropped.
    static const QStringList kValues{"coalesce(BL_kubun,0)",
                                     "coalesce(BM_kubun,0)",
                                     "coalesce(BS_kubun,0)",
                                     Rebuild::textOrNull("NAME01"),
                                     Rebuild::textOrNull("NAME02"),
                                     Rebuild::textOrNull("NAME03"),
                                     Rebuild::textOrNull("B_CD"),
                                     Rebuild::textOrNull("TANI"),
                                     "coalesce(KIN_01,0)",
                                     "coalesce(KIN_02,0)",
                                     "coalesce(KIN_06,0)",
                                     "coalesce(KU_KAMOKU,0)",
                                     "coalesce(S_CD,0)",
                                     "coalesce(KETA,0)"};
    const QStringList columns = Rebuild::memberRows().columns.mid(1);
    MemberImage::prepare(*ds.database());
    Rebuild::inOneTransaction(*ds.database(), ds, [&] {
        // The ranking sorts keys only; the rows are fetched by key after (the
        // value expressions name the columns of t, which v does not share).
        q.run(
            {MemberImage::insertLine(columns),
             QStringLiteral("select %1, v.P, %2 from").arg(MemberImage::keyOf(QStringLiteral("t")), kValues.join(',')),
             QStringLiteral("(select RDB$DB_KEY as DK, row_number() over (order by %1) as P from BUZAI_S")
                 .arg(order.join(',')),
             QStringLiteral("where BL_KUBUN=%1 and BM_KUBUN=%2) v").arg(major, middle),
             QStringLiteral("join BUZAI_S t on t.RDB$DB_KEY=v.DK")});
        // Nearly every row moves: written anew, which is cheaper than moving them.
        MemberImage::apply(q, columns, MemberImage::Mode::Reinsert);
        return 1;
    });
    m_descending = !descending;
}
