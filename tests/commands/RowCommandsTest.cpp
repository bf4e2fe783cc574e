#include "DbError.h"
#include "EditingRig.h"

#include <gtest/gtest.h>

namespace {

QStringList majors(EditingRig& rig)
{
    return rig.table("select CNT, BL_kubun, coalesce(NAME01,'') from BUZAI_DAI order by CNT");
}

void clipboard(EditingRig& rig, const QStringList& names)
{
    QStringList s;
    int cnt = 1;
    for (const QString& n : names)
        s << QStringLiteral("insert into BUZAI_SW2 (CNT,BL_kubun,BM_kubun,NAME01) values (%1,7,7,'%2')")
                 .arg(cnt++)
                 .arg(n);
    rig.work(s);
}

TEST(RowClipboard, CutMajorAndPasteElsewhereKeepsItsCode)
{
    EditingRig rig;
    rig.work({"insert into BUZAI_DAI values (1,1,'A',null)", "insert into BUZAI_DAI values (2,2,'B',null)",
              "insert into BUZAI_DAI values (3,3,'C',null)", "insert into BUZAI_DAI values (4,4,'D',null)"});
    rig.openGrids();
    rig.screen.tab = Tab::Major;
    rig.dm->IBT_dai.setRecNo(2);
    rig.rows.cutRows();
    EXPECT_EQ(majors(rig), (QStringList{"1|1|A", "2|3|C", "3|4|D"}));
    EXPECT_EQ(rig.table("select CNT, NAME01 from BUZAI_DAIW2"), QStringList{"2|B"});

    rig.dm->IBT_dai.setRecNo(3);
    rig.rows.pasteRows();
    EXPECT_EQ(majors(rig), (QStringList{"1|1|A", "2|3|C", "3|2|B", "4|4|D"}));
    EXPECT_TRUE(rig.table("select * from BUZAI_DAIW2").isEmpty());
    EXPECT_EQ(rig.dm->IBT_dai.text("NAME01"), "B");
}

// A middle category moves to another major category's list with its code pair
// and its account item.
TEST(RowClipboard, MiddleMovesBetweenMajorCategories)
{
    EditingRig rig;
    rig.work(
        {"insert into BUZAI_CHU values (1,1,1,'a',null,150)", "insert into BUZAI_CHU values (2,1,2,'b',null,null)"});
    rig.openGrids();
    rig.screen.tab = Tab::Middle;
    rig.rows.cutRows();
    // The other major category's list is loaded.
    rig.dm->IBT_chu.close();
    rig.work({"delete from BUZAI_CHU", "insert into BUZAI_CHU values (1,2,1,'x',null,null)"});
    rig.dm->IBT_chu.open();
    rig.dm->IBT_chu.last();
    rig.dm->IBT_chu.next();
    rig.rows.pasteRows();
    EXPECT_EQ(rig.table("select CNT,BL_kubun,BM_kubun,NAME01,KU_KAMOKU from BUZAI_CHU order by CNT"),
              (QStringList{"1|2|1|x|∅", "2|1|1|a|150"}));
}

TEST(RowClipboard, PastePlacesTheClipboardAtTheCursor)
{
    struct Case {
        const char* name;
        QStringList list;
        int cursor; // 0: past the last row
        QStringList expected;
    };
    const Case cases[] = {
        {"filled row: before it", {"A", "B", "C"}, 2, {"1|A", "2|X", "3|Y", "4|B", "5|C"}},
        {"filled first row", {"A", "B"}, 1, {"1|X", "2|Y", "3|A", "4|B"}},
        {"the only row: after it", {"A"}, 1, {"1|A", "2|X", "3|Y"}},
        {"blank row: replaced, its position left empty", {"A", "", "C"}, 2, {"1|A", "3|X", "4|Y", "5|C"}},
        {"end of table", {"A", "B"}, 0, {"1|A", "2|B", "3|X", "4|Y"}},
        {"empty table", {}, 0, {"1|X", "2|Y"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EditingRig rig;
        rig.members(c.list);
        clipboard(rig, {"X", "Y"});
        rig.openGrids();
        TableDataset& ds = rig.dm->IBT_bu;
        if (c.cursor > 0) {
            ds.setRecNo(c.cursor);
        } else {
            ds.last();
            ds.next();
        }
        rig.rows.pasteRows();
        EXPECT_EQ(rig.memberList(), c.expected);
        EXPECT_TRUE(rig.memberList("BUZAI_SW2").isEmpty());
        EXPECT_TRUE(ds.active());
    }
}

// The clipboard rule keeps empty codes empty; the rebuild rule makes the account
// item and the vendor 0 but leaves the digit setting empty.
TEST(RowClipboard, CopySelectedMembersAndPasteThemInGridOrder)
{
    EditingRig rig;
    rig.members({"A", "B", "C", "D", "E"});
    rig.openGrids();
    TableDataset& ds = rig.dm->IBT_bu;
    rig.screen.selection = {4, 2};
    ds.setRecNo(3);
    rig.rows.copyRows();
    EXPECT_EQ(rig.table("select CNT,NAME01,KU_KAMOKU,S_CD,KETA from BUZAI_SW2 order by CNT"),
              (QStringList{"1|B|∅|∅|∅", "2|C|∅|∅|∅", "3|D|∅|∅|∅"}));
    EXPECT_EQ(rig.memberList().size(), 5);
    EXPECT_EQ(ds.recNo(), 2);
    EXPECT_TRUE(rig.screen.selection.isEmpty());

    ds.setRecNo(5);
    rig.rows.pasteRows();
    EXPECT_EQ(rig.memberList(), (QStringList{"1|A", "2|B", "3|C", "4|D", "5|B", "6|C", "7|D", "8|E"}));
    EXPECT_EQ(rig.table("select distinct KU_KAMOKU, S_CD, coalesce(KETA,-1) from BUZAI_S"), QStringList{"0|0|-1"});
}

TEST(RowClipboard, CutSelectedMembersDropsBlankRowsLeavingGaps)
{
    EditingRig rig;
    rig.members({"A", "B", "", "C", "D"});
    rig.openGrids();
    rig.screen.selection = {2};
    rig.dm->IBT_bu.setRecNo(4);
    rig.rows.cutRows();
    EXPECT_EQ(rig.memberList(), (QStringList{"1|A", "3|D"}));
    EXPECT_EQ(rig.memberList("BUZAI_SW2"), (QStringList{"-1|B", "0|C"}));

    // Moved under another middle category they keep their own codes.
    rig.dm->IBT_bu.setRecNo(1);
    rig.rows.pasteRows();
    EXPECT_EQ(rig.memberList(), (QStringList{"1|B", "2|C", "3|A", "4|D"}));
    EXPECT_EQ(rig.table("select BS_kubun from BUZAI_S order by CNT"), (QStringList{"2", "4", "1", "5"}));
}

// A row blanked after the last paste is dropped by the next cut, like any
// row a rebuild finds without names.
TEST(RowClipboard, RowsWrittenAfterAPasteAreTestedAgain)
{
    EditingRig rig;
    rig.members({"A", "B", "C", "D"});
    rig.openGrids();
    TableDataset& ds = rig.dm->IBT_bu;
    ds.setRecNo(1);
    rig.rows.copyRows();
    ds.setRecNo(3);
    rig.rows.pasteRows();
    EXPECT_EQ(rig.memberList(), (QStringList{"1|A", "2|B", "3|A", "4|C", "5|D"}));
    rig.work({"update BUZAI_S set NAME01=null where CNT=4", "update BUZAI_S set S_CD=null where CNT=5"});
    ds.reopen();
    ds.setRecNo(1);
    rig.rows.cutRows();
    EXPECT_EQ(rig.memberList(), (QStringList{"1|B", "2|A", "4|D"}));
    EXPECT_EQ(rig.table("select S_CD from BUZAI_S where CNT=4"), QStringList{"0"});
}

TEST(RowClipboard, CopyPreviousRow)
{
    struct Case {
        const char* name;
        QStringList list;
        int cursor;
        int newRow;
        QString copied; // name written into the new row
    };
    const Case cases[] = {
        {"row above", {"A", "B", "C"}, 3, 3, "B"},
        {"blank row above: one more up", {"A", "", "C"}, 3, 3, "A"},
        {"first row: nothing above", {"A", "B"}, 1, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EditingRig rig;
        rig.members(c.list);
        rig.openGrids();
        TableDataset& ds = rig.dm->IBT_bu;
        ds.setRecNo(c.cursor);
        rig.rows.copyPreviousRow();
        EXPECT_EQ(ds.recNo(), c.newRow);
        EXPECT_EQ(ds.text("NAME01"), c.copied);
        if (!c.copied.isEmpty()) {
            EXPECT_EQ(ds.state(), TableDataset::Edit);
            EXPECT_EQ(ds.text("TANI"), "本");
            ds.post();
        }
        EXPECT_EQ(rig.memberList().size(), c.list.size() + 1);
    }
}

TEST(RowClipboard, DeleteAsksFirst)
{
    EditingRig rig;
    rig.members({"A", "B"});
    rig.openGrids();
    rig.screen.confirm.answers = {Confirmation::No, Confirmation::Ok};
    rig.rows.deleteRow();
    EXPECT_EQ(rig.memberList().size(), 2);
    rig.rows.deleteRow();
    EXPECT_EQ(rig.memberList(), QStringList{"1|B"});
    EXPECT_EQ(rig.screen.confirm.messages, QStringList(2, "行削除してよろしいですか？"));
    EXPECT_EQ(rig.screen.mainToolbarShown, 4);
}

TEST(RowClipboard, CommandsOfOtherTabsDoNothing)
{
    EditingRig rig;
    rig.members({"A"});
    rig.work({"insert into TANI values (1,'m')"});
    rig.openGrids();
    rig.screen.tab = Tab::Unit;
    for (auto command :
         {&RowCommands::copyRows, &RowCommands::cutRows, &RowCommands::pasteRows, &RowCommands::copyPreviousRow})
        (rig.rows.*command)();
    EXPECT_EQ(rig.memberList(), QStringList{"1|A"});
    EXPECT_EQ(rig.table("select * from TANI"), QStringList{"1|m"});
}

// A statement failing halfway leaves the work table and the clipboard as they
// were, and the grid open.
TEST(RowClipboard, FailureHalfwayLeavesTheTableAsItWas)
{
    struct Fault {
        const char* name;
        Tab tab;
        QString trigger;
        std::function<void(EditingRig&)> run;
    };
    const QString memberBoom = "create trigger BOOM for BUZAI_S active before insert or update position 0 as begin "
                               "if (new.CNT = 3) then exception boom; end";
    const Fault faults[] = {
        {"member cut", Tab::Member, memberBoom, [](EditingRig& r) { r.rows.cutRows(); }},
        {"member paste", Tab::Member, memberBoom, [](EditingRig& r) { r.rows.pasteRows(); }},
        {"member sort", Tab::Member, memberBoom, [](EditingRig& r) { r.sort.sortBy("NAME01"); }},
        {"major cut", Tab::Major,
         "create trigger BOOM for BUZAI_DAI active before insert position 0 as begin "
         "if (new.CNT = 2) then exception boom; end",
         [](EditingRig& r) { r.rows.cutRows(); }},
    };
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.name);
        EditingRig rig;
        rig.members({"A", "B", "C", "D"});
        rig.work({"insert into BUZAI_DAI values (1,1,'M1',null)", "insert into BUZAI_DAI values (2,2,'M2',null)",
                  "insert into BUZAI_DAI values (3,3,'M3',null)",
                  "insert into BUZAI_CHU values (1,1,1,'m',null,null)"});
        clipboard(rig, {"X"});
        rig.work({"create exception boom 'boom'", f.trigger});
        rig.openGrids();
        rig.screen.tab = f.tab;
        rig.dm->IBT_bu.setRecNo(2);
        const QStringList before = rig.memberList() + majors(rig) + rig.memberList("BUZAI_SW2");
        EXPECT_THROW(f.run(rig), DbError);
        EXPECT_EQ(rig.memberList() + majors(rig) + rig.memberList("BUZAI_SW2"), before);
        EXPECT_TRUE(rig.dm->IBT_bu.active());
        EXPECT_TRUE(rig.dm->IBT_dai.active());
    }
}

TEST(MemberSortTest, OneDirectionFlagForEveryColumn)
{
    EditingRig rig;
    rig.work({"insert into BUZAI_DAI values (1,1,'M',null)", "insert into BUZAI_CHU values (1,1,1,'m',null,null)",
              "insert into BUZAI_S (CNT,BL_kubun,BM_kubun,NAME01,NAME02,KIN_01,KIN_02) values (1,1,1,'b','y',1,300)",
              "insert into BUZAI_S (CNT,BL_kubun,BM_kubun,NAME01,NAME02,KIN_02) values (2,1,1,'a','z',100)",
              "insert into BUZAI_S (CNT,BL_kubun,BM_kubun,NAME01,NAME02,KIN_02) values (3,1,1,'c','x',300)",
              "insert into BUZAI_S (CNT,BL_kubun,BM_kubun,NAME01) values (4,1,1,'d')"});
    rig.openGrids();
    const auto order = [&] { return rig.table("select NAME01 from BUZAI_S order by CNT").join(""); };

    rig.sort.sortBy("№");
    EXPECT_EQ(order(), "bacd");
    EXPECT_FALSE(rig.sort.nextDescending());

    // Ascending unit price, ties by name; an empty price sorts first and becomes 0.
    rig.sort.sortBy("利益率");
    EXPECT_EQ(order(), "dabc");
    EXPECT_EQ(rig.table("select CNT, KIN_02, KIN_01, KETA, S_CD from BUZAI_S where NAME01='d'"),
              QStringList{"1|0|0|0|0"});
    // The next click, on another column, sorts descending.
    rig.sort.sortBy("NAME02");
    EXPECT_EQ(order(), "abcd");
    rig.sort.sortBy("NAME01");
    EXPECT_EQ(order(), "abcd");
    rig.sort.sortBy("NAME01");
    EXPECT_EQ(order(), "dcba");
    EXPECT_EQ(rig.table("select CNT from BUZAI_S order by CNT").join(","), "1,2,3,4");
}

} // namespace
