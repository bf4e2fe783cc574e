#include "MainWindowFixture.h"
#include "Schema.h"

#include <QDialog>
#include <QLineEdit>
#include <QTabWidget>

#include <functional>

namespace {

const QStringList kProduct =
    insertRows("MAS_KOUSYU_01 (CNT,BL_KUBUN,NAME01)", {"1,1,'仮設工事'", "2,2,'外壁工事'"}) +
    insertRows("MAS_KOUSYU_02 (CNT,BL_KUBUN,BM_KUBUN,NAME01)", {"1,1,1,'足場'", "2,1,2,'養生'", "3,2,1,'塗装'"}) +
    insertRows("MAS_BUZAI (BL_KUBUN,BM_KUBUN,BS_KUBUN,NAME01,TANI,KIN_01,KIN_02)",
               {"1,1,1,'単管','本',800,1000", "1,1,2,'クランプ','個',150,200", "1,2,1,'シート','枚',250,300"}) +
    insertRows("LOOK_TANI (CD,NAME)", {"1,'式'", "2,'本'"});

const QString kRegistered = QStringLiteral("登録しました。");

} // namespace

// The member list of 仮設工事 / 足場 on screen; every question answered from the queue.
class UnregisteredChangesTest : public ::testing::Test, public MainWindowFixture {
protected:
    void SetUp() override
    {
        product(kProduct);
        start();
        form->showTab(Tab::Member);
        ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
        confirm.messages.clear();
        confirm.modes.clear();
    }
    void TearDown() override { expectNoErrors(); }

    // Rows of a product table, over a connection closed again at once.
    QStringList rows(const QString& database, const QString& sql)
    {
        auto db = connectTestDatabase(folder.file(database), QStringLiteral("reader"));
        return rowsOf(*db, sql);
    }
    // The member list as the program's own connection sees it, posts not committed yet included.
    QStringList members() { return rowsOf(*dm->IBT_bu.database(), "select NAME01, KIN_02 from BUZAI_S order by CNT"); }
    QStringList productMembers(int middle = 1)
    {
        return rows("TREVOLAN.FDB",
                    QStringLiteral("select NAME01, KIN_02 from MAS_BUZAI where BL_KUBUN=1 and BM_KUBUN=%1 "
                                   "order by BS_KUBUN")
                        .arg(middle));
    }
    void type(const QString& field, const QVariant& value, int row = 1)
    {
        dm->IBT_bu.setRecNo(row);
        dm->IBT_bu.setValue(field, value);
        dm->IBT_bu.post();
    }
    static void step(DBNavigator* navigator, const char* arrow = "▶")
    {
        for (QToolButton* b : navigator->findChildren<QToolButton*>())
            if (b->text() == QString::fromUtf8(arrow))
                b->click();
    }
    void answer(QList<int> answers)
    {
        confirm.messages.clear();
        confirm.modes.clear();
        confirm.answers = std::move(answers);
    }
    QStringList questionsAboutChanges(Tab tab) const
    {
        return confirm.messages.filter(UnregisteredChanges::question(tab));
    }
};

// いいえ to 「部材マスターを登録しますか？」 leaves the list as it was, changes and all;
// the question comes again when the list is left.
TEST_F(UnregisteredChangesTest, RegisterAnsweredNoKeepsTheEdits)
{
    type("KIN_02", 1500);
    answer({Confirmation::No});
    ui().SB[2]->click();
    EXPECT_EQ(confirm.messages, QStringList{"部材マスターを登録しますか？"});
    EXPECT_EQ(members(), (QStringList{"単管|1500", "クランプ|200"}));
    EXPECT_EQ(productMembers(), (QStringList{"単管|1000", "クランプ|200"}));
    EXPECT_TRUE(session->unregisteredChanges().pending(Tab::Member));
    answer({Confirmation::Stay});
    step(ui().DBNavigator3);
    EXPECT_EQ(questionsAboutChanges(Tab::Member).size(), 1);
}

