#include "CodeRenumbering.h"

#include "Query.h"
#include "RegistrationSupport.h"

#include <QHash>
#include <QStringList>

#include <algorithm>

namespace {

// Beyond this many codes an IN list gets unwieldy; a range with CASE … ELSE keeps
// the other rows' values as they are.
constexpr int kMaxInList = 1000;

} // namespace

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

QString CodeRenumbering::updateSql(const RenumberTarget& target) const
{
    QStringList codeCases, accountCases, keys;
    for (const auto& [from, to] : m_outcomes) {
        const bool accountChanges = target.carriesAccount && to.account;
        if (to.code == from && !accountChanges)
            continue;
        keys << QString::number(from);
        if (to.code != from)
            codeCases << QStringLiteral("WHEN %1 THEN %2").arg(from).arg(to.code);
        if (accountChanges)
            accountCases << QStringLiteral("WHEN %1 THEN %2").arg(from).arg(*to.account);
    }
    if (keys.isEmpty())
        return {};

    const QString& col = target.column;
    QStringList sets;
    // KU_KAMOKU first: it is chosen by the code before the code changes.
    if (!accountCases.isEmpty())
        sets << QStringLiteral("KU_KAMOKU=CASE %1 %2 ELSE KU_KAMOKU END").arg(col, accountCases.join(' '));
    if (!codeCases.isEmpty())
        sets << QStringLiteral("%1=CASE %1 %2 ELSE %1 END").arg(col, codeCases.join(' '));

    QString where;
    if (keys.size() <= kMaxInList) {
        where = QStringLiteral("%1 IN (%2)").arg(col, keys.join(','));
    } else {
        where = QStringLiteral("%1 BETWEEN %2 AND %3")
                    .arg(col)
                    .arg(m_outcomes.cbegin()->first)
                    .arg(m_outcomes.crbegin()->first);
    }
    if (!target.scope.isEmpty())
        where = target.scope + QStringLiteral(" and ") + where;
    return QStringLiteral("UPDATE %1 set %2 where %3").arg(target.table, sets.join(','), where);
}

RenumberStrategy renumberPerTable()
{
    return [](Query& q, const QVector<RenumberTarget>& targets, const QVector<CodeStep>& steps) {
        const CodeRenumbering renumbering(steps);
        for (const RenumberTarget& target : targets) {
            const QString sql = renumbering.updateSql(target);
            if (!sql.isEmpty())
                q.run(sql);
        }
    };
}
