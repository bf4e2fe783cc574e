// Two estimators on one product database, each with a work database and a
// program of their own: a list loaded before the other's registration is never
// registered over it. Embedded, both attachments live in this process; with a
// server run (the .server tests) they go through the private server.
#include "Connections.h"
#include "DataModule.h"
#include "ListGuard.h"
#include "MaintenanceCommands.h"
#include "MemberRename.h"
#include "Query.h"
#include "RegistrationRig.h"
#include "RegistrationSupport.h"
#include "Schema.h"
#include "TestServer.h"
#include "TextReplacement.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <atomic>
#include <map>
#include <set>
#include <thread>

#include <gtest/gtest.h>

namespace {

const QString kRefused = "一覧を読み込んだ後に、他の利用者が製品データベースのマスターを登録しました";

// One estimator: the program's loads and register command on a work database of
// their own; the tabs shown as the program shows them.
class User {
public:
    User(const TestFolder& folder, const QString& name, bool createsProduct)
    {
        const QString work = folder.file(name + ".fdb");
        if (createsProduct) {
            createProductDatabase(productLocation(folder.file("TREVOLAN.FDB")), false)->close();
        }
        Database::createScratchDatabase(work);
        conn.setProductPath(productLocation(folder.file("TREVOLAN.FDB")));
        conn.setWorkPath(work);
        for (Database* db : {&conn.IBDatabase1, &conn.IBDatabase2, &conn.IBDatabase3, &conn.IBDatabase4}) {
            db->open();
            db->transaction().start();
        }
        QStringList tables;
        for (const QString& t : Schema::categoryAndMemberTables() + QStringList{"TANI", "TANIW"})
            tables << Schema::createWorkTableSql(t) << "COMMIT";
        execCommitted(conn.IBDatabase2, tables);
        dm = std::make_unique<TDM2>(conn);
        loads = std::make_unique<MasterLoads>(*dm, screen);
        ctx = std::make_unique<CommandContext>(CommandContext{*dm, state, screen, *loads});
        command = std::make_unique<RegisterCommand>(*ctx);
        state.computerName = name;
        state.registrationPermitted = true;
        state.housingRowMissing = 1;
        loads->exportList = [this] {
            ++exports;
            return exportSaved;
        };
    }
    ~User()
    {
        command.reset();
        for (TableDataset* d : {&dm->IBT_dai, &dm->IBT_chu, &dm->IBT_bu, &dm->IBT_TANI})
            d->close();
        dm.reset();
        conn.closeAll();
    }

    // The major tab; the middle and member tabs on the categories of these names.
    void showMajors()
    {
        closeLists();
        screen.tab = Tab::Major;
        loads->Button2Click();
    }
    void showMiddles(const QString& major)
    {
        showMajors();
        seek(dm->IBT_dai, major);
        screen.tab = Tab::Middle;
        loads->Button3Click();
    }
    void showMembers(const QString& major, const QString& middle)
    {
        showMiddles(major);
        seek(dm->IBT_chu, middle);
        screen.tab = Tab::Member;
        loads->Button4Click();
    }
    void showUnits()
    {
        closeLists();
        screen.tab = Tab::Unit;
        loads->Button8Click();
    }

    // Statements on the work table of the list shown, the other lists' cursors kept.
    void edit(const QStringList& statements)
    {
        TableDataset& d = list();
        const int at = d.recNo();
        d.close();
        execCommitted(*d.database(), statements);
        d.open();
        if (at > 0)
            d.setRecNo(std::min(at, d.recordCount()));
    }
    TableDataset& list()
    {
        switch (screen.tab) {
        case Tab::Major: return dm->IBT_dai;
        case Tab::Middle: return dm->IBT_chu;
        case Tab::Member: return dm->IBT_bu;
        case Tab::Unit: return dm->IBT_TANI;
        }
        return dm->IBT_dai;
    }

