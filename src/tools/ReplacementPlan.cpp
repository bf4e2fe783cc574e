#include "ReplacementPlan.h"

#include "Helpers.h"
#include "ImportText.h"
#include "SjisCodec.h"
#include "TextTools.h"

#include <QSet>

#include <optional>

const std::array<ReplacementPlan::Column, ReplacementPlan::kColumnCount> ReplacementPlan::kColumns{
    {{"NAME01", "NAME_01", "名称", 40},
     {"NAME02", "NAME_02", "摘要", 40},
     {"NAME03", "NAME_03", "備考", 20},
     {"TANI", "TAN", "単位", 6},
     {"B_CD", "B_CD", "ＣＤ", 20}}};

const std::array<ReplacementPlan::Step, 7> ReplacementPlan::kSteps{
    {{1, 2, 0}, {9, 10, 0}, {3, 4, 1}, {11, 12, 1}, {5, 6, 2}, {7, 8, 3}, {13, 14, 4}}};

namespace {

constexpr int kCodeColumn = 4;

// Replaces the first occurrence of `search` in `value`. The value is matched as
// the working box shows it: one that does not fit on the box's first line cannot
// be found by its text and is left alone.
std::optional<QString> replaced(const QString& value, const QString& search, const QString& replacement)
{
    if (search.isEmpty() || value.isEmpty())
        return std::nullopt;
    if (ImportText::firstLineCut(value, ReplacementPlan::kBoxUnits) != value)
        return std::nullopt;
    const qsizetype at = value.indexOf(search);
    if (at < 0)
        return std::nullopt;
    return value.left(at) + replacement + value.mid(at + search.size());
}

} // namespace

ReplacementPlan::ReplacementPlan(const Edits& edits, bool halfWidth, bool codeRow, const QVector<Member>& members)
    : m_codeRow(codeRow)
{
    for (size_t n = 1; n < edits.size(); ++n) {
        m_typed[n] = SjisCodec::normalize(edits[n]);
        m_inserted[n] = halfWidth && !m_typed[n].isEmpty() ? Helpers::toHalfWidth(m_typed[n]) : m_typed[n];
    }
    m_pair = !typed(1).isEmpty() && !typed(3).isEmpty();
    if (m_pair) {
        planPair(members);
        return;
    }
    planSteps(members);
    planByTexts(members);
}

bool ReplacementPlan::anySearch(const Edits& edits)
{
    for (const Step& s : kSteps)
        if (!edits.at(static_cast<size_t>(s.search)).isEmpty())
            return true;
    return false;
}

bool ReplacementPlan::anyChange() const
{
    for (const QStringList& o : m_order)
        if (!o.isEmpty())
            return true;
    return false;
}

// The ＣＤ row acts only while shown and with a replacement text.
bool ReplacementPlan::acts(const Step& step) const
{
    if (typed(step.search).isEmpty())
        return false;
    return step.column != kCodeColumn || (m_codeRow && !typed(step.replace).isEmpty());
}

void ReplacementPlan::add(int column, const QString& old, const QString& now, const Member& member)
{
    const auto c = static_cast<size_t>(column);
    m_maps[c].insert(old, now);
    m_order[c] << old;
    m_namedBy[c].insert(old, member[0]);
}

void ReplacementPlan::planPair(const QVector<Member>& members)
{
    for (const Member& m : members) {
        if (m[0] != typed(1) || m[1] != typed(3))
            continue;
        for (const auto& [c, s, r] : {std::tuple{0, 1, 2}, std::tuple{1, 3, 4}}) {
            const auto v = replaced(m[c], typed(s), inserted(r));
            if (v && !changes(c, m[c]))
                add(c, m[c], *v, m);
        }
    }
}

// Each value is replaced once, by the first row of the dialog that finds its text.
void ReplacementPlan::planSteps(const QVector<Member>& members)
{
    for (const Member& m : members)
        for (const Step& s : kSteps) {
            const QString& value = m[static_cast<size_t>(s.column)];
            if (!acts(s) || changes(s.column, value))
                continue;
            const auto v = replaced(value, typed(s.search), inserted(s.replace));
            if (v && *v != value)
                add(s.column, value, *v, m);
        }
}

void ReplacementPlan::planByTexts(const QVector<Member>& members)
{
    for (int c = 0; c < kColumnCount; ++c) {
        int acting = 0, row = -1;
        for (int i = 0; i < int(kSteps.size()); ++i)
            if (kSteps[i].column == c && acts(kSteps[i])) {
                ++acting;
                row = i;
            }
        if (acting != 1)
            continue;
        const Step& step = kSteps[static_cast<size_t>(row)];
        QSet<QString> holding;
        for (const Member& m : members)
            if (!m[c].isEmpty() && m[c].contains(typed(step.search)))
                holding.insert(m[c]);
        if (holding.size() == olds(c).size() && asLoaded(c, inserted(step.replace)) == inserted(step.replace))
            m_byTexts[static_cast<size_t>(c)] = row;
    }
}

QString ReplacementPlan::fitProblem() const
{
    for (int c = 0; c < kColumnCount; ++c) {
        const Column& column = kColumns[static_cast<size_t>(c)];
        for (const QString& old : olds(c)) {
            const QString problem = TextTools::fitProblem(
                newValue(c, old), column.bytes,
                QStringLiteral("部材「%1」の%2")
                    .arg(m_namedBy[static_cast<size_t>(c)].value(old), QString::fromUtf8(column.label)));
            if (!problem.isEmpty())
                return problem + QStringLiteral("\n置き換えは行いませんでした。");
        }
    }
    return {};
}

QString ReplacementPlan::asLoaded(int column, const QString& value)
{
    return QLatin1String(kColumns[static_cast<size_t>(column)].member) == QLatin1String("TANI")
               ? Helpers::unitText(value)
               : Helpers::firstLine(value);
}
