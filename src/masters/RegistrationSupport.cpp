#include "RegistrationSupport.h"

#include "Database.h"
#include "DbError.h"
#include "Query.h"
#include "TableDataset.h"

namespace Registration {

void run(Query& q, const QStringList& lines)
{
    q.close();
    q.clearSql();
    for (const QString& line : lines)
        q.addSql(line);
    q.exec();
}

void run(Query& q, const QString& statement)
{
    run(q, QStringList{statement});
}

void postPending(TableDataset& dataset)
{
    try {
        dataset.checkBrowseMode();
    } catch (const DbError&) {
        dataset.cancel();
    }
}

void reconnect(Database& db)
{
    try {
        db.transaction().stop();
        db.reconnect();
        db.transaction().start();
    } catch (const DbError&) {
    }
}

void addJikkouColumns(Query& productQuery)
{
    Transaction& t = productQuery.database()->transaction();
    for (const char* column : {"L_KUBUN", "M_KUBUN"}) {
        productQuery.close();
        productQuery.setSql(QStringLiteral("ALTER TABLE DAT_JIKKOU ADD %1 Smallint").arg(QLatin1String(column)));
        const bool added = productQuery.execIgnoringError();
        try {
            if (added)
                t.commitAndRestart();
            else
                t.rollback();
        } catch (const DbError&) {
            t.rollback();
        }
    }
}

void quietly(const std::function<void()>& step)
{
    try {
        step();
    } catch (...) {
    }
}

void runAllOrNothing(Database& product, Database& work, const std::function<void()>& body,
                     const std::function<void()>& restore)
{
    QList<TableDataset*> openGrids;
    for (TableDataset* d : work.datasets())
        if (d->active())
            openGrids << d;
    const auto reopenGrids = [&] {
        for (TableDataset* d : std::as_const(openGrids))
            quietly([d] { d->open(); });
    };

    work.transaction().commitAndRestart();
    product.transaction().commitAndRestart();
    try {
        body();
        product.transaction().commit();
        work.transaction().commit();
    } catch (...) {
        quietly([&] { product.transaction().rollback(); });
        quietly([&] { work.transaction().rollback(); });
        reopenGrids();
        quietly(restore);
        throw;
    }
    reopenGrids();
}

} // namespace Registration
