#include "MemberRegistration.h"
#include "ProgramState.h"
#include "RegistrationRig.h"

#include <gtest/gtest.h>

namespace {

TEST(MemberCodes, GeneratedFromCategoryAndPosition)
{
    const QList<QPair<int, QString>> cases = {{1, "3-12-00010"},    {123, "3-12-01230"}, {1234, "3-12-12340"},
                                              {9999, "3-12-99990"}, {10000, ""},         {10001, ""}};
    for (const auto& [n, expected] : cases)
        EXPECT_EQ(MemberRegistration::generatedCode("3", "12", n), expected) << n;
}

class MemberRegistrationTest : public ::testing::Test {
protected:
    RegistrationRig rig;
    int m_cnt = 0;

    void SetUp() override { fresh(); }

    // Empty databases in the housing edition; the current middle category is 3/12.
    void fresh()
    {
        rig.clearAll();
        m_cnt = 0;
        rig.state.housingRowMissing = 0;
        rig.work({"insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (1,3,'M3')",
                  "insert into BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01) values (1,3,12,'M3-12')"});
    }

    void member(Values values)
    {
        values.prepend({"CNT", ++m_cnt});
        rig.workRow("BUZAI_S", values);
    }

    Rows members(const QString& columns)
    {
        return rig.productRows("select " + columns +
                               " from MAS_BUZAI where BL_kubun=3 and BM_kubun=12 order by BS_kubun");
    }
};

TEST_F(MemberRegistrationTest, RowsAsStoredInTheMemberMaster)
{
    rig.product({"insert into MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01) values (3,12,1,'Old')"});
    member({{"NAME01", "A\r\n二行目"},
            {"NAME02", "摘要"},
            {"NAME03", "備考"},
            {"TANI", " ｍ　"},
            {"KIN_01", 1234.5},
            {"KIN_02", 2000.25},
            {"KIN_06", 3000.0},
            {"KU_KAMOKU", 120},
            {"S_CD", 55}});
    member({{"NAME01", "B"}, {"B_CD", "X-1"}});  // a typed code is kept
    member({{"NAME01", "C"}, {"B_CD", "3-99"}}); // a generated one is made again
    member({{"NAME03", "only remarks"}});        // skipped, but keeps its position
    member({});                                  // leaves the grid before numbering
    member({{"NAME02", "D"}});
    member({{"NAME01", "E"}, {"NAME02", "d"}, {"TANI", "本"}}); // of equal rows the later one stays
    member({{"NAME01", "E"}, {"NAME02", "d"}, {"TANI", "本"}});
    rig.registerTab(Tab::Member);

    EXPECT_EQ(members("BS_kubun, NAME01, B_CD, NAME02, NAME03, TANI, KIN_01, KIN_02, KIN_06, KU_KAMOKU, S_CD, KETA, "
                      "e_date04, PC_NAME"),
              (Rows{"1|A|3-12-00010|摘要|備考|ｍ|1234.5|2000.25|3000|120|55|∅|∅|PC1", "2|B|X-1|∅|∅|∅|∅|∅|∅|∅|∅|∅|∅|PC1",
                    "3|C|3-12-00030|∅|∅|∅|∅|∅|∅|∅|∅|∅|∅|PC1", "5|∅|3-12-00050|D|∅|∅|∅|∅|∅|∅|∅|∅|∅|PC1",
                    "7|E|3-12-00070|d|∅|本|∅|∅|∅|∅|∅|0|∅|PC1"}));
    EXPECT_EQ(rig.workRows("select NAME02, NAME03 from BUZAI_S order by CNT"),
              (Rows{"摘要|備考", "∅|∅", "∅|∅", "∅|only remarks", "D|∅", "d|∅", "d|∅"}));
    EXPECT_EQ(rig.confirm.messages, (Rows{QString("部材マスターを登録しますか？"), "登録しました。"}));
    EXPECT_EQ(rig.events, (Rows{"resetSearchFields", "memberLoad"}));
}

// A registered member removes its duplicate in another category (member 1/1/1, unit 本).
TEST_F(MemberRegistrationTest, DuplicatesElsewhereAreRemoved)
{
    struct Case {
        const char* existing;
        const char* typed;
        const char* unit;
        int housingRowMissing;
        bool removed;
    };
    const Case cases[] = {
        {"ABC", "ABC", "本", 0, true},     {"ABC", "ＡＢＣ", "本", 0, true},    {"ＡＢＣ", "ABC", "本", 0, true},
        {"ｶﾞﾗｽ", "ガラス", "本", 0, true}, {"O'Neil", "O'Neil", "本", 0, true}, {"O'Neil", "O’Neil", "本", 0, true},
        {"ABC ", "ABC", "本", 0, true},    {"abc", "ABC", "本", 0, false},      {"ABD", "ABC", "本", 0, false},
        {"ABC", "ABC", " 本", 0, false}, // the unit is compared as typed
        {"ABC", "ABC", "本", 1, false},  // outside the housing edition
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString("%1/%2/%3/%4").arg(c.existing, c.typed, c.unit).arg(c.housingRowMissing).toStdString());
        fresh();
        rig.product(inserts("MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01,NAME02,TANI)",
                            {QString("1,1,1,'%1','x','本'").arg(QString(c.existing).replace("'", "''"))}));
        rig.state.housingRowMissing = c.housingRowMissing;
        member({{"NAME01", c.typed}, {"NAME02", "x"}, {"TANI", c.unit}});
        rig.registerTab(Tab::Member);
        EXPECT_EQ(rig.productRows("select count(*) from MAS_BUZAI where BL_kubun=1"), Rows{c.removed ? "0" : "1"});
        EXPECT_EQ(rig.productRows("select count(*) from MAS_BUZAI where BL_kubun=3"), Rows{"1"});
    }
}

