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
    QStringList values;
    for (const QString& n : names)
        values << QStringLiteral("%1,7,7,'%2'").arg(values.size() + 1).arg(n);
    rig.work(rig.inserts("BUZAI_SW2 (CNT,BL_kubun,BM_kubun,NAME01)", values));
}
// The cursor on `row`; 0: past the last row.
void cursor(TableDataset& ds, int row)
{
    if (row > 0) {
        ds.setRecNo(row);
    } else {
        ds.last();
        ds.next();
    }
}

// A major cut and pasted elsewhere keeps its code; a middle moves to another
// major's list with its code pair and account item.
TEST(RowClipboard, CategoriesKeepTheirCodes)
{
    EditingRig rig;
    rig.work(rig.inserts("BUZAI_DAI", {"1,1,'A',null", "2,2,'B',null", "3,3,'C',null", "4,4,'D',null"}) +
             rig.inserts("BUZAI_CHU", {"1,1,1,'a',null,150", "2,1,2,'b',null,null"}));
    rig.openGrids();
    rig.screen.tab = Tab::Major;
    rig.dm->IBT_dai.setRecNo(2);
    rig.rows.cutRows();
    EXPECT_EQ(majors(rig), (QStringList{"1|1|A", "2|3|C", "3|4|D"}));
    rig.dm->IBT_dai.setRecNo(3);
    rig.rows.pasteRows();
    EXPECT_EQ(majors(rig), (QStringList{"1|1|A", "2|3|C", "3|2|B", "4|4|D"}));

    rig.screen.tab = Tab::Middle;
    rig.dm->IBT_chu.first();
    rig.rows.cutRows();
    rig.dm->IBT_chu.close(); // the other major category's list
    rig.work({"delete from BUZAI_CHU", "insert into BUZAI_CHU values (1,2,1,'x',null,null)"});
    rig.dm->IBT_chu.open();
    cursor(rig.dm->IBT_chu, 0);
    rig.rows.pasteRows();
    EXPECT_EQ(rig.table("select CNT,BL_kubun,BM_kubun,NAME01,KU_KAMOKU from BUZAI_CHU order by CNT"),
              (QStringList{"1|2|1|x|∅", "2|1|1|a|150"}));
}

TEST(RowClipboard, PastePlacesTheClipboardAtTheCursor)
{
    // The list, the cursor (0: past the last row), the list afterwards.
    const std::tuple<QStringList, int, QStringList> cases[] = {
        {{"A", "B"}, 1, {"1|X", "2|Y", "3|A", "4|B"}},     // before a filled row
        {{"A"}, 1, {"1|A", "2|X", "3|Y"}},                 // after the only row
        {{"A", "", "C"}, 2, {"1|A", "3|X", "4|Y", "5|C"}}, // a blank row replaced, its position left empty
        {{"A", "B"}, 0, {"1|A", "2|B", "3|X", "4|Y"}},
        {{}, 0, {"1|X", "2|Y"}},
    };
    for (const auto& [list, row, expected] : cases) {
        SCOPED_TRACE(list.join(',').toStdString() + '@' + std::to_string(row));
        EditingRig rig;
        rig.members(list);
        clipboard(rig, {"X", "Y"});
        rig.openGrids();
        cursor(rig.dm->IBT_bu, row);
        rig.rows.pasteRows();
        EXPECT_EQ(rig.memberList(), expected);
        EXPECT_TRUE(rig.memberList("BUZAI_SW2").isEmpty());
    }
}

// Copy keeps empty codes empty; the paste's rebuild makes the account item and
// the vendor 0 but leaves the digit setting empty. A cut drops blank rows,
// leaving their gap, and the moved rows keep their own codes.
TEST(RowClipboard, SelectedMembersGoInGridOrder)
{
    EditingRig rig({"A", "B", "C", "D", "E"});
    TableDataset& ds = rig.dm->IBT_bu;
    rig.screen.selection = {4, 2};
    ds.setRecNo(3);
    rig.rows.copyRows();
    EXPECT_EQ(rig.table("select CNT,NAME01,KU_KAMOKU,S_CD,KETA from BUZAI_SW2 order by CNT"),
              (QStringList{"1|B|∅|∅|∅", "2|C|∅|∅|∅", "3|D|∅|∅|∅"}));
    ds.setRecNo(5);
    rig.rows.pasteRows();
    EXPECT_EQ(rig.memberList(), (QStringList{"1|A", "2|B", "3|C", "4|D", "5|B", "6|C", "7|D", "8|E"}));
    EXPECT_EQ(rig.table("select distinct KU_KAMOKU, S_CD, coalesce(KETA,-1) from BUZAI_S"), QStringList{"0|0|-1"});

    EditingRig cut({"A", "B", "", "C", "D"});
    cut.screen.selection = {2};
    cut.dm->IBT_bu.setRecNo(4);
    cut.rows.cutRows();
    EXPECT_EQ(cut.memberList(), (QStringList{"1|A", "3|D"}));
    EXPECT_EQ(cut.memberList("BUZAI_SW2"), (QStringList{"-1|B", "0|C"}));
    cut.dm->IBT_bu.setRecNo(1);
    cut.rows.pasteRows();
    EXPECT_EQ(cut.memberList(), (QStringList{"1|B", "2|C", "3|A", "4|D"}));
    EXPECT_EQ(cut.table("select BS_kubun from BUZAI_S order by CNT"), (QStringList{"2", "4", "1", "5"}));
}

