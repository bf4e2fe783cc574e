#include "Connections.h"

Connections::Connections()
{
    for (Database* db : {&IBDatabase1, &IBDatabase2, &IBDatabase3, &IBDatabase4, &IBDatabase5})
        db->setParams(Database::defaultParams());
    IBTransaction1().setParams(
        {QStringLiteral("read_committed"), QStringLiteral("rec_version"), QStringLiteral("nowait")});
    for (Transaction* t : {&IBTransaction2(), &IBTransaction3(), &IBTransaction4(), &IBTransaction5()})
        t->setParams({QStringLiteral("concurrency"), QStringLiteral("nowait")});
    IBDatabase3.shareAttachmentWith(IBDatabase2);
    IBDatabase4.shareAttachmentWith(IBDatabase2);
}

void Connections::setWorkPath(const QString& path)
{
    IBDatabase2.setDatabaseName(path);
    IBDatabase3.setDatabaseName(path);
    IBDatabase4.setDatabaseName(path);
}

void Connections::closeAll()
{
    for (Database* db : {&IBDatabase5, &IBDatabase4, &IBDatabase3, &IBDatabase2, &IBDatabase1}) {
        try {
            db->close();
        } catch (...) {
            // Closing is best effort; a lost connection must not stop the others.
        }
    }
}
