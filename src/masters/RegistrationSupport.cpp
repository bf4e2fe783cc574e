#include "RegistrationSupport.h"

#include "Database.h"
#include "DbError.h"
#include "Helpers.h"
#include "Query.h"
#include "TableDataset.h"
#include "UiSeams.h"

namespace Registration {

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

bool hasNamedRow(Database& work, const QString& table, const QStringList& columns)
{
    Query q(&work);
    q.setSql(QStringLiteral("select %1 from %2").arg(columns.join(','), table));
    q.open();
    for (; !q.eof(); q.next())
        for (int c = 0; c < columns.size(); ++c)
            if (!Helpers::firstLine(q.value(c).toString()).trimmed().isEmpty())
                return true;
    return false;
}

int count(Database& db, const QString& select)
{
    Query q(&db);
    q.setSql(select);
    q.open();
    return q.eof() ? 0 : q.value(0).toInt();
}

QString nothingToRegisterMessage(const QString& master)
{
    return QStringLiteral("登録する行がありません。\n登録すると%1が空になるため、何も登録しませんでした。").arg(master);
}

void collectGarbage(Database& product, const QStringList& tables, ProgressSink& progress)
{
    progress.start(int(tables.size()));
    for (const QString& table : tables) {
        quietly([&] { count(product, QStringLiteral("select count(*) from ") + table); });
        progress.step();
    }
    quietly([&] { product.transaction().commit(); });
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
