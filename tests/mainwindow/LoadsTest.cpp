#include "DBControls.h"
#include "DBGrid.h"

#include "MainWindowFixture.h"
#include "ProgramState.h"
#include <QTextEdit>
#include <QToolButton>

#include <gtest/gtest.h>

// The loads copy the product masters into the work tables as the tabs are shown.
class LoadsTest : public ::testing::Test, public MainWindowFixture {
protected:
    void SetUp() override
    {
        product(
            {"insert into MAS_KOUSYU_01 (CNT,BL_KUBUN,NAME01) values (30,3,'内装工事')",
             "insert into MAS_KOUSYU_01 (CNT,BL_KUBUN,NAME01) values (10,1,'仮設工事')",
             "insert into MAS_KOUSYU_01 (CNT,BL_KUBUN,NAME01,NAME02) values "
             "(20,null,'土工事'||ascii_char(13)||ascii_char(10)||'二行目','x')",
             "insert into MAS_KOUSYU_02 (CNT,BL_KUBUN,BM_KUBUN,NAME01,KU_KAMOKU) values (1,1,1,'足場',205)",
             "insert into MAS_KOUSYU_02 (CNT,BL_KUBUN,BM_KUBUN,NAME01) values (2,1,null,'養生')",
             "insert into MAS_BUZAI (BL_KUBUN,BM_KUBUN,BS_KUBUN,NAME01,NAME02,TANI,KIN_01,KIN_02,KU_KAMOKU,S_CD,"
             "KETA) values (1,1,2,'単管'||ascii_char(13)||ascii_char(10)||'パイプ','φ48.6',' ｍ　',1234.5,2000,"
             "null,null,null)",
             "insert into MAS_BUZAI (BL_KUBUN,BM_KUBUN,BS_KUBUN,NAME01,TANI,KIN_02) values (1,1,1,'クランプ','個 a',"
             "null)",
             "insert into LOOK_TANI (CD,NAME) values (7,'本')", "insert into LOOK_TANI (CD,NAME) values (5,'式')"});
    }

    QStringList work(const QString& sql, const QStringList& cols)
    {
        // A connection of its own, closed again at once: an attachment left open
        // would keep the program's loads from dropping the work tables.
        Database db(QStringLiteral("reader"));
        db.setDatabaseName(folder.file(QStringLiteral("LOCAL/MAS_MENT.fdb")));
        db.setParams(Database::defaultParams());
        Query q(&db);
        q.setSql(sql);
        q.open();
        QStringList out;
        for (; !q.eof(); q.next()) {
            QStringList row;
            for (const QString& c : cols)
                row << (q.isNull(c) ? QStringLiteral("NULL") : q.text(c));
            out << row.join(',');
        }
        return out;
    }
};

// Numbered in product order, names kept whole in the major list, values converted
// in the others.
TEST_F(LoadsTest, EachTabsLoadNumbersInProductOrderAndConvertsValues)
{
    start();
    ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(work("select * from BUZAI_DAI order by CNT", {"CNT", "BL_KUBUN", "NAME01"}),
              QStringList({"1,1,仮設工事", "2,0,土工事\r\n二行目", "3,3,内装工事"}));
    form->showTab(Tab::Member);
    ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(work("select * from BUZAI_CHU order by CNT", {"CNT", "BL_KUBUN", "BM_KUBUN", "NAME01", "KU_KAMOKU"}),
              QStringList({"1,1,1,足場,205", "2,1,0,養生,NULL"}));
    EXPECT_EQ(work("select * from BUZAI_S order by CNT",
                   {"CNT", "BS_KUBUN", "NAME01", "NAME02", "TANI", "KIN_01", "KIN_02", "KU_KAMOKU", "S_CD", "KETA"}),
              QStringList({"1,1,クランプ,NULL,個a,0,0,0,0,0", "2,2,単管,φ48.6,ｍ,1234.5,2000,0,0,0"}));
    EXPECT_EQ(dm->IBT_bu.recordCount(), 2);
    form->showTab(Tab::Unit);
    EXPECT_EQ(work("select * from TANI order by CD", {"CD", "NAME"}), QStringList({"1,式", "2,本"}));
}

TEST_F(LoadsTest, EmptyMiddleCategoryGetsAPlaceholderRow)
{
    start();
    dm->IBT_dai.setRecNo(3); // 内装工事 has no middle categories
    form->showTab(Tab::Middle);
    EXPECT_EQ(work("select * from BUZAI_CHU", {"CNT", "BL_KUBUN", "NAME01"}), QStringList({"1,NULL,NULL"}));
    form->showTab(Tab::Member);
    EXPECT_EQ(work("select * from BUZAI_S", {"CNT", "NAME01"}), QStringList({"1,NULL"}));
}

TEST_F(LoadsTest, NavigatingCategoriesReloadsDependentLists)
{
    start();
    form->showTab(Tab::Member);
    EXPECT_EQ(dm->IBT_bu.recordCount(), 2);
    dm->IBT_chu.next(); // 養生: no members
    EXPECT_EQ(dm->IBT_bu.recordCount(), 1);
    EXPECT_TRUE(dm->IBT_bu.text("NAME01").isEmpty());
    dm->IBT_chu.first();
    EXPECT_EQ(dm->IBT_bu.recordCount(), 2);
    // Stepping the major category with its navigator reloads the middles, then the members.
    dm->IBT_dai.setRecNo(2);
    emit form->DBNavigator2->clicked();
    EXPECT_EQ(dm->IBT_chu.recordCount(), 1);
    EXPECT_EQ(dm->IBT_bu.recordCount(), 1);
    EXPECT_EQ(state().reloadGuard, 0);
    expectNoErrors();
}

TEST_F(LoadsTest, SwitchingTabsBackAndForthNeverFails)
{
    start();
    for (int round = 0; round < 8; ++round)
        for (Tab tab : {Tab::Major, Tab::Middle, Tab::Member, Tab::Unit, Tab::Member, Tab::Major})
            form->showTab(tab);
    expectNoErrors();
    EXPECT_EQ(dm->IBT_dai.recordCount(), 3);
    // Unregistered edits are discarded when the major tab is shown again.
    form->showTab(Tab::Member);
    dm->IBT_bu.setValue("NAME01", "変更");
    dm->IBT_bu.post();
    form->showTab(Tab::Major);
    form->showTab(Tab::Member);
    EXPECT_EQ(dm->IBT_bu.text("NAME01"), "クランプ");
}

// 登　録 on the major tab writes the grid back through the real loads and screen.
TEST_F(LoadsTest, RegisterButtonWritesTheMajorGridBackAndReloads)
{
    start();
    dm->IBT_dai.setRecNo(3);
    dm->IBT_dai.setValue("NAME01", "内装工事・改");
    dm->IBT_dai.post();
    confirm.answers = {Confirmation::Ok, Confirmation::Ok, Confirmation::Ok};
    form->SB[2]->click();
    ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(confirm.messages.last(), "登録しました。");
    EXPECT_TRUE(form->DBGrid1->isVisibleTo(form.get()));
    EXPECT_FALSE(form->Memo1->isVisibleTo(form.get()));
    EXPECT_EQ(work("select * from BUZAI_DAI order by CNT", {"CNT", "BL_KUBUN", "NAME01"}),
              QStringList({"1,1,仮設工事", "2,2,土工事", "3,3,内装工事・改"}));
}
