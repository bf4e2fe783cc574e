#include "DbError.h"
#include "MainWindowFixture.h"
#include "TestServer.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// A NET.TXT that names no usable database: the window comes up with a message
// in time, stays usable, and registering writes nothing anywhere.
TEST(NetTxt, UnusableFirstLineGivesAMessageAndTheWindowStaysUsable)
{
    TestServer* server = TestServer::ofRun();
    ASSERT_NE(server, nullptr);
    QTcpServer silent; // takes connections and never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));

    struct Case {
        const char* name;
        QByteArray line; // raw bytes of line 1; %DIR% is the test folder
        QString message; // how the first error begins
    };
    const Case cases[] = {
        {"host does not answer", QString("127.0.0.1/%1:/srv/TREVOLAN.FDB").arg(silent.serverPort()).toLatin1(),
         NetworkErrors::message(NetworkErrors::Kind::Unreachable)},
        {"local folder", "%DIR%", "NET.TXT の 1 行目「%DIR%」はフォルダーです。"},
        {"folder on the server", server->connectionString("%DIR%").toLatin1(),
         NetworkErrors::message(NetworkErrors::Kind::FileNotFound)},
        {"garbage", QByteArray("\x01\x02\xff\xfe:\x7f", 6), "NET.TXT の 1 行目をデータベースの指定として読めません。"},
        {"empty line", "", "NET.TXT の 1 行目をデータベースの指定として読めません。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture fx;
        QByteArray line = c.line;
        line.replace("%DIR%", fx.folder.path().toLocal8Bit());
        fx.netTxt(line + "\r\nSERVER1\r\n");

        QElapsedTimer clock;
        clock.start();
        fx.start();
        EXPECT_LT(clock.elapsed(), 10000);
        ASSERT_FALSE(fx.errors.isEmpty());
        EXPECT_TRUE(fx.errors.first().startsWith(QString(c.message).replace("%DIR%", fx.folder.path())))
            << fx.errors.join("\n---\n").toStdString();
        EXPECT_EQ(fx.state().serverName, "SERVER1");

        // Every tab can still be shown; registering is refused.
        for (Tab tab : {Tab::Unit, Tab::Middle, Tab::Member, Tab::Major})
            fx.form->showTab(tab);
        fx.confirm.answers = {Confirmation::Ok, Confirmation::Ok, Confirmation::Ok};
        fx.form->SB[2]->click();
        EXPECT_FALSE(fx.confirm.messages.contains("登録しました。"));
        EXPECT_TRUE(fx.form->isVisible());
        EXPECT_LT(clock.elapsed(), 20000);
    }
}

} // namespace
