#include "MemberImage.h"

#include "Database.h"
#include "Query.h"
#include "Schema.h"

#include <QHash>
#include <QSet>

namespace MemberImage {

namespace {

const QString kTable = QStringLiteral("BUZAI_SWK");
const QString kScratch = QStringLiteral("BUZAI_SWM");

QString columnName(const QString& definition)
{
    return definition.section(' ', 0, 0);
}

bool isText(const QString& definition)
{
    return definition.contains(QStringLiteral("VARCHAR"), Qt::CaseInsensitive);
}

// Every member column but CNT, with its definition.
QStringList memberDefinitions()
{
    return Schema::workColumns(QStringLiteral("BUZAI_S")).mid(1);
}

} // namespace

QString table()
{
    return kTable;
}

QString scratchTable()
{
    return kScratch;
}

void prepare(Database& db)
{
    Query q(&db, QStringLiteral("member image"));
    QStringList columns{QStringLiteral("K CHAR(8) CHARACTER SET OCTETS")};
    columns << Schema::workColumns(QStringLiteral("BUZAI_S"));
    // The image tables are made once per work database and kept; ones made
    // before a member column was added get it here.
    q.setSql(QStringLiteral("select trim(RDB$RELATION_NAME), trim(RDB$FIELD_NAME) from RDB$RELATION_FIELDS "
                            "where RDB$RELATION_NAME in ('%1','%2')")
                 .arg(kTable, kScratch));
    q.open();
    QHash<QString, QSet<QString>> present;
    for (const auto& row : q.rows())
        present[valueText(row.at(0))].insert(valueText(row.at(1)).toUpper());
    q.close();
    for (const QString& table : {kTable, kScratch}) {
        if (present.contains(table)) {
            for (const QString& def : columns)
                if (!present.value(table).contains(columnName(def).toUpper())) {
                    q.run(QStringLiteral("ALTER TABLE %1 ADD %2").arg(table, def));
                    q.run(QStringLiteral("COMMIT"));
                }
            continue;
        }
        q.run(QStringLiteral("CREATE GLOBAL TEMPORARY TABLE %1 (%2) ON COMMIT DELETE ROWS")
                  .arg(table, columns.join(',')));
        q.run(QStringLiteral("COMMIT"));
        if (table == kTable) {
            q.run(QStringLiteral("CREATE INDEX %1_K ON %1 (K)").arg(table));
            q.run(QStringLiteral("COMMIT"));
        }
    }
}

QString insertLine(const QStringList& columns)
{
    return QStringLiteral("insert into %1 (K,CNT,%2)").arg(kTable, columns.join(','));
}

QString keyOf(const QString& alias)
{
    // Cast, or a union with a NULL key first refuses the keys as malformed.
    const QString key = alias.isEmpty() ? QStringLiteral("RDB$DB_KEY") : alias + QStringLiteral(".RDB$DB_KEY");
    return QStringLiteral("cast(%1 as char(8) character set octets)").arg(key);
}

QString noKey()
{
    return QStringLiteral("cast(null as char(8) character set octets)");
}

void apply(Query& q, const QStringList& columns, Mode mode)
{
    const QString list = columns.join(',');
    QStringList written{QStringLiteral("CNT")};
    written << columns;
    if (mode == Mode::Reinsert) {
        q.run(QStringLiteral("delete from BUZAI_S"));
    } else {
        // A row is kept only where it stays; a moved row is written anew below,
        // so that no position is ever held twice.
        q.run({QStringLiteral("delete from BUZAI_S t where not exists"),
               QStringLiteral("(select 1 from %1 g where g.K=t.RDB$DB_KEY and g.CNT=t.CNT)").arg(kTable)});
        // Rows that stay but change. Texts differ also by trailing blanks, which
        // the comparison of VARCHARs ignores.
        QStringList differs, sets;
        for (const QString& def : memberDefinitions()) {
            const QString c = columnName(def);
            const bool listed = columns.contains(c, Qt::CaseInsensitive);
            const QString target = QStringLiteral("t.") + c;
            const QString source = listed ? QStringLiteral("g.") + c : QStringLiteral("null");
            differs << QStringLiteral("%1 is distinct from %2").arg(target, source);
            if (isText(def) && listed)
                differs << QStringLiteral("char_length(%1) is distinct from char_length(%2)").arg(target, source);
            sets << QStringLiteral("%1=%2").arg(c, source);
        }
        q.run({QStringLiteral("merge into BUZAI_S t using %1 g on t.RDB$DB_KEY=g.K").arg(kTable),
               QStringLiteral("when matched and (") + differs.join(QStringLiteral(" or ")) + QStringLiteral(")"),
               QStringLiteral("then update set ") + sets.join(',')});
    }
    QStringList from{QStringLiteral("select CNT,%1 from %2 g").arg(list, kTable)};
    if (mode == Mode::InPlace)
        from << QStringLiteral("where g.K is null or not exists (select 1 from BUZAI_S t where t.RDB$DB_KEY=g.K)");
    q.run(QStringList{QStringLiteral("insert into BUZAI_S (%1)").arg(written.join(','))} + from);
}

} // namespace MemberImage
