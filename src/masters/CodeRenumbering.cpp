#include "CodeRenumbering.h"

#include "Query.h"
#include "RegistrationSupport.h"

#include <QHash>
#include <QStringList>

#include <algorithm>

CodeRenumbering::CodeRenumbering(const QVector<CodeStep>& steps)
{
    QHash<int, QVector<int>> stepsByOld; // ascending step indexes
    for (int k = 0; k < steps.size(); ++k)
        stepsByOld[steps.at(k).oldCode].append(k);

    for (auto it = stepsByOld.cbegin(); it != stepsByOld.cend(); ++it) {
        const int start = it.key();
        int code = start;
        std::optional<int> account;
        int after = -1;
        for (;;) {
            const auto found = stepsByOld.constFind(code);
            if (found == stepsByOld.cend())
                break;
            const QVector<int>& ks = found.value();
            const auto next = std::upper_bound(ks.cbegin(), ks.cend(), after);
            if (next == ks.cend())
                break;
            const CodeStep& step = steps.at(*next);
            if (step.account)
                account = step.account;
            code = step.position;
            after = *next;
        }
        if (code != start || account)
            m_outcomes.emplace(start, Outcome{code, account});
    }
}

namespace {

using Entries = std::vector<std::pair<int, int>>; // sorted by starting code

// A few comparisons per row however many categories there are: a binary search
// over the starting codes in IIF, with short CASE lists at the leaves.
QString lookup(const Entries& entries, size_t lo, size_t hi, const QString& operand, const QString& otherwise)
{
    constexpr size_t kLeaf = 8;
    if (lo == hi)
        return otherwise;
    if (hi - lo <= kLeaf) {
        QString sql = QStringLiteral("CASE ") + operand;
        for (size_t i = lo; i < hi; ++i)
            sql += QStringLiteral(" WHEN %1 THEN %2").arg(entries[i].first).arg(entries[i].second);
        return sql + QStringLiteral(" ELSE ") + otherwise + QStringLiteral(" END");
    }
    const size_t mid = lo + (hi - lo) / 2;
    return QStringLiteral("IIF(%1 < %2, %3, %4)")
        .arg(operand, QString::number(entries[mid].first), lookup(entries, lo, mid, operand, otherwise),
             lookup(entries, mid, hi, operand, otherwise));
}

} // namespace

QString CodeRenumbering::codeOf(const QString& operand, const QString& otherwise) const
{
    Entries entries;
    for (const auto& [from, to] : m_outcomes)
        if (to.code != from)
            entries.emplace_back(from, to.code);
    return lookup(entries, 0, entries.size(), QStringLiteral("(%1)").arg(operand), otherwise);
}

QString CodeRenumbering::accountOf(const QString& operand, const QString& otherwise) const
{
    Entries entries;
    for (const auto& [from, to] : m_outcomes)
        if (to.account)
            entries.emplace_back(from, *to.account);
    return lookup(entries, 0, entries.size(), QStringLiteral("(%1)").arg(operand), otherwise);
}

RenumberStrategy RenumberStrategy::fusedTables()
{
    // Fused, the registration writes its own statements and asks for no steps.
    return RenumberStrategy(Steps(), true);
}

RenumberStrategy renumberPerTable()
{
    return RenumberStrategy::fusedTables();
}

// ------------------------------------------------------------------ fused statements
//
// Each expression below is what sign marking, the renumbering steps, the marking
// of gone categories and the repacking leave in a column, written over the row's
// values before the registration. Positions are never negative, so a negative
// code after the mapping is one no step reached: its category is gone.