// A row blanked after the last paste is dropped by the next cut, like any
// row a rebuild finds without names.
TEST(RowClipboard, RowsWrittenAfterAPasteAreTestedAgain)
{
    EditingRig rig({"A", "B", "C", "D"});
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

// The row above is copied into a new row at the cursor, a blank one skipped.
TEST(RowClipboard, CopyPreviousRow)
{
    const std::tuple<QStringList, int, QString> cases[] = {
        {{"A", "B", "C"}, 3, "B|本"}, {{"A", "", "C"}, 3, "A|本"}, {{"A", "B"}, 1, "|"}};
    for (const auto& [list, row, copied] : cases) {
        SCOPED_TRACE(list.join(',').toStdString());
        EditingRig rig(list);
        TableDataset& ds = rig.dm->IBT_bu;
        ds.setRecNo(row);
        rig.rows.copyPreviousRow();
        EXPECT_EQ(ds.recNo(), row);
        EXPECT_EQ(ds.text("NAME01") + '|' + ds.text("TANI"), copied);
        ds.post();
        EXPECT_EQ(rig.memberList().size(), list.size() + 1);
    }
}

// Delete asks first; the commands of the member tab leave the unit tab alone.
TEST(RowClipboard, DeleteAsksFirstAndOtherTabsAreLeftAlone)
{
    EditingRig rig({"A", "B"});
    rig.work({"insert into TANI values (1,'m')"});
    rig.screen.confirm.answers = {Confirmation::No, Confirmation::Ok};
    rig.rows.deleteRow();
    EXPECT_EQ(rig.memberList().size(), 2);
    rig.rows.deleteRow();
    EXPECT_EQ(rig.memberList(), QStringList{"1|B"});

    rig.screen.tab = Tab::Unit;
    for (auto command :
         {&RowCommands::copyRows, &RowCommands::cutRows, &RowCommands::pasteRows, &RowCommands::copyPreviousRow})
        (rig.rows.*command)();
    EXPECT_EQ(rig.memberList(), QStringList{"1|B"});
    EXPECT_EQ(rig.table("select * from TANI"), QStringList{"1|m"});
}

// A statement failing halfway leaves the work table and the clipboard as they
// were, and the grid open.
TEST(RowClipboard, FailureHalfwayLeavesTheTableAsItWas)
{
    // Member cut, paste and sort (BUZAI_S fails at position 3); major cut (BUZAI_DAI at 2).
    const std::tuple<Tab, const char*, std::function<void(EditingRig&)>> faults[] = {
        {Tab::Member, "S for insert or update", [](EditingRig& r) { r.rows.cutRows(); }},
        {Tab::Member, "S for insert or update", [](EditingRig& r) { r.rows.pasteRows(); }},
        {Tab::Member, "S for insert or update", [](EditingRig& r) { r.sort.sortBy("NAME01"); }},
        {Tab::Major, "DAI for insert", [](EditingRig& r) { r.rows.cutRows(); }},
    };
    for (const auto& [tab, on, run] : faults) {
        SCOPED_TRACE(on);
        EditingRig rig;
        rig.categories();
        rig.members({"A", "B", "C", "D"});
        rig.work(rig.inserts("BUZAI_DAI", {"2,2,'M2',null", "3,3,'M3',null"}));
        clipboard(rig, {"X"});
        rig.work({"create exception boom 'boom'",
                  QStringLiteral("create trigger BOOM for BUZAI_%1 active before %2 position 0 as begin "
                                 "if (new.CNT = %3) then exception boom; end")
                      .arg(QString(on).section(' ', 0, 0), QString(on).section(' ', 2))
                      .arg(tab == Tab::Member ? 3 : 2)});
        rig.openGrids();
        rig.screen.tab = tab;
        rig.dm->IBT_bu.setRecNo(2);
        const QStringList before = rig.memberList() + majors(rig) + rig.memberList("BUZAI_SW2");
        EXPECT_THROW(run(rig), DbError);
        EXPECT_EQ(rig.memberList() + majors(rig) + rig.memberList("BUZAI_SW2"), before);
        EXPECT_TRUE(rig.dm->IBT_bu.active() && rig.dm->IBT_dai.active());
    }
}

// Cut and paste give the same list whether its positions were 1 … n (the
// rows counted) or had gaps (the rows ranked): positions, blank rows dropped
// leaving their gap, values in their rebuilt form, the clipboard.
QStringList afterClipboard(bool gaps, bool cut)
{
    EditingRig rig;
    rig.categories();
    const QStringList values{"'A',null,'本',null,null", "null,null,null,null,null", "'C','c','',5,null",
                             "'D',null,'m',null,7",     "'E',null,null,0,null",     "null,'f',null,null,null"};
    QStringList rows;
    for (int i = 0; i < values.size(); ++i)
        rows << QString("%1,1,1,%2").arg(1 + i * (gaps ? 3 : 1)).arg(values[i]);
    rig.work(rig.inserts("BUZAI_S (CNT,BL_kubun,BM_kubun,NAME01,NAME02,TANI,S_CD,KIN_04)", rows) +
             rig.inserts("BUZAI_SW2 (CNT,BL_kubun,NAME01,KETA)", {"-1,1,'X',null", "0,1,null,null", "1,1,'Y',2"}));
    rig.openGrids();
    if (cut)
        rig.screen.selection = {2, 5};
    rig.dm->IBT_bu.setRecNo(cut ? 3 : 4);
    cut ? rig.rows.cutRows() : rig.rows.pasteRows();
    return rig.table("select * from BUZAI_S order by CNT") + rig.table("select * from BUZAI_SW2 order by CNT");
}

TEST(MemberClipboardTest, CountedAndRankedPositionsAgree)
{
    for (bool cut : {true, false}) {
        SCOPED_TRACE(cut ? "cut" : "paste");
        const QStringList counted = afterClipboard(false, cut);
        EXPECT_EQ(counted, afterClipboard(true, cut));
        EXPECT_EQ(counted.first().section('|', 0, 0), "1");
    }
}

// Cut and paste read back only part of the member list into the grid; what the
// grid shows afterwards is what a read of the table shows, and it stays
// addressable: first rows still to be brought to the rebuilt form, then rows
// moved only, a few pasted and many pasted.
TEST(MemberClipboardTest, TheGridShowsTheRebuiltList)
{
    EditingRig rig;
    rig.categories();
    rig.members(QString("M1 M2 M3 M4 M5 M6 M7 M8 M9 M10 M11 M12 M13 M14 M15 M16 M17 M18 M19 M20").split(' '));
    rig.work({"update BUZAI_S set KU_KAMOKU=null where CNT>15"});
    rig.openGrids();
    TableDataset& grid = rig.dm->IBT_bu;
    const auto shown = [](TableDataset& ds) {
        QStringList cells;
        for (int r = 0; r < ds.recordCount(); ++r)
            for (const QString& f : ds.fieldNames())
                cells << valueText(ds.valueAt(r, f)) + '/' + QString::number(ds.valueAt(r, f).typeId());
        return cells;
    };
    // Cursor, selection, cut or paste.
    const std::tuple<int, QList<int>, bool> steps[] = {
        {3, {3, 4}, true}, {5, {}, false}, {2, {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}, true}, {1, {}, false}};
    for (const auto& [row, selection, cut] : steps) {
        SCOPED_TRACE(row);
        rig.screen.selection = selection;
        grid.setRecNo(row);
        cut ? rig.rows.cutRows() : rig.rows.pasteRows();
        TableDataset fresh(&rig.conn.IBDatabase2, "BUZAI_S", "CNT");
        rig.conn.IBTransaction2().commitAndRestart();
        fresh.open();
        EXPECT_EQ(shown(grid), shown(fresh));
    }
    grid.setRecNo(20);
    grid.setValue("NAME02", "末");
    grid.post();
    grid.database()->transaction().commitAndRestart();
    EXPECT_EQ(rig.table("select NAME02 from BUZAI_S where CNT=20"), QStringList{"末"});
}

// Title clicks on the name column are walked through in the window's tests.
TEST(MemberSortTest, ProfitRateSortsByPriceAndOneDirectionFlagServesEveryColumn)
{
    EditingRig rig;
    rig.categories();
    rig.work(rig.inserts(
        "BUZAI_S (CNT,BL_kubun,BM_kubun,NAME01,NAME02,KIN_01,KIN_02)",
        {"1,1,1,'b','y',1,300", "2,1,1,'a','z',null,100", "3,1,1,'c','x',null,300", "4,1,1,'d',null,null,null"}));
    rig.openGrids();
    const auto order = [&] { return rig.table("select NAME01 from BUZAI_S order by CNT").join(""); };
    // Ascending unit price, ties by name; an empty price sorts first and becomes 0.
    rig.sort.sortBy("利益率");
    EXPECT_EQ(order(), "dabc");
    EXPECT_EQ(rig.table("select CNT, KIN_02, KIN_01, KETA, S_CD from BUZAI_S where NAME01='d'"),
              QStringList{"1|0|0|0|0"});
    // The next click, on another column, sorts descending.
    rig.sort.sortBy("NAME02");
    EXPECT_EQ(order(), "abcd");
    EXPECT_EQ(rig.table("select CNT from BUZAI_S order by CNT").join(","), "1,2,3,4");
}

} // namespace
