#include "OtherAttachments.h"

#include "Database.h"
#include "Query.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>

namespace {

// "address/port" as some servers give it: the host part.
QString hostOf(const QString& address)
{
    return address.section('/', 0, 0);
}

} // namespace

QList<OtherAttachment> otherAttachments(Database& product, const QList<Database*>& ours, OwnAttachments own)
{
    QSet<qint64> ownIds;
    for (Database* db : ours) {
        if (!db->connected())
            continue;
        Query q(db);
        q.setSql(QStringLiteral("select CURRENT_CONNECTION as ID from RDB$DATABASE"));
        q.open();
        ownIds << q.value(0).toLongLong();
    }

    Query q(&product);
    q.setSql(QStringLiteral(
        "select a.MON$ATTACHMENT_ID as ID, a.MON$REMOTE_PROTOCOL as PROTOCOL, a.MON$REMOTE_ADDRESS as ADDRESS, "
        "a.MON$REMOTE_HOST as HOST, a.MON$REMOTE_PID as PID, a.MON$REMOTE_PROCESS as PROCESS, "
        "a.MON$SERVER_PID as SERVER_PID, a.MON$TIMESTAMP as SINCE, IIF(a.MON$ATTACHMENT_ID = CURRENT_CONNECTION, 1, 0) "
        "as OWN "
        "from MON$ATTACHMENTS a where a.MON$SYSTEM_FLAG = 0 order by a.MON$TIMESTAMP, a.MON$ATTACHMENT_ID"));
    q.open();

    // Through a server, this process is known by its address and process id;
    // without one, the engine runs in this process.
    QString ownAddress;
    for (q.first(); !q.eof(); q.next())
        if (q.value(QStringLiteral("OWN")).toInt() == 1)
            ownAddress = hostOf(q.text(QStringLiteral("ADDRESS")).trimmed());
    const qint64 pid = QCoreApplication::applicationPid();

    QList<OtherAttachment> others;
    for (q.first(); !q.eof(); q.next()) {
        if (q.value(QStringLiteral("OWN")).toInt() == 1 || ownIds.contains(q.value(QStringLiteral("ID")).toLongLong()))
            continue;
        const bool remote = !q.isNull(QStringLiteral("PROTOCOL"));
        const QString address = hostOf(q.text(QStringLiteral("ADDRESS")).trimmed());
        const qint64 processId = q.value(remote ? QStringLiteral("PID") : QStringLiteral("SERVER_PID")).toLongLong();
        if (own == OwnAttachments::ThisProcess && processId == pid && address == ownAddress)
            continue;
        OtherAttachment a;
        if (remote) {
            a.host = q.text(QStringLiteral("HOST")).trimmed();
            if (a.host.isEmpty())
                a.host = address;
        }
        // The server reports the program as a path of the client's system.
        QString program = q.text(QStringLiteral("PROCESS")).trimmed();
        program.replace('\\', '/');
        a.program = QFileInfo(program).fileName();
        a.processId = processId;
        a.since = q.value(QStringLiteral("SINCE")).toDateTime();
        others << a;
    }
    return others;
}
