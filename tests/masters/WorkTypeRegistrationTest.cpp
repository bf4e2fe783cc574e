#include "WorkTypeRegistration.h"
#include "RegistrationRig.h"

#include <gtest/gtest.h>

namespace {

using Grid = QList<QPair<int, QVariant>>; // (code, name) in grid order

// A major grid, or a middle grid under major 1.
void grid(RegistrationRig& rig, Tab tab, const Grid& rows, const QVariant& account = {})
{
    if (tab == Tab::Middle)
        rig.workRow("BUZAI_DAI", {{"CNT", 1}, {"BL_kubun", 1}, {"NAME01", "M1"}});
    for (int i = 0; i < rows.size(); ++i) {
        if (tab == Tab::Major)
            rig.workRow("BUZAI_DAI", {{"CNT", i + 1}, {"BL_kubun", rows[i].first}, {"NAME01", rows[i].second}});
        else
            rig.workRow("BUZAI_CHU", {{"CNT", i + 1},
                                      {"BL_kubun", 1},
                                      {"BM_kubun", rows[i].first},
                                      {"NAME01", rows[i].second},
                                      {"KU_KAMOKU", account}});
    }
}

// Every row of the standard product names the category it was made under, so a
// row left under the wrong category shows in the expected codes.
TEST(WorkTypeRegistration, RowsFollowTheirCategory)
{
    struct Case {
        const char* name;
        Tab tab;
        Grid grid;
        bool alsoCheckBoxOff;
        bool columnsExist; // DAT_JIKKOU has its code columns before registering
        Rows categories, members, schedule, past;
    };
    // With the check box off the four past-detail tables keep what the standard product has.
    const Rows untouched{"1|∅|∅|101", "2|∅|∅|202", "3|∅|∅|102", "1|∅|∅|101|5", "2|∅|∅|201|6",
                         "1|1|1",     "2|2|2",     "1|1|2",     "2|2|1"};
    const Tab Major = Tab::Major, Middle = Tab::Middle;
    const Case cases[] = {
        {"majors swapped",
         Major,
         {{2, "M2"}, {1, "M1"}},
         true,
         false,
         {"1|1|M2|PC1", "2|2|M1|PC1", "M1-1|2|1|1", "M1-2|2|2|2", "M2-1|1|1|1", "M2-2|1|2|2"},
         {"M1-1a|2|1", "M1-2a|2|2", "M2-1a|1|1", "M2-2a|1|2"},
         {"M1-1s|2|1|201|-201", "M2-2s|1|2|102|7", "1|2|2|202|-202", "2|1|1|101|-101"},
         {"1|2|1|201", "2|1|2|102", "3|2|2|202", "1|2|1|201|5", "2|1|1|101|6", "1|2|1", "2|1|2", "1|2|2", "2|1|1"}},
        {"middles swapped",
         Middle,
         {{2, "M1-2"}, {1, "M1-1"}},
         true,
         true,
         {"1|1|M1|∅", "2|2|M2|∅", "M1-1|1|2|2", "M1-2|1|1|1", "M2-1|2|1|1", "M2-2|2|2|2"},
         {"M1-1a|1|2", "M1-2a|1|1", "M2-1a|2|1", "M2-2a|2|2"},
         {"M1-1s|1|2|102|-102", "M2-2s|2|2|202|7", "1|1|1|101|-101", "2|2|1|201|-201"},
         {"1|1|2|102", "2|2|2|202", "3|1|1|101", "1|1|2|102|5", "2|2|1|201|6", "1|1|2", "2|2|2", "1|1|1", "2|2|1"}},
        // A name keeps its first line; a row without a name is no category.
        {"major added",
         Major,
         {{1, "M1"}, {4, QVariant()}, {3, "M3\r\nx"}, {2, "M2"}},
         false,
         true,
         {"1|1|M1|PC1", "2|2|M3|PC1", "3|3|M2|PC1", "M1-1|1|1|1", "M1-2|1|2|2", "M2-1|3|1|1", "M2-2|3|2|2"},
         {"M1-1a|1|1", "M1-2a|1|2", "M2-1a|3|1", "M2-2a|3|2"},
         {"M1-1s|1|1|101|-101", "M2-2s|3|2|302|7", "1|1|2|102|-102", "2|3|1|301|-301"},
         {"1|1|1|101", "2|3|2|302", "3|1|2|102", "1|1|1|101|5", "2|3|1|301|6", "1|1|1", "2|3|2", "1|1|2", "2|3|1"}},
        // What hangs under the major goes, but rows of documents stay, with the codes of
        // no category (major -32768, middle -99, packed -3276899).
        {"major removed",
         Major,
         {{1, "M1"}},
         false,
         false,
         {"1|1|M1|PC1", "M1-1|1|1|1", "M1-2|1|2|2"},
         {"M1-1a|1|1", "M1-2a|1|2"},
         {"M1-1s|1|1|101|-101", "1|1|2|102|-102", "2|-32768|-99|-3276899|3276899"},
         {"1|1|1|101", "2|-32768|-99|-3276899", "3|1|2|102", "1|1|1|101|5", "2|-32768|-99|-3276899|6", "1|1|1",
          "2|-32768|-99", "1|1|2", "2|-32768|-99"}},
        {"middle removed",
         Middle,
         {{1, "M1-1"}},
         false,
         false,
         {"1|1|M1|∅", "2|2|M2|∅", "M1-1|1|1|1", "M2-1|2|1|1", "M2-2|2|2|2"},
         {"M1-1a|1|1", "M2-1a|2|1", "M2-2a|2|2"},
         {"M1-1s|1|1|101|-101", "M2-2s|2|2|202|7", "1|-32768|-99|-3276899|3276899", "2|2|1|201|-201"},
         {"1|1|1|101", "2|2|2|202", "3|-32768|-99|-3276899", "1|1|1|101|5", "2|2|1|201|6", "1|1|1", "2|2|2",
          "1|-32768|-99", "2|2|1"}},
    };
    for (const Case& c : cases) {
        for (bool convert : {true, false}) {
            if (!convert && !c.alsoCheckBoxOff)
                continue;
            SCOPED_TRACE(std::string(c.name) + (convert ? "" : ", check box off"));
            RegistrationRig rig;
            rig.standardProduct();
            if (c.columnsExist || !convert)
                rig.addJikkouColumns();
            rig.convertDetails = convert;
            grid(rig, c.tab, c.grid);
            rig.registerTab(c.tab);

            EXPECT_EQ(rig.productRows("select CNT, BL_kubun, NAME01, PC_NAME from MAS_KOUSYU_01 order by CNT") +
                          rig.productRows("select NAME01, BL_kubun, BM_kubun, CNT from MAS_KOUSYU_02 order by NAME01"),
                      c.categories);
            EXPECT_EQ(rig.productRows("select NAME01, BL_kubun, BM_kubun from MAS_BUZAI order by NAME01"), c.members);
            EXPECT_EQ(rig.productRows("select NAME_01, BL_kubun, BM_kubun, KOUSYU, BUI from MAS_SIAGE02 order by 1") +
                          rig.productRows("select ID, BL_kubun, BM_kubun, KOUSYU, BUI from DAT_SIAGE02 order by ID"),
                      c.schedule);
            EXPECT_EQ(rig.productRows("select ID, L_kubun, M_kubun, KU_KOUSYU from DAT_MEISAI03 order by ID") +
                          rig.productRows("select ID, L_KUBUN, M_KUBUN, KOUSYU, T_CD_2 from DAT_JIKKOU order by ID") +
                          rig.productRows("select ID, L_kubun, M_kubun from DAT_JIKKOU_MEISAI order by ID") +
                          rig.productRows("select ID, BL_kubun, BM_kubun from DAT_MITUMORI_M order by ID"),
                      convert ? c.past : untouched);

            const QString question =
                c.tab == Major ? QString("大項目マスターを登録しますか？") : QString("中項目マスターを登録しますか？");
            const Rows asked{
                QString("過去の見積明細・発注明細も修正変更します。\n\r "
                        "変換に時間がかかりますが強制終了しないでください。\n\r "
                        "順序の入換などをした際に過去の見積・発注・仕入の工種も変更するように設定できます。\n\r "
                        "但し、工種の追加は、対応しますが工種を削除されたりするとデーターに不整合が出ます。\n\r "
                        "他のシステムを使用する前に工種マスターを確定させてください？"),
                question, "登録しました。"};
            EXPECT_EQ(rig.confirm.messages, convert ? asked : asked.mid(1));
            EXPECT_EQ(rig.screen.calls, (Rows{QString("begin%1").arg(int(c.tab)), QString("end%1").arg(int(c.tab))}));
            EXPECT_EQ(rig.events, Rows{c.tab == Major ? "majorLoad" : "middleLoad"});
        }
    }
}

TEST(WorkTypeRegistration, PackedCodeFollowsItsMajorToItsNewPosition)
{
    RegistrationRig rig;
    rig.product(inserts("MAS_KOUSYU_01 (CNT,BL_kubun,NAME01)", {"1,5,'A'", "2,7,'B'", "3,12,'C'"}) +
                inserts("DAT_MEISAI03 (ID,KU_KOUSYU)", {"1,1203"}) + inserts("DAT_JIKKOU (ID,KOUSYU)", {"1,1203"}));
    grid(rig, Tab::Major, {{5, "A"}, {7, "B"}, {12, "C"}});
    rig.registerTab(Tab::Major);
    EXPECT_EQ(rig.productRows("select L_KUBUN, M_KUBUN, KU_KOUSYU from DAT_MEISAI03"), Rows{"3|3|303"});
    EXPECT_EQ(rig.productRows("select L_KUBUN, M_KUBUN, KOUSYU from DAT_JIKKOU"), Rows{"3|3|303"});
}

// Only account items 101 to 599 reach the members; the middle keeps what was typed.
TEST(WorkTypeRegistration, AccountItemBounds)
{
    RegistrationRig rig;
    const QList<QPair<QVariant, QString>> cases = {
        {QVariant(), "7"}, {100, "7"}, {600, "7"}, {101, "101"}, {599, "599"}};
    for (const auto& [account, expected] : cases) {
        SCOPED_TRACE(account.toString().toStdString());
        rig.clearAll();
        rig.standardProduct();
        grid(rig, Tab::Middle, {{1, "M1-1"}, {2, "M1-2"}}, account);
        rig.registerTab(Tab::Middle);
        EXPECT_EQ(rig.productRows("select KU_KAMOKU from MAS_BUZAI where NAME01 in ('M1-1a','M2-1a') order by NAME01"),
                  (Rows{expected, "7"}));
        EXPECT_EQ(rig.productRows("select KU_KAMOKU from MAS_KOUSYU_02 where NAME01='M1-1'"),
                  Rows{account.isNull() ? "∅" : account.toString()});
    }
}

} // namespace