// 登録 on a narrowed grid merges the narrowed rows back and registers the whole
// list in the same press; after いいえ the grid stays narrowed.
TEST_F(UnregisteredChangesTest, NarrowedGridIsRegisteredWholeInOnePress)
{
    ui().Edit1->setText("単管");
    ui().SpeedButton1->click();
    ASSERT_EQ(dm->IBT_bu.recordCount(), 1);
    type("KIN_02", 1500);

    answer({Confirmation::No});
    ui().SB[2]->click();
    EXPECT_TRUE(form->memberGridNarrowed());
    EXPECT_EQ(dm->IBT_bu.recordCount(), 1);

    answer({Confirmation::Ok});
    ui().SB[2]->click();
    EXPECT_EQ(confirm.messages, (QStringList{"部材マスターを登録しますか？", kRegistered}));
    EXPECT_FALSE(form->memberGridNarrowed());
    EXPECT_EQ(productMembers(), (QStringList{"単管|1500", "クランプ|200"}));
    EXPECT_EQ(members(), (QStringList{"単管|1500", "クランプ|200"}));
    EXPECT_FALSE(session->unregisteredChanges().pending(Tab::Member));
}

// Whatever changes the list makes leaving it ask; nothing else does. Each change
// is left with "戻る" first (the category and the change stay), then with
// "破棄する" (the next category is loaded, and nothing is asked on the way back).
TEST_F(UnregisteredChangesTest, EveryChangeOfTheListIsAskedAboutWhenItIsLeft)
{
    Session& s = *session;
    const auto run = [&](Button button) { s.commands().find(button).run(); };
    const struct {
        const char* name;
        std::function<void()> change;
    } changes[] = {
        {"typed", [&] { type("NAME01", "単管パイプ"); }},
        {"insert", [&] { run(Button::SB04); }},
        {"delete", [&] { run(Button::SBS_04); }},
        {"cut", [&] { run(Button::SB06); }},
        {"cut and paste",
         [&] {
             run(Button::SB06);
             dm->IBT_bu.setRecNo(1);
             run(Button::SB07);
         }},
        {"previous row",
         [&] {
             dm->IBT_bu.last();
             run(Button::SB08);
         }},
        {"sort", [&] { s.sort().sortBy("NAME01"); }},
        {"price",
         [&] {
             PriceCalculation::Inputs in;
             s.priceCalculation().run(in);
         }},
        {"vendor",
         [&] {
             s.batchSetting().pickVendor = [&](int) {
                 s.state.picks.vendorCode = "12";
                 return true;
             };
             s.batchSetting().setVendor();
         }},
        {"import",
         [&] {
             auto& db = *dm->IBT_bu.database();
             execCommitted(db, {Schema::createWorkTableSql("BUSAI_SEL")});
             execCommitted(db, {"insert into BUSAI_SEL (CNT,NAME01) values (1,'取込品')"});
             s.importCommand().handOff(1, 1);
         }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(s.unregisteredChanges().pending(Tab::Member));
        const auto whole = [&] { return rowsOf(*dm->IBT_bu.database(), "select * from BUZAI_S order by CNT"); };
        const QStringList loaded = whole();
        answer({});
        c.change();
        const QStringList changed = whole();
        ASSERT_NE(changed, loaded);

        answer({Confirmation::Stay});
        step(ui().DBNavigator3);
        EXPECT_EQ(confirm.modes, QList<int>{Confirmation::Unregistered});
        EXPECT_EQ(ui().DBEdit6->text(), "足場");
        EXPECT_EQ(whole(), changed);

        answer({Confirmation::Discard});
        step(ui().DBNavigator3);
        EXPECT_EQ(ui().DBEdit6->text(), "養生");
        EXPECT_EQ(members(), QStringList{"シート|300"});
        step(ui().DBNavigator3, "◀");
        EXPECT_EQ(confirm.modes, QList<int>{Confirmation::Unregistered});
        EXPECT_EQ(members(), (QStringList{"単管|1000", "クランプ|200"}));
        EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    }
    // Narrowing and widening a list change nothing to register, and they keep
    // the changes made meanwhile unregistered.
    ui().Edit1->setText("単管");
    ui().SpeedButton1->click();
    ui().SpeedButton1->click();
    EXPECT_FALSE(s.unregisteredChanges().pending(Tab::Member));
    ui().Edit1->setText("クランプ");
    ui().SpeedButton1->click();
    type("KIN_02", 250);
    ui().SpeedButton1->click();
    EXPECT_TRUE(s.unregisteredChanges().pending(Tab::Member));
    // A value typed over with itself is no change.
    answer({});
    step(ui().DBNavigator3);
    step(ui().DBNavigator3, "◀");
    type("KIN_02", 1000);
    EXPECT_FALSE(s.unregisteredChanges().pending(Tab::Member));
}

// "登録する" registers the list before the next category loads; a registration
// answered いいえ keeps the user where he was, with his changes.
TEST_F(UnregisteredChangesTest, RegisterBeforeLeavingGoesOnOnlyWhenRegistered)
{
    type("KIN_02", 1500);
    answer({Confirmation::Register, Confirmation::No});
    step(ui().DBNavigator3);
    EXPECT_EQ(ui().DBEdit6->text(), "足場");
    EXPECT_EQ(members(), (QStringList{"単管|1500", "クランプ|200"}));
    EXPECT_EQ(productMembers(), (QStringList{"単管|1000", "クランプ|200"}));

    answer({Confirmation::Register, Confirmation::Ok});
    step(ui().DBNavigator3);
    EXPECT_TRUE(confirm.messages.contains(kRegistered));
    EXPECT_EQ(ui().DBEdit6->text(), "養生");
    EXPECT_EQ(productMembers(), (QStringList{"単管|1500", "クランプ|200"}));
    EXPECT_EQ(members(), QStringList{"シート|300"});
}

// Another tab, the major navigator of the member tab and the middle tab's own
// navigator: "戻る" keeps the page, the category and the list.
TEST_F(UnregisteredChangesTest, StayingKeepsTabCategoryAndList)
{
    type("KIN_02", 1500);
    const QStringList changed = members();
    for (Tab tab : {Tab::Unit, Tab::Major, Tab::Middle}) {
        answer({Confirmation::Stay});
        ui().PageControl1->setCurrentIndex(static_cast<int>(tab));
        EXPECT_EQ(form->activeTab(), Tab::Member);
        EXPECT_EQ(questionsAboutChanges(Tab::Member).size(), 1);
    }
    answer({Confirmation::Stay});
    step(ui().DBNavigator2);
    EXPECT_EQ(ui().DBEdit4->text(), "仮設工事");
    EXPECT_EQ(members(), changed);

    // Discarded on the way to the unit tab, the list is the product's again.
    answer({Confirmation::Discard});
    ui().PageControl1->setCurrentIndex(static_cast<int>(Tab::Unit));
    EXPECT_EQ(form->activeTab(), Tab::Unit);
    answer({});
    form->showTab(Tab::Member);
    EXPECT_TRUE(confirm.modes.isEmpty());
    EXPECT_EQ(members(), (QStringList{"単管|1000", "クランプ|200"}));

    // The middle tab: its list is asked about before its major navigator reloads it.
    form->showTab(Tab::Middle);
    dm->IBT_chu.setValue("NAME01", "足場2");
    dm->IBT_chu.post();
    answer({Confirmation::Stay});
    step(ui().DBNavigator1);
    EXPECT_EQ(ui().DBEdit1->text(), "仮設工事");
    EXPECT_EQ(questionsAboutChanges(Tab::Middle).size(), 1);
    EXPECT_EQ(rowsOf(*dm->IBT_chu.database(), "select NAME01 from BUZAI_CHU order by CNT"),
              (QStringList{"足場2", "養生"}));
}

// The major list edited, then the middle tab: discarding loads the majors again,
// so the middle tab never works under a major the product does not have.
TEST_F(UnregisteredChangesTest, DiscardedMajorsAreLoadedAgainBeforeTheMiddleTab)
{
    form->showTab(Tab::Major);
    dm->IBT_dai.setValue("NAME01", "仮設");
    dm->IBT_dai.post();
    answer({Confirmation::Discard});
    form->showTab(Tab::Middle);
    EXPECT_EQ(form->activeTab(), Tab::Middle);
    EXPECT_EQ(questionsAboutChanges(Tab::Major).size(), 1);
    EXPECT_EQ(ui().DBEdit1->text(), "仮設工事");
}

// 終了 with changes: the three answers instead of 「終了しますか？」; without, the
// plain question.
TEST_F(UnregisteredChangesTest, ClosingAsksAboutChangesInsteadOfTheExitQuestion)
{
    type("KIN_02", 1500);
    answer({Confirmation::Stay});
    ui().SB[11]->click();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(confirm.modes, QList<int>{Confirmation::Unregistered});

    answer({Confirmation::Register, Confirmation::Ok});
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(confirm.messages.contains("終了しますか？"));
    EXPECT_EQ(productMembers(), (QStringList{"単管|1500", "クランプ|200"}));
}

// A value entered in a cell is still in the row's edit buffer until the cursor
// moves; leaving then must not lose it.
TEST_F(UnregisteredChangesTest, AValueNotPostedYetIsAskedAboutToo)
{
    dm->IBT_bu.setRecNo(1);
    dm->IBT_bu.setValue("KIN_02", 1700);
    answer({Confirmation::Stay});
    ui().SB[11]->click();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(confirm.modes, QList<int>{Confirmation::Unregistered});

    answer({Confirmation::Discard});
    step(ui().DBNavigator3);
    EXPECT_EQ(ui().DBEdit6->text(), "養生");
    step(ui().DBNavigator3, "◀");
    EXPECT_EQ(members(), (QStringList{"単管|1000", "クランプ|200"}));

    dm->IBT_bu.setValue("KIN_02", 1700);
    answer({Confirmation::Register, Confirmation::Ok});
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(productMembers(), (QStringList{"単管|1700", "クランプ|200"}));
}

// String replacement loads the list again: rows not registered are asked about
// first; registered, they are in the product and still in the list afterwards.
TEST_F(UnregisteredChangesTest, StringReplacementAsksBeforeItReloads)
{
    Session& s = *session;
    const auto open = [&] { s.commands().find(Button::SBS_01).run(); };
    dm->IBT_bu.last();
    dm->IBT_bu.append();
    dm->IBT_bu.setValue("NAME01", "取込品");
    dm->IBT_bu.setValue("KIN_02", 500);
    dm->IBT_bu.post();
    const QString notice = "文字列の置き換えは、マスターに即時更新されます。";

    answer({Confirmation::Stay});
    open();
    EXPECT_FALSE(confirm.messages.contains(notice));
    EXPECT_EQ(members().size(), 3);

    // The dialogs are closed at once here; "実　　　　行" is run after them.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* w = QApplication::activeModalWidget())
            if (auto* d = qobject_cast<QDialog*>(w))
                d->reject();
    });
    closer.start(20);
    answer({Confirmation::Register, Confirmation::Ok, Confirmation::Ok, Confirmation::Ok});
    open();
    EXPECT_TRUE(confirm.messages.contains(notice));
    for (int n = 1; n <= 14; ++n)
        s.textReplacement().edit(n).clear();
    s.textReplacement().edit(1) = "該当なし";
    s.textReplacement().edit(2) = "x";
    s.textReplacement().run();
    EXPECT_EQ(productMembers(), (QStringList{"単管|1000", "クランプ|200", "取込品|500"}));
    EXPECT_EQ(members(), (QStringList{"単管|1000", "クランプ|200", "取込品|500"}));
}
