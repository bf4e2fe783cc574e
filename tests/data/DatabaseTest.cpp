#include "Database.h"
#include "DbErrorOf.h"
#include "TestDb.h"

#include <gtest/gtest.h>

namespace {

// What an error dialog may show about a connection: the file, never the login.
void expectNoCredentials(const DbError& e, const QString& password)
{
    for (const QString& shown : {e.text(), QString::fromStdString(e.what())})
        for (const QString& secret : {password, QStringLiteral("PASSWORD"), QStringLiteral("sysdba")})
            EXPECT_FALSE(shown.contains(secret, Qt::CaseInsensitive)) << shown.toStdString();
}

TEST(ConnectionError, FailuresNameTheFileButNotTheLogin)
{
    TestFolder folder;
    const QString missing = folder.file("NO_LOCAL/MAS_MENT.fdb"); // the folder is missing
    for (const QString& password : {QStringLiteral("tollgates"), QStringLiteral("hunter2")}) {
        const DbError e = dbErrorOf([&] { Database::createDatabase(missing, QStringLiteral("sysdba"), password); });
        expectNoCredentials(e, password);
        EXPECT_TRUE(e.statement().contains(missing)) << e.statement().toStdString();
    }

    // A connection that was never given its file says which connection it is,
    // instead of the engine's `open` for file "".
    for (const QString& file : {folder.file("LOCAL/MAS_MENT.fdb"), QString()}) {
        Database db("IBDatabase3");
        db.setParams(Database::defaultParams());
        if (!file.isEmpty())
            db.setDatabaseName(file);
        const DbError e = dbErrorOf([&] { db.open(); });
        expectNoCredentials(e, "tollgates");
        EXPECT_TRUE(e.text().contains(file.isEmpty() ? "IBDatabase3" : file)) << e.text().toStdString();
        EXPECT_FALSE(e.text().contains("\"\"")) << e.text().toStdString();
    }

    // Any statement that carries a login, wherever it fails, is shown without it.
    const DbError e("failed", "CONNECT 'C:\\TREVOLAN\\A.FDB' USER 'SYSDBA' password 'it''s secret'", 0, 0);
    expectNoCredentials(e, "secret");
    EXPECT_TRUE(e.statement().contains("C:\\TREVOLAN\\A.FDB")) << e.statement().toStdString();
}

} // namespace
