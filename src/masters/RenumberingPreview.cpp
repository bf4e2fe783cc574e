#include "RenumberingPreview.h"

#include "Helpers.h"
#include "Query.h"
#include "TableDataset.h"

#include <map>
#include <optional>

namespace {

using Code = std::optional<int>;

// Rows of a table grouped by up to two code columns, with their number.
struct Group {
    Code a, b;
    int rows;
};

Code codeAt(const Query& q, int column)
{
    const QVariant v = q.value(column);
    return v.isNull() ? Code() : Code(v.toInt());
}

// Only rows that `where` selects are counted: those the renumbering may delete
// or leave without category.
QList<Group> groups(Database& db, const QString& table, const QString& where, const QString& a, const QString& b = {})
{
    const QString columns = b.isEmpty() ? a : a + ',' + b;
    Query q(&db);
    q.setSql(QStringLiteral("select %1, count(*) from %2%3 group by %1")
                 .arg(columns, table, where.isEmpty() ? QString() : QStringLiteral(" where ") + where));
    q.open();
    QList<Group> out;
    const int n = b.isEmpty() ? 1 : 2;
    for (q.first(); !q.eof(); q.next())
        out.append({codeAt(q, 0), n == 2 ? codeAt(q, 1) : Code(), q.value(n).toInt()});
    return out;
}

// Comparisons as SQL makes them: with NULL, neither true nor selected.
bool below(Code c, int v)
{
    return c && *c < v;
}
bool atMost(Code c, int v)
{
    return c && *c <= v;
}
// Sign marking: a positive code negated, others as they are.
int marked(int c)
{
    return c > 0 ? -c : c;
}
// Rows whose codes were already negative: they read as no category.
bool leftover(const Group& g)
{
    return below(g.a, 0) || below(g.b, 0);
}

const QString kMasterMajors = QStringLiteral("MAS_KOUSYU_01");
const QString kMasterMiddles = QStringLiteral("MAS_KOUSYU_02");
struct Pair {
    const char* table;
    const char* major;
    const char* middle;
};
const Pair kSchedules[] = {{"MAS_SIAGE02", "BL_kubun", "BM_kubun"}, {"DAT_SIAGE02", "BL_kubun", "BM_kubun"}};
const Pair kPairDetails[] = {{"DAT_JIKKOU_MEISAI", "L_kubun", "M_kubun"}, {"DAT_MITUMORI_M", "BL_kubun", "BM_kubun"}};
const Pair kPackedDetails[] = {{"DAT_MEISAI03", "KU_KOUSYU", nullptr}, {"DAT_JIKKOU", "KOUSYU", nullptr}};

class Tally {
public:
    explicit Tally(const std::map<int, QString>& names) : m_names(names) {}
    // The gone category `code`; rows of no category gather under 0.
    RenumberingOutline::Gone& at(Code code)
    {
        const int key = code && *code > 0 ? *code : 0;
        auto [it, added] = m_gone.try_emplace(key);
        if (added) {
            it->second.code = key;
            it->second.name = key ? m_names.count(key) ? m_names.at(key) : QString() : QString();
        }
        return it->second;
    }
    QList<RenumberingOutline::Gone> list() const
    {
        QList<RenumberingOutline::Gone> out;
        for (const auto& [code, gone] : m_gone)
            if (code != 0)
                out << gone;
        if (m_gone.count(0))
            out << m_gone.at(0);
        return out;
    }

private:
    const std::map<int, QString>& m_names;
    std::map<int, RenumberingOutline::Gone> m_gone;
};

std::map<int, QString> names(Database& db, const QString& select)
{
    Query q(&db);
    q.setSql(select);
    q.open();
    std::map<int, QString> out;
    for (q.first(); !q.eof(); q.next())
        if (!q.isNull(QStringLiteral("CODE")))
            out[q.value(QStringLiteral("CODE")).toInt()] = q.text(QStringLiteral("NAME01"));
    return out;
}

// The grid's categories with their old and new codes.
QList<RenumberingOutline::Code> gridCodes(const TableDataset& grid, const QString& codeColumn,
                                          const std::map<int, QString>& inMaster)
{
    QList<RenumberingOutline::Code> out;
    int position = 0;
    for (int row = 0; row < grid.recordCount(); ++row) {
        const QVariant name = grid.valueAt(row, QStringLiteral("NAME01"));
        if (name.isNull())
            continue;
        const int code = Helpers::toIntOrZero(valueText(grid.valueAt(row, codeColumn)));
        out.append({Helpers::firstLine(name.toString()), code, ++position, inMaster.count(code) == 0});
    }
    return out;
}

// Rows whose code `operand` no step reaches: the sign-marked code stays negative.
QString unreachedSql(const CodeRenumbering& r, const QString& operand)
{
    return r.codeOf(operand, QStringLiteral("(%1)").arg(operand)) + QStringLiteral(" < 0");
}

} // namespace