namespace {

const QString kNoMajorSql = QString::number(kNoMajor);
const QString kNoMiddleSql = QString::number(kNoMiddle);
const QString kNoPackedSql = QString::number(kNoPacked);

struct Codes {
    QString table, major, middle, packed;
};
const Codes kScheduleMaster{"MAS_SIAGE02", "BL_kubun", "BM_kubun", {}};
const Codes kSchedule{"DAT_SIAGE02", "BL_kubun", "BM_kubun", {}};
const Codes kPackedDetails[] = {{"DAT_MEISAI03", "L_KUBUN", "M_KUBUN", "KU_KOUSYU"},
                                {"DAT_JIKKOU", "L_KUBUN", "M_KUBUN", "KOUSYU"}};
const Codes kDetails[] = {{"DAT_JIKKOU_MEISAI", "L_kubun", "M_kubun", {}},
                          {"DAT_MITUMORI_M", "BL_kubun", "BM_kubun", {}}};

QString marked(const QString& c)
{
    return QStringLiteral("IIF(%1>0,-%1,%1)").arg(c);
}
QString setOr(const QString& c, const QString& value)
{
    return QStringLiteral("IIF(%1 is null,null,%2)").arg(c, value);
}
// A row an older version left with a negative code: it reads as no category.
QString leftover(const Codes& t)
{
    return QStringLiteral("(%1<0 or %2<0)").arg(t.major, t.middle);
}
QString packedOf(const QString& major, const QString& middle)
{
    return QStringLiteral("(%1)*100+(%2)").arg(major, middle);
}

// The final major and middle codes of a table with the pair only.
struct Pair {
    QString major, middle;
};

Pair majorRegistered(const CodeRenumbering& r, const Codes& t)
{
    const QString code = r.codeOf(marked(t.major), QStringLiteral("IIF(%1>0,%2,%1)").arg(t.major, kNoMajorSql));
    return {QStringLiteral("IIF(%1,%2,%3)").arg(leftover(t), setOr(t.major, kNoMajorSql), code),
            QStringLiteral("IIF(%1 or %2=%3,%4,%5)")
                .arg(leftover(t), code, kNoMajorSql, setOr(t.middle, kNoMiddleSql), t.middle)};
}

Pair middleRegistered(const CodeRenumbering& r, const Codes& t, const QString& major)
{
    const QString code = r.codeOf(marked(t.middle), QStringLiteral("IIF(%1>0,%2,%1)").arg(t.middle, kNoMiddleSql));
    const QString start =
        QStringLiteral("CASE WHEN %1 THEN %2 WHEN %3=%4 THEN ").arg(leftover(t), QStringLiteral("%1"), t.major, major);
    return {start.arg(setOr(t.major, kNoMajorSql)) +
                QStringLiteral("IIF(%1=%2,%3,%4) ELSE %4 END").arg(code, kNoMiddleSql, kNoMajorSql, t.major),
            start.arg(setOr(t.middle, kNoMiddleSql)) + code + QStringLiteral(" ELSE %1 END").arg(t.middle)};
}

// The rows of `t` that change besides those of the registered major category.
QString changedLeftovers(const Codes& t)
{
    return QStringLiteral("(%1 and (%2 is distinct from %3 or %4 is distinct from %5))")
        .arg(leftover(t), t.major, setOr(t.major, kNoMajorSql), t.middle, setOr(t.middle, kNoMiddleSql));
}

// With `changedOnly`, rows that would keep every value are not written: worth its
// extra comparisons when one major category's rows are all that move.
QString scheduleUpdate(const Codes& t, const Pair& p, bool changedOnly)
{
    const QString packed = packedOf(p.major, p.middle);
    // The schedule master keeps a BUI of its own; the data rows take the category's.
    const QString bui = t.table == kScheduleMaster.table ? QStringLiteral("IIF(BUI<0,-(%1),BUI)").arg(packed)
                                                         : QStringLiteral("-(%1)").arg(packed);
    QString sql = QStringLiteral("UPDATE %1 set %2=%3, %4=%5, KOUSYU=%6, BUI=%7")
                      .arg(t.table, t.major, p.major, t.middle, p.middle, packed, bui);
    if (changedOnly)
        sql += QStringLiteral(" where %1 is distinct from %2 or %3 is distinct from %4 or KOUSYU is distinct from %5 "
                              "or BUI is distinct from %6")
                   .arg(t.major, p.major, t.middle, p.middle, packed, bui);
    return sql;
}

QString packedCase(const QString& p, const QString& ifLeftover, const QString& rest)
{
    return QStringLiteral("CASE WHEN %1 is null THEN null WHEN %1<0 THEN %2 %3 END").arg(p, ifLeftover, rest);
}

} // namespace

QStringList fusedMajorSql(const CodeRenumbering& r, bool pastDetails)
{
    QStringList sql;
    // A major that is gone takes its middle categories and members with it.
    for (const char* table : {"MAS_KOUSYU_02", "MAS_BUZAI"}) {
        const QString code = r.codeOf(marked("BL_kubun"), marked("BL_kubun"));
        sql << QStringLiteral("DELETE FROM %1 where %2<0").arg(QLatin1String(table), code)
            << QStringLiteral("UPDATE %1 set BL_kubun=%2 where BL_kubun is not null").arg(QLatin1String(table), code);
    }
    {
        // Its schedule master lines go as well; lines without category stay.
        const Codes& t = kScheduleMaster;
        const QString before =
            QStringLiteral("IIF(%1,%2,%3)").arg(leftover(t), setOr(t.major, kNoMajorSql), marked(t.major));
        const QString code = r.codeOf(before, before);
        sql << QStringLiteral("DELETE FROM %1 where %2<0 and %2<>%3").arg(t.table, code, kNoMajorSql)
            << scheduleUpdate(
                   t, {code, QStringLiteral("IIF(%1,%2,%3)").arg(leftover(t), setOr(t.middle, kNoMiddleSql), t.middle)},
                   false);
    }
    sql << scheduleUpdate(kSchedule, majorRegistered(r, kSchedule), false);
    if (!pastDetails)
        return sql;

    for (const Codes& t : kPackedDetails) {
        const QString& p = t.packed;
        const QString major =
            r.codeOf(QStringLiteral("-(%1/100)").arg(p), QStringLiteral("IIF(%1>=100,%2,0)").arg(p, kNoMajorSql));
        const QString middle = QStringLiteral("%1-%1/100*100").arg(p);
        const QString gone = QStringLiteral("WHEN (%1)=%2 THEN ").arg(major, kNoMajorSql);
        sql << QStringLiteral("UPDATE %1 set %2=%3, %4=%5, %6=%7")
                   .arg(t.table, t.major, packedCase(p, kNoMajorSql, QStringLiteral("ELSE ") + major), t.middle,
                        packedCase(p, kNoMiddleSql, gone + kNoMiddleSql + QStringLiteral(" ELSE ") + middle), p,
                        packedCase(p, kNoPackedSql,
                                   gone + kNoPackedSql + QStringLiteral(" ELSE ") + packedOf(major, middle)));
    }
    for (const Codes& t : kDetails) {
        const Pair pair = majorRegistered(r, t);
        sql << QStringLiteral("UPDATE %1 set %2=%3, %4=%5 where %2 is not null or %4 is not null")
                   .arg(t.table, t.major, pair.major, t.middle, pair.middle);
    }
    return sql;
}

