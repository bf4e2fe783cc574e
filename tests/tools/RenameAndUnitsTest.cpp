#include "TextToolsRig.h"

#include <gtest/gtest.h>

namespace {

class TextToolsTest : public ::testing::Test, public TextToolsRig {};

TEST_F(TextToolsTest, RenameMatchesAnEmptyTextAsNullInEveryCategoryAndWritesQuotesAsTyped)
{
    members({"六角ボルト||本"}, 4, 1);
    product(inserts("MAS_SIAGE02 (BUI,BL_kubun,BM_kubun,NAME_01,NAME_02,TAN)",
                    {"1,7,7,'六角ボルト',null,'本'", "2,3,5,'六角ボルト','M10','本'"}));
    members({"ナット|M8|個", "六角ボルト||本", "六角ボルト|M10|本"});
    dm->IBT_bu.setRecNo(2);
    screen.inDialog = [&] {
        EXPECT_EQ(rename.before[0] + '|' + rename.before[1], "六角ボルト|");
        rename.after[0] = "O'Neil";
        rename.after[2] = "個";
        return rename.run();
    };
    rename.open();
    EXPECT_EQ(productRows("select BL_kubun, NAME01, NAME02, TANI from MAS_BUZAI order by BL_kubun, BS_kubun"),
              QStringList({"3|ナット|M8|個", "3|O'Neil|∅|個", "3|六角ボルト|M10|本", "4|O'Neil|∅|個"}));
    EXPECT_EQ(productRows("select NAME_01, TAN from MAS_SIAGE02 order by BUI"),
              QStringList({"O'Neil|個", "六角ボルト|本"}));
    EXPECT_EQ(workRows("select NAME01 from BUZAI_S order by CNT"), QStringList({"ナット", "O'Neil", "六角ボルト"}));

    // Emptying a text stores NULL; a cancelled dialog writes nothing.
    screen.inDialog = [&] {
        rename.after[2] = "";
        return rename.run();
    };
    rename.open();
    EXPECT_EQ(productRows("select count(*) from MAS_BUZAI where NAME01='O''Neil' and TANI is null"), QStringList{"2"});
    dm->IBT_bu.setRecNo(3);
    screen.inDialog = [&] {
        rename.after[0] = "捨てる";
        return false;
    };
    rename.open();
    EXPECT_EQ(productRows("select count(*) from MAS_BUZAI where NAME01='捨てる'"), QStringList{"0"});
}

TEST_F(TextToolsTest, RenameANameTooLongForItsColumnIsRefusedAndAFailureChangesNeitherMaster)
{
    product({"insert into MAS_SIAGE02 (BUI,NAME_01,TAN) values (1,'ボルト','本')"});
    members({"ボルト||本"});
    rename.before[0] = "ボルト";
    rename.before[2] = "本";
    rename.after[0] = QString(21, QChar(u'長'));
    rename.after[2] = "本";
    EXPECT_FALSE(rename.run());
    EXPECT_EQ(screen.confirm.messages.size(), 1);

    product({"create exception NO_UPDATE 'refused'",
             "create trigger SIAGE_NO for MAS_SIAGE02 before update as begin exception NO_UPDATE; end"});
    rename.after[0] = "ナット";
    EXPECT_ANY_THROW(rename.run());
    EXPECT_EQ(productRows("select NAME01 from MAS_BUZAI"), QStringList{"ボルト"});
    EXPECT_EQ(workRows("select NAME01 from BUZAI_S"), QStringList{"ボルト"});
}

TEST_F(TextToolsTest, UnitReplacesTheUnitEverywhereAndRebuildsTheUnitListFromTheMembers)
{
    members({"A||本", "B||m", "C||坪", "D||式"}, 4, 1);
    product(inserts("MAS_SIAGE02 (BUI,TAN)", {"1,'本'"}) + inserts("DAT_SIAGE02 (ID,TAN)", {"1,'本'", "2,'枚'"}));
    members({"E||本", "F"});
    work({"insert into TANI values (1,'本')"});
    dm->IBT_TANI.open();
    screen.tab = Tab::Unit;
    screen.inDialog = [&] {
        EXPECT_EQ(unitReplace.before, "本");
        EXPECT_FALSE(unitReplace.run()); // no new unit yet: the dialog stays open
        unitReplace.after = "個'";
        return unitReplace.run();
    };
    unitReplace.open();
    EXPECT_EQ(productRows("select count(*) from MAS_BUZAI where TANI='本'"), QStringList{"0"});
    EXPECT_EQ(productRows("select TAN from MAS_SIAGE02 union all select TAN from DAT_SIAGE02"),
              QStringList({"個'", "個'", "枚"}));
    // 式 first, then m, then 坪; the rest in reverse order of the grouped units.
    EXPECT_EQ(workRows("select CD, NAME from TANI order by CD"), QStringList({"1|式", "2|m", "3|坪", "4|個'", "5|"}));

    unitReplace.after = "長すぎる単位";
    screen.inDialog = [&] { return unitReplace.run(); };
    unitReplace.open();
    EXPECT_EQ(productRows("select count(*) from MAS_BUZAI where TANI='個'''"), QStringList{"2"});
}

} // namespace
