#include "MemberRegistration.h"
#include "ProgramState.h"
#include "Query.h"
#include "RegistrationRig.h"

#include <gtest/gtest.h>

namespace {

using Rows = QStringList;
using Values = QList<QPair<QString, QVariant>>;

class MemberRegistrationTest : public ::testing::Test {
protected:
    RegistrationRig rig;
    int m_cnt = 0;

    // The current middle category is 3/12.
    void SetUp() override
    {
        rig.work(Rows{"insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (1,3,'M3')",
                      "insert into BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01) values (1,3,12,'M3-12')"});
    }

    void member(const Values& values)
    {
        QStringList cols{"CNT"}, params{":CNT"};
        for (const auto& [col, v] : values) {
            cols << col;
            params << ':' + col;
        }
        Query q(&rig.conn.IBDatabase2);
        q.setSql(QString("insert into BUZAI_S (%1) values (%2)").arg(cols.join(','), params.join(',')));
        q.setParam("CNT", ++m_cnt);
        for (const auto& [col, v] : values)
            q.setParam(col, v);
        q.exec();
        rig.conn.IBTransaction2().commitAndRestart();
    }

    void registerMembers()
    {
        rig.tab = MasterTab::Member;
        rig.openDatasets();
        rig.command->SB03Click();
    }

