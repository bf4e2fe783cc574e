#include "RowCommands.h"

#include "DataModule.h"
#include "Helpers.h"
#include "MemberImage.h"
#include "ProgramState.h"
#include "Rebuild.h"

#include <algorithm>

namespace {

// Shifts that put the rows before the paste point below the clipboard rows and
// the others above them; a list never comes near a million rows.
constexpr int kSplit = 999999;
// A cut of more separate runs than this ranks the rows instead of counting.
constexpr int kCountedRuns = 50;

const QStringList kMemberFilled{"NAME01", "NAME02", "TANI", "KIN_01", "KIN_02", "NAME03", "B_CD"};
const QStringList kCategoryFilled{"NAME01", "NAME02"};

int cntAt(const TableDataset& ds, int recNo)
{
    return Helpers::toIntOrZero(valueText(ds.valueAt(recNo - 1, QStringLiteral("CNT"))));
}

bool blankAt(const TableDataset& ds, int recNo, const QStringList& fields)
{
    return std::all_of(fields.begin(), fields.end(),
                       [&](const QString& f) { return valueText(ds.valueAt(recNo - 1, f)).isEmpty(); });
}

QString num(int n)
{
    return QString::number(n);
}

} // namespace

RowCommands::RowCommands(TDM2& dm, ProgramState& state, MainScreen& screen) : m_dm(dm), m_state(state), m_screen(screen)
{
}

TableDataset* RowCommands::datasetOf(Tab tab) const
{
    switch (tab) {
    case Tab::Major: return &m_dm.IBT_dai;
    case Tab::Middle: return &m_dm.IBT_chu;
    case Tab::Member: return &m_dm.IBT_bu;
    case Tab::Unit: return &m_dm.IBT_TANI;
    }
    return nullptr;
}

void RowCommands::insertRow()
{
    TableDataset* ds = datasetOf(m_screen.activeTab());
    if (ds && ds->active())
        ds->insert();
}

