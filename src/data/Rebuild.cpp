#include "Rebuild.h"

#include "Database.h"
#include "MemberImage.h"
#include "Query.h"
#include "Schema.h"
#include "TableDataset.h"

#include <QList>

#include <algorithm>

namespace Rebuild {

QString textOrNull(const QString& column)
{
    return QStringLiteral("case when octet_length(%1)>0 then %1 end").arg(column);
}

QString hasText(const QString& column)
{
    return QStringLiteral("octet_length(coalesce(%1,''))>0").arg(column);
}

namespace {

QString zeroIfNull(const QString& c)
{
    return QStringLiteral("coalesce(%1,0)").arg(c);
}

RowShape categoryShape(bool middle)
{
    RowShape s;
    s.table = middle ? QStringLiteral("BUZAI_CHU") : QStringLiteral("BUZAI_DAI");
    s.clipboard = s.table + QStringLiteral("W2");
    s.scratch = s.table + QStringLiteral("W");
    s.columns = QStringList{"CNT", "BL_kubun"};
    s.rebuildValues = QStringList{zeroIfNull("BL_kubun")};
    if (middle) {
        s.columns << QStringLiteral("BM_kubun");
        s.rebuildValues << zeroIfNull("BM_kubun");
    }
    s.columns << QStringList{"NAME01", "NAME02"};
    s.rebuildValues << textOrNull("NAME01") << textOrNull("NAME02");
    if (middle) {
        // The account item moves with its middle category, as in the insert and
        // delete renumbering; a registration after a move must not lose it.
        s.columns << QStringLiteral("KU_KAMOKU");
        s.rebuildValues << QStringLiteral("KU_KAMOKU");
    }
    s.clipboardValues = s.rebuildValues;
    s.keepNames = QStringList{"NAME01", "NAME02"};
    return s;
}

RowShape memberShape()
{
    RowShape s;
    s.table = QStringLiteral("BUZAI_S");
    s.clipboard = QStringLiteral("BUZAI_SW2");
    s.scratch = QStringLiteral("BUZAI_SW");
    s.columns = QStringList{"CNT",  "BL_kubun", "BM_kubun", "BS_kubun", "NAME01",    "NAME02", "NAME03", "B_CD",
                            "TANI", "KIN_01",   "KIN_02",   "KIN_06",   "KU_KAMOKU", "S_CD",   "KETA"};
    const QStringList codes{zeroIfNull("BL_kubun"), zeroIfNull("BM_kubun"), zeroIfNull("BS_kubun")};
    const QStringList texts{textOrNull("NAME01"), textOrNull("NAME02"), textOrNull("NAME03"), textOrNull("B_CD"),
                            textOrNull("TANI")};
    const QStringList amounts{"KIN_01", "KIN_02", "KIN_06"};
    // An empty account item or vendor is NULL on the clipboard and 0 once the row
    // is back in the list; the digit setting stays empty.
    s.rebuildValues = codes + texts + amounts + QStringList{zeroIfNull("KU_KAMOKU"), zeroIfNull("S_CD"), "KETA"};
    s.clipboardValues = codes + texts + amounts + QStringList{"KU_KAMOKU", "S_CD", "KETA"};
    // A row keeps its place in the parked list through every rebuild of a narrowed
    // grid; on the clipboard it has none, so a pasted row is a new one there.
    s.columns << QStringLiteral("S2_CNT");
    s.rebuildValues << QStringLiteral("S2_CNT");
    s.clipboardValues << QStringLiteral("cast(null as integer)");
    s.keepNames = QStringList{"NAME01", "NAME02", "NAME03"};
    return s;
}

} // namespace

const RowShape& majorRows()
{
    static const RowShape s = categoryShape(false);
    return s;
}

const RowShape& middleRows()
{
    static const RowShape s = categoryShape(true);
    return s;
}

const RowShape& memberRows()
{
    static const RowShape s = memberShape();
    return s;
}

QStringList refill(const RowShape& shape, const QString& into, const QString& from, const QString& order, bool keepTest)
{
    QStringList keep;
    for (const QString& c : shape.keepNames)
        keep << hasText(c);
    QStringList lines{
        QStringLiteral("insert into %1 (%2)").arg(into, shape.columns.join(',')),
        QStringLiteral("select P, %1").arg(shape.rebuildValues.join(',')),
        QStringLiteral("from (select row_number() over (order by %1) as P, r.* from %2 r) x").arg(order, from)};
    if (keepTest)
        lines << QStringLiteral("where ") + keep.join(QStringLiteral(" or "));
    return lines;
}

QString rowsOf(const RowShape& shape, const QString& table, const QString& where, const QString& position,
               const QString& key)
{
    QStringList cols{position + QStringLiteral(" as CNT")};
    if (!key.isEmpty())
        cols.prepend(key + QStringLiteral(" as K"));
    cols << shape.columns.mid(1);
    return QStringLiteral("select %1 from %2 %3").arg(cols.join(','), table, where);
}

QString keyedRowsOf(const RowShape& shape, const QString& table, const QString& where, const QString& position)
{
    return rowsOf(shape, table, where, position, MemberImage::keyOf({}));
}

QStringList refillImage(const RowShape& shape, const QString& from, const QString& order)
{
    QStringList lines = refill(shape, MemberImage::table(), from, order);
    lines[0] = MemberImage::insertLine(shape.columns.mid(1));
    lines[1] = QStringLiteral("select K, P, %1").arg(shape.rebuildValues.join(','));
    return lines;
}

void applyImage(Query& q, const RowShape& shape)
{
    MemberImage::apply(q, shape.columns.mid(1));
}

namespace {

QString keptTest(const RowShape& shape)
{
    QStringList keep;
    for (const QString& c : shape.keepNames)
        keep << hasText(c);
    return '(' + keep.join(QStringLiteral(" or ")) + ')';
}

// Every column but CNT as a rebuild writes it: listed columns by their
// expressions, the others emptied.
QList<std::pair<QString, QString>> rebuiltColumns(const RowShape& shape)
{
    const QStringList columns = shape.columns.mid(1);
    QList<std::pair<QString, QString>> out;
    for (const QString& def : Schema::workColumns(shape.table).mid(1)) {
        const QString c = def.section(' ', 0, 0);
        const auto listed = std::find_if(columns.begin(), columns.end(),
                                         [&](const QString& l) { return l.compare(c, Qt::CaseInsensitive) == 0; });
        out << std::pair{c, listed == columns.end() ? QStringLiteral("null")
                                                    : shape.rebuildValues.at(listed - columns.begin())};
    }
    return out;
}

QString unlikeTest(const RowShape& shape)
{
    // The usual forms by cheaper tests than comparing with the expression.
    const auto same = [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; };
    QStringList differs;
    for (const auto& [c, value] : rebuiltColumns(shape)) {
        if (same(value, c))
            continue;
        if (same(value, textOrNull(c)))
            differs << QStringLiteral("octet_length(%1)=0").arg(c);
        else if (same(value, zeroIfNull(c)))
            differs << c + QStringLiteral(" is null");
        else if (same(value, QStringLiteral("null")))
            differs << c + QStringLiteral(" is not null");
        else
            differs << QStringLiteral("%1 is distinct from %2").arg(c, value);
    }
    if (differs.isEmpty())
        return QStringLiteral("(1=0)");
    return '(' + differs.join(QStringLiteral(" or ")) + ')';
}

} // namespace

QString formMark(const RowShape& shape)
{
    return shape.table + QStringLiteral(" rebuilt");
}

MemberCounts countMembers(Query& q, const RowShape& shape)
{
    // Rows not written since the last rebuild are kept and in form already.
    const QString since = q.database()->mark(formMark(shape)).writtenSince();
    q.setSql(QStringLiteral("select count(*), coalesce(min(CNT),1), coalesce(max(CNT),0), "
                            "coalesce(sum(case when %4 and not %1 then 1 else 0 end),0), "
                            "coalesce(sum(case when %4 and %2 then 1 else 0 end),0) from %3")
                 .arg(keptTest(shape), unlikeTest(shape), shape.table, since));
    q.open();
    MemberCounts c;
    c.dense = q.value(0).toInt() == q.value(2).toInt() && q.value(1).toInt() == 1;
    c.dropped = q.value(3).toInt();
    c.unlike = q.value(4).toInt();
    q.close();
    return c;
}

void shiftInPlace(Query& q, Positions& positions, const RowShape& shape, const MemberCounts& counts, const Moves& moves)
{
    if (counts.dropped > 0)
        q.run(QStringLiteral("delete from %1 where not %2").arg(shape.table, keptTest(shape)));
    if (counts.unlike == 0) {
        positions.move(q, moves);
        return;
    }
    // Each row written once: the moving rows take their rebuilt form as they move.
    const QString lowest = QString::number(std::min_element(moves.begin(), moves.end())->first);
    QStringList sets{QStringLiteral("CNT=case when CNT>%1 then %2 else CNT end").arg(lowest, Positions::of(moves))};
    for (const auto& [c, value] : rebuiltColumns(shape))
        sets << QStringLiteral("%1=%2").arg(c, value);
    q.run({QStringLiteral("update %1 set %2").arg(shape.table, sets.join(',')),
           QStringLiteral("where CNT>%1 or %2").arg(lowest, unlikeTest(shape)), shiftOrder(moves.first().second < 0)});
    positions.rewrote();
}

void replaceRows(Query& q, const RowShape& shape)
{
    const QString cols = shape.columns.join(',');
    q.run(QStringLiteral("Delete from ") + shape.table);
    q.run({QStringLiteral("insert into %1 (%2)").arg(shape.table, cols),
           QStringLiteral("select %1 from %2").arg(cols, shape.scratch)});
}

} // namespace Rebuild
