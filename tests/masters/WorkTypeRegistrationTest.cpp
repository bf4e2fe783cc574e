#include "RegistrationRig.h"
#include "WorkTypeRegistration.h"

#include <gtest/gtest.h>

namespace {

using Rows = QStringList;

class WorkTypeRegistrationTest : public ::testing::Test {
protected:
    RegistrationRig rig;

    // Grid rows as (code, name); the grid order is the list order.
    void majorGrid(const QList<QPair<int, QString>>& rows)
    {
        Rows statements;
        for (int i = 0; i < rows.size(); ++i)
            statements << QString("insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (%1,%2,'%3')")
                              .arg(i + 1)
                              .arg(rows[i].first)
                              .arg(rows[i].second);
        rig.work(statements);
    }

    void middleGrid(int major, const QList<QPair<int, QString>>& rows, const QString& account = {})
    {
        Rows statements{QString("insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (1,%1,'M%1')").arg(major)};
        for (int i = 0; i < rows.size(); ++i)
            statements << QString("insert into BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01,KU_KAMOKU) values "
                                  "(%1,%2,%3,'%4',%5)")
                              .arg(i + 1)
                              .arg(major)
                              .arg(rows[i].first)
                              .arg(rows[i].second)
                              .arg(account.isEmpty() ? QString("null") : account);
        rig.work(statements);
    }

    void registerMajors()
    {
        rig.tab = MasterTab::Major;
        rig.openDatasets();
        rig.command->SB03Click();
    }

    void registerMiddles()
    {
        rig.tab = MasterTab::Middle;
        rig.openDatasets();
        rig.command->SB03Click();
    }

