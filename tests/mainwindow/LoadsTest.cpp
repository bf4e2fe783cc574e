#include "MainWindowFixture.h"

#include <QToolButton>

// The loads copy the product masters into the work tables as the tabs are shown.
class LoadsTest : public ::testing::Test, public MainWindowFixture {
protected:
    void SetUp() override
    {
        const QString crlf = "||ascii_char(13)||ascii_char(10)||";
        product(
            insertRows("MAS_KOUSYU_01 (CNT,BL_KUBUN,NAME01,NAME02)",
                       {"30,3,'内装工事',null", "10,1,'仮設工事',null", "20,null,'土工事'" + crlf + "'二行目','x'"}) +
            insertRows("MAS_KOUSYU_02 (CNT,BL_KUBUN,BM_KUBUN,NAME01,KU_KAMOKU)",
                       {"1,1,1,'足場',205", "2,1,null,'養生',null"}) +
            insertRows("MAS_BUZAI (BL_KUBUN,BM_KUBUN,BS_KUBUN,NAME01,NAME02,TANI,KIN_01,KIN_02)",
                       {"1,1,2,'単管'" + crlf + "'パイプ','φ48.6',' ｍ　',1234.5,2000",
                        "1,1,1,'クランプ',null,'個 a',null,null"}) +
            insertRows("LOOK_TANI (CD,NAME)", {"7,'本'", "5,'式'"}));
        start();
        ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    }
    void TearDown() override { expectNoErrors(); }

    QStringList work(const QString& table, const QStringList& cols)
    {
        // A connection of its own, closed again at once: an attachment left open
        // would keep the program's loads from dropping the work tables.
        auto db = connectTestDatabase(folder.file(QStringLiteral("LOCAL/MAS_MENT.fdb")), QStringLiteral("reader"));
        const QString order = table == QStringLiteral("TANI") ? QStringLiteral("CD") : QStringLiteral("CNT");
        QStringList out;
        for (QString row : rowsOf(*db, "select " + cols.join(',') + " from " + table + " order by " + order))
            out << row.replace('|', ',').replace(QStringLiteral("∅"), QStringLiteral("NULL"));
        return out;
    }
};

// Numbered in product order, names kept whole in the major list, values converted
// in the others.
TEST_F(LoadsTest, EachTabsLoadNumbersInProductOrderAndConvertsValues)
{
    EXPECT_EQ(work("BUZAI_DAI", {"CNT", "BL_KUBUN", "NAME01"}),
              QStringList({"1,1,仮設工事", "2,0,土工事\r\n二行目", "3,3,内装工事"}));
    form->showTab(Tab::Member);
    EXPECT_EQ(work("BUZAI_CHU", {"CNT", "BL_KUBUN", "BM_KUBUN", "NAME01", "KU_KAMOKU"}),
              QStringList({"1,1,1,足場,205", "2,1,0,養生,NULL"}));
    EXPECT_EQ(work("BUZAI_S",
                   {"CNT", "BS_KUBUN", "NAME01", "NAME02", "TANI", "KIN_01", "KIN_02", "KU_KAMOKU", "S_CD", "KETA"}),
              QStringList({"1,1,クランプ,NULL,個a,0,0,0,0,0", "2,2,単管,φ48.6,ｍ,1234.5,2000,0,0,0"}));
    form->showTab(Tab::Unit);
    EXPECT_EQ(work("TANI", {"CD", "NAME"}), QStringList({"1,式", "2,本"}));
}

// Categories stepped in the window reload the lists below them; a category
// without middles gets one placeholder row and so does its member list.
TEST_F(LoadsTest, NavigatingCategoriesReloadsDependentLists)
{
    form->showTab(Tab::Member);
    // The middle navigator's "next" button: 養生, no members.
    for (QToolButton* b : ui().DBNavigator3->findChildren<QToolButton*>())
        if (b->text() == QString::fromUtf8("▶"))
            b->click();
    EXPECT_EQ(dm->IBT_chu.recNo(), 2);
    EXPECT_EQ(dm->IBT_bu.recordCount(), 1);
    // Stepping the major category with its navigator reloads the middles, then the members.
    dm->IBT_dai.setRecNo(2);
    emit ui().DBNavigator2->clicked();
    EXPECT_EQ(dm->IBT_chu.recordCount(), 1);
    EXPECT_EQ(dm->IBT_bu.recordCount(), 1);

    form->showTab(Tab::Major);
    dm->IBT_dai.setRecNo(3); // 内装工事 has no middle categories
    form->showTab(Tab::Middle);
    EXPECT_EQ(work("BUZAI_CHU", {"CNT", "BL_KUBUN", "NAME01"}), QStringList({"1,NULL,NULL"}));
    form->showTab(Tab::Member);
    EXPECT_EQ(work("BUZAI_S", {"CNT", "NAME01"}), QStringList({"1,NULL"}));
}

TEST_F(LoadsTest, SwitchingTabsBackAndForthNeverFails)
{
    for (int round = 0; round < 8; ++round)
        for (Tab tab : {Tab::Major, Tab::Middle, Tab::Member, Tab::Unit, Tab::Member, Tab::Major})
            form->showTab(tab);
    EXPECT_EQ(dm->IBT_dai.recordCount(), 3);
    // The unit tab holds the reload guard while it is shown, and gives it up when left.
    form->showTab(Tab::Unit);
    EXPECT_EQ(state().reloadGuard, 1);
    // Unregistered edits are discarded when the major tab is shown again.
    form->showTab(Tab::Member);
    EXPECT_EQ(state().reloadGuard, 0);
    dm->IBT_bu.setValue("NAME01", "変更");
    dm->IBT_bu.post();
    form->showTab(Tab::Major);
    form->showTab(Tab::Member);
    EXPECT_EQ(dm->IBT_bu.text("NAME01"), "クランプ");
}

// A member load that fails on the way to the member tab is reported once, not
// again for each list loaded above it.
TEST_F(LoadsTest, AFailedMemberLoadIsReportedOnce)
{
    form->showTab(Tab::Unit);
    const QString file = folder.file(QStringLiteral("TREVOLAN.FDB"));
    execCommitted(*connectTestDatabase(TestServer::ofRun() ? productLocation(file) : file, QStringLiteral("changer")),
                  {"alter table MAS_BUZAI drop NAME01"});
    form->showTab(Tab::Member);
    EXPECT_EQ(errors.size(), 1) << errors.join("\n").toStdString();
    errors.clear();
}
