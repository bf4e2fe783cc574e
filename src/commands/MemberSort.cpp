#include "MemberSort.h"

#include "DataModule.h"
#include "MemberImage.h"
#include "Rebuild.h"
#include "Schema.h"

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
    // Every row the grid holds, whatever category it was pasted from, keeps
    // every value: only its position changes. The position itself breaks what
    // ties remain, so that equal rows keep their order.
    if (!sorted.contains(QStringLiteral("CNT")))
        order << QStringLiteral("CNT");
    QStringList columns;
    for (const QString& def : Schema::workColumns(QStringLiteral("BUZAI_S")).mid(1))
        columns << def.section(' ', 0, 0);
    QStringList values;
    for (const QString& c : columns)
        values << QStringLiteral("t.") + c;
    Query& q = m_dm.IBQ_touroku4;
    MemberImage::prepare(*ds.database());
    Rebuild::inOneTransaction(*ds.database(), ds, [&] {
        // The ranking sorts keys only; the rows are fetched by key after.
        q.run({MemberImage::insertLine(columns),
               QStringLiteral("select %1, v.P, %2 from").arg(MemberImage::keyOf(QStringLiteral("t")), values.join(',')),
               QStringLiteral("(select RDB$DB_KEY as DK, row_number() over (order by %1) as P from BUZAI_S) v")
                   .arg(order.join(',')),
               QStringLiteral("join BUZAI_S t on t.RDB$DB_KEY=v.DK")});
        // Nearly every row moves: written anew, which is cheaper than moving them.
        MemberImage::apply(q, columns, MemberImage::Mode::Reinsert);
        return 1;
    });
    m_descending = !descending;
}
