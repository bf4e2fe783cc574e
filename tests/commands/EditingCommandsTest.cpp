#include "BatchSetting.h"
#include "DbError.h"
#include "MemberSearch.h"
#include "MemberSort.h"
#include "PriceCalculation.h"
#include "RowCommands.h"
#include "WorkRig.h"

#include <gtest/gtest.h>

namespace {

// The work tables, the data module and the row, sort and search commands.
class EditingRig : public WorkRig<> {
public:
    RowCommands rows{*dm, state, screen};
    MemberSort sort{*dm};
    MemberSearch search{*dm};

    EditingRig() = default;
    // The categories, the members `names` and the grids open.
    explicit EditingRig(const QStringList& names)
    {
        categories();
        members(names);
        openGrids();
    }

    // Major 1 with middle 1 as the current categories.
    void categories()
    {
        work({"insert into BUZAI_DAI values (1,1,'M',null)", "insert into BUZAI_CHU values (1,1,1,'m',null,null)"});
    }
    // Members 1…n of category 1-1 named by `names` ("" for a blank row), codes and prices = positions.
    void members(const QStringList& names)
    {
        QStringList v;
        for (int cnt = 1; cnt <= names.size(); ++cnt)
            v << (names[cnt - 1].isEmpty() ? QStringLiteral("%1,1,1,null,null,null,null").arg(cnt)
                                           : QStringLiteral("%1,1,1,%1,'%2','本',%1").arg(cnt).arg(names[cnt - 1]));
        work(inserts("BUZAI_S (CNT,BL_kubun,BM_kubun,BS_kubun,NAME01,TANI,KIN_02)", v));
    }
    void openGrids()
    {
        for (TableDataset* d : {&dm->IBT_dai, &dm->IBT_chu, &dm->IBT_bu, &dm->IBT_TANI})
            d->open();
    }
    // Positions and names: "1|A".
    QStringList memberList(const QString& table = QStringLiteral("BUZAI_S"))
    {
        return workRows(QStringLiteral("select CNT, coalesce(NAME01,'') from %1 order by CNT").arg(table));
    }
};

QStringList majors(EditingRig& rig)
{
    return rig.workRows("select CNT, BL_kubun, coalesce(NAME01,'') from BUZAI_DAI order by CNT");
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
    row > 0 ? ds.setRecNo(row) : (ds.last(), ds.next());
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
    rig.dm->IBT_dai.setRecNo(3); // A C D
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
    EXPECT_EQ(rig.workRows("select CNT,BL_kubun,BM_kubun,NAME01,KU_KAMOKU from BUZAI_CHU order by CNT"),
              (QStringList{"1|2|1|x|∅", "2|1|1|a|150"}));
}

TEST(RowClipboard, PastePlacesTheClipboardAtTheCursor)
{
    // The list, the cursor (0: past the last row), the list afterwards.
    const std::tuple<QStringList, int, QStringList> cases[] = {
        {{"A"}, 1, {"1|A", "2|X", "3|Y"}},                 // after the only row
        {{"A", "", "C"}, 2, {"1|A", "3|X", "4|Y", "5|C"}}, // a blank row replaced, its position left empty
        {{"A", "B"}, 0, {"1|A", "2|B", "3|X", "4|Y"}},
        {{}, 0, {"1|X", "2|Y"}},
    };
    for (const auto& [list, row, expected] : cases) {
        SCOPED_TRACE(list.join(',').toStdString() + '@' + std::to_string(row));
        EditingRig rig(list);
        clipboard(rig, {"X", "Y"});
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
    rig.screen.selection = {4, 2};
    rig.dm->IBT_bu.setRecNo(3);
    rig.rows.copyRows();
    EXPECT_EQ(rig.workRows("select CNT,NAME01,KU_KAMOKU,S_CD,KETA from BUZAI_SW2 order by CNT"),
              (QStringList{"1|B|∅|∅|∅", "2|C|∅|∅|∅", "3|D|∅|∅|∅"}));
    rig.dm->IBT_bu.setRecNo(5);
    rig.rows.pasteRows();
    EXPECT_EQ(rig.memberList(), (QStringList{"1|A", "2|B", "3|C", "4|D", "5|B", "6|C", "7|D", "8|E"}));
    EXPECT_EQ(rig.workRows("select distinct KU_KAMOKU, S_CD, coalesce(KETA,-1) from BUZAI_S"), QStringList{"0|0|-1"});

    EditingRig cut({"A", "B", "", "C", "D"});
    cut.screen.selection = {2};
    cut.dm->IBT_bu.setRecNo(4);
    cut.rows.cutRows();
    EXPECT_EQ(cut.memberList(), (QStringList{"1|A", "3|D"}));
    cut.dm->IBT_bu.setRecNo(1);
    cut.rows.pasteRows();
    EXPECT_EQ(cut.memberList(), (QStringList{"1|B", "2|C", "3|A", "4|D"}));
    EXPECT_EQ(cut.workRows("select BS_kubun from BUZAI_S order by CNT"), (QStringList{"2", "4", "1", "5"}));
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
    rig.rows.pasteRows(); // A B A C D
    rig.work({"update BUZAI_S set NAME01=null where CNT=4", "update BUZAI_S set S_CD=null where CNT=5"});
    ds.reopen();
    ds.setRecNo(1);
    rig.rows.cutRows();
    EXPECT_EQ(rig.memberList(), (QStringList{"1|B", "2|A", "4|D"}));
    EXPECT_EQ(rig.workRows("select S_CD from BUZAI_S where CNT=4"), QStringList{"0"});
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
    EXPECT_EQ(rig.workRows("select * from TANI"), QStringList{"1|m"});
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
    return rig.workRows("select * from BUZAI_S order by CNT") + rig.workRows("select * from BUZAI_SW2 order by CNT");
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

QString names(EditingRig& rig)
{
    return rig.workRows("select coalesce(NAME01,'-') from BUZAI_S order by CNT").join(',');
}

TEST(MemberSearchTest, KeywordsNarrowLiterally)
{
    EditingRig rig({"赤いパイプ", "青いパイプ", "赤い板", "O''Brien", "50%引", "500円", "a_b", "axb"});
    const QString all = "赤いパイプ,青いパイプ,赤い板,O'Brien,50%引,500円,a_b,axb";
    const std::tuple<QString, QString, QString> cases[] = {
        {"赤", "パイプ", "赤いパイプ"}, // both keywords must match
        {"O'B", "", "O'Brien"},
        {"0%", "", "50%引"}, // a percent sign is a percent sign
        {"a_b", "", "a_b"},  // and an underscore an underscore
        {"無い", "", ""},
    };
    for (const auto& [k1, k2, expected] : cases) {
        SCOPED_TRACE((k1 + '/' + k2).toStdString());
        rig.search.search(k1, k2);
        EXPECT_EQ(names(rig), expected);
        rig.search.reset();
    }
    // Nothing to search for keeps the mode; every reset brought every row back.
    rig.search.search("", "");
    EXPECT_FALSE(rig.search.narrowed());
    EXPECT_EQ(names(rig), all);
}

// What the user did in the narrowed grid comes back into the full list: a row
// edited in any column once, in its place; a deleted row gone; the rows of the
// narrowed grid and those it did not show in their own places around them.
TEST(MemberSearchTest, ResetPutsEachNarrowedRowBackInItsPlace)
{
    // Edited field and value (none: the row deleted); the list after reset.
    const std::tuple<const char*, QVariant, QString> cases[] = {
        {"KIN_02", 999, "A:1,xB:2,C:3,xD:999,E:5,xF:6,G:7"},
        {"NAME01", "yD", "A:1,xB:2,C:3,yD:4,E:5,xF:6,G:7"},
        {"TANI", "m", "A:1,xB:2,C:3,xD:4,E:5,xF:6,G:7"},
        {nullptr, {}, "A:1,xB:2,C:3,E:5,xF:6,G:7"},
    };
    for (const auto& [field, value, expected] : cases) {
        SCOPED_TRACE(value.toString().toStdString());
        EditingRig rig({"A", "xB", "C", "xD", "E", "xF", "G"});
        rig.search.search("x", "");
        TableDataset& ds = rig.dm->IBT_bu;
        ds.setRecNo(2);
        if (field) {
            ds.setValue(field, value);
            ds.post();
        } else {
            ds.remove();
        }
        rig.search.reset();
        EXPECT_EQ(rig.workRows("select NAME01 || ':' || cast(KIN_02 as integer) from BUZAI_S order by CNT").join(','),
                  expected);
        EXPECT_EQ(rig.workRows("select min(CNT), max(CNT), count(*) from BUZAI_S").first(),
                  QStringLiteral("1|%1|%1").arg(expected.count(',') + 1));
    }
}

// A row inserted in the narrowed grid stands after reset where it was put: before
// the narrowed row it was inserted on, after the last one when appended; the
// other rows keep their order.
TEST(MemberSearchTest, RowsInsertedWhileNarrowedStayWhereTheyWerePut)
{
    // Cursor (0: appended), then an optional second insert on the new row's neighbour.
    const std::tuple<int, QString> cases[] = {
        {2, "A,xB,C,N,xD,E,xF,G"},
        {1, "A,N,xB,C,xD,E,xF,G"},
        {0, "A,xB,C,xD,E,xF,N,G"},
    };
    for (const auto& [row, expected] : cases) {
        SCOPED_TRACE(row);
        EditingRig rig({"A", "xB", "C", "xD", "E", "xF", "G"});
        rig.search.search("x", "");
        TableDataset& ds = rig.dm->IBT_bu;
        if (row > 0) {
            ds.setRecNo(row);
            ds.insert();
        } else {
            ds.last();
            ds.append();
        }
        ds.setValue("NAME01", "N");
        ds.post();
        EXPECT_EQ(names(rig).count(',') + 1, 4);
        rig.search.reset();
        EXPECT_EQ(names(rig), expected);
    }

    // Inserts and deletes one after another, and a row cut and pasted further down.
    EditingRig rig({"A", "xB", "C", "xD", "E", "xF", "G", "xH"});
    rig.search.search("x", "");
    TableDataset& ds = rig.dm->IBT_bu;
    ds.setRecNo(3); // xF
    ds.insert();
    ds.setValue("NAME01", "N1");
    ds.post();
    ds.setRecNo(1);
    ds.remove(); // xB
    ds.setRecNo(1);
    rig.rows.cutRows(); // xD
    ds.last();
    ds.next();
    rig.rows.pasteRows(); // after xH
    EXPECT_EQ(names(rig), "N1,xF,xH,xD");
    rig.search.reset();
    EXPECT_EQ(names(rig), "A,C,E,N1,xF,G,xH,xD");
}

// Of two rows by one name the later is kept; the parked list has every member column.
TEST(MemberSearchTest, DuplicatesByNameKeepTheLaterOne)
{
    EditingRig rig({"A", "B", "A"});
    rig.work({"update BUZAI_S set NAME03='second' where CNT=3"});
    rig.search.search("A", "");
    const auto columns = [&](const char* table) {
        rig.conn.IBTransaction2().commitAndRestart();
        Query q(&rig.conn.IBDatabase2);
        q.setSql(QStringLiteral("select * from %1").arg(table));
        q.open();
        return q.fieldNames();
    };
    EXPECT_EQ(columns("BUZAI_S2"), columns("BUZAI_S"));
    rig.search.reset();
    EXPECT_EQ(rig.workRows("select CNT, NAME01, coalesce(NAME03,'') from BUZAI_S order by CNT"),
              (QStringList{"1|B|", "2|A|second"}));
}

// A sort only orders the rows the grid holds: rows pasted from another middle
// category stay, and every value stays as it was, empty ones empty.
TEST(MemberSortTest, SortKeepsEveryRowAsItIs)
{
    EditingRig rig({"C", "A"});
    rig.work({"update BUZAI_S set KIN_02=5, KETA=2, S_CD=5 where CNT=1"});
    rig.work(rig.inserts("BUZAI_SW2 (CNT,BL_kubun,BM_kubun,BS_kubun,NAME01,KIN_06)", {"1,7,7,3,'B',12.5"}));
    rig.dm->IBT_bu.reopen();
    rig.dm->IBT_bu.last();
    rig.dm->IBT_bu.next();
    rig.rows.pasteRows(); // C A B, B from 7-7
    const QString columns = "NAME01,BL_kubun,BM_kubun,BS_kubun,KU_KAMOKU,TANI,KIN_01,KIN_02,KIN_06,S_CD,KETA,B_CD";
    const auto rows = [&] {
        QStringList r = rig.workRows("select " + columns + " from BUZAI_S order by CNT");
        return std::make_pair(rig.workRows("select CNT from BUZAI_S order by CNT").join(','), r);
    };
    const QStringList before = rows().second;
    const std::tuple<const char*, QString, QString> sorts[] = {
        {"NAME01", "A,B,C", "1,2,3"}, // ascending first
        {"KIN_02", "C,A,B", "1,2,3"}, // then descending; an empty price last
        {"利益率", "B,A,C", "1,2,3"}, // by the price, ascending again
        {"KETA", "C,A,B", "1,2,3"},
    };
    for (const auto& [field, order, positions] : sorts) {
        SCOPED_TRACE(field);
        rig.sort.sortBy(field);
        EXPECT_EQ(names(rig), order);
        const auto [cnt, after] = rows();
        EXPECT_EQ(cnt, positions);
        QStringList a = after, b = before;
        a.sort();
        b.sort();
        EXPECT_EQ(a, b);
    }
}

// Sorting the narrowed grid numbers only its rows from 1; reset puts them back by
// those positions, after a parked row of the same position.
TEST(MemberSearchTest, SortWhileNarrowed)
{
    EditingRig rig({"xパイプ", "板", "aパイプ", "柱"});
    rig.search.search("パイプ", "");
    rig.sort.sortBy("NAME01");
    EXPECT_EQ(rig.workRows("select CNT, NAME01 from BUZAI_S order by CNT"), (QStringList{"1|aパイプ", "2|xパイプ"}));
    rig.search.reset();
    EXPECT_EQ(names(rig), "aパイプ,板,xパイプ,柱");
}

// The merge back cuts texts to their first line and takes the spaces out of the
// unit, whether the break is in a narrowed row or in a parked one, and a row
// that differs only by a trailing blank is still written in its merged form.
TEST(MemberSearchTest, MergeBackCutsTextsToTheirFirstLine)
{
    for (bool breakParked : {false, true}) {
        SCOPED_TRACE(breakParked ? "break in a parked row" : "break in a narrowed row");
        EditingRig rig;
        rig.categories();
        rig.members({"赤いパイプ", "青い板"});
        rig.work({QString("update BUZAI_S set NAME02='上' || ascii_char(13) || ascii_char(10) || '下', "
                          "TANI='本 ', NAME03='x' || ascii_char(10) where CNT=%1")
                      .arg(breakParked ? 2 : 1)});
        rig.openGrids();
        rig.search.search("パイプ", "");
        rig.search.reset();
        EXPECT_EQ(rig.workRows("select CNT, NAME01, NAME02, NAME03, TANI, char_length(TANI) from BUZAI_S order by CNT"),
                  QStringList({QString("1|赤いパイプ|%1|本|1").arg(breakParked ? "∅|∅" : "上|x"),
                               QString("2|青い板|%1|本|1").arg(breakParked ? "上|x" : "∅|∅")}));
    }
}

// A statement failing halfway through narrowing or through the merge back leaves
// the member list as it was, in the mode it was in.
TEST(MemberSearchTest, FailureHalfwayLeavesTheListAsItWas)
{
    for (bool narrowFirst : {false, true}) {
        SCOPED_TRACE(narrowFirst ? "reset" : "search");
        EditingRig rig({"A", "B", "C"});
        if (narrowFirst)
            rig.search.search("B", "");
        rig.work({"create exception boom 'boom'",
                  "create trigger BOOM for BUZAI_S active before insert or update or delete position 0 as "
                  "begin if (coalesce(new.NAME01, old.NAME01) in ('B', 'C')) then exception boom; end"});
        rig.openGrids();
        const QStringList before = rig.memberList();
        EXPECT_THROW(narrowFirst ? rig.search.reset() : rig.search.search("B", ""), DbError);
        EXPECT_EQ(rig.memberList(), before);
        EXPECT_EQ(rig.search.narrowed(), narrowFirst);
    }
}

// The batch commands of the 部材 tab on a real member work table.
class BatchCommandsTest : public ::testing::Test, public EditingRig {
protected:
    PriceCalculation price{*dm, screen};
    BatchSetting batch{*dm, state, screen};

    void SetUp() override
    {
        categories();
        dm->currentMajorCode = [] { return 3; };
        dm->currentMiddleCode = [] { return 12; };
    }
    // Members with "cost,price,list price".
    void amounts(const QStringList& rows)
    {
        QStringList values;
        for (const QString& r : rows)
            values << QStringLiteral("%1,3,12,'n%1',").arg(values.size() + 1) + r;
        work(inserts("BUZAI_S (CNT,BL_KUBUN,BM_KUBUN,NAME01,KIN_01,KIN_02,KIN_06)", values));
        openGrids();
    }
    bool run(QString t, QString s, QString f, int r = PriceCalculation::OneYen) { return price.run({t, s, f, r}); }
    QStringList column(const QString& c) { return workRows("select " + c + " from BUZAI_S order by CNT"); }
};

TEST_F(BatchCommandsTest, ProfitRateSetsThePriceFromTheCostWhateverTheTarget)
{
    amounts({"750,1,0", "0,5,0", "null,7,0", "1000,1,0", "3,1,0"});
    // 25 % profit on the price: price = cost ÷ 0.75; cost 0 or empty keeps its price.
    ASSERT_TRUE(run("定価", "利益率", "25"));
    EXPECT_EQ(column("KIN_02"), QStringList({"1000", "5", "7", "1333", "4"}));
}

TEST_F(BatchCommandsTest, PercentOfAColumnWithEachRounding)
{
    amounts({"0,999,999", "0,1000,1000", "0,0,123456", "0,0,0", "0,1234.4,1358"});
    ASSERT_TRUE(run("単価", "単価", "110"));
    EXPECT_EQ(column("KIN_02"), QStringList({"1099", "1100", "0", "0", "1358"}));

    // 自動 rounds by the source amount: 10 yen below 1000, 100 below 100000, then 1000.
    ASSERT_TRUE(run("単価", "定価", "100", PriceCalculation::Automatic));
    EXPECT_EQ(column("KIN_02"), QStringList({"1000", "1000", "123000", "0", "1400"}));

    const std::pair<int, const char*> cases[] = {{PriceCalculation::TenYen, "1240"},
                                                 {PriceCalculation::HundredYen, "1200"},
                                                 {PriceCalculation::ThousandYen, "1000"}};
    for (const auto& [rounding, expected] : cases) {
        work({"update BUZAI_S set KIN_01=1237"});
        ASSERT_TRUE(run("原価", "原価", "100", rounding));
        EXPECT_EQ(column("KIN_01").first(), expected) << rounding;
    }
}

// Every refused factor says why, in a notice; nothing is stored.
TEST_F(BatchCommandsTest, FactorsThatChangeNothing)
{
    amounts({"800,1000,2000000"});
    const QStringList before = workRows("select KIN_01, KIN_02, KIN_06 from BUZAI_S");
    const struct {
        const char *source, *factor, *notice;
    } refused[] = {
        {"定価", "12.5", "掛率「12.5」では計算できません。小数は使えません。1以上の整数（％）を入力してください。"},
        {"定価", " ", "掛率が入力されていません。1以上の整数（％）を入力してください。"},
        {"定価", "0", "掛率「0」では計算できません。1以上の整数（％）を入力してください。"},
        {"原価", "-5", "掛率「-5」では計算できません。1以上の整数（％）を入力してください。"},
        {"単価", "abc", "掛率「abc」では計算できません。1以上の整数（％）を入力してください。"},
        {"定価", "25;delete from BUZAI_S",
         "掛率「25;delete from BUZAI…」では計算できません。1以上の整数（％）を入力してください。"},
        // A rate of 100 % has no price, nor has one above it.
        {"利益率", "99.9",
         "利益率「99.9」では計算できません。小数は使えません。1から99までの整数（％）を入力してください。"},
        {"利益率", "0", "利益率「0」では計算できません。1から99までの整数（％）を入力してください。"},
        {"利益率", "100", "利益率「100」では計算できません。1から99までの整数（％）を入力してください。"},
        // A result beyond the amounts' range is refused as a whole.
        {"定価", "2000000000", "計算結果が金額の範囲を超えます。係数を確認してください。"},
    };
    for (const auto& r : refused) {
        screen.confirm.messages.clear();
        EXPECT_FALSE(run("単価", r.source, r.factor)) << r.factor;
        EXPECT_EQ(screen.confirm.messages, QStringList{QString(r.notice)}) << r.factor;
    }
    EXPECT_EQ(workRows("select KIN_01, KIN_02, KIN_06 from BUZAI_S"), before);
}

TEST_F(BatchCommandsTest, PendingEditIsPostedBeforeTheCalculation)
{
    amounts({"800,0,0"});
    dm->IBT_bu.setValue("KIN_01", 1600);
    ASSERT_TRUE(run("単価", "原価", "50"));
    EXPECT_EQ(workRows("select KIN_01, KIN_02 from BUZAI_S"), QStringList({"1600|800"}));
}

TEST_F(BatchCommandsTest, MemberCodeResetClearsOnlyTheCurrentMajorsCodes)
{
    work(inserts("BUZAI_S (CNT,BL_KUBUN,BM_KUBUN,B_CD)",
                 {"1,3,12,'3-1-5'", "2,3,12,'13-1-5'", "3,3,12,'3A'", "4,3,12,'3-12-40'"}));
    openGrids();
    batch.resetMemberCodes();
    EXPECT_EQ(column("B_CD"), QStringList({"∅", "13-1-5", "3A", "∅"}));
}

// Nothing is set when a picker is cancelled; a vendor code that is not a
// number never reaches the statement.
TEST_F(BatchCommandsTest, VendorAndAccountComeFromThePickers)
{
    amounts({"1,1,1", "2,2,2"});
    int shownWith = 0;
    bool answer = false;
    QString vendor = "77";
    batch.pickVendor = [&](int workType) { return shownWith = workType, state.picks.vendorCode = vendor, answer; };
    batch.pickAccount = [&] { return state.picks.accountCode = 4, answer; };
    const auto setBoth = [&] {
        batch.setVendor();
        batch.setAccount();
        return column("S_CD") + column("KU_KAMOKU");
    };
    EXPECT_EQ(setBoth(), QStringList({"∅", "∅", "∅", "∅"}));
    answer = true;
    EXPECT_EQ(setBoth(), QStringList({"77", "77", "4", "4"}));
    vendor = "1;x";
    EXPECT_EQ(setBoth(), QStringList({"77", "77", "4", "4"}));
    EXPECT_EQ(screen.confirm.messages.size(), 1);
    EXPECT_EQ(shownWith, 312);
}

} // namespace
