#include "DataModule.h"
#include "Connections.h"
#include "TestDb.h"

#include <gtest/gtest.h>

// The dataset events on real work tables: positions stay dense, new rows get
// their codes, the cursor lands where the user expects it.
class DataModuleTest : public ::testing::Test {
protected:
    TestFolder folder;
    Connections conn;
    std::unique_ptr<TDM2> dm;

    void SetUp() override
    {
        dm = connectDataModule(folder, conn);
        conn.IBTransaction3().restart();
        conn.IBTransaction4().restart();
    }
    // Committed rows 1 … n: majors with the given codes, or members under 3/12.
    void fillMajors(QList<int> codes)
    {
        QStringList sql;
        for (int i = 0; i < codes.size(); ++i)
            sql << QString("insert into BUZAI_DAI (CNT,BL_KUBUN,NAME01) values (%1,%2,'大%2')")
                       .arg(i + 1)
                       .arg(codes[i]);
        execCommitted(*dm->IBQ_FB2.database(), sql);
    }
    void fillMembers(int n)
    {
        QStringList sql{"delete from BUZAI_S"};
        for (int i = 1; i <= n; ++i)
            sql << QString("insert into BUZAI_S (CNT,BL_KUBUN,BM_KUBUN,BS_KUBUN,NAME01,KIN_01,KIN_02) "
                           "values (%1,3,12,%1,'部材%1',800,1000)")
                       .arg(i);
        execCommitted(*dm->IBQ_FB4.database(), sql);
    }
    // "position|code|name" of every row.
    QStringList majors()
    {
        return rowsOf(*dm->IBQ_FB2.database(), "select CNT,BL_KUBUN,NAME01 from BUZAI_DAI order by CNT");
    }
    QStringList members()
    {
        return rowsOf(*dm->IBQ_FB4.database(), "select CNT,BS_KUBUN,NAME01 from BUZAI_S order by CNT");
    }
};

TEST_F(DataModuleTest, MajorInsertsTakeTheNextCode)
{
    dm->IBT_dai.open();
    dm->IBT_dai.insert();
    EXPECT_EQ(majors(), QStringList({"1|1|∅"})) << "into an empty list";
    EXPECT_EQ(dm->IBT_dai.recNo(), 1);
    EXPECT_EQ(dm->IBT_dai.state(), TableDataset::Browse);

    execCommitted(*dm->IBQ_FB2.database(), {"delete from BUZAI_DAI"});
    fillMajors({1, 2, 5, 7, 9});
    dm->IBT_dai.reopen();
    dm->IBT_dai.setRecNo(3);
    dm->IBT_dai.insert();
    EXPECT_EQ(majors(), QStringList({"1|1|大1", "2|2|大2", "3|10|∅", "4|5|大5", "5|7|大7", "6|9|大9"}));
    EXPECT_EQ(dm->IBT_dai.recNo(), 3);
    EXPECT_EQ(dm->IBT_dai.text("BL_KUBUN"), "10");

    dm->IBT_dai.last();
    dm->IBT_dai.append();
    EXPECT_EQ(majors().last(), "7|11|∅");
    EXPECT_EQ(dm->IBT_dai.recNo(), 7);
}

TEST_F(DataModuleTest, DeleteKeepsCodeGapsAndLandsOnFollowingRow)
{
    fillMajors({1, 4, 6, 8});
    dm->IBT_dai.open();
    dm->IBT_dai.setRecNo(2);
    dm->IBT_dai.remove();
    EXPECT_EQ(majors(), QStringList({"1|1|大1", "2|6|大6", "3|8|大8"}));
    EXPECT_EQ(dm->IBT_dai.recNo(), 2);
    EXPECT_EQ(dm->IBT_dai.text("NAME01"), "大6");
    dm->IBT_dai.last();
    dm->IBT_dai.remove();
    EXPECT_EQ(dm->IBT_dai.recNo(), 2);
}

