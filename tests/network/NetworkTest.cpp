#include "DbErrorOf.h"
#include "MainWindowFixture.h"
#include "Query.h"
#include "RegistrationRig.h"
#include "TestServer.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QToolButton>

#include <optional>
#include <tuple>

#include <gtest/gtest.h>

namespace {

using Kind = ErrorText::Reason;

// What the user reads first, and Firebird's text with the statement beneath it.
void expectExplained(const DbError& e, Kind kind)
{
    EXPECT_EQ(int(e.kind()), int(kind)) << e.text().toStdString();
    const auto [shown, details] = DbError::splitDetails(e.text());
    EXPECT_EQ(shown, ErrorText::networkMessage(kind));
    EXPECT_TRUE(details.contains(e.message())) << details.toStdString();
    EXPECT_TRUE(e.statement().isEmpty() || details.contains(e.statement())) << details.toStdString();
}

TEST(NetworkErrors, EachFailedAttachmentIsExplainedWithinTenSeconds)
{
    TestServer* server = TestServer::ofRun();
    ASSERT_NE(server, nullptr);
    TestFolder folder;
    const QString product = folder.file("TREVOLAN.FDB");
    createProductDatabase(server->connectionString(product))->close();
    // Takes connections and never answers them, like a host that has hung; and
    // a port on which nothing listens any more.
    QTcpServer silent, probe;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost) && probe.listen(QHostAddress::LocalHost));
    const quint16 closed = probe.serverPort();
    probe.close();

    const auto at = [&](quint16 port) { return QString("127.0.0.1/%1:%2").arg(port).arg(product); };
    const std::tuple<const char*, QString, QString, Kind> cases[] = {
        {"no server on the port", at(closed), "tollgates", Kind::Unreachable},
        {"server does not answer", at(silent.serverPort()), "tollgates", Kind::Unreachable},
        {"no such file on the server", server->connectionString(folder.file("NONE.FDB")), "tollgates",
         Kind::ServerFileMissing},
        {"a folder on the server", server->connectionString(folder.path()), "tollgates", Kind::ServerFileMissing},
        {"password refused", server->connectionString(product), "wrong", Kind::LoginRefused},
    };
    for (const auto& [name, path, password, kind] : cases) {
        SCOPED_TRACE(name);
        Database db("probe");
        db.setDatabaseName(path);
        db.setParams({"user_name=sysdba", "password=" + password, "lc_ctype=CP943C"});
        for (int attempt = 0; attempt < 2; ++attempt) {
            QElapsedTimer clock;
            clock.start();
            const DbError e = dbErrorOf([&] { db.open(); });
            expectExplained(e, kind);
            EXPECT_FALSE(e.text().contains(password == "wrong" ? "wrong" : "tollgates"));
            // A server that did not answer is not waited for again at once.
            EXPECT_LT(clock.elapsed(), attempt == 0 ? 10000 : 1000);
            if (kind != Kind::Unreachable)
                break;
        }
    }
}

// A registration that fails on the network, on a colleague's uncommitted edit of
// a row it rewrites or because the server went away while it wrote, says so,
// puts the screen back, and (once the server is back) the product is as it was.
TEST(NetworkErrors, AFailedRegistrationLeavesTheProductAsItWas)
{
    const std::pair<Tab, const char*> cases[] = {
        // the tab, a colleague's edit; none: the server stops at the second step
        {Tab::Major, "update MAS_KOUSYU_01 set NAME01 = 'edit' where BL_kubun = 1"},
        {Tab::Unit, "update LOOK_TANI set NAME = 'edit'"},
        {Tab::Major, nullptr},
        {Tab::Middle, nullptr},
    };
    for (const auto& [tab, edit] : cases) {
        SCOPED_TRACE(QString("%1 %2").arg(int(tab)).arg(edit).toStdString());
        std::optional<TestServer> own;
        std::optional<ProductsOn> on;
        if (!edit) {
            own.emplace();
            ASSERT_TRUE(own->start()) << own->error().toStdString();
            on.emplace(*own);
        }
        RegistrationRig rig;
        rig.fillEveryTab();
        const QString before = rig.dumpProduct(true);
        std::unique_ptr<Database> colleague;
        int steps = 0;
        if (edit) {
            colleague = connectTestDatabase(rig.conn.IBDatabase1.databaseName(), "colleague");
            Query(colleague.get()).run(edit);
        } else {
            rig.progress.onStep = [&] {
                if (++steps == 2)
                    own->stop();
            };
        }
        expectExplained(dbErrorOf([&] { rig.registerTab(tab); }), edit ? Kind::RowLocked : Kind::ConnectionLost);
        rig.progress.onStep = nullptr;
        EXPECT_FALSE(rig.screen.hidden);
        EXPECT_FALSE(rig.progress.visible);
        EXPECT_FALSE(rig.confirm.messages.contains("登録しました。"));
        if (edit) {
            colleague->transaction().rollback();
        } else {
            ASSERT_TRUE(own->start(own->port())) << own->error().toStdString();
            rig.conn.IBDatabase1.close();
        }
        EXPECT_EQ(rig.dumpProduct(true).toStdString(), before.toStdString());
    }
}