namespace RenumberingPreview {

QVector<CodeStep> plannedSteps(const TableDataset& grid, const QString& codeColumn)
{
    QVector<CodeStep> steps;
    for (int row = 0; row < grid.recordCount(); ++row) {
        if (grid.valueAt(row, QStringLiteral("NAME01")).isNull())
            continue;
        const int code = Helpers::toIntOrZero(valueText(grid.valueAt(row, codeColumn)));
        steps.append({int(steps.size()) + 1, -code, std::nullopt});
    }
    return steps;
}

RenumberingOutline majors(Database& product, const TableDataset& grid, bool pastDetails)
{
    const CodeRenumbering r(plannedSteps(grid, QStringLiteral("BL_KUBUN")));
    const auto master = names(product, QStringLiteral("select BL_kubun as CODE, NAME01 from ") + kMasterMajors);
    RenumberingOutline outline;
    outline.major = true;
    outline.pastDetails = pastDetails;
    outline.codes = gridCodes(grid, QStringLiteral("BL_KUBUN"), master);

    Tally tally(master);
    const auto deleted = [&](Code major) { return major && r.codeOf(marked(*major), marked(*major)) < 0; };
    for (const auto& [code, name] : master)
        if (code > 0 && deleted(code))
            tally.at(code);
    for (const Group& g : groups(product, kMasterMiddles, {}, QStringLiteral("BL_kubun")))
        if (deleted(g.a))
            tally.at(g.a).middles += g.rows;
    for (const Group& g : groups(product, QStringLiteral("MAS_BUZAI"), {}, QStringLiteral("BL_kubun")))
        if (deleted(g.a))
            tally.at(g.a).members += g.rows;

    // Every row counts here, so the filters are plain comparisons: the rows that
    // have a major and are not without category already.
    const auto live = [](const Pair& t) {
        return QStringLiteral("%1>0 and (%2 is null or %2>=0)").arg(QLatin1String(t.major), QLatin1String(t.middle));
    };
    const auto unreached = [&](int major) { return r.codeOf(-major, kNoMajor) == kNoMajor; };
    // The schedule master's lines go with their major; elsewhere the rows stay
    // with the code of no category.
    for (const Pair& t : kSchedules)
        for (const Group& g : groups(product, t.table, live(t), t.major))
            if (unreached(*g.a))
                (&t == &kSchedules[0] ? tally.at(g.a).scheduleDeleted : tally.at(g.a).scheduleKept) += g.rows;
    if (pastDetails) {
        for (const Pair& t : kPairDetails)
            for (const Group& g : groups(product, t.table, live(t), t.major))
                if (unreached(*g.a))
                    tally.at(g.a).pastDetails += g.rows;
        for (const Pair& t : kPackedDetails)
            for (const Group& g : groups(product, t.table, QStringLiteral("%1>=100").arg(QLatin1String(t.major)),
                                         QStringLiteral("%1/100").arg(QLatin1String(t.major))))
                if (unreached(*g.a))
                    tally.at(g.a).pastDetails += g.rows;
    }
    outline.gone = tally.list();
    return outline;
}

RenumberingOutline middles(Database& product, const TableDataset& grid, int major, bool pastDetails)
{
    const CodeRenumbering r(plannedSteps(grid, QStringLiteral("BM_KUBUN")));
    const auto master = names(
        product,
        QStringLiteral("select BM_kubun as CODE, NAME01 from %1 where BL_kubun=%2").arg(kMasterMiddles).arg(major));
    RenumberingOutline outline;
    outline.major = false;
    outline.pastDetails = pastDetails;
    outline.codes = gridCodes(grid, QStringLiteral("BM_KUBUN"), master);

    Tally tally(master);
    for (const auto& [code, name] : master)
        if (code > 0 && r.codeOf(-code, -code) < 0)
            tally.at(code);
    // Members of a middle category that is gone go, and so do members of no
    // category under any major.
    for (const Group& g : groups(product, QStringLiteral("MAS_BUZAI"),
                                 QStringLiteral("BL_kubun<=0 or BM_kubun<=0 or (BL_kubun=%1 and %2)")
                                     .arg(QString::number(major), unreachedSql(r, QStringLiteral("-BM_kubun"))),
                                 QStringLiteral("BL_kubun"), QStringLiteral("BM_kubun"))) {
        const bool ours = g.a == major && g.b && *g.b > 0;
        if (atMost(g.a, 0) || atMost(g.b, 0))
            tally.at(0).members += g.rows;
        else if (ours && r.codeOf(-*g.b, -*g.b) < 0)
            tally.at(g.b).members += g.rows;
    }
    // Everything else of a gone middle category stays, with the code of no category.
    const auto goneMiddle = [&](int middle) {
        return r.codeOf(marked(middle), middle > 0 ? kNoMiddle : middle) == kNoMiddle;
    };
    const auto becomesNone = [&](const Group& g) { return !leftover(g) && g.a == major && g.b && goneMiddle(*g.b); };
    const auto ofGoneMiddle = [&](const Pair& t) {
        return QStringLiteral("%1=%2 and %3>0 and ")
                   .arg(QLatin1String(t.major))
                   .arg(major)
                   .arg(QLatin1String(t.middle)) +
               unreachedSql(r, QStringLiteral("-") + QLatin1String(t.middle));
    };
    for (const Pair& t : kSchedules)
        for (const Group& g : groups(product, t.table, ofGoneMiddle(t), t.major, t.middle))
            if (becomesNone(g))
                tally.at(g.b).scheduleKept += g.rows;
    if (pastDetails) {
        for (const Pair& t : kPairDetails)
            for (const Group& g : groups(product, t.table, ofGoneMiddle(t), t.major, t.middle))
                if (becomesNone(g))
                    tally.at(g.b).pastDetails += g.rows;
        for (const Pair& t : kPackedDetails) {
            const QString ours = QStringLiteral("%1 between %2 and %3 and ")
                                     .arg(QLatin1String(t.major))
                                     .arg(major * 100 + 1)
                                     .arg(major * 100 + 99) +
                                 unreachedSql(r, QStringLiteral("-(%1-%1/100*100)").arg(QLatin1String(t.major)));
            for (const Group& g : groups(product, t.table, ours, t.major)) {
                if (!g.a || *g.a < 0 || *g.a / 100 != major)
                    continue;
                const int lower = *g.a - *g.a / 100 * 100;
                if (goneMiddle(lower))
                    tally.at(lower).pastDetails += g.rows;
            }
        }
    }
    outline.gone = tally.list();
    return outline;
}

} // namespace RenumberingPreview
