#include "RebuildTransaction.h"

#include "Database.h"
#include "TableDataset.h"

#include <QList>

namespace Rebuild {

QString shiftOrder(bool ascending)
{
    return ascending ? QStringLiteral("order by CNT+0") : QStringLiteral("order by CNT desc");
}

void inOneTransaction(Database& db, TableDataset& grid, const std::function<int()>& steps, bool gridChanges,
                      const bool* positionsOnly, const QString& markName)
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
    int row = oldRow;
    try {
        row = steps();
        grid.prepareReopen(positionsOnly && *positionsOnly);
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

} // namespace Rebuild
