#include "DbError.h"
#include "Query.h"
#include "RegistrationRig.h"
#include "TestServer.h"

#include <QElapsedTimer>
#include <QTcpServer>

#include <gtest/gtest.h>

namespace {

using Kind = NetworkErrors::Kind;

// What the user reads first, and Firebird's text with the statement beneath it.
void expectExplained(const DbError& e, Kind kind)
{
    EXPECT_EQ(int(e.kind()), int(kind)) << e.text().toStdString();
    const auto [shown, details] = DbError::splitDetails(e.text());
    EXPECT_EQ(shown, NetworkErrors::message(kind));
    EXPECT_TRUE(details.contains(e.message())) << details.toStdString();
    EXPECT_TRUE(e.statement().isEmpty() || details.contains(e.statement())) << details.toStdString();
}

// A port on which nothing listens.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

TEST(NetworkErrors, EachFailedAttachmentIsExplainedWithinTenSeconds)
{
    TestServer* server = TestServer::ofRun();
    ASSERT_NE(server, nullptr);
    TestFolder folder;
    const QString product = folder.file("TREVOLAN.FDB");
    createProductDatabase(server->connectionString(product))->close();
    // Takes connections and never answers them, like a host that has hung.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));

    struct Case {
        const char* name;
        QString path;
        QString password;
        Kind kind;
    };
    const Case cases[] = {
        {"no server on the port", QString("127.0.0.1/%1:%2").arg(closedPort()).arg(product), "tollgates",
         Kind::Unreachable},
        {"server does not answer", QString("127.0.0.1/%1:%2").arg(silent.serverPort()).arg(product), "tollgates",
         Kind::Unreachable},
        {"no such file on the server", server->connectionString(folder.file("NONE.FDB")), "tollgates",
         Kind::FileNotFound},
        {"a folder on the server", server->connectionString(folder.path()), "tollgates", Kind::FileNotFound},
        {"password refused", server->connectionString(product), "wrong", Kind::LoginRefused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Database db("probe");
        db.setDatabaseName(c.path);
        db.setParams({"user_name=sysdba", "password=" + c.password, "lc_ctype=CP943C"});
        for (int attempt = 0; attempt < 2; ++attempt) {
            QElapsedTimer clock;
            clock.start();
            try {
                db.open();
                ADD_FAILURE() << "attached";
            } catch (const DbError& e) {
                expectExplained(e, c.kind);
                EXPECT_TRUE(e.statement().startsWith("CONNECT 127.0.0.1/"));
                EXPECT_FALSE(e.text().contains(c.password == "wrong" ? "wrong" : "tollgates"));
            }
            // A server that did not answer is not waited for again at once.
            EXPECT_LT(clock.elapsed(), attempt == 0 ? 10000 : 1000);
            if (c.kind != Kind::Unreachable)
                break;
        }
    }
}

void expectScreenBack(RegistrationRig& rig)
{
    EXPECT_FALSE(rig.screen.hidden);
    EXPECT_FALSE(rig.progress.visible);
    EXPECT_FALSE(rig.confirm.messages.contains("登録しました。"));
}

// A colleague's uncommitted edit of a row the registration rewrites.
TEST(NetworkErrors, RowLockedByAColleagueStopsTheRegistrationWithNothingWritten)
{
    for (Tab tab : {Tab::Major, Tab::Unit}) {
        SCOPED_TRACE(int(tab));
        RegistrationRig rig;
        ASSERT_TRUE(rig.conn.IBDatabase1.databaseName().startsWith("127.0.0.1/"));
        rig.fillEveryTab();
        const QString before = rig.dumpProduct(true);
        auto colleague = connectTestDatabase(rig.conn.IBDatabase1.databaseName(), "colleague");
        Query edit(colleague.get());
        edit.run(tab == Tab::Major ? "update MAS_KOUSYU_01 set NAME01 = 'edit' where BL_kubun = 1"
                                   : "update LOOK_TANI set NAME = 'edit'");
        try {
            rig.registerTab(tab);
            ADD_FAILURE() << "registered over a locked row";
        } catch (const DbError& e) {
            expectExplained(e, Kind::RowLocked);
        }
        colleague->transaction().rollback();
        EXPECT_EQ(rig.dumpProduct(true).toStdString(), before.toStdString());
        expectScreenBack(rig);
    }
}

// The server goes away while a registration writes: the message says so, and
// once the server is back the product database is wholly as before.
TEST(NetworkErrors, ServerStoppedMidRegistrationLeavesTheProductAsItWas)
{
    for (Tab tab : {Tab::Major, Tab::Middle}) {
        SCOPED_TRACE(int(tab));
        TestServer own;
        ASSERT_TRUE(own.start()) << own.error().toStdString();
        const int port = own.port();
        ProductsOn on(own);
        RegistrationRig rig;
        rig.fillEveryTab();
        const QString before = rig.dumpProduct(true);
        int steps = 0;
        rig.progress.onStep = [&] {
            if (++steps == 2)
                own.stop();
        };
        try {
            rig.registerTab(tab);
            ADD_FAILURE() << "registered without a server";
        } catch (const DbError& e) {
            expectExplained(e, Kind::ConnectionLost);
        }
        EXPECT_GE(steps, 2);
        rig.progress.onStep = nullptr;
        expectScreenBack(rig);

        ASSERT_TRUE(own.start(port)) << own.error().toStdString();
        rig.conn.IBDatabase1.close();
        EXPECT_EQ(rig.dumpProduct(true).toStdString(), before.toStdString());
    }
}

} // namespace
