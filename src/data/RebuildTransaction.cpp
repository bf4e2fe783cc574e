#include "RebuildTransaction.h"

#include "Database.h"
#include "Query.h"
#include "TableDataset.h"

#include <QList>

#include <algorithm>

namespace Rebuild {

QString shiftOrder(bool ascending)
{
    return ascending ? QStringLiteral("order by CNT+0") : QStringLiteral("order by CNT desc");
}

QString Positions::of(const Moves& moves)
{
    if (moves.size() == 1)
        return QStringLiteral("CNT%1%2").arg(moves.first().second < 0 ? "" : "+").arg(moves.first().second);
    QStringList by;
    for (const auto& [above, move] : moves)
        by << QStringLiteral("case when CNT>%1 then %2 else 0 end").arg(above).arg(move);
    return QStringLiteral("CNT+(%1)").arg(by.join('+'));
}

void Positions::move(Query& q, const Moves& moves, bool inOrder)
{
    if (moves.isEmpty())
        return;
    const qint64 lowest = std::min_element(moves.begin(), moves.end())->first;
    QStringList update{QStringLiteral("update %1 set CNT=%2 where CNT>%3").arg(m_table, of(moves)).arg(lowest)};
    // Rows moving down go first from the low end, rows moving up from the high end.
    if (inOrder)
        update << shiftOrder(moves.first().second < 0);
    q.run(update);
    m_shift.moves << moves;
    m_declared = true;
}

void Positions::remove(Query& q, const Moves& ranges)
{
    if (ranges.isEmpty())
        return;
    QStringList between;
    for (const auto& [from, to] : ranges)
        between << QStringLiteral("CNT between %1 and %2").arg(from).arg(to);
    q.run(QStringLiteral("delete from %1 where ").arg(m_table) + between.join(QStringLiteral(" or ")));
    m_shift.removed << ranges;
    m_declared = true;
}

void Positions::add(Query& q, const QStringList& insert, qint64 from, qint64 to)
{
    q.run(insert);
    // One range of added rows is read back; a second widens it.
    if (m_shift.addedTo >= m_shift.addedFrom) {
        from = std::min(from, m_shift.addedFrom);
        to = std::max(to, m_shift.addedTo);
    }
    m_shift.addedFrom = from;
    m_shift.addedTo = to;
    m_declared = true;
}

namespace {

void run(Database& db, TableDataset& grid, const std::function<int(Positions*)>& steps, bool gridChanges,
         const QString& markName, bool declares)
{
    const int oldRow = grid.recNo();
    if (grid.active())
        grid.checkBrowseMode();
    // A rollback closes every dataset of the connection; the ones open now come back.
    QList<TableDataset*> open;
    for (TableDataset* d : db.datasets())
        if (d->active() && d != &grid)
            open << d;
    Transaction& tra = db.transaction();
    WriteMark mark;
    if (!markName.isEmpty())
        mark = db.markBefore();
    tra.commitAndRestart();
    if (!markName.isEmpty())
        mark.by = tra.id();
    if (gridChanges)
        grid.close();
    Positions positions(grid.tableName());
    int row = oldRow;
    try {
        if (declares)
            grid.confirmHeld();
        row = steps(&positions);
        grid.prepareReopen(positions.positionsOnly(), positions.positionsOnly() ? &positions.shift() : nullptr);
        tra.commitAndRestart();
        if (!markName.isEmpty())
            db.setMark(markName, mark);
    } catch (...) {
        grid.dropPrepared();
        try {
            tra.rollback();
            tra.start();
            for (TableDataset* d : open)
                if (!d->active())
                    d->open();
            if (!grid.active()) {
                grid.open();
                grid.setRecNo(oldRow);
            }
        } catch (...) {
            // The first error is the one the user needs to read.
        }
        throw;
    }
    if (gridChanges)
        grid.setUnregistered(true);
    if (!grid.active())
        grid.open();
    grid.setRecNo(row);
}

} // namespace

void inOneTransaction(Database& db, TableDataset& grid, const std::function<int()>& steps, bool gridChanges,
                      const QString& markName)
{
    run(
        db, grid, [&](Positions*) { return steps(); }, gridChanges, markName, false);
}

void inOneTransaction(Database& db, TableDataset& grid, const std::function<int(Positions&)>& steps,
                      const QString& markName)
{
    run(
        db, grid, [&](Positions* p) { return steps(*p); }, true, markName, true);
}

} // namespace Rebuild