    Rows members(const QString& columns = "BS_kubun, NAME01, B_CD")
    {
        return rig.productRows("select " + columns + " from MAS_BUZAI where BL_kubun=3 and BM_kubun=12 order by BS_kubun");
    }
};

TEST(MemberCodes, GeneratedFromCategoryAndPosition)
{
    const QList<QPair<int, QString>> cases = {
        {1, "3-12-00010"}, {123, "3-12-01230"}, {1234, "3-12-12340"}, {9999, "3-12-99990"}, {10000, ""}, {10001, ""}};
    for (const auto& [n, expected] : cases)
        EXPECT_EQ(MemberRegistration::generatedCode("3", "12", n), expected) << n;
}

TEST(MemberCodes, CountedUnitsAreComparedWhole)
{
    for (const char* u : {"式", "本", "所", "セット", "ｾｯﾄ", "ｹｰｽ", "ケ", "箱", "SET", "set", "枚", "組", "個", "台", "着"})
        EXPECT_TRUE(MemberRegistration::isCountedUnit(QString::fromUtf8(u))) << u;
    for (const char* u : {"ｍ", "Set", " 本", "本 ", "ヶ所", ""})
        EXPECT_FALSE(MemberRegistration::isCountedUnit(QString::fromUtf8(u))) << u;
}

TEST(MemberCodes, NameFormsTakeTheTypographicApostropheForThePlainOne)
{
    EXPECT_EQ(MemberRegistration::nameForms("Ab1"), (Rows{"Ab1", "Ab1", "Ａｂ１"}));
    EXPECT_EQ(MemberRegistration::nameForms("ＡＢ"), (Rows{"ＡＢ", "AB", "ＡＢ"}));
    EXPECT_EQ(MemberRegistration::nameForms("O’N"), (Rows{"O'N", "O'N", "Ｏ＇＇Ｎ"}));
}

TEST_F(MemberRegistrationTest, CodesAreGeneratedKeptOrRegenerated)
{
    rig.product("insert into MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01) values (3,12,1,'Old')");
    member({{"NAME01", "A"}});
    member({{"NAME01", "B"}, {"B_CD", "X-1"}});
    member({{"NAME01", "C"}, {"B_CD", "3-99"}});
    registerMembers();
    EXPECT_EQ(members(), (Rows{"1|A|3-12-00010", "2|B|X-1", "3|C|3-12-00030"}));
    EXPECT_EQ(rig.confirm.messages, (Rows{MemberRegistration::question(), "登録しました。"}));
    EXPECT_EQ(rig.events, (Rows{"resetSearchFields", "memberLoad"}));
    EXPECT_EQ(rig.progress.maximum, 3);
    EXPECT_TRUE(rig.screen.memberGridEnabled);
    EXPECT_TRUE(rig.dm->IBT_bu.active());
}

TEST_F(MemberRegistrationTest, ValuesAsStoredInTheMemberMaster)
{
    member({{"NAME01", "名称\r\n二行目"}, {"NAME02", "摘要"}, {"NAME03", "備考"}, {"TANI", " ｍ　"},
            {"KIN_01", 1234.5}, {"KIN_02", 2000.25}, {"KIN_06", 3000.0}, {"KU_KAMOKU", 120}, {"S_CD", 55}});
    registerMembers();
    EXPECT_EQ(members("NAME01, NAME02, NAME03, TANI, KIN_01, KIN_02, KIN_06, KU_KAMOKU, S_CD, KETA, e_date04, PC_NAME"),
              (Rows{"名称|摘要|備考|ｍ|1234.5|2000.25|3000|120|55|∅|∅|PC1"}));
}

TEST_F(MemberRegistrationTest, RowWithoutMainNamesIsSkippedAndLeavesAGap)
{
    member({{"NAME01", "A"}});
    member({{"NAME03", "only remarks"}});
    member({});
    member({{"NAME02", "B"}});
    registerMembers();
    // The all-empty row leaves the grid first; the remarks-only row stays and is counted.
    EXPECT_EQ(members("BS_kubun, NAME01, NAME02"), (Rows{"1|A|∅", "3|∅|B"}));
    EXPECT_EQ(rig.workRows("select NAME01, NAME02, NAME03 from BUZAI_S order by CNT"),
              (Rows{"A|∅|∅", "∅|∅|only remarks", "∅|B|∅"}));
}

TEST_F(MemberRegistrationTest, EqualRowsLeaveTheLaterOne)
{
    member({{"NAME01", "N"}, {"NAME02", "D"}, {"TANI", "本"}});
    member({{"NAME01", "N"}, {"NAME02", "D"}, {"TANI", "本"}});
    registerMembers();
    EXPECT_EQ(members(), (Rows{"2|N|3-12-00020"}));
}

struct DuplicateCase {
    const char* name;
    const char* existing;  // a member of category 1/1
    const char* typed;
    int housingRowMissing;
    bool removed;
};

class DuplicateRemoval : public MemberRegistrationTest, public ::testing::WithParamInterface<DuplicateCase> {};

TEST_P(DuplicateRemoval, MatchesNameFormsAndUnit)
{
    const DuplicateCase& c = GetParam();
    rig.product(QString("insert into MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01,NAME02,TANI) values "
                        "(1,1,1,'%1','x','本')")
                    .arg(QString::fromUtf8(c.existing).replace("'", "''")));
    programState().housingRowMissing = c.housingRowMissing;
    member({{"NAME01", QString::fromUtf8(c.typed)}, {"NAME02", "x"}, {"TANI", "本"}});
    registerMembers();
    EXPECT_EQ(rig.productRows("select count(*) from MAS_BUZAI where BL_kubun=1"), (Rows{c.removed ? "0" : "1"}));
    EXPECT_EQ(rig.productRows("select count(*) from MAS_BUZAI where BL_kubun=3"), (Rows{"1"}));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, DuplicateRemoval,
    ::testing::Values(DuplicateCase{"same", "ABC", "ABC", 0, true},
                      DuplicateCase{"fullTypedHalfStored", "ABC", "ＡＢＣ", 0, true},
                      DuplicateCase{"halfTypedFullStored", "ＡＢＣ", "ABC", 0, true},
                      DuplicateCase{"kana", "ｶﾞﾗｽ", "ガラス", 0, true},
                      DuplicateCase{"quote", "O'Neil", "O'Neil", 0, true},
                      DuplicateCase{"typographicQuote", "O'Neil", "O’Neil", 0, true},
                      DuplicateCase{"trailingBlankStored", "ABC ", "ABC", 0, true},
                      DuplicateCase{"otherCase", "abc", "ABC", 0, false},
                      DuplicateCase{"otherName", "ABD", "ABC", 0, false},
                      DuplicateCase{"otherCategoryOutsideHousing", "ABC", "ABC", 1, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MemberRegistrationTest, UnitIsMatchedAsTyped)
{
    rig.product("insert into MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01,TANI) values (1,1,1,'N','本')");
    member({{"NAME01", "N"}, {"TANI", " 本"}});
    registerMembers();
    EXPECT_EQ(rig.productRows("select count(*) from MAS_BUZAI where BL_kubun=1"), (Rows{"1"}));
    EXPECT_EQ(members("TANI, KETA"), (Rows{"本|∅"}));
}

struct DigitsCase {
    const char* unit;
    QVariant digits;
    const char* master;
    const char* schedule;
};

class DigitsRule : public MemberRegistrationTest, public ::testing::WithParamInterface<DigitsCase> {};

TEST_P(DigitsRule, CountedUnitsHaveNoDecimals)
{
    const DigitsCase& c = GetParam();
    rig.product(QString("insert into MAS_SIAGE02 (BUI,BANGOU,NAME_01,TAN,KETA) values (1,1,'N','%1',9)")
                    .arg(QString::fromUtf8(c.unit)));
    member({{"NAME01", "N"}, {"TANI", QString::fromUtf8(c.unit)}, {"KETA", c.digits}});
    registerMembers();
    EXPECT_EQ(members("KETA"), (Rows{c.master}));
    EXPECT_EQ(rig.productRows("select KETA from MAS_SIAGE02"), (Rows{c.schedule}));
}

INSTANTIATE_TEST_SUITE_P(Table, DigitsRule,
                         ::testing::Values(DigitsCase{"本", 2, "2", "0"}, DigitsCase{"ｍ", 2, "2", "2"},
                                           DigitsCase{"本", QVariant(), "0", "0"},
                                           DigitsCase{"ｍ", QVariant(), "∅", "∅"}));

TEST_F(MemberRegistrationTest, HousingEditionCarriesTheMemberIntoTheSchedule)
{
    rig.product(Rows{"insert into MAS_SIAGE02 (BUI,BANGOU,NAME_01,NAME_02,TAN) values (-5,0,'N','D','本')",
                     "insert into MAS_SIAGE02 (BUI,BANGOU,NAME_01,NAME_02,TAN) values (6,0,'N','other','本')"});
    member({{"NAME01", "X"}});
    member({{"NAME01", "N"}, {"NAME02", "D"}, {"TANI", "本"}, {"KIN_01", 1234.5}, {"KIN_02", 2000.25},
            {"KU_KAMOKU", 120}, {"S_CD", 55}});
    registerMembers();
    EXPECT_EQ(rig.productRows("select BUI, NAME_02, KIN_01, KIN_02, KAMOKU, T_CD_2, BL_KUBUN, BM_KUBUN, B_CD, KETA, "
                              "KOUSYU, BS_kubun from MAS_SIAGE02 order by BUI"),
              (Rows{"-312|D|1234.5|2000.25|120|55|3|12|3-12-00020|0|312|2", "6|other|∅|∅|∅|∅|∅|∅|∅|∅|∅|∅"}));
}

TEST_F(MemberRegistrationTest, OutsideTheHousingEditionTheScheduleStays)
{
    programState().housingRowMissing = 1;
    rig.product("insert into MAS_SIAGE02 (BUI,BANGOU,NAME_01,TAN) values (-5,0,'N','本')");
    const Rows before = rig.productRows("select * from MAS_SIAGE02");
    member({{"NAME01", "N"}, {"TANI", "本"}});
    registerMembers();
    EXPECT_EQ(rig.productRows("select * from MAS_SIAGE02"), before);
}

TEST_F(MemberRegistrationTest, NamesWithQuotesReachTheScheduleAsPlainQuotes)
{
    rig.product("insert into MAS_SIAGE02 (BUI,BANGOU,NAME_01,TAN) values (1,0,'O''Neil','本')");
    member({{"NAME01", "O’Neil"}, {"TANI", "本"}, {"B_CD", "K’1"}});
    registerMembers();
    EXPECT_EQ(rig.productRows("select NAME_01, B_CD, BS_kubun from MAS_SIAGE02"), (Rows{"O'Neil|K'1|1"}));
    EXPECT_EQ(members("NAME01, B_CD"), (Rows{"O’Neil|K’1"}));
}

TEST_F(MemberRegistrationTest, NarrowedGridIsWidenedBeforeRegistering)
{
    rig.narrowed = true;
    member({{"NAME01", "A"}});
    rig.openDatasets();
    rig.tab = MasterTab::Member;
    MemberRegistration(rig.ctx).Button5Click();
    EXPECT_EQ(rig.events, (Rows{"endNarrowing"}));
    EXPECT_EQ(members("NAME01"), (Rows{"A"}));
}

} // namespace
