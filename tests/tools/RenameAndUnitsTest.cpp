#include "TextToolsRig.h"

#include <gtest/gtest.h>

TEST(MemberRename, MatchesAnEmptyTextAsNullInEveryCategoryAndWritesQuotesAsTyped)
{
    TextToolsRig rig;
    rig.members({"六角ボルト||本"}, 4, 1);
    rig.product(rig.inserts("MAS_SIAGE02 (BUI,BL_kubun,BM_kubun,NAME_01,NAME_02,TAN)",
                            {"1,7,7,'六角ボルト',null,'本'", "2,3,5,'六角ボルト','M10','本'"}));
    rig.members({"ナット|M8|個", "六角ボルト||本", "六角ボルト|M10|本"});
    rig.dm->IBT_bu.setRecNo(2);
    rig.screen.inDialog = [&] {
        EXPECT_EQ(rig.rename.before[0], "六角ボルト");
        EXPECT_EQ(rig.rename.before[1], "");
        rig.rename.after[0] = "O'Neil";
        rig.rename.after[2] = "個";
        return rig.rename.run();
    };
    rig.rename.open();
    EXPECT_EQ(rig.productRows("select BL_kubun, NAME01, NAME02, TANI from MAS_BUZAI order by BL_kubun, BS_kubun"),
              QStringList({"3|ナット|M8|個", "3|O'Neil|∅|個", "3|六角ボルト|M10|本", "4|O'Neil|∅|個"}));
    EXPECT_EQ(rig.productRows("select NAME_01, TAN from MAS_SIAGE02 order by BUI"),
              QStringList({"O'Neil|個", "六角ボルト|本"}));
    EXPECT_EQ(rig.workRows("select NAME01 from BUZAI_S order by CNT"), QStringList({"ナット", "O'Neil", "六角ボルト"}));
    EXPECT_EQ(rig.dm->IBT_bu.recNo(), 2);

    // Emptying a text stores NULL; a cancelled dialog writes nothing.
    rig.screen.inDialog = [&] {
        rig.rename.after[2] = "";
        return rig.rename.run();
    };
    rig.rename.open();
    EXPECT_EQ(rig.productRows("select count(*) from MAS_BUZAI where NAME01='O''Neil' and TANI is null"),
              QStringList{"2"});
    rig.dm->IBT_bu.setRecNo(3);
    rig.screen.inDialog = [&] {
        rig.rename.after[0] = "捨てる";
        return false;
    };
    rig.rename.open();
    EXPECT_EQ(rig.productRows("select count(*) from MAS_BUZAI where NAME01='捨てる'"), QStringList{"0"});
    EXPECT_EQ(rig.dm->IBT_bu.recNo(), 3);
}

TEST(MemberRename, ANameTooLongForItsColumnIsRefusedAndAFailureChangesNeitherMaster)
{
    TextToolsRig rig;
    rig.product({"insert into MAS_SIAGE02 (BUI,NAME_01,TAN) values (1,'ボルト','本')"});
    rig.members({"ボルト||本"});
    rig.rename.before[0] = "ボルト";
    rig.rename.before[2] = "本";
    rig.rename.after[0] = QString(21, QChar(u'長'));
    rig.rename.after[2] = "本";
    EXPECT_FALSE(rig.rename.run());
    EXPECT_EQ(rig.screen.confirm.messages.size(), 1);

    execCommitted(rig.conn.IBDatabase1,
                  {"create exception NO_UPDATE 'refused'", "create trigger SIAGE_NO for MAS_SIAGE02 before update as "
                                                           "begin exception NO_UPDATE; end"});
    rig.rename.after[0] = "ナット";
    EXPECT_ANY_THROW(rig.rename.run());
    EXPECT_EQ(rig.productRows("select NAME01 from MAS_BUZAI"), QStringList{"ボルト"});
    EXPECT_EQ(rig.workRows("select NAME01 from BUZAI_S"), QStringList{"ボルト"});
    EXPECT_TRUE(rig.dm->IBT_bu.active());
}

TEST(UnitReplacement, ReplacesTheUnitEverywhereAndRebuildsTheUnitListFromTheMembers)
{
    TextToolsRig rig;
    rig.members({"A||本", "B||m", "C||坪", "D||式"}, 4, 1);
    rig.product(rig.inserts("MAS_SIAGE02 (BUI,TAN)", {"1,'本'"}) +
                rig.inserts("DAT_SIAGE02 (ID,TAN)", {"1,'本'", "2,'枚'"}));
    rig.members({"E||本", "F"});
    rig.work({"insert into TANI values (1,'本')"});
    rig.dm->IBT_TANI.open();
    rig.screen.tab = Tab::Unit;
    rig.screen.inDialog = [&] {
        EXPECT_EQ(rig.unitReplace.before, "本");
        EXPECT_FALSE(rig.unitReplace.run()); // no new unit yet: the dialog stays open
        rig.unitReplace.after = "個'";
        return rig.unitReplace.run();
    };
    rig.unitReplace.open();
    EXPECT_EQ(rig.productRows("select count(*) from MAS_BUZAI where TANI='本'"), QStringList{"0"});
    EXPECT_EQ(rig.productRows("select TAN from MAS_SIAGE02 union all select TAN from DAT_SIAGE02"),
              QStringList({"個'", "個'", "枚"}));
    // 式 first, then m, then 坪; the rest in reverse order of the grouped units.
    const QStringList units = rig.workRows("select CD, NAME from TANI order by CD");
    ASSERT_EQ(units.size(), 5);
    EXPECT_EQ(units.mid(0, 3), QStringList({"1|式", "2|m", "3|坪"}));
    EXPECT_EQ(QStringList(units.mid(3)), QStringList({"4|個'", "5|"}));
    EXPECT_TRUE(rig.dm->IBT_TANI.active());

    rig.unitReplace.after = "長すぎる単位";
    rig.screen.inDialog = [&] { return rig.unitReplace.run(); };
    rig.unitReplace.open();
    EXPECT_EQ(rig.productRows("select count(*) from MAS_BUZAI where TANI='個'''"), QStringList{"2"});
}
