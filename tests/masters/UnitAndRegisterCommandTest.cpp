#include "ProgramState.h"
#include "RegistrationRig.h"
#include "UnitRegistration.h"
#include "WorkTypeRegistration.h"

#include <gtest/gtest.h>

namespace {

using Rows = QStringList;

class UnitRegistrationTest : public ::testing::Test {
protected:
    RegistrationRig rig;

    void units(const QList<QVariant>& names)
    {
        Query q(&rig.conn.IBDatabase2);
        q.setSql("insert into TANI (CD,NAME) values (:CD,:NAME)");
        for (int i = 0; i < names.size(); ++i) {
            q.setParam("CD", i + 1);
            q.setParam("NAME", names[i]);
            q.exec();
        }
        rig.conn.IBTransaction2().commitAndRestart();
    }

    void registerUnits()
    {
        rig.tab = MasterTab::Unit;
        rig.openDatasets();
        rig.command->SB03Click();
    }
};

TEST_F(UnitRegistrationTest, UnitsAreNumberedByGridPosition)
{
    rig.product("insert into LOOK_TANI (CD,NAME) values (9,'old')");
    units({"A", QVariant(), "C"});
    registerUnits();
    EXPECT_EQ(rig.productRows("select CD, NAME from LOOK_TANI order by CD"), (Rows{"1|A", "3|C"}));
    EXPECT_EQ(rig.confirm.messages, (Rows{UnitRegistration::question(), "登録しました。"}));
    EXPECT_EQ(rig.events, (Rows{"unitLoad"}));
}

TEST_F(UnitRegistrationTest, EqualNamesLeaveTheLaterPosition)
{
    units({"m", "本", "m"});
    registerUnits();
    EXPECT_EQ(rig.productRows("select CD, NAME from LOOK_TANI order by CD"), (Rows{"2|本", "3|m"}));
}

TEST_F(UnitRegistrationTest, QuotesInNamesAreStoredAsTyped)
{
    units({"a'b", "c’d", "a'b"});
    registerUnits();
    EXPECT_EQ(rig.productRows("select CD, NAME from LOOK_TANI order by CD"), (Rows{"2|c’d", "3|a'b"}));
}

TEST_F(UnitRegistrationTest, CancelLeavesTheUnitsAlone)
{
    rig.product("insert into LOOK_TANI (CD,NAME) values (9,'old')");
    units({"A"});
    rig.confirm.answers = {Confirmation::No};
    registerUnits();
    EXPECT_EQ(rig.productRows("select CD, NAME from LOOK_TANI"), (Rows{"9|old"}));
    EXPECT_TRUE(rig.events.isEmpty());
}

class RegisterCommandTabs : public ::testing::TestWithParam<MasterTab> {
protected:
    RegistrationRig rig;
};

TEST_P(RegisterCommandTabs, NotPermittedRegistersNothing)
{
    rig.work(Rows{"insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (1,1,'A')",
                  "insert into BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01) values (1,1,1,'B')",
                  "insert into BUZAI_S (CNT,NAME01) values (1,'C')", "insert into TANI (CD,NAME) values (1,'D')"});
    rig.openDatasets();
    programState().registrationPermitted = false;
    rig.tab = GetParam();
    const QString before = rig.dumpProduct(true);
    rig.command->SB03Click();
    EXPECT_EQ(rig.confirm.messages, (Rows{"登録には管理者権限が必要です。"}));
    EXPECT_EQ(rig.confirm.modes, (QList<int>{Confirmation::Notice}));
    EXPECT_EQ(rig.dumpProduct(true), before);
    EXPECT_TRUE(rig.events.isEmpty());
    EXPECT_TRUE(rig.screen.calls.isEmpty());
}

TEST_P(RegisterCommandTabs, StartsTheRegistrationOfTheActiveTab)
{
    rig.convertDetails = false;
    rig.openDatasets();
    rig.tab = GetParam();
    rig.confirm.answers = {Confirmation::No};
    rig.command->SB03Click();
    const QString expected[] = {WorkTypeRegistration::majorQuestion(), WorkTypeRegistration::middleQuestion(),
                                MemberRegistration::question(), UnitRegistration::question()};
    ASSERT_FALSE(rig.confirm.messages.isEmpty());
    EXPECT_EQ(rig.confirm.messages.first(), expected[int(GetParam())]);
}

INSTANTIATE_TEST_SUITE_P(AllTabs, RegisterCommandTabs,
                         ::testing::Values(MasterTab::Major, MasterTab::Middle, MasterTab::Member, MasterTab::Unit));

TEST(RegisterCommand, NarrowedMemberGridIsOnlyWidenedByTheFirstPress)
{
    RegistrationRig rig;
    rig.work(Rows{"insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (1,2,'A')",
                  "insert into BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01) values (1,2,5,'B')",
                  "insert into BUZAI_S (CNT,NAME01) values (1,'C')"});
    rig.openDatasets();
    rig.tab = MasterTab::Member;
    rig.narrowed = true;

    rig.command->SB03Click();
    EXPECT_EQ(rig.events, (Rows{"endNarrowing"}));
    EXPECT_TRUE(rig.confirm.messages.isEmpty());
    EXPECT_EQ(rig.screen.calls, (Rows{"disable", "enable"}));
    EXPECT_EQ(rig.productRows("select count(*) from MAS_BUZAI"), (Rows{"0"}));

    rig.command->SB03Click();
    EXPECT_EQ(rig.events, (Rows{"endNarrowing", "resetSearchFields", "memberLoad"}));
    EXPECT_EQ(rig.productRows("select BL_kubun, BM_kubun, BS_kubun, NAME01 from MAS_BUZAI"), (Rows{"2|5|1|C"}));
    EXPECT_TRUE(rig.screen.memberGridEnabled);
    EXPECT_TRUE(rig.dm->IBT_bu.active());
}

} // namespace