QList<int> RowCommands::selectedMembers() const
{
    const TableDataset& ds = m_dm.IBT_bu;
    QList<int> rows;
    for (int r : m_screen.selectedRows(Tab::Member))
        if (r >= 1 && r <= ds.recordCount())
            rows << r;
    if (ds.recordCount() > 0)
        rows << ds.recNo();
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

// Consecutive rows of the grid are consecutive positions, so each run of
// selected rows is one statement, however many rows it holds.
QList<RowCommands::Run> RowCommands::runsOf(const QList<int>& rows) const
{
    const TableDataset& ds = m_dm.IBT_bu;
    QList<Run> runs;
    for (int i = 0; i < rows.size();) {
        int j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
            ++j;
        runs << Run{cntAt(ds, rows[i]), cntAt(ds, rows[j]), i};
        i = j + 1;
    }
    return runs;
}

void RowCommands::clipMembers(Query& q, const QList<Run>& runs, int first)
{
    const Rebuild::RowShape& shape = Rebuild::memberRows();
    for (const Run& run : runs)
        q.run({QStringLiteral("INSERT INTO BUZAI_SW2 (%1)").arg(shape.columns.join(',')),
               QStringLiteral("select %1 + row_number() over (order by CNT), %2")
                   .arg(num(first + run.index - 1), shape.clipboardValues.join(',')),
               QStringLiteral("from BUZAI_S where CNT between %1 and %2").arg(num(run.from), num(run.to))});
}

void RowCommands::copyRows()
{
    TableDataset& ds = m_dm.IBT_bu;
    if (m_screen.activeTab() != Tab::Member || !ds.active())
        return;
    ds.checkBrowseMode();
    const QList<int> rows = selectedMembers();
    const QList<Run> runs = runsOf(rows);
    Query& q = m_dm.IBQ_touroku4;
    Rebuild::inOneTransaction(
        *ds.database(), ds,
        [&] {
            q.run(QStringLiteral("delete from BUZAI_SW"));
            q.run(QStringLiteral("delete from BUZAI_SW2"));
            clipMembers(q, runs, 1);
            return rows.isEmpty() ? ds.recNo() : rows.first();
        },
        false);
    m_screen.clearSelectedRows(Tab::Member);
}

void RowCommands::cutRows()
{
    switch (m_screen.activeTab()) {
    case Tab::Major: cutCategory(false); break;
    case Tab::Middle: cutCategory(true); break;
    case Tab::Member: cutMembers(); break;
    case Tab::Unit: break;
    }
}

void RowCommands::cutCategory(bool middle)
{
    TableDataset& ds = middle ? m_dm.IBT_chu : m_dm.IBT_dai;
    Query& q = middle ? m_dm.IBQ_FB3 : m_dm.IBQ_FB2;
    const Rebuild::RowShape& shape = middle ? Rebuild::middleRows() : Rebuild::majorRows();
    if (!ds.active())
        return;
    ds.checkBrowseMode();
    // The code alone names the row: the middle list holds one major category.
    const QString keyColumn = middle ? QStringLiteral("BM_KUBUN") : QStringLiteral("BL_KUBUN");
    const QString key = num(Helpers::toIntOrZero(ds.text(keyColumn)));
    const int saved = ds.recNo();
    Rebuild::inOneTransaction(*ds.database(), ds, [&] {
        q.run(QStringLiteral("Delete from ") + shape.clipboard);
        q.run(QStringLiteral("Delete from ") + shape.scratch);
        q.run({QStringLiteral("INSERT INTO %1 select * from %2").arg(shape.clipboard, shape.table),
               QStringLiteral("where %1=%2").arg(keyColumn, key)});
        const QString rest = QStringLiteral("where %1 is distinct from %2").arg(keyColumn, key);
        q.run(Rebuild::refill(shape, shape.scratch, '(' + Rebuild::rowsOf(shape, shape.table, rest) + ')',
                              QStringLiteral("CNT")));
        Rebuild::replaceRows(q, shape);
        return saved;
    });
}

void RowCommands::cutMembers()
{
    TableDataset& ds = m_dm.IBT_bu;
    if (!ds.active())
        return;
    ds.checkBrowseMode();
    const QList<int> rows = selectedMembers();
    const int saved = ds.eof() ? ds.recordCount() + 1 : ds.recNo();
    Query& q = m_dm.IBQ_touroku4;
    const Rebuild::RowShape& shape = Rebuild::memberRows();
    // Several rows take the positions -(N-1) … 0 on the clipboard, one row 1;
    // either way they keep their grid order.
    const int first = rows.size() > 1 ? 1 - static_cast<int>(rows.size()) : 1;
    const QList<Run> runs = runsOf(rows);
    MemberImage::prepare(*ds.database());
    Rebuild::inOneTransaction(
        *ds.database(), ds,
        [&](Rebuild::Positions& positions) {
            q.run(QStringLiteral("delete from BUZAI_SW2"));
            clipMembers(q, runs, first);
            const Rebuild::MemberCounts counts = runs.isEmpty() || runs.size() > kCountedRuns
                                                     ? Rebuild::MemberCounts()
                                                     : Rebuild::countMembers(q, shape);
            if (counts.dense) {
                // Positions 1 … n: a row behind the cut moves down by the cut rows before it.
                Rebuild::Moves cut, moves;
                for (const Run& run : runs) {
                    cut << std::pair<qint64, qint64>(run.from, run.to);
                    moves << std::pair<qint64, qint64>(run.to, run.from - run.to - 1);
                }
                positions.remove(q, cut);
                Rebuild::shiftInPlace(q, positions, shape, counts, moves);
                return saved;
            }
            QStringList rest;
            for (const Run& run : runs)
                rest << QStringLiteral("CNT not between %1 and %2").arg(num(run.from), num(run.to));
            const QString where =
                rest.isEmpty() ? QString() : QStringLiteral("where ") + rest.join(QStringLiteral(" and "));
            q.run(Rebuild::refillImage(shape, '(' + Rebuild::keyedRowsOf(shape, shape.table, where) + ')',
                                       QStringLiteral("CNT")));
            Rebuild::applyImage(q, shape);
            return saved;
        },
        Rebuild::formMark(shape));
    m_screen.clearSelectedRows(Tab::Member);
}

void RowCommands::pasteRows()
{
    const Tab tab = m_screen.activeTab();
    if (tab != Tab::Unit)
        paste(tab);
}

// The rows at or before the returned split come before the pasted rows; `shown`
// is the record number to show afterwards. A filled current row stays after
// them (after it, for the only member), where the insert command would have put
// a blank row first: that row would be dropped by the rebuild anyway, so it is
// never written and leaves no gap.
int RowCommands::pastePoint(Tab tab, int& shown) const
{
    const TableDataset& ds = *datasetOf(tab);
    const int count = ds.recordCount();
    const int cur = ds.recNo();
    shown = cur;
    if (count == 0) {
        shown = 1;
        return 0;
    }
    if (ds.eof()) {
        // Past the last row, whatever the list's length.
        shown = count + 1;
        return cntAt(ds, count);
    }
    if (blankAt(ds, cur, tab == Tab::Member ? kMemberFilled : kCategoryFilled))
        return cntAt(ds, cur);
    if (tab == Tab::Member && count == 1 && cntAt(ds, 1) == 1) {
        shown = 2;
        return 1;
    }
    return cntAt(ds, cur) - 1;
}

// Positions 1 … n: the rows after the split move up by the clipboard's rows,
// which come in behind them.
void RowCommands::pasteInPlace(Query& q, Rebuild::Positions& positions, const Rebuild::MemberCounts& counts, int split)
{
    const Rebuild::RowShape& shape = Rebuild::memberRows();
    q.setSql(QStringLiteral("select count(*) from ") + shape.clipboard);
    q.open();
    const int pastedRows = q.value(0).toInt();
    q.close();
    Rebuild::shiftInPlace(q, positions, shape, counts, {{split, pastedRows}});
    QStringList keep;
    for (const QString& c : shape.keepNames)
        keep << Rebuild::hasText(c);
    positions.add(
        q,
        {QStringLiteral("insert into %1 (%2)").arg(shape.table, shape.columns.join(',')),
         QStringLiteral("select %1+P, %2 from").arg(num(split), shape.rebuildValues.join(',')),
         QStringLiteral("(select row_number() over (order by CNT) as P, r.* from %1 r) x").arg(shape.clipboard),
         QStringLiteral("where ") + keep.join(QStringLiteral(" or "))},
        split + 1, qint64(split) + pastedRows);
}

void RowCommands::paste(Tab tab)
{
    TableDataset& ds = *datasetOf(tab);
    if (!ds.active())
        return;
    ds.checkBrowseMode();
    Query& q = tab == Tab::Major ? m_dm.IBQ_FB2 : tab == Tab::Middle ? m_dm.IBQ_FB3 : m_dm.IBQ_touroku4;
    const Rebuild::RowShape& shape = tab == Tab::Major    ? Rebuild::majorRows()
                                     : tab == Tab::Middle ? Rebuild::middleRows()
                                                          : Rebuild::memberRows();
    int shown = 1;
    const int split = pastePoint(tab, shown);
    const bool members = tab == Tab::Member;
    if (members)
        MemberImage::prepare(*ds.database());
    Rebuild::inOneTransaction(
        *ds.database(), ds,
        [&](Rebuild::Positions& positions) {
            const Rebuild::MemberCounts counts = members ? Rebuild::countMembers(q, shape) : Rebuild::MemberCounts();
            if (counts.dense) {
                pasteInPlace(q, positions, counts, split);
                q.run(QStringLiteral("Delete from ") + shape.clipboard);
                return shown;
            }
            // The split shifts the rows before the paste point below the clipboard's
            // positions and the others above them, in the reading instead of by
            // updates, so that no row is changed twice.
            const QString key = members ? MemberImage::keyOf({}) : QString();
            const QString before = Rebuild::rowsOf(shape, shape.table, QStringLiteral("where CNT<=") + num(split),
                                                   QStringLiteral("CNT-") + num(kSplit), key);
            const QString after = Rebuild::rowsOf(shape, shape.table, QStringLiteral("where CNT>") + num(split),
                                                  QStringLiteral("CNT+") + num(kSplit), key);
            const QString pasted = Rebuild::rowsOf(shape, shape.clipboard, {}, QStringLiteral("CNT"),
                                                   members ? MemberImage::noKey() : QString());
            const QString all = QStringLiteral("(%1 union all %2 union all %3)").arg(before, pasted, after);
            if (members) {
                q.run(Rebuild::refillImage(shape, all, QStringLiteral("CNT")));
                Rebuild::applyImage(q, shape);
            } else {
                q.run(QStringLiteral("Delete from ") + shape.scratch);
                q.run(Rebuild::refill(shape, shape.scratch, all, QStringLiteral("CNT")));
                Rebuild::replaceRows(q, shape);
            }
            q.run(QStringLiteral("Delete from ") + shape.clipboard);
            return shown;
        },
        members ? Rebuild::formMark(shape) : QString());
}

void RowCommands::copyPreviousRow()
{
    TableDataset& ds = m_dm.IBT_bu;
    if (m_screen.activeTab() != Tab::Member || m_state.reloadGuard != 0 || !ds.active())
        return;
    ds.checkBrowseMode();
    if (ds.eof())
        ds.append();
    else
        ds.insert();
    // The insert leaves the cursor on the new blank row; it takes the values of
    // the row above it, or of the one above that when the row above is blank.
    const int fresh = ds.recNo();
    static const QStringList kNames{"NAME01", "NAME02", "NAME03", "TANI"};
    int source = fresh - 1;
    if (source >= 1 && blankAt(ds, source, kNames))
        --source;
    if (source < 1 || blankAt(ds, source, kNames) || !blankAt(ds, fresh, kNames))
        return;
    static const QStringList kCopied{"NAME01", "NAME02", "NAME03", "TANI",  "B_CD",
                                     "S_CD",   "KIN_02", "KIN_01", "KIN_06"};
    QList<std::pair<QString, QVariant>> values;
    for (const QString& f : kCopied) {
        const QString t = valueText(ds.valueAt(source - 1, f));
        if (!t.isEmpty())
            values << std::pair{f, QVariant(t)};
    }
    const QString keta = valueText(ds.valueAt(source - 1, QStringLiteral("KETA")));
    ds.edit();
    for (const auto& [field, value] : values)
        ds.setValue(field, value);
    if (!keta.isEmpty())
        ds.setValue(QStringLiteral("KETA"), Helpers::toIntOrZero(keta));
}

void RowCommands::deleteRow()
{
    m_screen.showMainToolbar();
    TableDataset* ds = datasetOf(m_screen.activeTab());
    if (ds && ds->active() && ds->recordCount() > 0 &&
        m_screen.confirmation().ask(Confirmation::Question, QStringLiteral("行削除してよろしいですか？")) ==
            Confirmation::Ok)
        ds->remove();
    m_screen.showMainToolbar();
}
