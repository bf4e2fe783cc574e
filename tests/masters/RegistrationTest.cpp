#include "DbError.h"
#include "MemberRegistration.h"
#include "MemberRowsCheck.h"
#include "RegistrationRig.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

// Every row of the standard product names the category it was made under, so a
// row left under the wrong category shows in the expected codes; RemovedCategory
// follows removed ones and middle registrations. M2 (renamed) and M1 swap, M3 is
// added; a name keeps its first line, a row without one is none. The schedule rows
// follow with the check box off too; the past details then keep their codes.
TEST(WorkTypeRegistration, RowsFollowTheirCategory)
{
    const Rows converted{"1|2|1|201", "2|1|2|102", "3|2|2|202", "1|2|1|201|5", "2|1|1|101|6",
                         "1|2|1",     "2|1|2",     "1|2|2",     "2|1|1"};
    const Rows untouched{"1|∅|∅|101", "2|∅|∅|202", "3|∅|∅|102", "1|∅|∅|101|5", "2|∅|∅|201|6",
                         "1|1|1",     "2|2|2",     "1|1|2",     "2|2|1"};
    for (bool convert : {true, false}) {
        SCOPED_TRACE(convert);
        RegistrationRig rig;
        rig.standardProduct();
        if (!convert) // converting adds DAT_JIKKOU's code columns itself
            rig.addJikkouColumns();
        rig.screen.convertDetails = convert;
        rig.work(inserts("BUZAI_DAI (CNT,BL_kubun,NAME01)", {"1,2,'M2b\r\nx'", "2,4,null", "3,1,'M1'", "4,3,'M3'"}));
        rig.registerTab(Tab::Major);

        EXPECT_EQ(
            rig.productRows("select CNT, BL_kubun, NAME01, PC_NAME from MAS_KOUSYU_01 order by CNT") +
                rig.productRows("select NAME01, BL_kubun, BM_kubun, CNT from MAS_KOUSYU_02 order by NAME01"),
            (Rows{"1|1|M2b|PC1", "2|2|M1|PC1", "3|3|M3|PC1", "M1-1|2|1|1", "M1-2|2|2|2", "M2-1|1|1|1", "M2-2|1|2|2"}));
        EXPECT_EQ(rig.productRows("select NAME01, BL_kubun, BM_kubun from MAS_BUZAI order by NAME01"),
                  (Rows{"M1-1a|2|1", "M1-2a|2|2", "M2-1a|1|1", "M2-2a|1|2"}));
        EXPECT_EQ(rig.productRows("select NAME_01, BL_kubun, BM_kubun, KOUSYU, BUI from MAS_SIAGE02 order by 1") +
                      rig.productRows("select ID, BL_kubun, BM_kubun, KOUSYU, BUI from DAT_SIAGE02 order by ID"),
                  (Rows{"M1-1s|2|1|201|-201", "M2-2s|1|2|102|7", "1|2|2|202|-202", "2|1|1|101|-101"}));
        EXPECT_EQ(rig.productRows("select ID, L_kubun, M_kubun, KU_KOUSYU from DAT_MEISAI03 order by ID") +
                      rig.productRows("select ID, L_KUBUN, M_KUBUN, KOUSYU, T_CD_2 from DAT_JIKKOU order by ID") +
                      rig.productRows("select ID, L_kubun, M_kubun from DAT_JIKKOU_MEISAI order by ID") +
                      rig.productRows("select ID, BL_kubun, BM_kubun from DAT_MITUMORI_M order by ID"),
                  convert ? converted : untouched);
        // Converting warns first, in these words; then the question and the done message.
        const QString warning("過去の見積明細・発注明細も修正変更します。\n\r "
                              "変換に時間がかかりますが強制終了しないでください。\n\r "
                              "順序の入換などをした際に過去の見積・発注・仕入の工種も変更するように設定できます。\n\r "
                              "但し、工種の追加は、対応しますが工種を削除されたりするとデーターに不整合が出ます。\n\r "
                              "他のシステムを使用する前に工種マスターを確定させてください？");
        EXPECT_EQ(rig.confirm.messages.size(), convert ? 3 : 2);
        EXPECT_EQ(rig.confirm.messages.first() == warning, convert);
        EXPECT_FALSE(rig.screen.hidden);
        EXPECT_EQ(rig.events, Rows{"majorLoad"});
    }
}

