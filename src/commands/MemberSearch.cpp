#include "MemberSearch.h"

#include "DataModule.h"
#include "MemberImage.h"
#include "Rebuild.h"
#include "Schema.h"

namespace {

// The merge writes only these, as the member insert of the grid does.
const QStringList kMergeColumns{"CNT",  "BL_kubun", "BM_kubun", "BS_kubun", "KU_KAMOKU", "NAME01", "NAME02", "NAME03",
                                "TANI", "B_CD",     "KIN_01",   "KIN_02",   "KIN_06",    "S_CD",   "KETA"};

// A narrowed row's position in the parked list (see Schema).
const QString kParkedPosition = QStringLiteral("S2_CNT");

QString columnName(const QString& definition)
{
    return definition.section(' ', 0, 0);
}

// First line of a text cell: up to the first CR or LF.
QString firstLine(const QString& c)
{
    const QString lf = QStringLiteral("left(%1, position(ascii_char(10) in %1 || ascii_char(10)) - 1)").arg(c);
    return QStringLiteral("left(%1, position(ascii_char(13) in %1 || ascii_char(13)) - 1)").arg(lf);
}

// The texts the merge cuts to their first line.
const QStringList kMergedTexts{"NAME01", "NAME02", "NAME03", "TANI", "B_CD"};

// Merge values, CNT left out: numbers 0 when empty, texts their first line or
// NULL, the unit without half- and full-width spaces. Without `breaks` no text
// holds a line break, and a text is its own first line: cutting costs more
// than the rest of the merge.
QStringList mergeValues(bool breaks)
{
    const auto line = [&](const char* c) { return breaks ? firstLine(QLatin1String(c)) : QString::fromLatin1(c); };
    QStringList v;
    for (const char* c : {"BL_kubun", "BM_kubun", "BS_kubun", "KU_KAMOKU"})
        v << QStringLiteral("coalesce(%1,0)").arg(QLatin1String(c));
    v << Rebuild::textOrNull(line("NAME01")) << Rebuild::textOrNull(line("NAME02"))
      << Rebuild::textOrNull(line("NAME03"));
    v << Rebuild::textOrNull(QStringLiteral("replace(replace(%1,' ',''),'　','')").arg(line("TANI")));
    v << Rebuild::textOrNull(line("B_CD"));
    for (const char* c : {"KIN_01", "KIN_02", "KIN_06", "S_CD", "KETA"})
        v << QStringLiteral("coalesce(%1,0)").arg(QLatin1String(c));
    return v;
}

// Rows are the same member when name, description and unit agree; empty and
// NULL agree. Compared as bytes, which is what equal texts are and is far
// cheaper to sort than the connection's character set.
QString identityKey(const char* column, int bytes)
{
    return Rebuild::textOrNull(
        QStringLiteral("cast(%1 as varchar(%2) character set octets)").arg(QLatin1String(column)).arg(bytes));
}
const QString kIdentity = QStringLiteral("%1 as K1, %2 as K2, %3 as K3")
                              .arg(identityKey("NAME01", 80), identityKey("NAME02", 80), identityKey("TANI", 12));

} // namespace

QString MemberSearch::caption() const
{
    return m_narrowed ? QStringLiteral("リセット") : QStringLiteral("検索絞込 &S");
}

QStringList MemberSearch::createStatement(const QString& table)
{
    return {QStringLiteral("CREATE TABLE ") + table,
            QStringLiteral("(CNT    INTEGER,"),
            QStringLiteral("BL_kubun\tSMALLINT,"),
            QStringLiteral("BM_kubun\tSMALLINT,"),
            QStringLiteral("BS_kubun\tINTEGER,"),
            QStringLiteral("KU_KAMOKU\tSMALLINT,"),
            QStringLiteral("NAME01\tVARCHAR(40),"),
            QStringLiteral("NAME02\tVARCHAR(40),"),
            QStringLiteral("TANI\tVARCHAR(6),"),
            QStringLiteral("KIN_02\tDouble precision,"),
            QStringLiteral("KIN_04\tDouble precision,"),
            QStringLiteral("KIN_05\tDouble precision,"),
            QStringLiteral("KIN_01\tDouble precision,"),
            QStringLiteral("KIN_06\tDouble precision,"),
            QStringLiteral("G_RITU\tINTEGER,"),
            QStringLiteral("T_RITU\tINTEGER,"),
            QStringLiteral("K_RITU\tDouble precision,"),
            QStringLiteral("NAME03\tVARCHAR(20),"),
            QStringLiteral("TAX_KU\tSMALLINT,"),
            QStringLiteral("B_CD\tVARCHAR(20),"),
            QStringLiteral("S_CD\tINTEGER,"),
            QStringLiteral("e_date01\tDATE,"),
            QStringLiteral("KETA\tSMALLINT,"),
            QStringLiteral("S2_CNT\tINTEGER)")};
}