    Rows pastDetails()
    {
        return rig.productRows("select ID, L_kubun, M_kubun, KU_KOUSYU from DAT_MEISAI03 order by ID") +
               rig.productRows("select ID, L_KUBUN, M_KUBUN, KOUSYU, T_CD_2 from DAT_JIKKOU order by ID") +
               rig.productRows("select ID, L_kubun, M_kubun from DAT_JIKKOU_MEISAI order by ID") +
               rig.productRows("select ID, BL_kubun, BM_kubun from DAT_MITUMORI_M order by ID");
    }
};

TEST_F(WorkTypeRegistrationTest, SwappedMajorsTakeTheirRowsAlong)
{
    rig.standardProduct();
    majorGrid({{2, "M2"}, {1, "M1"}});
    registerMajors();

    EXPECT_EQ(rig.productRows("select CNT, BL_kubun, NAME01, PC_NAME, e_date04 from MAS_KOUSYU_01 order by CNT"),
              (Rows{"1|1|M2|PC1|∅", "2|2|M1|PC1|∅"}));
    EXPECT_EQ(rig.productRows("select NAME01, BL_kubun, BM_kubun from MAS_KOUSYU_02 order by NAME01"),
              (Rows{"M1-1|2|1", "M1-2|2|2", "M2-1|1|1", "M2-2|1|2"}));
    EXPECT_EQ(rig.productRows("select NAME01, BL_kubun, BM_kubun from MAS_BUZAI order by NAME01"),
              (Rows{"M1-1a|2|1", "M1-2a|2|2", "M2-1a|1|1", "M2-2a|1|2"}));
    EXPECT_EQ(rig.productRows("select NAME_01, BL_kubun, BM_kubun, KOUSYU, BUI from MAS_SIAGE02 order by NAME_01"),
              (Rows{"M1-1s|2|1|201|-201", "M2-2s|1|2|102|7"}));
    EXPECT_EQ(rig.productRows("select ID, BL_kubun, BM_kubun, KOUSYU, BUI from DAT_SIAGE02 order by ID"),
              (Rows{"1|2|2|202|-202", "2|1|1|101|-101"}));
    EXPECT_EQ(pastDetails(), (Rows{"1|2|1|201", "2|1|2|102", "3|2|2|202",  // DAT_MEISAI03
                                   "1|2|1|201|5", "2|1|1|101|6",           // DAT_JIKKOU
                                   "1|2|1", "2|1|2",                       // DAT_JIKKOU_MEISAI
                                   "1|2|2", "2|1|1"}));                    // DAT_MITUMORI_M

    EXPECT_EQ(rig.confirm.messages,
              (Rows{WorkTypeRegistration::pastDetailsWarning(), WorkTypeRegistration::majorQuestion(), "登録しました。"}));
    EXPECT_EQ(rig.screen.calls, (Rows{"begin0", "end0"}));
    EXPECT_EQ(rig.events, (Rows{"majorLoad"}));
    EXPECT_EQ(rig.progress.maximum, 5 * 2 + 20);
    EXPECT_TRUE(rig.progress.monotone);
    EXPECT_FALSE(rig.progress.visible);
}

TEST_F(WorkTypeRegistrationTest, SwappedMiddlesTakeTheirRowsAlongWithinTheirMajor)
{
    rig.standardProduct();
    middleGrid(1, {{2, "M1-2"}, {1, "M1-1"}});
    registerMiddles();

    EXPECT_EQ(rig.productRows("select NAME01, BL_kubun, BM_kubun, CNT from MAS_KOUSYU_02 order by NAME01"),
              (Rows{"M1-1|1|2|2", "M1-2|1|1|1", "M2-1|2|1|1", "M2-2|2|2|2"}));
    EXPECT_EQ(rig.productRows("select NAME01, BL_kubun, BM_kubun from MAS_BUZAI order by NAME01"),
              (Rows{"M1-1a|1|2", "M1-2a|1|1", "M2-1a|2|1", "M2-2a|2|2"}));
    EXPECT_EQ(rig.productRows("select NAME_01, BL_kubun, BM_kubun, KOUSYU, BUI from MAS_SIAGE02 order by NAME_01"),
              (Rows{"M1-1s|1|2|102|-102", "M2-2s|2|2|202|7"}));
    EXPECT_EQ(rig.productRows("select ID, BL_kubun, BM_kubun, KOUSYU, BUI from DAT_SIAGE02 order by ID"),
              (Rows{"1|1|1|101|-101", "2|2|1|201|-201"}));
    EXPECT_EQ(pastDetails(), (Rows{"1|1|2|102", "2|2|2|202", "3|1|1|101", "1|1|2|102|5", "2|2|1|201|6", "1|1|2",
                                   "2|2|2", "1|1|1", "2|2|1"}));
    EXPECT_EQ(rig.events, (Rows{"middleLoad"}));
    EXPECT_EQ(rig.progress.maximum, 7 * 2 + 20);
    EXPECT_EQ(rig.screen.calls, (Rows{"begin1", "end1"}));
}

TEST_F(WorkTypeRegistrationTest, AddedMajorGetsItsMasterRowAndMovesNothing)
{
    rig.standardProduct();
    majorGrid({{1, "M1"}, {3, "M3"}, {2, "M2"}});
    registerMajors();
    EXPECT_EQ(rig.productRows("select CNT, BL_kubun, NAME01 from MAS_KOUSYU_01 order by CNT"),
              (Rows{"1|1|M1", "2|2|M3", "3|3|M2"}));
    EXPECT_EQ(rig.productRows("select NAME01, BL_kubun from MAS_BUZAI order by NAME01"),
              (Rows{"M1-1a|1", "M1-2a|1", "M2-1a|3", "M2-2a|3"}));
}

TEST_F(WorkTypeRegistrationTest, RemovedMajorLeavesOnlyDocumentRowsNegative)
{
    rig.standardProduct();
    majorGrid({{1, "M1"}});
    registerMajors();
    EXPECT_EQ(rig.productRows("select NAME01 from MAS_KOUSYU_02 order by NAME01"), (Rows{"M1-1", "M1-2"}));
    EXPECT_EQ(rig.productRows("select NAME01 from MAS_BUZAI order by NAME01"), (Rows{"M1-1a", "M1-2a"}));
    EXPECT_EQ(rig.productRows("select NAME_01 from MAS_SIAGE02"), (Rows{"M1-1s"}));
    EXPECT_EQ(rig.productRows("select ID, BL_kubun, BM_kubun, KOUSYU, BUI from DAT_SIAGE02 order by ID"),
              (Rows{"1|1|2|102|-102", "2|-2|1|-199|199"}));
    EXPECT_EQ(pastDetails(), (Rows{"1|1|1|101", "2|-2|2|-198", "3|1|2|102", "1|1|1|101|5", "2|-2|1|-199|6",
                                   "1|1|1", "2|-2|2", "1|1|2", "2|-2|1"}));
}

TEST_F(WorkTypeRegistrationTest, RemovedMiddleDeletesItsMembersOnly)
{
    rig.standardProduct();
    middleGrid(1, {{1, "M1-1"}});
    registerMiddles();
    EXPECT_EQ(rig.productRows("select NAME01 from MAS_KOUSYU_02 order by NAME01"), (Rows{"M1-1", "M2-1", "M2-2"}));
    EXPECT_EQ(rig.productRows("select NAME01 from MAS_BUZAI order by NAME01"), (Rows{"M1-1a", "M2-1a", "M2-2a"}));
    EXPECT_EQ(rig.productRows("select ID, BL_kubun, BM_kubun, KOUSYU, BUI from DAT_SIAGE02 order by ID"),
              (Rows{"1|1|-2|98|-98", "2|2|1|201|-201"}));
    EXPECT_EQ(rig.productRows("select ID, L_kubun, M_kubun, KU_KOUSYU from DAT_MEISAI03 where ID=3"), (Rows{"3|1|-2|98"}));
    EXPECT_EQ(rig.productRows("select ID, BL_kubun, BM_kubun from DAT_MITUMORI_M where ID=1"), (Rows{"1|1|-2"}));
}

TEST_F(WorkTypeRegistrationTest, CheckBoxOffLeavesTheFourDocumentTablesAlone)
{
    for (MasterTab tab : {MasterTab::Major, MasterTab::Middle}) {
        SCOPED_TRACE(int(tab));
        rig.clearAll();
        rig.confirm.messages.clear();
        rig.standardProduct();
        rig.addJikkouColumns();
        const Rows before = pastDetails();
        rig.convertDetails = false;
        if (tab == MasterTab::Major) {
            majorGrid({{2, "M2"}, {1, "M1"}});
            registerMajors();
        } else {
            middleGrid(1, {{2, "M1-2"}, {1, "M1-1"}});
            registerMiddles();
        }
        EXPECT_EQ(pastDetails(), before);
        EXPECT_EQ(rig.confirm.messages.size(), 2);
        EXPECT_FALSE(rig.confirm.messages.contains(WorkTypeRegistration::pastDetailsWarning()));
        EXPECT_EQ(rig.productRows("select NAME01, BL_kubun, BM_kubun from MAS_BUZAI where NAME01='M1-1a'"),
                  (Rows{tab == MasterTab::Major ? "M1-1a|2|1" : "M1-1a|1|2"}));
    }
}

TEST_F(WorkTypeRegistrationTest, PackedCodeFollowsItsMajorToItsNewPosition)
{
    rig.product(Rows{"insert into MAS_KOUSYU_01 (CNT,BL_kubun,NAME01) values (1,5,'A')",
                     "insert into MAS_KOUSYU_01 (CNT,BL_kubun,NAME01) values (2,7,'B')",
                     "insert into MAS_KOUSYU_01 (CNT,BL_kubun,NAME01) values (3,12,'C')",
                     "insert into DAT_MEISAI03 (ID,KU_KOUSYU) values (1,1203)",
                     "insert into DAT_JIKKOU (ID,KOUSYU) values (1,1203)"});
    majorGrid({{5, "A"}, {7, "B"}, {12, "C"}});
    registerMajors();
    EXPECT_EQ(rig.productRows("select L_KUBUN, M_KUBUN, KU_KOUSYU from DAT_MEISAI03"), (Rows{"3|3|303"}));
    EXPECT_EQ(rig.productRows("select L_KUBUN, M_KUBUN, KOUSYU from DAT_JIKKOU"), (Rows{"3|3|303"}));
}

TEST_F(WorkTypeRegistrationTest, ExistingJikkouColumnsAreNoError)
{
    rig.standardProduct();
    rig.addJikkouColumns();
    majorGrid({{1, "M1"}, {2, "M2"}});
    registerMajors();
    EXPECT_EQ(rig.confirm.messages,
              (Rows{WorkTypeRegistration::pastDetailsWarning(), WorkTypeRegistration::majorQuestion(), "登録しました。"}));
    EXPECT_EQ(rig.productRows("select ID, L_KUBUN, M_KUBUN from DAT_JIKKOU order by ID"), (Rows{"1|1|1", "2|2|1"}));
}

TEST_F(WorkTypeRegistrationTest, NamesTakeTheirFirstLineAndEmptyNamesAndNullRowsDrop)
{
    rig.work(Rows{"insert into BUZAI_DAI (CNT,BL_kubun,NAME01,NAME02) values (1,1,'上' || ascii_char(13) || "
                  "ascii_char(10) || '下','')",
                  "insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (2,2,null)",
                  "insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (3,3,'C')"});
    registerMajors();
    EXPECT_EQ(rig.productRows("select CNT, BL_kubun, NAME01, NAME02 from MAS_KOUSYU_01 order by CNT"),
              (Rows{"1|1|上|∅", "2|2|C|∅"}));
}

TEST_F(WorkTypeRegistrationTest, CancellingChangesNoCode)
{
    rig.standardProduct();
    rig.addJikkouColumns();
    majorGrid({{2, "M2"}, {1, "M1"}});
    const QString before = rig.dumpProduct(true);
    rig.confirm.answers = {Confirmation::Ok, Confirmation::No};
    registerMajors();
    EXPECT_EQ(rig.dumpProduct(true), before);
    EXPECT_TRUE(rig.screen.calls.isEmpty());
    EXPECT_TRUE(rig.events.isEmpty());
}

struct AccountCase {
    const char* account;
    const char* expected;
};

class AccountItemPropagation : public WorkTypeRegistrationTest, public ::testing::WithParamInterface<AccountCase> {};

TEST_P(AccountItemPropagation, OnlyRealAccountItemsReachTheMembers)
{
    rig.standardProduct();
    middleGrid(1, {{1, "M1-1"}, {2, "M1-2"}}, GetParam().account);
    registerMiddles();
    EXPECT_EQ(rig.productRows("select KU_KAMOKU from MAS_BUZAI where NAME01='M1-1a'"), (Rows{GetParam().expected}));
    EXPECT_EQ(rig.productRows("select KU_KAMOKU from MAS_BUZAI where NAME01='M2-1a'"), (Rows{"7"}));
    EXPECT_EQ(rig.productRows("select KU_KAMOKU from MAS_KOUSYU_02 where NAME01='M1-1'"),
              (Rows{QString(GetParam().account).isEmpty() ? "∅" : GetParam().account}));
}

INSTANTIATE_TEST_SUITE_P(Bounds, AccountItemPropagation,
                         ::testing::Values(AccountCase{"", "7"}, AccountCase{"100", "7"}, AccountCase{"600", "7"},
                                           AccountCase{"101", "101"}, AccountCase{"599", "599"}));

} // namespace