// Only account items 101 to 599 reach the members; the middle keeps what was typed.
TEST(WorkTypeRegistration, AccountItemBounds)
{
    RegistrationRig rig;
    for (const auto& [account, expected] :
         QList<QPair<QString, QString>>{{"null", "7"}, {"100", "7"}, {"600", "7"}, {"101", "101"}, {"599", "599"}}) {
        SCOPED_TRACE(account.toStdString());
        rig.clearAll();
        rig.standardProduct();
        rig.work(inserts("BUZAI_DAI (CNT,BL_kubun,NAME01)", {"1,1,'M1'"}) +
                 inserts("BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01,KU_KAMOKU)",
                         {"1,1,1,'M1-1'," + account, "2,1,2,'M1-2'," + account}));
        rig.registerTab(Tab::Middle);
        EXPECT_EQ(rig.productRows("select KU_KAMOKU from MAS_BUZAI where NAME01 in ('M1-1a','M2-1a') order by NAME01"),
                  (Rows{expected, "7"}));
        EXPECT_EQ(rig.productRows("select KU_KAMOKU from MAS_KOUSYU_02 where NAME01='M1-1'"),
                  Rows{account == "null" ? "∅" : account});
    }
}

// Empty databases in the housing edition; the current middle category is 3/12.
struct MemberRig : RegistrationRig {
    int cnt = 0;
    MemberRig() { fresh(); }
    void fresh()
    {
        clearAll();
        cnt = 0;
        state.housingRowMissing = 0;
        work(inserts("BUZAI_DAI (CNT,BL_kubun,NAME01)", {"1,3,'M3'"}) +
             inserts("BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01)", {"1,3,12,'M3-12'"}));
    }
    // A grid row: its columns, space-separated, and their values.
    void member(const QString& columns, const QVariantList& values = {})
    {
        Values row{{"CNT", ++cnt}};
        for (const QString& column : columns.split(' ', Qt::SkipEmptyParts))
            row.append({column, values.value(row.size() - 1)});
        workRow("BUZAI_S", row);
    }
    Rows members(const QString& columns)
    {
        return productRows("select " + columns + " from MAS_BUZAI where BL_kubun=3 and BM_kubun=12 order by BS_kubun");
    }
};

TEST(MemberRegistration, RowsAsStoredInTheMemberMaster)
{
    MemberRig rig;
    rig.product({"insert into MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01) values (3,12,1,'Old')"});
    rig.member("NAME01 NAME02 NAME03 TANI KIN_01 KIN_02 KIN_06 KU_KAMOKU S_CD",
               {"A\r\n二行目", "摘要", "備考", " ｍ　", 1234.5, 2000.25, 3000.0, 120, 55});
    rig.member("NAME01 B_CD", {"B", "X-1"});  // a typed code is kept
    rig.member("NAME01 B_CD", {"C", "3-99"}); // a generated one is made again
    rig.member("NAME03", {"only remarks"});   // skipped, but keeps its position
    rig.member("");                           // leaves the grid before numbering
    rig.member("NAME02", {"D"});
    rig.member("NAME01 NAME02 TANI", {"E", "d", "本"}); // of equal rows the later one stays
    rig.member("NAME01 NAME02 TANI", {"E", "d", "本"});
    rig.registerTab(Tab::Member);

    EXPECT_EQ(rig.members("BS_kubun, NAME01, B_CD, NAME02, NAME03, TANI, KIN_01, KIN_02, KIN_06, KU_KAMOKU, S_CD, "
                          "KETA, e_date04, PC_NAME"),
              (Rows{"1|A|3-12-00010|摘要|備考|ｍ|1234.5|2000.25|3000|120|55|∅|∅|PC1", "2|B|X-1|∅|∅|∅|∅|∅|∅|∅|∅|∅|∅|PC1",
                    "3|C|3-12-00030|∅|∅|∅|∅|∅|∅|∅|∅|∅|∅|PC1", "5|∅|3-12-00050|D|∅|∅|∅|∅|∅|∅|∅|∅|∅|PC1",
                    "7|E|3-12-00070|d|∅|本|∅|∅|∅|∅|∅|0|∅|PC1"}));
    EXPECT_EQ(rig.workRows("select NAME02, NAME03 from BUZAI_S order by CNT"),
              (Rows{"摘要|備考", "∅|∅", "∅|∅", "∅|only remarks", "D|∅", "d|∅", "d|∅"}));
    EXPECT_TRUE(rig.confirm.messages.contains(MemberRowsCheck::question(
        {"4行目：名称と摘要が空です。", "7行目：8行目と名称・摘要・単位が同じです（8行目が残ります）。"})));
    // Past 9,999 rows there is no code to give.
    EXPECT_EQ(MemberRegistration::generatedCode("3", "12", 9999), "3-12-99990");
    EXPECT_EQ(MemberRegistration::generatedCode("3", "12", 10000), "");
}