QString MemberSearch::likePattern(const QString& keyword)
{
    QString k = keyword;
    k.replace('!', QStringLiteral("!!"));
    k.replace('%', QStringLiteral("!%"));
    k.replace('_', QStringLiteral("!_"));
    k.replace('\'', QStringLiteral("''"));
    return QStringLiteral("'%") + k + QStringLiteral("%'");
}

void MemberSearch::search(const QString& keyword1, const QString& keyword2)
{
    if (keyword1.isEmpty() && keyword2.isEmpty())
        return;
    TableDataset& ds = m_dm.IBT_bu;
    Query& q = m_dm.IBQ_touroku4;
    if (ds.active())
        ds.checkBrowseMode();
    q.setSql(QStringLiteral("drop table BUZAI_S2"));
    q.execIgnoringError();
    q.run(QStringLiteral("COMMIT"));
    q.run(createStatement(QStringLiteral("BUZAI_S2")));
    q.run(QStringLiteral("COMMIT"));

    // The narrowed list is the matching rows as they are, so the others are
    // deleted and the matching ones never written. The escape character '!' is
    // never the second byte of a Shift-JIS character.
    QStringList keep{QStringLiteral("BL_KUBUN is not null"),
                     QStringLiteral("BL_KUBUN=") + QString::number(m_dm.currentMajorCode()),
                     QStringLiteral("BM_KUBUN=") + QString::number(m_dm.currentMiddleCode())};
    for (const QString& k : {keyword1, keyword2})
        if (!k.isEmpty())
            keep << QStringLiteral("(NAME01 LIKE %1 ESCAPE '!' or NAME02 LIKE %1 ESCAPE '!')").arg(likePattern(k));
    const QString matches = keep.join(QStringLiteral(" and "));
    QStringList columns;
    for (const QString& def : Schema::workColumns(QStringLiteral("BUZAI_S")))
        if (columnName(def) != kParkedPosition)
            columns << columnName(def);
    // Narrowing only hides rows: the list holds what it held before.
    const bool unregistered = ds.unregistered();
    Rebuild::inOneTransaction(*ds.database(), ds, [&] {
        // The parked list notes which rows the narrowed grid shows, and each of
        // them its place there: reset puts the grid's rows back by these places.
        q.run({QStringLiteral("Insert into BUZAI_S2 (%1,%2)").arg(columns.join(','), kParkedPosition),
               QStringLiteral("select %1, case when %2 then CNT end from BUZAI_S").arg(columns.join(','), matches)});
        q.run(QStringLiteral("delete from BUZAI_S where case when %1 then 1 else 0 end=0").arg(matches));
        q.run(QStringLiteral("update BUZAI_S set %1=CNT").arg(kParkedPosition));
        return 1;
    });
    ds.setUnregistered(unregistered);
    m_narrowed = true;
}

namespace {

// The rows of the parked list and the grid merged, with their new positions.
QString mergedRows(const QStringList& columns)
{
    // The merged order, by twice a position in the parked list: a parked row
    // the grid did not show at its own; a row of the grid at the place it
    // kept, a new one (inserted or pasted) just before the next row that kept
    // one, or just after the last. Rows that kept a place take those places
    // in the grid's order, which is the order a sort gave them. The ranking
    // joins ranks and keys only; the rows are fetched by key after.
    const QString dbKey = QStringLiteral("cast(%1.RDB$DB_KEY as char(8) character set octets)");
    const QString grid = QStringLiteral("(select %1 as DK, CNT, %2 as S, count(%2) over (order by CNT) as C, "
                                        "count(%2) over () as KT from BUZAI_S t) g")
                             .arg(dbKey.arg('t'), kParkedPosition);
    const QString anchored = QStringLiteral("(select g.DK, g.CNT, case when g.S is not null or g.C>=g.KT then g.C "
                                            "else g.C+1 end as R, case when g.S is not null then 0 when g.C<g.KT "
                                            "then -1 else 1 end as SIDE from %1) n")
                                 .arg(grid);
    // Rank 0 stands for a grid that kept no place: before the first row it
    // showed, or at the end when it showed none.
    const QString places =
        QStringLiteral("(select %1 as E, row_number() over (order by %1) as R from BUZAI_S where %1 is not null "
                       "union all select coalesce(min(%1)-1, max(CNT), 0), 0 from BUZAI_S2) s")
            .arg(kParkedPosition);
    const QString both =
        QStringLiteral("(select 0 as SRC, %1 as DK, cast(p.CNT as bigint)*2 as A, p.CNT as C0 from BUZAI_S2 p "
                       "where p.%2 is null union all "
                       "select 1, n.DK, cast(s.E as bigint)*2+n.SIDE, n.CNT from %3 join %4 on s.R=n.R) u")
            .arg(dbKey.arg('p'), kParkedPosition, anchored, places);
    const QString ranked =
        QStringLiteral("(select u.SRC, u.DK, row_number() over (order by u.A, u.SRC, u.C0) as P from %1) x").arg(both);
    QStringList picked{QStringLiteral("case when x.SRC=1 then x.DK end as K"), QStringLiteral("x.P as CNT")};
    for (const QString& c : columns)
        picked << QStringLiteral("case when x.SRC=0 then p.%1 else n.%1 end as %1").arg(c);
    const QString chosen = QStringLiteral("(select %1 from %2 left join BUZAI_S2 p on x.SRC=0 and p.RDB$DB_KEY=x.DK "
                                          "left join BUZAI_S n on x.SRC=1 and n.RDB$DB_KEY=x.DK) y")
                               .arg(picked.join(','), ranked);
    return chosen;
}

} // namespace

