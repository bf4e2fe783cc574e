#include "Database.h"
#include "DbError.h"
#include "TestDb.h"

#include <gtest/gtest.h>

// What an error dialog may show about a connection: the file, never the login.
class ConnectionErrorTest : public ::testing::Test {
protected:
    TestFolder folder;

    static void expectNoCredentials(const DbError& e, const QString& password)
    {
        for (const QString& shown : {e.text(), QString::fromStdString(e.what())}) {
            EXPECT_FALSE(shown.contains(password, Qt::CaseInsensitive)) << shown.toStdString();
            EXPECT_FALSE(shown.contains("PASSWORD", Qt::CaseInsensitive)) << shown.toStdString();
            EXPECT_FALSE(shown.contains("sysdba", Qt::CaseInsensitive)) << shown.toStdString();
        }
    }
};

TEST_F(ConnectionErrorTest, FailedCreateNamesTheFileButNotTheLogin)
{
    const QString path = folder.file("NO_LOCAL/MAS_MENT.fdb"); // the folder is missing
    for (const QString& password : {QStringLiteral("tollgates"), QStringLiteral("hunter2")}) {
        try {
            Database::createDatabase(path, QStringLiteral("sysdba"), password);
            FAIL() << "created";
        } catch (const DbError& e) {
            expectNoCredentials(e, password);
            EXPECT_TRUE(e.statement().contains(path)) << e.statement().toStdString();
        }
    }
}

TEST_F(ConnectionErrorTest, FailedConnectNamesTheFileButNotTheLogin)
{
    Database db("IBDatabase2");
    db.setParams(Database::defaultParams());
    db.setDatabaseName(folder.file("LOCAL/MAS_MENT.fdb"));
    try {
        db.open();
        FAIL() << "connected";
    } catch (const DbError& e) {
        expectNoCredentials(e, "tollgates");
        EXPECT_TRUE(e.text().contains(folder.file("LOCAL/MAS_MENT.fdb"))) << e.text().toStdString();
    }

    // A connection that was never given its file says which connection it is,
    // instead of the engine's `open` for file "".
    Database unset("IBDatabase3");
    unset.setParams(Database::defaultParams());
    try {
        unset.open();
        FAIL() << "connected";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.text().contains("IBDatabase3")) << e.text().toStdString();
        EXPECT_FALSE(e.text().contains("\"\"")) << e.text().toStdString();
    }
}

// Any statement that carries a login, wherever it fails, is shown without it.
TEST_F(ConnectionErrorTest, LoginClausesAreNeverShown)
{
    const DbError e("failed", "CONNECT 'C:\\TREVOLAN\\A.FDB' USER 'SYSDBA' password 'it''s secret'", 0, 0);
    expectNoCredentials(e, "secret");
    EXPECT_TRUE(e.statement().contains("C:\\TREVOLAN\\A.FDB")) << e.statement().toStdString();
}