// Rows the registration would not keep are named before anything is written;
// いいえ leaves every table as it was.
TEST(MemberRegistration, RowsItWouldNotKeepAreNamedFirst)
{
    MemberRig rig;
    rig.member("NAME01 TANI KIN_01", {"Ｅ", "本", 100});
    rig.member("NAME03 KIN_02", {"備考だけ", 500});
    rig.member("NAME01 TANI", {"E", "本"}); // the same member as the full-width one
    rig.member("NAME01 TANI", {"E", "ｍ"}); // another unit: kept
    rig.confirm.answers = {Confirmation::Ok, Confirmation::No};
    const std::string before = rig.everything();
    rig.registerTab(Tab::Member);
    EXPECT_EQ(rig.confirm.messages.value(1),
              MemberRowsCheck::question(
                  {"1行目：3行目と名称・摘要・単位が同じです（3行目が残ります）。", "2行目：名称と摘要が空です。"}));
    EXPECT_EQ(rig.events, Rows{});
    EXPECT_EQ(rig.everything(), before);
}

// The housing edition carries members into the schedule rows of the same name,
// details and unit, with plain quotes; the other editions leave the schedule alone.
// Several members matching one line: it ends with the last of them, as if each had
// updated it in turn; a member without details reaches only lines without details.
// Counted units (本) have no decimals in the schedule; in the master only when none
// are given. The housing edition also removes a registered member's duplicates in
// other categories (here 1/1/n): names compared across widths and quote styles but
// not case, the unit as typed.
TEST(MemberRegistration, ScheduleAndDuplicatesByEdition)
{
    const Rows existing{"ABC", "ＡＢＣ", "ABC ", "abc", "ABD", "XY", "ｶﾞﾗｽ", "K'9", "D'Arc", "XYZ"};
    MemberRig rig;
    for (int housingRowMissing : {0, 1}) {
        SCOPED_TRACE(housingRowMissing);
        rig.fresh();
        rig.state.housingRowMissing = housingRowMissing;
        QStringList rows;
        for (int i = 0; i < existing.size(); ++i)
            rows << QString("1,1,%1,'%2','x','本'").arg(i + 1).arg(QString(existing[i]).replace("'", "''"));
        rig.product(
            inserts("MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01,NAME02,TANI)", rows) +
            inserts("MAS_SIAGE02 (BUI,BANGOU,NAME_01,NAME_02,TAN,B_CD,KETA)",
                    {"-5,0,'N','D','本',null,9", "6,0,'N','other','本',null,9", "1,0,'O''Neil',null,'本',null,9",
                     "11,0,'L','D','本','old',9", "12,0,'L',null,'本','old',9", "13,0,'L','D','m','old',9",
                     "14,0,'M',null,'ｍ',null,9", "15,0,'P',null,'ｍ',null,9"}));
        const char* query = "select BUI, NAME_01, NAME_02, KIN_01, KIN_02, KAMOKU, T_CD_2, BL_KUBUN, BM_KUBUN, B_CD, "
                            "KETA, KOUSYU, BS_kubun from MAS_SIAGE02 order by BUI";
        const Rows before = rig.productRows(query);
        rig.member("NAME01", {"X"});
        rig.member("NAME01 NAME02 TANI KIN_01 KIN_02 KU_KAMOKU S_CD KETA",
                   {"N", "D", "本", 1234.5, 2000.25, 120, 55, 2});
        rig.member("NAME01 TANI B_CD", {"O’Neil", "本", "K’1"});
        rig.member("NAME01 NAME02 TANI KIN_01", {"L", "D", "本", 1});
        rig.member("NAME01 TANI KIN_01", {"L", "本", 2});
        rig.member("NAME01 NAME02 TANI KIN_01 B_CD", {"L", "D", "本", 3, "typed"});
        rig.member("NAME01 TANI KETA", {"M", "ｍ", 2});
        rig.member("NAME01 TANI", {"P", "ｍ"});
        for (const auto& [name, unit] : QList<QPair<QString, QString>>{
                 {"ABC", "本"}, {"ＸＹ", "本"}, {"ガラス", "本"}, {"K'9", "本"}, {"D’Arc", "本"}, {"XYZ", " 本"}})
            rig.member("NAME01 NAME02 TANI", {name, "x", unit});
        rig.registerTab(Tab::Member);
        const Rows carried{"-312|N|D|1234.5|2000.25|120|55|3|12|3-12-00020|0|312|2",
                           "1|O'Neil|∅|0|0|0|0|3|12|K'1|0|312|3",
                           "6|N|other|∅|∅|∅|∅|∅|∅|∅|9|∅|∅",
                           "11|L|D|3|0|0|0|3|12|typed|0|312|6",
                           "12|L|∅|2|0|0|0|3|12|3-12-00050|0|312|5",
                           "13|L|D|∅|∅|∅|∅|∅|∅|old|9|∅|∅",
                           "14|M|∅|0|0|0|0|3|12|3-12-00070|2|312|7",
                           "15|P|∅|0|0|0|0|3|12|3-12-00080|∅|312|8"};
        EXPECT_EQ(rig.productRows(query), housingRowMissing ? before : carried);
        EXPECT_EQ(rig.members("NAME01, B_CD, KETA"),
                  (Rows{"X|3-12-00010|∅", "N|3-12-00020|2", "O’Neil|K’1|0", "L|3-12-00050|0", "L|typed|0",
                        "M|3-12-00070|2", "P|3-12-00080|∅", "ABC|3-12-00090|0", "ＸＹ|3-12-00100|0",
                        "ガラス|3-12-00110|0", "K'9|3-12-00120|0", "D’Arc|3-12-00130|0", "XYZ|3-12-00140|∅"}));
        EXPECT_EQ(rig.productRows("select NAME01 from MAS_BUZAI where BL_kubun=1 order by BS_kubun"),
                  housingRowMissing ? existing : (Rows{"abc", "ABD", "XYZ"}));
    }
}

