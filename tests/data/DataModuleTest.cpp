#include "DataModule.h"
#include "Connections.h"
#include "TestDb.h"

#include <QMap>

#include <functional>

#include <gtest/gtest.h>

namespace {

// The data module on real work tables, under major 3, middle 12.
struct Rig {
    TestFolder folder;
    Connections conn;
    std::unique_ptr<TDM2> dm = connectDataModule(folder, conn);

    Rig()
    {
        conn.IBTransaction3().restart();
        conn.IBTransaction4().restart();
        dm->currentMajorCode = [] { return 3; };
        dm->currentMiddleCode = [] { return 12; };
    }
};
class DataModuleTest : public ::testing::Test, public Rig {};

// Inserts and deletes keep positions dense; a new row gets the next code of its
// level and the codes of the current parents, the cursor lands where the user
// expects it, and the dataset shows what the table holds.
TEST(DataModuleEvents, InsertsAndDeletesRenumber)
{
    struct Level {
        TableDataset TDM2::*ds;
        const char *table, *columns;
    };
    const Level dai{&TDM2::IBT_dai, "BUZAI_DAI", "CNT,BL_KUBUN,NAME01"},
        chu{&TDM2::IBT_chu, "BUZAI_CHU", "CNT,BL_KUBUN,BM_KUBUN,NAME01,KU_KAMOKU"},
        bu{&TDM2::IBT_bu, "BUZAI_S", "CNT,BL_KUBUN,BM_KUBUN,BS_KUBUN,NAME01"}, tani{&TDM2::IBT_TANI, "TANI", "CD,NAME"};
    const char* three = "1,3,12,1,'部1' 2,3,12,2,'部2' 3,3,12,3,'部3'";
    const struct Case {
        const Level& level;
        const char* before; // rows, one tuple of the columns each
        const char* steps;  // a number moves to that record; "skip" sets the member skip flag
        const char* after;  // the table afterwards
        int recNo;
    } cases[] = {
        {dai, "", "insert", "1|1|∅", 1},
        {dai, "1,1,'大1' 2,2,'大2' 3,5,'大5' 4,7,'大7' 5,9,'大9'", "3 insert last append",
         "1|1|大1 2|2|大2 3|10|∅ 4|5|大5 5|7|大7 6|9|大9 7|11|∅", 7},
        {dai, "1,1,'大1' 2,4,'大4' 3,6,'大6' 4,8,'大8'", "2 remove last remove", "1|1|大1 2|6|大6", 2},
        {chu, "1,3,3,'中',205", "insert", "1|3|4|∅|0 2|3|3|中|205", 1},
        {bu, "1,3,12,1,'部1'", "insert", "1|3|12|1|部1 2|3|12|0|∅", 2},
        {bu, three, "insert 3 insert", "1|3|12|0|∅ 2|3|12|1|部1 3|3|12|0|∅ 4|3|12|2|部2 5|3|12|3|部3", 3},
        {bu, three, "insert last append", "1|3|12|0|∅ 2|3|12|1|部1 3|3|12|2|部2 4|3|12|3|部3 5|3|12|0|∅", 5},
        {bu, "1,3,12,1,'部1' 2,3,12,2,'部2' 3,3,12,3,'部3' 4,3,12,4,'部4'", "2 remove",
         "1|3|12|1|部1 2|3|12|3|部3 3|3|12|4|部4", 2},
        {bu, three, "skip 2 insert", "1|3|12|1|部1 2|3|12|2|部2 3|3|12|3|部3", 2},
        {tani, "1,'u1' 2,'u2' 3,'u3'", "2 insert 4 remove", "1|u1 2|∅ 3|u2", 3},
        // Positions with gaps (an import leaves them): the new row still comes
        // before the row the cursor was on, and the cursor on it.
        {bu, "1,3,12,1,'部1' 2,3,12,2,'部2' 10003,3,12,3,'部3' 10004,3,12,4,'部4'", "3 insert",
         "1|3|12|1|部1 2|3|12|2|部2 3|3|12|0|∅ 4|3|12|3|部3 5|3|12|4|部4", 3},
        {bu, "1,3,12,1,'部1' 10002,3,12,2,'部2' 10003,3,12,3,'部3'", "3 insert",
         "1|3|12|1|部1 2|3|12|2|部2 3|3|12|0|∅ 4|3|12|3|部3", 3},
        {bu, "5,3,12,1,'部1' 9,3,12,2,'部2'", "1 insert", "1|3|12|0|∅ 2|3|12|1|部1 3|3|12|2|部2", 1},
        {bu, "0,3,12,1,'部1' 1,3,12,2,'部2'", "2 insert", "1|3|12|1|部1 2|3|12|0|∅ 3|3|12|2|部2", 2},
        {bu, "5,3,12,1,'部1' 9,3,12,2,'部2'", "last append", "1|3|12|1|部1 2|3|12|2|部2 3|3|12|0|∅", 3},
        {dai, "1,1,'大1' 5,2,'大2' 6,5,'大5' 9,7,'大7'", "3 insert", "1|1|大1 2|2|大2 3|8|∅ 4|5|大5 5|7|大7", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString("%1: %2").arg(c.level.table, c.steps).toStdString());
        Rig rig;
        TDM2& dm = *rig.dm;
        TableDataset& ds = dm.*c.level.ds;
        const QString columns = c.level.columns;
        QStringList fill;
        for (const QString& tuple : QString(c.before).split(' ', Qt::SkipEmptyParts))
            fill << QString("insert into %1 (%2) values (%3)").arg(c.level.table, columns, tuple);
        execCommitted(*ds.database(), fill);
        ds.open();
        const QMap<QString, std::function<void()>> act{{"skip", [&] { dm.memberNumberingSkip = 1; }},
                                                       {"insert", [&] { ds.insert(); }},
                                                       {"append", [&] { ds.append(); }},
                                                       {"remove", [&] { ds.remove(); }},
                                                       {"last", [&] { ds.last(); }}};
        for (const QString& step : QString(c.steps).split(' '))
            step.toInt() ? ds.setRecNo(step.toInt()) : act[step]();
        const QStringList after = QString(c.after).split(' ');
        const QString sql =
            QString("select %1 from %2 order by %3").arg(columns, c.level.table, columns.section(',', 0, 0));
        EXPECT_EQ(rowsOf(*ds.database(), sql), after);
        EXPECT_EQ(ds.recNo(), c.recNo);
        // With the skip flag an ordinary insert, not posted yet.
        if (!dm.memberNumberingSkip) {
            EXPECT_EQ(datasetRows(ds, columns.split(',')), after);
        }
    }
}

TEST_F(DataModuleTest, ProfitRateFollowsTheAmounts)
{
    execCommitted(conn.IBDatabase4, {"insert into BUZAI_S (CNT,KIN_01,KIN_02) values (1,800,1000)"});
    dm->IBT_bu.open();
    const char* cases[][3] = {{"500", "600", "-20.00"}, {"0", "600", ""}, {"300", "", "100.00"}}; // KIN_02, KIN_01
    for (const auto& [price, cost, rate] : cases) {
        dm->IBT_bu.setValue("KIN_02", price);
        dm->IBT_bu.setValue("KIN_01", cost);
        EXPECT_EQ(dm->IBT_bu.displayText(0, "利益率"), rate) << price << " " << cost;
    }
}

TEST_F(DataModuleTest, NamesAreCutToTheirShiftJisWidthBeforePosting)
{
    execCommitted(conn.IBDatabase4, {"insert into BUZAI_S (CNT,BL_KUBUN,BM_KUBUN,BS_KUBUN) values (1,3,12,1)"});
    dm->IBT_bu.open();
    dm->IBT_bu.setValue("NAME01", QString(25, QChar(0x3042))); // あ × 25
    dm->IBT_bu.setValue("NAME02", QString(40, 'a'));
    dm->IBT_bu.setValue("NAME03", QString::fromUtf8("ｱｲｳｴｵかきくけこさしすせ")); // 5 + 20 bytes
    dm->IBT_bu.setValue("TANI", QString::fromUtf8("ｾｯﾄ箱箱"));
    dm->IBT_bu.post();
    dm->IBT_bu.reopen();
    EXPECT_EQ(dm->IBT_bu.text("NAME01"), QString(20, QChar(0x3042)));
    EXPECT_EQ(dm->IBT_bu.text("NAME02"), QString(40, 'a'));
    EXPECT_EQ(dm->IBT_bu.text("NAME03"), QString::fromUtf8("ｱｲｳｴｵかきくけこさし")); // 19 bytes: never half a character
    EXPECT_EQ(dm->IBT_bu.text("TANI"), QString::fromUtf8("ｾｯﾄ箱"));
}

// The member insert and delete rebuilds give the same list whether the
// positions were dense before (rows moved where they are) or had gaps (the list
// rebuilt from an image of it): positions 1 … n, empty codes 0, empty texts
// NULL, the columns a rebuild does not write emptied.
QStringList afterRebuild(bool gaps, bool insert)
{
    Rig rig;
    auto& dm = rig.dm;
    const int step = gaps ? 4 : 1;
    Query& q = dm->IBQ_FB4;
    const QStringList rows{"%1,3,12,1,null,'A ','',null,'本',800,1000,null,5,null,null", // blank description, no codes
                           "%1,3,12,2,7,'B','b','n','  ',null,null,1200,0,2,null",       // unit of blanks
                           "%1,3,12,3,0,'C',null,'',null,1,2,3,null,0,4.5",              // a column rebuilds leave out
                           "%1,null,null,null,null,'D','d',null,'m',null,null,null,1,1,null"};
    int cnt = 1;
    for (const QString& r : rows) {
        q.run("insert into BUZAI_S (CNT,BL_kubun,BM_kubun,BS_kubun,KU_KAMOKU,NAME01,NAME02,NAME03,TANI,KIN_01,KIN_02,"
              "KIN_06,S_CD,KETA,KIN_04) values (" +
              r.arg(cnt) + ")");
        cnt += step;
    }
    q.run("COMMIT");
    dm->IBT_bu.open();
    // The insert goes in front of the third row: after the second, whose
    // position is not 2 when there are gaps.
    const int row = insert ? 3 : 2;
    dm->IBT_bu.setRecNo(row);
    if (insert)
        dm->IBT_bu.insert();
    else
        dm->IBT_bu.remove();
    EXPECT_EQ(dm->IBT_bu.recNo(), row);
    return rowsOf(*q.database(), "select * from BUZAI_S order by CNT");
}

TEST(MemberRebuild, DenseAndGappedListsGiveTheSameRows)
{
    for (bool insert : {true, false}) {
        SCOPED_TRACE(insert ? "insert" : "delete");
        const QStringList dense = afterRebuild(false, insert);
        EXPECT_EQ(dense, afterRebuild(true, insert));
        ASSERT_EQ(dense.size(), insert ? 5 : 3);
        for (int i = 0; i < dense.size(); ++i)
            EXPECT_TRUE(dense[i].startsWith(QString("%1|").arg(i + 1))) << dense[i].toStdString();
        // The first row as every rebuild writes it: codes 0, the empty
        // description NULL, the trailing blank kept, KIN_04 emptied.
        EXPECT_EQ(dense[0], "1|3|12|1|0|A |∅|本|1000|∅|∅|800|∅|∅|∅|∅|∅|∅|∅|5|∅|0|∅");
    }
}

// A rebuild checks only the rows written since the last one; whoever wrote
// them, a later rebuild still brings them to the normal form. That includes a
// transaction that ran across the last rebuild and wrote after it committed.
TEST_F(DataModuleTest, RowsWrittenAfterARebuildAreStillNormalised)
{
    dm->currentMajorCode = [] { return 1; };
    dm->currentMiddleCode = [] { return 1; };
    Query& q = dm->IBQ_FB4;
    for (int i = 1; i <= 4; ++i)
        q.run(QString("insert into BUZAI_S (CNT,BL_kubun,BM_kubun,BS_kubun,KU_KAMOKU,S_CD,KETA,NAME01) "
                      "values (%1,1,1,%1,0,0,0,'N%1')")
                  .arg(i));
    q.run("COMMIT");
    const auto abnormal = [&] {
        q.run("COMMIT");
        return rowsOf(*q.database(), "select CNT from BUZAI_S where S_CD is null or KETA is null or NAME02=''");
    };
    dm->IBT_bu.open();
    dm->IBT_bu.setRecNo(3);
    dm->IBT_bu.insert(); // a rebuild that leaves its mark

    // Written by another connection after it.
    execCommitted(conn.IBDatabase2, {"update BUZAI_S set NAME02='' where CNT=4"});
    // And by a transaction that had begun before the next rebuild.
    Transaction& early = conn.IBTransaction3();
    early.commitAndRestart();
    (void)early.id(); // begun, but no statement yet
    q.run("COMMIT");  // the rebuild's connection goes on in a younger transaction
    dm->IBT_bu.setRecNo(5);
    dm->IBT_bu.insert();
    EXPECT_EQ(abnormal(), QStringList{}) << "the row written by another connection";
    Query(&conn.IBDatabase3).run("update BUZAI_S set S_CD=null, KETA=null where CNT=1");
    early.commit();
    dm->IBT_bu.setRecNo(2);
    dm->IBT_bu.remove();
    EXPECT_EQ(abnormal(), QStringList{}) << "the row of the transaction that ran across the rebuild";
}

// Whether a loaded row is already as a rebuild would write it.
TEST(MemberRebuild, LoadedRowsInTheNormalForm)
{
    const QStringList columns{"BL_kubun", "BM_kubun", "BS_kubun", "KU_KAMOKU", "S_CD", "KETA", "NAME01", "TANI"};
    const QVector<QVariant> normal{1, 1, 1, 0, 0, 0, "名", QVariant()};
    const auto with = [&](int i, const QVariant& v) {
        auto r = normal;
        r[i] = v;
        return TDM2::inNormalForm(columns, r);
    };
    EXPECT_TRUE(TDM2::inNormalForm(columns, normal));
    EXPECT_FALSE(with(7, "  ")) << "a unit of blanks is emptied by a rebuild";
    EXPECT_TRUE(with(7, "\u3000")) << "a full-width blank is text";
    EXPECT_FALSE(with(5, QVariant())) << "an empty digit setting becomes 0";
    EXPECT_FALSE(TDM2::inNormalForm(columns.mid(0, 5), normal.mid(0, 5))) << "a column left out is empty";
    EXPECT_FALSE(TDM2::inNormalForm(columns + QStringList{"KIN_04"}, normal + QVector<QVariant>{1.5}));
}

} // namespace
