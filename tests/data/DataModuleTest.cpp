#include "DataModule.h"
#include "Connections.h"
#include "TestDb.h"

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

// The rows of a dataset as "a|b|c", NULL as "∅".
QStringList shown(const TableDataset& d, const QString& columns)
{
    QStringList rows;
    for (int r = 0; r < d.recordCount(); ++r) {
        QStringList cells;
        for (const QString& c : columns.split(','))
            cells << (d.valueAt(r, c).isValid() ? valueText(d.valueAt(r, c)) : "∅");
        rows << cells.join('|');
    }
    return rows;
}

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
    const char *five = "1,1,'大1' 2,2,'大2' 3,5,'大5' 4,7,'大7' 5,9,'大9'",
               *four = "1,1,'大1' 2,4,'大4' 3,6,'大6' 4,8,'大8'",
               *three = "1,3,12,1,'部1' 2,3,12,2,'部2' 3,3,12,3,'部3'";
    const struct Case {
        const Level& level;
        const char* before; // rows, one tuple of the columns each
        const char* steps;  // a number moves to that record; "skip" sets the member skip flag
        const char* after;  // the table afterwards
        int recNo;
    } cases[] = {
        {dai, "", "insert", "1|1|∅", 1},
        {dai, five, "3 insert", "1|1|大1 2|2|大2 3|10|∅ 4|5|大5 5|7|大7 6|9|大9", 3},
        {dai, five, "3 insert last append", "1|1|大1 2|2|大2 3|10|∅ 4|5|大5 5|7|大7 6|9|大9 7|11|∅", 7},
        {dai, four, "2 remove", "1|1|大1 2|6|大6 3|8|大8", 2},
        {dai, four, "2 remove last remove", "1|1|大1 2|6|大6", 2},
        {chu, "1,3,3,'中',205", "insert", "1|3|4|∅|0 2|3|3|中|205", 1},
        {bu, "1,3,12,1,'部1'", "insert", "1|3|12|1|部1 2|3|12|0|∅", 2},
        {bu, three, "insert", "1|3|12|0|∅ 2|3|12|1|部1 3|3|12|2|部2 4|3|12|3|部3", 1},
        {bu, three, "insert 3 insert", "1|3|12|0|∅ 2|3|12|1|部1 3|3|12|0|∅ 4|3|12|2|部2 5|3|12|3|部3", 3},
        {bu, three, "insert last append", "1|3|12|0|∅ 2|3|12|1|部1 3|3|12|2|部2 4|3|12|3|部3 5|3|12|0|∅", 5},
        {bu, "1,3,12,1,'部1' 2,3,12,2,'部2' 3,3,12,3,'部3' 4,3,12,4,'部4'", "2 remove",
         "1|3|12|1|部1 2|3|12|3|部3 3|3|12|4|部4", 2},
        {bu, three, "skip 2 insert", "1|3|12|1|部1 2|3|12|2|部2 3|3|12|3|部3", 2},
        {tani, "1,'u1' 2,'u2' 3,'u3'", "2 insert 4 remove", "1|u1 2|∅ 3|u2", 3},
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
        for (const QString& step : QString(c.steps).split(' ')) {
            bool number = false;
            const int recNo = step.toInt(&number);
            if (number)
                ds.setRecNo(recNo);
            else if (step == "skip")
                dm.memberNumberingSkip = 1;
            else if (step == "insert")
                ds.insert();
            else if (step == "append")
                ds.append();
            else if (step == "remove")
                ds.remove();
            else
                ds.last();
        }
        const QStringList after = QString(c.after).split(' ');
        const QString sql =
            QString("select %1 from %2 order by %3").arg(columns, c.level.table, columns.section(',', 0, 0));
        EXPECT_EQ(rowsOf(*ds.database(), sql), after);
        EXPECT_EQ(ds.recNo(), c.recNo);
        if (dm.memberNumberingSkip) {
            EXPECT_EQ(ds.state(), TableDataset::Insert) << "an ordinary unposted insert";
            continue;
        }
        EXPECT_EQ(ds.state(), TableDataset::Browse);
        EXPECT_EQ(shown(ds, columns), after);
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
    const QString half40(40, 'a');
    dm->IBT_bu.setValue("NAME01", QString(25, QChar(0x3042))); // あ × 25
    dm->IBT_bu.setValue("NAME02", half40);
    dm->IBT_bu.setValue("NAME03", QString::fromUtf8("ｱｲｳｴｵかきくけこさしすせ")); // 5 + 20 bytes
    dm->IBT_bu.setValue("TANI", QString::fromUtf8("ｾｯﾄ箱箱"));
    dm->IBT_bu.post();
    dm->IBT_bu.reopen();
    EXPECT_EQ(dm->IBT_bu.text("NAME01"), QString(20, QChar(0x3042)));
    EXPECT_EQ(dm->IBT_bu.text("NAME02"), half40);
    EXPECT_EQ(dm->IBT_bu.text("NAME03"), QString::fromUtf8("ｱｲｳｴｵかきくけこさし")); // 19 bytes: never half a character
    EXPECT_EQ(dm->IBT_bu.text("TANI"), QString::fromUtf8("ｾｯﾄ箱"));
}

} // namespace