// Units are numbered by grid position; an empty row leaves its number unused and
// of equal names the later one stays. Quotes are stored as typed.
TEST(UnitRegistration, NumberedByGridPosition)
{
    RegistrationRig rig;
    rig.product(inserts("LOOK_TANI (CD,NAME)", {"9,'old'"}));
    const QList<QVariant> names = {"A", QVariant(), "C", "m", "本", "m", "a'b", "c’d", "a'b"};
    for (int i = 0; i < names.size(); ++i)
        rig.workRow("TANI", {{"CD", i + 1}, {"NAME", names[i]}});
    rig.registerTab(Tab::Unit);
    EXPECT_EQ(rig.productRows("select CD, NAME from LOOK_TANI order by CD"),
              (Rows{"1|A", "3|C", "5|本", "6|m", "8|c’d", "9|a'b"}));
    EXPECT_EQ(rig.events, Rows{"unitLoad"});
}

// Without permission, or when the tab's question is answered No, nothing changes.
TEST(RegisterCommand, RefusedOrCancelledRegistersNothing)
{
    RegistrationRig rig;
    rig.fillEveryTab();
    rig.screen.convertDetails = false;
    const QString before = rig.dumpProduct(true);
    for (Tab tab : {Tab::Major, Tab::Middle, Tab::Member, Tab::Unit})
        for (bool permitted : {false, true}) {
            SCOPED_TRACE(QString("tab %1, permitted %2").arg(int(tab)).arg(permitted).toStdString());
            rig.state.registrationPermitted = permitted;
            rig.confirm = {};
            rig.confirm.answers = {Confirmation::No};
            rig.events.clear();
            rig.registerTab(tab);
            // Refused with a notice, or asked once and answered No.
            EXPECT_EQ(rig.confirm.modes, QList<int>{permitted ? Confirmation::Question : Confirmation::Notice});
            EXPECT_EQ(rig.dumpProduct(true), before);
            EXPECT_TRUE(permitted || rig.events.isEmpty());
        }
}