// A NET.TXT that names no usable database: the window comes up with a message
// in time, stays usable, and registering writes nothing anywhere.
TEST(NetTxt, UnusableFirstLineGivesAMessageAndTheWindowStaysUsable)
{
    TestServer* server = TestServer::ofRun();
    ASSERT_NE(server, nullptr);
    QTcpServer silent; // takes connections and never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));

    const std::tuple<const char*, QByteArray, const char*> cases[] = {
        // line 1 of NET.TXT (raw bytes, %DIR% the test folder), how the first error begins if specified
        {"host does not answer", QString("127.0.0.1/%1:/srv/TREVOLAN.FDB").arg(silent.serverPort()).toLatin1(), ""},
        {"local folder", "%DIR%", "NET.TXT の 1 行目「%DIR%」はフォルダーです。"},
        {"server folder", server->connectionString("%DIR%").toLatin1(), ""},
        {"garbage", QByteArray("\x01\x02\xff\xfe:\x7f", 6), ""},
        {"empty line", "", ""},
    };
    for (const auto& [name, line1, message] : cases) {
        SCOPED_TRACE(name);
        MainWindowFixture fx;
        QByteArray line = line1;
        line.replace("%DIR%", fx.folder.path().toLocal8Bit());
        fx.netTxt(line + "\r\n");

        QElapsedTimer clock;
        clock.start();
        fx.start();
        // The connect timeout is a few seconds; without it a silent host holds the
        // start for minutes. The margin is for a loaded machine and the sanitizer build.
        EXPECT_LT(clock.elapsed(), 20000);
        ASSERT_FALSE(fx.errors.isEmpty());
        EXPECT_TRUE(fx.errors.first().startsWith(QString::fromUtf8(message).replace("%DIR%", fx.folder.path())))
            << fx.errors.join("\n---\n").toStdString();

        // Every tab can still be shown; registering is refused.
        for (Tab tab : {Tab::Unit, Tab::Middle, Tab::Member, Tab::Major})
            fx.form->showTab(tab);
        fx.ui().SB[2]->click(); // every question answered OK
        EXPECT_FALSE(fx.confirm.messages.contains("登録しました。"));
        EXPECT_TRUE(fx.form->isVisible());
    }
}

// Two estimators, each with a program folder and work database of their own, on
// one product database on the server. B loads while A's registration is under
// way; B registers afterwards and, after the reload, works on A's result.
TEST(TwoUsers, OneLoadsWhileTheOtherRegistersAndTheSecondSeesTheFirstsResult)
{
    ASSERT_NE(TestServer::ofRun(), nullptr);
    RegistrationRig a;
    a.standardProduct();
    a.product(inserts("LOOK_TANI (CD,NAME)", {"1,'式'"}));
    a.work(inserts("BUZAI_DAI (CNT,BL_kubun,NAME01)", {"1,2,'M2 new'", "2,1,'M1'"}));

    MainWindowFixture b;
    b.netTxt(a.conn.IBDatabase1.databaseName().toLatin1() + "\r\n");
    b.start();
    ASSERT_TRUE(b.errors.isEmpty()) << b.errors.join("\n").toStdString();

    QStringList loadedMeanwhile;
    int steps = 0;
    a.progress.onStep = [&] {
        if (++steps != 3)
            return;
        // A has rewritten the majors but not committed: B's load neither waits
        // nor fails, and reads what was committed.
        b.form->showTab(Tab::Unit);
        b.form->showTab(Tab::Major);
        loadedMeanwhile = datasetRows(b.dm->IBT_dai, {"NAME01"});
    };
    a.registerTab(Tab::Major);
    EXPECT_EQ(a.confirm.messages.value(a.confirm.messages.size() - 1), "登録しました。");
    EXPECT_EQ(loadedMeanwhile, (QStringList{"M1", "M2"}));

    // B registers its units second, then finds A's majors on its reload.
    b.form->showTab(Tab::Unit);
    b.dm->IBT_TANI.append();
    b.dm->IBT_TANI.setValue("NAME", "本");
    b.dm->IBT_TANI.post();
    b.ui().SB[2]->click();
    EXPECT_EQ(b.confirm.messages.value(b.confirm.messages.size() - 1), "登録しました。")
        << b.confirm.messages.join("|").toStdString() << b.errors.join("\n").toStdString();
    b.form->showTab(Tab::Major);
    EXPECT_EQ(datasetRows(b.dm->IBT_dai, {"NAME01"}), (QStringList{"M2 new", "M1"}));
    EXPECT_EQ(a.productRows("select CD, NAME from LOOK_TANI order by CD"), (Rows{"1|式", "2|本"}));
    b.expectNoErrors();
}

} // namespace