void MemberSearch::reset()
{
    TableDataset& ds = m_dm.IBT_bu;
    Query& q = m_dm.IBQ_touroku4;
    if (ds.active())
        ds.checkBrowseMode();
    // BUZAI_S2 normally exists; a failure of these is no error.
    for (const QStringList& ddl : {createStatement(QStringLiteral("BUZAI_S2")), QStringList{"drop table BUZAI_S3"},
                                   createStatement(QStringLiteral("BUZAI_S3"))}) {
        q.setSql(ddl);
        q.execIgnoringError();
        q.run(QStringLiteral("COMMIT"));
    }
    const QStringList columns = kMergeColumns.mid(1);
    MemberImage::prepare(*ds.database());
    // Widening brings the hidden rows back; the changes made meanwhile stay unregistered.
    const bool unregistered = ds.unregistered();
    Rebuild::inOneTransaction(*ds.database(), ds, [&] {
        // As bytes: CR and LF are never part of a Shift-JIS character.
        QStringList texts;
        for (const QString& c : kMergedTexts)
            texts << QStringLiteral("coalesce(%1,'')").arg(c);
        const QString bytes = QStringLiteral("cast(%1 as varchar(260) character set octets)").arg(texts.join("||"));
        const QString broken =
            QStringLiteral("position(ascii_char(10) in %1)>0 or position(ascii_char(13) in %1)>0").arg(bytes);
        q.setSql(QStringLiteral("select case when exists (select 1 from BUZAI_S where %1) or exists (select 1 from "
                                "BUZAI_S2 where %1) then 1 else 0 end from RDB$DATABASE")
                     .arg(broken));
        q.open();
        const QStringList values = mergeValues(q.value(0).toInt() == 1);
        q.close();
        const QString chosen = mergedRows(columns);
        q.run({QStringLiteral("insert into %1 (K,CNT,%2)").arg(MemberImage::scratchTable(), columns.join(',')),
               QStringLiteral("select K, CNT, %1 from %2").arg(values.join(','), chosen)});
        const QString dbKey = QStringLiteral("cast(%1.RDB$DB_KEY as char(8) character set octets)");
        // The merge list holds merged values already. Rows with a name or
        // description, the last of each member in that order; positions
        // renumbered 1, 2, 3 …
        const QString kept = QStringLiteral("(select %1 as DK, CNT, %2 from %3 t where %4 or %5) s")
                                 .arg(dbKey.arg('t'), kIdentity, MemberImage::scratchTable(),
                                      Rebuild::hasText("NAME01"), Rebuild::hasText("NAME02"));
        const QString last =
            QStringLiteral("(select s.*, row_number() over (partition by s.K1,s.K2,s.K3 order by s.CNT desc) as RN "
                           "from %1) w")
                .arg(kept);
        QStringList values2;
        for (const QString& c : columns)
            values2 << QStringLiteral("g.") + c;
        q.run(
            {MemberImage::insertLine(columns), QStringLiteral("select g.K, v.P, %1 from").arg(values2.join(',')),
             QStringLiteral("(select w.DK, row_number() over (order by w.CNT) as P from %1 where w.RN=1) v").arg(last),
             QStringLiteral("join %1 g on g.RDB$DB_KEY=v.DK").arg(MemberImage::scratchTable())});
        MemberImage::apply(q, columns);
        return 1;
    });
    ds.setUnregistered(unregistered);
    m_narrowed = false;
}
