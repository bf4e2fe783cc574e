#include "ProgramState.h"
#include "RegistrationRig.h"
#include "UnitRegistration.h"
#include "WorkTypeRegistration.h"

#include <gtest/gtest.h>

namespace {

// Units are numbered by grid position; an empty row leaves its number unused and
// of equal names the later one stays. Quotes are stored as typed.
TEST(UnitRegistration, NumberedByGridPosition)
{
    RegistrationRig rig;
    rig.product(inserts("LOOK_TANI (CD,NAME)", {"9,'old'"}));
    const QList<QVariant> names = {"A", QVariant(), "C", "m", "本", "m", "a'b", "c’d", "a'b"};
    for (int i = 0; i < names.size(); ++i)
        rig.workRow("TANI", {{"CD", i + 1}, {"NAME", names[i]}});
    rig.registerTab(MasterTab::Unit);
    EXPECT_EQ(rig.productRows("select CD, NAME from LOOK_TANI order by CD"),
              (Rows{"1|A", "3|C", "5|本", "6|m", "8|c’d", "9|a'b"}));
    EXPECT_EQ(rig.confirm.messages, (Rows{UnitRegistration::question(), "登録しました。"}));
    EXPECT_EQ(rig.events, Rows{"unitLoad"});
}

// Without permission, or when the tab's question is answered No, nothing changes.
TEST(RegisterCommand, RefusedOrCancelledRegistersNothing)
{
    RegistrationRig rig;
    rig.standardProduct();
    rig.addJikkouColumns();
    rig.product(inserts("LOOK_TANI (CD,NAME)", {"9,'old'"}));
    rig.work(inserts("BUZAI_DAI (CNT,BL_kubun,NAME01)", {"1,2,'A'"}) +
             inserts("BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01)", {"1,2,1,'B'"}) +
             inserts("BUZAI_S (CNT,NAME01)", {"1,'C'"}) + inserts("TANI (CD,NAME)", {"1,'D'"}));
    rig.convertDetails = false;
    const QString before = rig.dumpProduct(true);
    const QString questions[] = {WorkTypeRegistration::majorQuestion(), WorkTypeRegistration::middleQuestion(),
                                 MemberRegistration::question(), UnitRegistration::question()};
    for (MasterTab tab : {MasterTab::Major, MasterTab::Middle, MasterTab::Member, MasterTab::Unit}) {
        for (bool permitted : {false, true}) {
            SCOPED_TRACE(QString("tab %1, permitted %2").arg(int(tab)).arg(permitted).toStdString());
            programState().registrationPermitted = permitted;
            rig.confirm.messages.clear();
            rig.confirm.modes.clear();
            rig.confirm.answers = {Confirmation::No};
            rig.events.clear();
            rig.screen.calls.clear();
            rig.registerTab(tab);
            const QString asked = permitted ? questions[int(tab)] : RegisterCommand::notPermittedMessage();
            EXPECT_EQ(rig.confirm.messages, Rows{asked});
            EXPECT_EQ(rig.confirm.modes.value(0), permitted ? Confirmation::Question : Confirmation::Notice);
            EXPECT_EQ(rig.dumpProduct(true), before);
            if (!permitted) {
                EXPECT_TRUE(rig.events.isEmpty());
                EXPECT_TRUE(rig.screen.calls.isEmpty());
            }
        }
    }
}

TEST(RegisterCommand, NarrowedMemberGridIsOnlyWidenedByTheFirstPress)
{
    RegistrationRig rig;
    rig.work(inserts("BUZAI_DAI (CNT,BL_kubun,NAME01)", {"1,2,'A'"}) +
             inserts("BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01)", {"1,2,5,'B'"}) +
             inserts("BUZAI_S (CNT,NAME01)", {"1,'C'"}));
    rig.narrowed = true;
    rig.registerTab(MasterTab::Member);
    EXPECT_EQ(rig.events, Rows{"endNarrowing"});
    EXPECT_TRUE(rig.confirm.messages.isEmpty());
    EXPECT_EQ(rig.screen.calls, (Rows{"disable", "enable"}));
    EXPECT_EQ(rig.productRows("select count(*) from MAS_BUZAI"), Rows{"0"});

    rig.command->SB03Click();
    EXPECT_EQ(rig.events, (Rows{"endNarrowing", "resetSearchFields", "memberLoad"}));
    EXPECT_EQ(rig.productRows("select BL_kubun, BM_kubun, BS_kubun, NAME01 from MAS_BUZAI"), Rows{"2|5|1|C"});
    EXPECT_TRUE(rig.screen.memberGridEnabled);
    EXPECT_TRUE(rig.dm->IBT_bu.active());
}

} // namespace