QStringList fusedMiddleSql(const CodeRenumbering& r, int major, bool pastDetails)
{
    const QString bl = QString::number(major);
    QStringList sql;
    // Members of a middle category that is gone, and those without category, go.
    const QString code = r.codeOf("-BM_kubun", "-BM_kubun");
    sql << QStringLiteral("DELETE FROM MAS_BUZAI where BL_kubun<=0 or BM_kubun<=0 or (BL_kubun=%1 and %2<0)")
               .arg(bl, code);
    QString sets = QStringLiteral("BM_kubun=") + code;
    if (const QString account = r.accountOf("-BM_kubun", "KU_KAMOKU"); account != QLatin1String("KU_KAMOKU"))
        sets += QStringLiteral(", KU_KAMOKU=") + account;
    sql << QStringLiteral("UPDATE MAS_BUZAI set %1 where BL_kubun=%2 and BM_kubun is not null").arg(sets, bl);

    for (const Codes& t : {kScheduleMaster, kSchedule})
        sql << scheduleUpdate(t, middleRegistered(r, t, bl), true);
    if (!pastDetails)
        return sql;

    for (const Codes& t : kPackedDetails) {
        const QString& p = t.packed;
        const QString lower = QStringLiteral("(%1-%1/100*100)").arg(p);
        const QString code = r.codeOf(marked(lower), QStringLiteral("IIF(%1>0,%2,%1)").arg(lower, kNoMiddleSql));
        const QString ours = QStringLiteral("WHEN %1/100=%2 THEN ").arg(p, bl);
        const QString goneOr = QStringLiteral("IIF(%1=%2,%3,%4)").arg(code, kNoMiddleSql);
        const QString newMajor =
            packedCase(p, kNoMajorSql, ours + goneOr.arg(kNoMajorSql, bl) + QStringLiteral(" ELSE %1/100").arg(p));
        const QString newMiddle = packedCase(p, kNoMiddleSql, ours + code + QStringLiteral(" ELSE ") + lower);
        const QString newPacked = packedCase(
            p, kNoPackedSql, ours + goneOr.arg(kNoPackedSql, packedOf(bl, code)) + QStringLiteral(" ELSE ") + p);
        // Rows of other majors are written only where their pair disagrees with the packed code.
        sql << QStringLiteral("UPDATE %1 set %2=%3, %4=%5, %6=%7 where %6/100=%8 or %2 is distinct from %3 or "
                              "%4 is distinct from %5 or %6 is distinct from %7")
                   .arg(t.table, t.major, newMajor, t.middle, newMiddle, p, newPacked, bl);
    }
    for (const Codes& t : kDetails) {
        const Pair pair = middleRegistered(r, t, bl);
        sql << QStringLiteral("UPDATE %1 set %2=%3, %4=%5 where %2=%6 or %7")
                   .arg(t.table, t.major, pair.major, t.middle, pair.middle, bl, changedLeftovers(t));
    }
    return sql;
}

QStringList rewrittenTables(bool majorRegistration, bool pastDetails)
{
    QStringList tables{"MAS_KOUSYU_02", "MAS_BUZAI", "MAS_SIAGE02", "DAT_SIAGE02"};
    if (majorRegistration)
        tables.prepend("MAS_KOUSYU_01");
    if (pastDetails)
        tables << "DAT_MEISAI03"
               << "DAT_JIKKOU"
               << "DAT_JIKKOU_MEISAI"
               << "DAT_MITUMORI_M";
    return tables;
}