    // F3 on the tab shown; whether it registered.
    bool press()
    {
        screen.confirm.messages.clear();
        command->SB03Click();
        return screen.confirm.messages.contains("登録しました。");
    }
    bool refused() const
    {
        for (const QString& m : screen.confirm.messages)
            if (m.contains(kRefused))
                return true;
        return false;
    }
    QString messages() const { return screen.confirm.messages.join(" | "); }

    Connections conn;
    std::unique_ptr<TDM2> dm;
    ProgramState state;
    QStringList events;
    RecordingScreen screen{events};
    std::unique_ptr<MasterLoads> loads;
    std::unique_ptr<CommandContext> ctx;
    std::unique_ptr<RegisterCommand> command;
    int exports = 0;
    bool exportSaved = true; // what the export answers: saved, or the file dialog cancelled

private:
    void closeLists()
    {
        for (TableDataset* d : {&dm->IBT_bu, &dm->IBT_chu, &dm->IBT_dai, &dm->IBT_TANI})
            d->close();
        conn.IBTransaction4().stop();
        conn.IBTransaction3().stop();
    }
    static void seek(TableDataset& d, const QString& name)
    {
        for (d.first(); !d.eof(); d.next())
            if (d.text("NAME01") == name)
                return;
        FAIL() << "no row " << name.toStdString();
    }
};

class TwoUsers : public ::testing::Test {
protected:
    TestFolder folder;
    User a{folder, "PC-A", true};
    User b{folder, "PC-B", false};
    Database& product = a.conn.IBDatabase1;

    void SetUp() override
    {
        a.screen.convertDetails = b.screen.convertDetails = true;
        execCommitted(product, inserts("MAS_KOUSYU_01 (CNT,BL_kubun,NAME01)",
                                       {"1,1,'仮設工事'", "2,2,'基礎工事'", "3,3,'給排水設備工事'"}) +
                                   inserts("MAS_KOUSYU_02 (CNT,BL_kubun,BM_kubun,NAME01)",
                                           {"1,1,1,'仮設工事/仮設足場'", "1,2,1,'基礎工事/根切り'",
                                            "1,3,1,'給排水設備工事/配管'"}) +
                                   inserts("MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01)",
                                           {"1,1,1,'仮設工事/仮設足場/単管'", "1,1,2,'仮設工事/仮設足場/養生'",
                                            "2,1,1,'基礎工事/根切り/掘削'", "3,1,1,'給排水設備工事/配管/VP管'"}) +
                                   inserts("DAT_JIKKOU_MEISAI (ID,L_kubun,M_kubun)", {"1,1,1", "2,2,1", "3,3,1"}) +
                                   inserts("DAT_MEISAI03 (ID,KU_KOUSYU)", {"1,101", "2,201", "3,301"}) +
                                   inserts("LOOK_TANI (CD,NAME)", {"1,'式'", "2,'本'"}));
        Registration::addJikkouColumns(a.dm->IBQ_touroku);
    }

