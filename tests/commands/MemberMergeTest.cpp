#include "EditingRig.h"

#include <gtest/gtest.h>

namespace {

// The merge back cuts texts to their first line and takes the spaces out of the
// unit, whether the break is in a narrowed row or in a parked one, and a row
// that differs only by a trailing blank is still written in its merged form.
TEST(MemberMergeTest, TextsAreCutToTheirFirstLine)
{
    for (bool breakParked : {false, true}) {
        SCOPED_TRACE(breakParked ? "break in a parked row" : "break in a narrowed row");
        EditingRig rig;
        rig.categories();
        rig.members({"赤いパイプ", "青い板"});
        const QString broken = breakParked ? "青い板" : "赤いパイプ";
        rig.work({QString("update BUZAI_S set NAME02='上' || ascii_char(13) || ascii_char(10) || '下', "
                          "TANI='本 ', NAME03='x' || ascii_char(10) where NAME01='%1'")
                      .arg(broken)});
        rig.openGrids();
        rig.search.search("パイプ", "");
        rig.search.reset();
        EXPECT_EQ(rig.table("select CNT, NAME01, NAME02, NAME03, TANI, char_length(TANI) from BUZAI_S order by CNT"),
                  QStringList({QString("1|赤いパイプ|%1|本|1").arg(breakParked ? "∅|∅" : "上|x"),
                               QString("2|青い板|%1|本|1").arg(breakParked ? "上|x" : "∅|∅")}));
    }
}

} // namespace

namespace {

// Cut and paste give the same list whether its positions were 1 … n (the
// rows counted) or had gaps (the rows ranked): positions, blank rows dropped
// leaving their gap, values in their rebuilt form, the clipboard.
QStringList afterClipboard(bool gaps, bool cut)
{
    EditingRig rig;
    rig.categories();
    const int step = gaps ? 3 : 1;
    QStringList rows;
    const QStringList values{"'A',null,'本',null,null", "null,null,null,null,null", "'C','c','',5,null",
                             "'D',null,'m',null,7",     "'E',null,null,0,null",     "null,'f',null,null,null"};
    for (int i = 0; i < values.size(); ++i)
        rows << QString("insert into BUZAI_S (CNT,BL_kubun,BM_kubun,NAME01,NAME02,TANI,S_CD,KIN_04) "
                        "values (%1,1,1,%2)")
                    .arg(1 + i * step)
                    .arg(values[i]);
    rows << "insert into BUZAI_SW2 (CNT,BL_kubun,NAME01,KU_KAMOKU) values (-1,1,'X',null)"
         << "insert into BUZAI_SW2 (CNT,BL_kubun,NAME01) values (0,1,null)"
         << "insert into BUZAI_SW2 (CNT,BL_kubun,NAME01,KETA) values (1,1,'Y',2)";
    rig.work(rows);
    rig.openGrids();
    rig.screen.tab = Tab::Member;
    if (cut) {
        rig.screen.selection = {2, 5};
        rig.dm->IBT_bu.setRecNo(3);
        rig.rows.cutRows();
    } else {
        rig.dm->IBT_bu.setRecNo(4);
        rig.rows.pasteRows();
    }
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
    QStringList names;
    for (int i = 1; i <= 20; ++i)
        names << QString("M%1").arg(i);
    rig.members(names);
    rig.work({"update BUZAI_S set KU_KAMOKU=null where CNT>15"});
    rig.openGrids();
    rig.screen.tab = Tab::Member;
    TableDataset& grid = rig.dm->IBT_bu;
    const auto shown = [](TableDataset& ds) {
        QStringList rows;
        for (int r = 0; r < ds.recordCount(); ++r) {
            QStringList cells;
            for (const QString& f : ds.fieldNames())
                cells << valueText(ds.valueAt(r, f)) + '/' + QString::number(ds.valueAt(r, f).typeId());
            rows << cells.join('|');
        }
        return rows;
    };
    const auto check = [&](const char* step) {
        SCOPED_TRACE(step);
        TableDataset fresh(&rig.conn.IBDatabase2, "BUZAI_S", "CNT");
        rig.conn.IBTransaction2().commitAndRestart();
        fresh.open();
        EXPECT_EQ(shown(grid), shown(fresh));
    };
    rig.screen.selection = {3, 4};
    grid.setRecNo(3);
    rig.rows.cutRows();
    check("cut of rows to rebuild");
    grid.setRecNo(5);
    rig.rows.pasteRows();
    check("paste of two");
    rig.screen.selection = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    grid.setRecNo(2);
    rig.rows.cutRows();
    check("cut of moved rows");
    grid.setRecNo(1);
    rig.rows.pasteRows();
    check("paste of twelve");
    grid.setRecNo(20);
    grid.setValue("NAME02", "末");
    grid.post();
    grid.database()->transaction().commitAndRestart();
    EXPECT_EQ(rig.table("select NAME02 from BUZAI_S where CNT=20"), QStringList{"末"});
}

} // namespace
