#include "TestDb.h"

#include "Connections.h"
#include "DataModule.h"
#include "Database.h"
#include "Query.h"
#include "Schema.h"
#include "TestServer.h"

std::unique_ptr<Database> connectTestDatabase(const QString& path, const QString& name)
{
    auto db = std::make_unique<Database>(name);
    db->setDatabaseName(path);
    db->setParams(Database::defaultParams());
    db->transaction().setParams({QStringLiteral("concurrency"), QStringLiteral("nowait")});
    db->open();
    db->transaction().start();
    return db;
}

std::unique_ptr<Database> createTestDatabase(const QString& path, const QString& name)
{
    Database::createDatabase(path);
    return connectTestDatabase(path, name);
}

void execCommitted(Database& db, const QStringList& statements)
{
    Query q(&db);
    for (const QString& s : statements)
        q.run(s);
    q.run(QStringLiteral("COMMIT"));
}

std::unique_ptr<Database> createProductDatabase(const QString& path, bool housingRow, const QString& name)
{
    auto db = createTestDatabase(path, name);
    Schema::createProductTables(*db);
    if (housingRow)
        execCommitted(*db, {QStringLiteral("insert into LOOK_KIHON (NAME) values ('JUTAKU')")});
    return db;
}

std::unique_ptr<TDM2> connectDataModule(const TestFolder& folder, Connections& conn)
{
    const QString productPath = productLocation(folder.file(QStringLiteral("TREVOLAN.FDB")));
    const QString workPath = folder.file(QStringLiteral("MAS_MENT.fdb"));
    createProductDatabase(productPath, false)->close();
    Database::createDatabase(workPath);
    conn.setProductPath(productPath);
    conn.setWorkPath(workPath);
    for (Database* db : {&conn.IBDatabase1, &conn.IBDatabase2, &conn.IBDatabase3, &conn.IBDatabase4}) {
        db->open();
        db->transaction().start();
    }
    QStringList tables;
    for (const QString& t : Schema::categoryAndMemberTables() + QStringList{"TANI", "TANIW"})
        tables << Schema::createWorkTableSql(t) << QStringLiteral("COMMIT");
    execCommitted(conn.IBDatabase2, tables);
    return std::make_unique<TDM2>(conn);
}

QStringList columnValues(Database& db, const QString& sql, const QString& column)
{
    Query q(&db);
    q.setSql(sql);
    q.open();
    QStringList out;
    for (; !q.eof(); q.next())
        out << (q.isNull(column) ? QStringLiteral("NULL") : q.text(column));
    return out;
}

QStringList rowsOf(Database& db, const QString& sql, const QStringList& skip)
{
    Query q(&db);
    q.setSql(sql);
    q.open();
    QStringList out;
    for (q.first(); !q.eof(); q.next()) {
        QStringList cells;
        for (int c = 0; c < q.fieldNames().size(); ++c) {
            if (!skip.contains(q.fieldNames().at(c), Qt::CaseInsensitive))
                cells << (q.value(c).isValid() ? valueText(q.value(c)) : QStringLiteral("∅"));
        }
        out << cells.join('|');
    }
    return out;
}

QStringList datasetRows(const TableDataset& d, const QStringList& fields)
{
    QStringList out;
    for (int r = 0; r < d.recordCount(); ++r) {
        QStringList cells;
        for (const QString& f : fields.isEmpty() ? d.fieldNames() : fields)
            cells << (d.valueAt(r, f).isValid() ? valueText(d.valueAt(r, f)) : QStringLiteral("∅"));
        out << cells.join('|');
    }
    return out;
}