    Rows productRows(const QString& sql) { return rowsOf(product, sql); }
    // Each member and past detail with the names of the categories its codes name.
    Rows whereEverythingStands()
    {
        product.transaction().commitAndRestart();
        Rows out = productRows("select b.NAME01, m.NAME01 from MAS_BUZAI b left join MAS_KOUSYU_02 m "
                               "on m.BL_kubun=b.BL_kubun and m.BM_kubun=b.BM_kubun order by b.NAME01");
        out << productRows("select d.ID, m.NAME01 from DAT_JIKKOU_MEISAI d left join MAS_KOUSYU_02 m "
                           "on m.BL_kubun=d.L_kubun and m.BM_kubun=d.M_kubun order by d.ID");
        out << productRows("select d.ID, m.NAME01 from DAT_MEISAI03 d left join MAS_KOUSYU_02 m "
                           "on m.BL_kubun*100+m.BM_kubun=d.KU_KOUSYU order by d.ID");
        return out;
    }
    // A moves 仮設工事 below 基礎工事 and registers.
    void aMovesTheFirstMajorDown()
    {
        a.showMajors();
        a.edit({"update BUZAI_DAI set CNT=3-CNT where CNT in (1,2)"});
        ASSERT_TRUE(a.press()) << a.messages().toStdString();
        ASSERT_EQ(productRows("select BL_kubun, NAME01 from MAS_KOUSYU_01 order by CNT"),
                  (Rows{"1|基礎工事", "2|仮設工事", "3|給排水設備工事"}));
    }
};

const Rows kInPlace{"仮設工事/仮設足場/単管|仮設工事/仮設足場",
                    "仮設工事/仮設足場/養生|仮設工事/仮設足場",
                    "基礎工事/根切り/掘削|基礎工事/根切り",
                    "給排水設備工事/配管/VP管|給排水設備工事/配管",
                    "1|仮設工事/仮設足場",
                    "2|基礎工事/根切り",
                    "3|給排水設備工事/配管",
                    "1|仮設工事/仮設足場",
                    "2|基礎工事/根切り",
                    "3|給排水設備工事/配管"};

// B's members of 仮設足場 were loaded under the codes 1/1, which A's move gives
// to 根切り: B's registration changes nothing, says who registered, and the
// reload brings B back to 仮設足場 under its new codes.
TEST_F(TwoUsers, MembersLoadedBeforeARenumberingAreNotWrittenUnderTheNewCodes)
{
    b.showMembers("仮設工事", "仮設工事/仮設足場");
    b.edit({"insert into BUZAI_S (CNT,NAME01) values (3,'仮設工事/仮設足場/手摺')"});
    aMovesTheFirstMajorDown();
    const Rows before = whereEverythingStands();
    ASSERT_EQ(before, kInPlace);

    b.screen.confirm.answers = {Confirmation::No};
    EXPECT_FALSE(b.press());
    EXPECT_TRUE(b.refused()) << b.messages().toStdString();
    EXPECT_TRUE(b.messages().contains("パソコン「PC-A」")) << b.messages().toStdString();
    EXPECT_EQ(whereEverythingStands(), before);
    // いいえ: the list and its unregistered row stay, and stay refused.
    EXPECT_EQ(datasetRows(b.dm->IBT_bu, {"NAME01"}).value(2), "仮設工事/仮設足場/手摺");
    b.screen.confirm.answers = {Confirmation::No};
    EXPECT_FALSE(b.press());
    EXPECT_TRUE(b.refused());
    EXPECT_EQ(b.exports, 0);

    // はい, then the file dialog cancelled: the list and its row stay.
    b.exportSaved = false;
    b.screen.confirm.answers = {Confirmation::Ok};
    EXPECT_FALSE(b.press());
    EXPECT_EQ(b.exports, 1);
    EXPECT_EQ(datasetRows(b.dm->IBT_bu, {"NAME01"}).value(2), "仮設工事/仮設足場/手摺");
    EXPECT_TRUE(b.messages().contains("一覧をこのまま残しました")) << b.messages().toStdString();
    EXPECT_EQ(whereEverythingStands(), before);

    // はい: offered the export, then loaded again on the same categories by name.
    b.exportSaved = true;
    b.screen.confirm.answers = {Confirmation::Ok};
    EXPECT_FALSE(b.press());
    EXPECT_EQ(b.exports, 2);
    EXPECT_EQ(b.dm->IBT_dai.text("NAME01"), "仮設工事");
    EXPECT_EQ(b.dm->IBT_chu.text("BL_KUBUN"), "2");
    EXPECT_EQ(datasetRows(b.dm->IBT_bu, {"NAME01"}), (Rows{"仮設工事/仮設足場/単管", "仮設工事/仮設足場/養生"}));
    b.edit({"insert into BUZAI_S (CNT,NAME01) values (3,'仮設工事/仮設足場/手摺')"});
    EXPECT_TRUE(b.press()) << b.messages().toStdString();
    EXPECT_EQ(productRows("select BL_kubun, BM_kubun, NAME01 from MAS_BUZAI where BL_kubun=2 order by BS_kubun"),
              (Rows{"2|1|仮設工事/仮設足場/単管", "2|1|仮設工事/仮設足場/養生", "2|1|仮設工事/仮設足場/手摺"}));
    EXPECT_EQ(productRows("select NAME01 from MAS_BUZAI where BL_kubun=1"), (Rows{"基礎工事/根切り/掘削"}));
}

// B's major list predates A's move: B's registration would renumber middles,
// members and past details by codes that name other majors now. It is refused
// before the preview shows those codes.
TEST_F(TwoUsers, MajorsRegisteredFromAStaleListChangeNothing)
{
    b.showMajors();
    b.edit({"update BUZAI_DAI set CNT=CNT+1", "update BUZAI_DAI set CNT=1 where CNT=4"});
    aMovesTheFirstMajorDown();
    const Rows before = whereEverythingStands();
    const Rows majors = productRows("select * from MAS_KOUSYU_01 order by CNT");

    b.screen.confirm.answers = {Confirmation::No};
    EXPECT_FALSE(b.press());
    EXPECT_TRUE(b.refused()) << b.messages().toStdString();
    EXPECT_TRUE(b.screen.questions.outlines.isEmpty());
    EXPECT_EQ(whereEverythingStands(), before);
    EXPECT_EQ(productRows("select * from MAS_KOUSYU_01 order by CNT"), majors);

    // Loaded again, B's move goes through and every row follows its major.
    b.screen.confirm.answers = {Confirmation::Ok};
    b.press();
    b.edit({"update BUZAI_DAI set CNT=CNT+1", "update BUZAI_DAI set CNT=1 where CNT=4"});
    EXPECT_TRUE(b.press()) << b.messages().toStdString();
    EXPECT_EQ(productRows("select NAME01 from MAS_KOUSYU_01 order by CNT"),
              (Rows{"給排水設備工事", "基礎工事", "仮設工事"}));
    EXPECT_EQ(whereEverythingStands(), kInPlace);
}

// The same for a middle list and the unit list, and for the text tools, which
// change the product's members directly from the member list.
TEST_F(TwoUsers, MiddlesUnitsAndTextToolsFromAStaleListChangeNothing)
{
    b.showMiddles("仮設工事");
    aMovesTheFirstMajorDown();
    b.edit({"insert into BUZAI_CHU (CNT,BL_kubun,NAME01) values (2,1,'仮設工事/養生')"});
    const Rows before = whereEverythingStands();
    const Rows middles = productRows("select BL_kubun, BM_kubun, NAME01 from MAS_KOUSYU_02 order by 1, 2");
    b.screen.confirm.answers = {Confirmation::No};
    EXPECT_FALSE(b.press());
    EXPECT_TRUE(b.refused()) << b.messages().toStdString();
    EXPECT_EQ(productRows("select BL_kubun, BM_kubun, NAME01 from MAS_KOUSYU_02 order by 1, 2"), middles);
    EXPECT_EQ(whereEverythingStands(), before);

    // Units: A registers a unit after B loaded them; B's list would drop it.
    b.showUnits();
    a.showUnits();
    a.edit({"insert into TANI (CD,NAME) values (3,'枚')"});
    ASSERT_TRUE(a.press());
    b.edit({"insert into TANI (CD,NAME) values (3,'m')"});
    b.screen.confirm.answers = {Confirmation::No};
    EXPECT_FALSE(b.press());
    EXPECT_TRUE(b.refused()) << b.messages().toStdString();
    EXPECT_EQ(productRows("select NAME from LOOK_TANI order by CD"), (Rows{"式", "本", "枚"}));

    // String replacement and rename on B's members of 仮設足場, loaded before A
    // gave their codes to 根切り.
    b.showMembers("仮設工事", "仮設工事/仮設足場");
    a.showMajors();
    a.edit({"update BUZAI_DAI set CNT=3-CNT where CNT in (1,2)"});
    ASSERT_TRUE(a.press());
    const Rows members = productRows("select BL_kubun, BM_kubun, NAME01 from MAS_BUZAI order by 3");
    TextReplacement replace(*b.dm, b.screen, *b.loads);
    replace.edit(1) = "仮設工事";
    replace.edit(2) = "X";
    b.screen.confirm.messages.clear();
    EXPECT_FALSE(replace.run());
    EXPECT_TRUE(b.refused()) << b.messages().toStdString();
    MemberRename rename(*b.dm, b.screen);
    rename.loads = b.loads.get();
    b.dm->IBT_bu.open();
    rename.before[0] = "仮設工事/仮設足場/単管";
    rename.after[0] = "Y";
    b.screen.confirm.messages.clear();
    rename.run();
    EXPECT_TRUE(b.refused()) << b.messages().toStdString();
    EXPECT_EQ(productRows("select BL_kubun, BM_kubun, NAME01 from MAS_BUZAI order by 3"), members);

    // On a list that is current, both go through, and the list stays current.
    b.showMembers("仮設工事", "仮設工事/仮設足場");
    b.screen.confirm.messages.clear();
    rename.run();
    EXPECT_FALSE(b.refused()) << b.messages().toStdString();
    EXPECT_EQ(productRows("select count(*) from MAS_BUZAI where NAME01='Y'"), (Rows{"1"}));
    b.edit({"insert into BUZAI_S (CNT,NAME01) values (3,'仮設工事/仮設足場/手摺')"});
    EXPECT_TRUE(b.press()) << b.messages().toStdString();
}

// A copy from the second database waits for a registration and is refused when
// the master changed between its question and its start.
TEST_F(TwoUsers, ACopyFromTheSecondDatabaseIsRefusedWhenTheMasterChangedMeanwhile)
{
    const QString second = folder.file("TREVOLAN2.FDB");
    auto db2 = createProductDatabase(second, false, "second");
    execCommitted(*db2, inserts("MAS_KOUSYU_01 (CNT,BL_kubun,NAME01)", {"1,1,'S1'"}));
    db2->close();
    b.conn.IBDatabase5.setDatabaseName(second);
    // A registers while B's question is open.
    struct Answering : Confirmation {
        std::function<void()> meanwhile;
        QStringList messages;
        int ask(int, const QString& m) override
        {
            messages << m;
            if (meanwhile)
                std::exchange(meanwhile, nullptr)();
            return Ok;
        }
    };
    Answering answering;
    answering.meanwhile = [&] { aMovesTheFirstMajorDown(); };
    struct Screen : RecordingScreen {
        using RecordingScreen::RecordingScreen;
        Confirmation* c = nullptr;
        Confirmation& confirmation() override { return *c; }
    };
    QStringList events;
    Screen screen(events);
    screen.c = &answering;
    CommandContext ctx{*b.dm, b.state, screen, *b.loads};
    MaintenanceCommands(ctx).SBS_10Click();
    EXPECT_TRUE(answering.messages.join("|").contains("お尋ねしている間に、他の利用者が大項目マスターを登録しました"))
        << answering.messages.join("|").toStdString();
    EXPECT_EQ(productRows("select NAME01 from MAS_KOUSYU_01 order by CNT"),
              (Rows{"基礎工事", "仮設工事", "給排水設備工事"}));
    // Asked again, it copies.
    answering.messages.clear();
    MaintenanceCommands(ctx).SBS_10Click();
    EXPECT_EQ(productRows("select NAME01 from MAS_KOUSYU_01"), (Rows{"S1"}));
    b.conn.IBDatabase5.close();
}

// Both confirm at once: B's registration waits for A's to commit, then finds
// its list stale and changes nothing.
TEST_F(TwoUsers, TheSecondOfTwoRegistrationsAtOnceWaitsForTheFirstAndIsRefused)
{
    a.showMajors();
    b.showMajors();
    a.edit({"update BUZAI_DAI set CNT=3-CNT where CNT in (1,2)"});
    b.edit({"update BUZAI_DAI set CNT=CNT+1", "update BUZAI_DAI set CNT=1 where CNT=4"});

    std::atomic<bool> aWriting{false}, bWaiting{false};
    a.screen.onStep = [&] {
        if (aWriting.exchange(true))
            return;
        // A holds the majors; B starts now and has to wait.
        while (!bWaiting)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
    };
    bool aRegistered = false;
    std::thread first([&] { aRegistered = a.press(); });
    while (!aWriting)
        std::this_thread::yield();
    QElapsedTimer waited;
    waited.start();
    bWaiting = true;
    b.screen.confirm.answers = {Confirmation::Ok, Confirmation::Ok, Confirmation::No};
    const bool bRegistered = b.press();
    const qint64 ms = waited.elapsed();
    first.join();
    EXPECT_TRUE(aRegistered) << a.messages().toStdString();
    EXPECT_FALSE(bRegistered);
    EXPECT_TRUE(b.refused()) << b.messages().toStdString();
    EXPECT_GE(ms, 500);
    EXPECT_EQ(productRows("select NAME01 from MAS_KOUSYU_01 order by CNT"),
              (Rows{"基礎工事", "仮設工事", "給排水設備工事"}));
    EXPECT_EQ(whereEverythingStands(), kInPlace);
}

// Two users load, edit and register all four masters in random turns. After
// every step each member, middle and past detail stands under the category it
// belonged to by name, and nothing registered is lost.
TEST_F(TwoUsers, RandomTurnsNeverMoveARowToAnotherCategoryOrLoseARegisteredOne)
{
    const quint32 seed = qEnvironmentVariableIsSet("MASMENT_SEED") ? qEnvironmentVariableIntValue("MASMENT_SEED")
                                                                   : QRandomGenerator::global()->generate();
    SCOPED_TRACE(seed);
    QRandomGenerator rnd(seed);
    User* users[2] = {&a, &b};
    std::set<QString> members{"仮設工事/仮設足場/単管", "仮設工事/仮設足場/養生", "基礎工事/根切り/掘削",
                              "給排水設備工事/配管/VP管"};
    std::set<QString> units{"式", "本"};
    std::map<User*, QStringList> pending; // rows added to the list shown, not registered yet
    int added = 0, registered = 0, refused = 0;
    const auto names = [&](const QString& sql) {
        product.transaction().commitAndRestart();
        return columnValues(product, sql, "NAME01");
    };
    QElapsedTimer clock;
    clock.start();
    int turn = 0;
    for (int step = 0; step < 100 && clock.elapsed() < 30000; ++step) {
        // Mostly turns about: one user's registration between the other's load and registration.
        turn = rnd.bounded(10) < 7 ? 1 - turn : turn;
        User& u = *users[turn];
        const int roll = rnd.bounded(10);
        const int action = roll < 3 ? 0 : roll < 6 ? 1 : 2;
        SCOPED_TRACE(QString("step %1, %2, action %3").arg(step).arg(u.state.computerName).arg(action).toStdString());
        if (action == 0) { // show a list
            pending[&u].clear();
            const QStringList majors = names("select NAME01 from MAS_KOUSYU_01");
            const QString major = majors.at(rnd.bounded(int(majors.size())));
            const QStringList middles =
                names(QString("select m.NAME01 from MAS_KOUSYU_02 m join MAS_KOUSYU_01 l on l.BL_kubun=m.BL_kubun "
                              "where l.NAME01='%1'")
                          .arg(major));
            switch (rnd.bounded(4)) {
            case 0: u.showMajors(); break;
            case 1: u.showMiddles(major); break;
            case 2:
                if (!middles.isEmpty())
                    u.showMembers(major, middles.at(rnd.bounded(int(middles.size()))));
                break;
            case 3: u.showUnits(); break;
            }
        } else if (action == 1 && u.list().active()) { // edit the list shown
            TableDataset& list = u.list();
            const int n = list.recordCount();
            const QString table = list.tableName();
            const QString key = u.screen.tab == Tab::Unit ? "CD" : "CNT";
            // Mostly moves: they change the codes that the other user's lists hold.
            if (rnd.bounded(3) != 0 && n >= 2) {
                const int x = 1 + rnd.bounded(n), y = 1 + rnd.bounded(n);
                const QString move = QString("update %1 set %2=%4 where %2=%3").arg(table, key);
                if (x != y)
                    u.edit({move.arg(x).arg(-1), move.arg(y).arg(x), move.arg(-1).arg(y)});
            } else {
                ++added;
                QString name;
                switch (u.screen.tab) {
                case Tab::Major: name = QString("大%1").arg(added); break;
                case Tab::Middle: name = u.dm->IBT_dai.text("NAME01") + QString("/中%1").arg(added); break;
                case Tab::Member: name = u.dm->IBT_chu.text("NAME01") + QString("/材%1").arg(added); break;
                case Tab::Unit: name = QString("u%1").arg(added); break;
                }
                const QString column = u.screen.tab == Tab::Unit ? "NAME" : "NAME01";
                u.edit(
                    {QString("insert into %1 (%2,%3) values (%4,'%5')").arg(table, key, column).arg(n + 1).arg(name)});
                pending[&u] << name;
            }
        } else if (action == 2) { // register, loading again when refused
            u.screen.confirm.answers = {Confirmation::Ok, Confirmation::Ok, Confirmation::Ok};
            const Tab tab = u.screen.tab;
            if (u.press()) {
                ++registered;
                for (const QString& name : std::as_const(pending[&u]))
                    if (tab == Tab::Unit)
                        units.insert(name);
                    else if (tab == Tab::Member)
                        members.insert(name);
            } else if (u.refused()) {
                ++refused;
            }
            pending[&u].clear();
        }

        // Every member and middle under the category its name starts with.
        product.transaction().commitAndRestart();
        for (const QString& row : productRows("select b.NAME01, m.NAME01 from MAS_BUZAI b left join MAS_KOUSYU_02 m "
                                              "on m.BL_kubun=b.BL_kubun and m.BM_kubun=b.BM_kubun"))
            ASSERT_EQ(row.section('|', 0, 0).section('/', 0, 1), row.section('|', 1)) << row.toStdString();
        for (const QString& row :
             productRows("select m.NAME01, l.NAME01 from MAS_KOUSYU_02 m left join MAS_KOUSYU_01 l "
                         "on l.BL_kubun=m.BL_kubun"))
            ASSERT_EQ(row.section('|', 0, 0).section('/', 0, 0), row.section('|', 1)) << row.toStdString();
        const Rows details = whereEverythingStands().mid(int(whereEverythingStands().size()) - 6);
        ASSERT_EQ(details, kInPlace.mid(4)) << u.messages().toStdString();
        const QStringList stored = columnValues(product, "select NAME01 from MAS_BUZAI", "NAME01");
        for (const QString& m : members)
            ASSERT_TRUE(stored.contains(m)) << m.toStdString() << " lost; " << u.messages().toStdString();
        const QStringList storedUnits = columnValues(product, "select NAME from LOOK_TANI", "NAME");
        for (const QString& unit : units)
            ASSERT_TRUE(storedUnits.contains(unit)) << unit.toStdString() << " lost";
    }
    RecordProperty("registered", registered);
    RecordProperty("refused", refused);
}

} // namespace