// A registration that would leave a master without rows, or middles without a
// major, changes nothing in either database and says so. Blank rows do not count;
// rows of other categories that stay do.
TEST(RegisterCommand, NothingToRegisterIsRefused)
{
    const QList<QVariant> blanks = {QVariant(), "", " 　", "\r\n二行目"};
    struct Case {
        const char* name;
        Tab tab;
        const char* major;     // BL_kubun of the current major row; null: no major row
        bool refused;          // with a notice, changing nothing
        QStringList product{}; // on top of the standard product and one unit
        bool majorGridClosed = false;
    };
    const Case cases[] = {
        {"majors", Tab::Major, nullptr, true},
        {"middles of the only major", Tab::Middle, "1", true, {"delete from MAS_KOUSYU_02 where BL_kubun=2"}},
        {"middles while another major keeps its", Tab::Middle, "1", false},
        {"middles without a major row", Tab::Middle, nullptr, true},
        {"middles under a major without code", Tab::Middle, "null", true},
        {"middles under major 0", Tab::Middle, "0", true},
        {"middles with the major grid closed", Tab::Middle, "1", true, {}, true},
        {"members of the only named category",
         Tab::Member,
         "1",
         true,
         {"update MAS_BUZAI set NAME01=null where BL_kubun+BM_kubun>2"}},
        {"members while another category keeps its", Tab::Member, "1", false},
        {"units", Tab::Unit, "1", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RegistrationRig rig;
        rig.standardProduct();
        rig.product(inserts("LOOK_TANI (CD,NAME)", {"1,'本'"}) + c.product);
        if (c.major)
            rig.work(inserts("BUZAI_DAI (CNT,BL_kubun,NAME01)", {QString("1,%1,'M1'").arg(c.major)}));
        // The tab registered has only blank rows; the others are as loaded.
        for (int i = 0; i < blanks.size(); ++i) {
            const QVariant name = c.tab == Tab::Middle ? blanks[i] : QVariant(QString("M1-%1").arg(i + 1));
            rig.workRow("BUZAI_CHU", {{"CNT", i + 1}, {"BL_kubun", 1}, {"BM_kubun", i + 1}, {"NAME01", name}});
            rig.workRow("BUZAI_S",
                        {{"CNT", i + 1}, {"NAME01", blanks[i]}, {"NAME02", blanks[3 - i]}, {"NAME03", "備考"}});
            rig.workRow("TANI", {{"CD", i + 1}, {"NAME", blanks[i]}});
            if (c.tab == Tab::Major)
                rig.workRow("BUZAI_DAI", {{"CNT", i + 1}, {"BL_kubun", i + 1}, {"NAME01", blanks[i]}});
        }
        const std::string before = rig.everything();
        rig.registerTab(c.tab, c.majorGridClosed);

        if (!c.refused) {
            EXPECT_TRUE(rig.registered());
            continue;
        }
        EXPECT_EQ(rig.confirm.modes, QList<int>{Confirmation::Notice});
        EXPECT_EQ(rig.everything(), before);
        EXPECT_FALSE(rig.screen.hidden || rig.progress.visible);
    }
}

// One press registers a narrowed grid whole, widened once the question is
// answered; いいえ leaves it narrowed, loads nothing and changes nothing: the
// member load follows only a registration that ran.
TEST(RegisterCommand, NarrowedMemberGridIsWidenedAndRegisteredInOnePress)
{
    MemberRig rig;
    rig.member("NAME01", {"C"});
    rig.screen.narrowed = true;
    rig.confirm.answers = {Confirmation::No};
    const std::string before = rig.everything();
    rig.registerTab(Tab::Member);
    EXPECT_EQ(rig.confirm.messages, Rows{"部材マスターを登録しますか？"});
    EXPECT_EQ(rig.events, Rows{});
    EXPECT_TRUE(rig.screen.narrowed && rig.screen.memberGridEnabled);
    EXPECT_EQ(rig.everything(), before);

    rig.command->SB03Click();
    EXPECT_EQ(rig.events, (Rows{"endNarrowing", "resetSearchFields", "memberLoad"}));
    EXPECT_EQ(rig.members("BS_kubun, NAME01"), Rows{"1|C"});
    EXPECT_TRUE(rig.screen.memberGridEnabled);
    EXPECT_TRUE(rig.dm->IBT_bu.active());
}

const auto boomTrigger = [](const char* table, const char* event, const char* condition) {
    return QString(
               "create trigger BOOM_%1 for %1 active before %2 position 0 as begin if (%3) then exception boom; end")
        .arg(table, event, condition);
};

// One statement of a registration fails halfway: every table stays as it was and
// the screen comes back.
TEST(FaultInjection, FailureLeavesEveryTableAsItWas)
{
    const std::tuple<const char*, Tab, QString> faults[] = {
        {"major master insert", Tab::Major, boomTrigger("MAS_KOUSYU_01", "insert", "new.CNT = 2")},
        {"major renumbering", Tab::Major, boomTrigger("MAS_BUZAI", "update", "new.BL_kubun = 2")},
        {"major repacking", Tab::Major, boomTrigger("DAT_MEISAI03", "update", "new.KU_KOUSYU = 201")},
        {"major clean-up", Tab::Major, boomTrigger("MAS_SIAGE02", "delete", "1 = 1")},
        {"major table missing", Tab::Major, "drop table DAT_MITUMORI_M"},
        {"middle renumbering", Tab::Middle,
         boomTrigger("DAT_SIAGE02", "update", "new.BM_kubun is distinct from old.BM_kubun")},
        {"middle account item", Tab::Middle, boomTrigger("MAS_BUZAI", "update", "new.KU_KAMOKU = 150")},
        {"middle schedule codes", Tab::Middle, boomTrigger("MAS_SIAGE02", "update", "new.KOUSYU = 201")},
        {"member insert", Tab::Member, boomTrigger("MAS_BUZAI", "insert", "new.BS_kubun = 2")},
        {"member schedule", Tab::Member, boomTrigger("MAS_SIAGE02", "update", "1 = 1")},
        {"member clean-up", Tab::Member,
         boomTrigger("MAS_BUZAI", "delete", "old.NAME01 is null and old.NAME02 is null")},
        {"unit insert", Tab::Unit, boomTrigger("LOOK_TANI", "insert", "new.CD = 3")},
        {"unit table missing", Tab::Unit, "drop table LOOK_TANI"},
    };
    for (const auto& [name, tab, ddl] : faults) {
        SCOPED_TRACE(name);
        RegistrationRig rig;
        rig.fillEveryTab();
        rig.product({"create exception boom 'boom'", ddl});
        const std::string before = rig.everything();

        EXPECT_THROW(rig.registerTab(tab), DbError);

        EXPECT_EQ(rig.everything(), before);
        EXPECT_FALSE(rig.screen.hidden || rig.progress.visible || rig.registered());
        EXPECT_TRUE(rig.screen.memberGridEnabled);
        EXPECT_FALSE(rig.events.join(',').contains("Load")); // a reload would drop the grid's edits
        EXPECT_TRUE(rig.grids()[int(tab)]->active());
    }
}

} // namespace