TEST_F(DataModuleTest, MiddleInsertTakesCurrentMajorAndCarriesAccountItem)
{
    dm->currentMajorCode = [] { return 4; };
    dm->IBQ_FB3.run("insert into BUZAI_CHU (CNT,BL_KUBUN,BM_KUBUN,NAME01,KU_KAMOKU) values (1,4,3,'中',205)");
    dm->IBT_chu.open();
    dm->IBT_chu.insert();
    const QStringList rows =
        rowsOf(*dm->IBQ_FB3.database(), "select BL_KUBUN,BM_KUBUN,KU_KAMOKU from BUZAI_CHU order by CNT");
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].startsWith("4|4|")) << rows[0].toStdString();
    EXPECT_TRUE(rows[1].endsWith("|205")) << rows[1].toStdString();
}

TEST_F(DataModuleTest, MemberInsertPositions)
{
    dm->currentMajorCode = [] { return 3; };
    dm->currentMiddleCode = [] { return 12; };
    fillMembers(1);
    dm->IBT_bu.open();
    dm->IBT_bu.insert();
    EXPECT_EQ(members(), QStringList({"1|1|部材1", "2|0|∅"})) << "after the only row";
    EXPECT_EQ(dm->IBT_bu.recNo(), 2);

    fillMembers(3);
    dm->IBT_bu.reopen();
    dm->IBT_bu.insert();
    EXPECT_EQ(members(), QStringList({"1|0|∅", "2|1|部材1", "3|2|部材2", "4|3|部材3"})) << "before the first";
    EXPECT_EQ(dm->IBT_bu.recNo(), 1);

    dm->IBT_bu.setRecNo(3);
    dm->IBT_bu.insert();
    EXPECT_EQ(members(), QStringList({"1|0|∅", "2|1|部材1", "3|0|∅", "4|2|部材2", "5|3|部材3"})) << "before the third";
    EXPECT_EQ(dm->IBT_bu.recNo(), 3);
    EXPECT_EQ(dm->IBT_bu.text("BL_KUBUN") + "/" + dm->IBT_bu.text("BM_KUBUN"), "3/12");

    dm->IBT_bu.last();
    dm->IBT_bu.append();
    EXPECT_EQ(members().size(), 6);
    EXPECT_EQ(dm->IBT_bu.recNo(), 6);

    // Skip flag: an ordinary unposted insert.
    dm->memberNumberingSkip = 1;
    dm->IBT_bu.setRecNo(2);
    dm->IBT_bu.insert();
    EXPECT_EQ(dm->IBT_bu.state(), TableDataset::Insert);
    dm->IBT_bu.cancel();
}

TEST_F(DataModuleTest, MemberDeleteRenumbersAndProfitRate)
{
    fillMembers(4);
    dm->IBT_bu.open();
    dm->IBT_bu.setRecNo(2);
    dm->IBT_bu.remove();
    EXPECT_EQ(members(), QStringList({"1|1|部材1", "2|3|部材3", "3|4|部材4"}));
    EXPECT_EQ(dm->IBT_bu.recNo(), 2);
    EXPECT_EQ(dm->IBT_bu.displayText(0, "利益率"), "20.00");
    EXPECT_EQ(dm->IBT_bu.displayText(0, "KIN_02"), "1,000");
    const char* cases[][3] = {
        {"500", "600", "-20.00"}, {"0", "600", ""}, {"300", "", "100.00"}}; // KIN_02, KIN_01, rate
    for (const auto& [price, cost, rate] : cases) {
        dm->IBT_bu.setValue("KIN_02", price);
        dm->IBT_bu.setValue("KIN_01", cost);
        EXPECT_EQ(dm->IBT_bu.displayText(1, "利益率"), rate) << price << " " << cost;
    }
}

TEST_F(DataModuleTest, NamesAreCutToTheirShiftJisWidthBeforePosting)
{
    fillMembers(1);
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

TEST_F(DataModuleTest, UnitInsertAndDeleteRenumberCodes)
{
    Database& db = *dm->IBQ_FB2.database();
    execCommitted(db, {"insert into TANI (CD,NAME) values (1,'u1')", "insert into TANI (CD,NAME) values (2,'u2')",
                       "insert into TANI (CD,NAME) values (3,'u3')"});
    dm->IBT_TANI.open();
    dm->IBT_TANI.setRecNo(2);
    dm->IBT_TANI.insert();
    dm->IBT_TANI.setRecNo(4);
    dm->IBT_TANI.remove();
    EXPECT_EQ(rowsOf(db, "select CD, NAME from TANI order by CD"), QStringList({"1|u1", "2|∅", "3|u2"}));
}