// Counted units have no decimals, in the master and in the member's schedule rows.
TEST_F(MemberRegistrationTest, DigitsRule)
{
    struct Case {
        const char* unit;
        QVariant digits;
        const char* master;
        const char* schedule;
    };
    const Case cases[] = {{"本", 2, "2", "0"}, {"ｍ", 2, "2", "2"}, {"本", {}, "0", "0"}, {"ｍ", {}, "∅", "∅"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(QString("%1 %2").arg(c.unit, c.digits.toString()).toStdString());
        fresh();
        rig.product(inserts("MAS_SIAGE02 (BUI,BANGOU,NAME_01,TAN,KETA)", {QString("1,1,'N','%1',9").arg(c.unit)}));
        member({{"NAME01", "N"}, {"TANI", c.unit}, {"KETA", c.digits}});
        rig.registerTab(Tab::Member);
        EXPECT_EQ(members("KETA"), Rows{c.master});
        EXPECT_EQ(rig.productRows("select KETA from MAS_SIAGE02"), Rows{c.schedule});
    }
}

// The housing edition carries members into the schedule rows of the same name,
// details and unit, with plain quotes; the other editions leave the schedule alone.
TEST_F(MemberRegistrationTest, ScheduleRowsByEdition)
{
    for (int housingRowMissing : {0, 1}) {
        SCOPED_TRACE(housingRowMissing);
        fresh();
        rig.state.housingRowMissing = housingRowMissing;
        rig.product(inserts("MAS_SIAGE02 (BUI,BANGOU,NAME_01,NAME_02,TAN)",
                            {"-5,0,'N','D','本'", "6,0,'N','other','本'", "1,0,'O''Neil',null,'本'"}));
        const char* query = "select BUI, NAME_01, NAME_02, KIN_01, KIN_02, KAMOKU, T_CD_2, BL_KUBUN, BM_KUBUN, B_CD, "
                            "KETA, KOUSYU, BS_kubun from MAS_SIAGE02 order by BUI";
        const Rows before = rig.productRows(query);
        member({{"NAME01", "X"}});
        member({{"NAME01", "N"},
                {"NAME02", "D"},
                {"TANI", "本"},
                {"KIN_01", 1234.5},
                {"KIN_02", 2000.25},
                {"KU_KAMOKU", 120},
                {"S_CD", 55}});
        member({{"NAME01", "O’Neil"}, {"TANI", "本"}, {"B_CD", "K’1"}});
        rig.registerTab(Tab::Member);
        const Rows carried{"-312|N|D|1234.5|2000.25|120|55|3|12|3-12-00020|0|312|2",
                           "1|O'Neil|∅|0|0|0|0|3|12|K'1|0|312|3", "6|N|other|∅|∅|∅|∅|∅|∅|∅|∅|∅|∅"};
        EXPECT_EQ(rig.productRows(query), housingRowMissing ? before : carried);
        EXPECT_EQ(members("NAME01, B_CD"), (Rows{"X|3-12-00010", "N|3-12-00020", "O’Neil|K’1"}));
    }
}

// Several members matching one schedule line: it ends with the last of them, as
// it would if each had updated it in turn. A member without details reaches only
// lines without details.
TEST_F(MemberRegistrationTest, ScheduleLineTakesTheLastMatchingMember)
{
    fresh();
    rig.product(inserts("MAS_SIAGE02 (BUI,BANGOU,NAME_01,NAME_02,TAN,B_CD)",
                        {"1,0,'N','D','本','old'", "2,0,'N',null,'本','old'", "3,0,'N','D','m','old'"}));
    member({{"NAME01", "N"}, {"NAME02", "D"}, {"TANI", "本"}, {"KIN_01", 1}});
    member({{"NAME01", "N"}, {"TANI", "本"}, {"KIN_01", 2}});
    member({{"NAME01", "N"}, {"NAME02", "D"}, {"TANI", "本"}, {"KIN_01", 3}, {"B_CD", "typed"}});
    rig.registerTab(Tab::Member);
    EXPECT_EQ(rig.productRows("select BUI, KIN_01, B_CD, BS_kubun from MAS_SIAGE02 order by BUI"),
              (Rows{"1|3|typed|3", "2|2|3-12-00020|2", "3|∅|old|∅"}));
}

} // namespace
