#include "DataModule.h"
#include "Connections.h"
#include "Schema.h"
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

    void fillMajors(QList<int> codes)
    {
        int cnt = 0;
        for (int code : codes) {
            dm->IBQ_FB2.setSql("insert into BUZAI_DAI (CNT,BL_KUBUN,NAME01) values (:C,:B,:N)");
            dm->IBQ_FB2.setParam("C", ++cnt);
            dm->IBQ_FB2.setParam("B", code);
            dm->IBQ_FB2.setParam("N", QString("大%1").arg(code));
            dm->IBQ_FB2.exec();
        }
        TDM2::execCommit(dm->IBQ_FB2, "update BUZAI_DAI set NAME02=null");
    }

    void fillMembers(int n)
    {
        for (int i = 1; i <= n; ++i) {
            dm->IBQ_FB4.setSql("insert into BUZAI_S (CNT,BL_KUBUN,BM_KUBUN,BS_KUBUN,NAME01,KIN_01,KIN_02) "
                               "values (:C,3,12,:C,:N,800,1000)");
            dm->IBQ_FB4.setParam("C", i);
            dm->IBQ_FB4.setParam("N", QString("部材%1").arg(i));
            dm->IBQ_FB4.exec();
        }
        TDM2::execCommit(dm->IBQ_FB4, "update BUZAI_S set KETA=null");
    }

    // (CNT, code, name) of every row in position order.
    QStringList rows(Query& q, const QString& table, const QString& code)
    {
        q.setSql(QString("select * from %1 order by CNT").arg(table));
        q.open();
        QStringList out;
        for (; !q.eof(); q.next())
            out << QString("%1:%2:%3").arg(q.text("CNT"), q.text(code), q.text("NAME01"));
        q.close();
        return out;
    }
};

TEST_F(DataModuleTest, InsertIntoEmptyMajorListGivesPositionAndCodeOne)
{
    dm->IBT_dai.open();
    dm->IBT_dai.insert();
    EXPECT_EQ(rows(dm->IBQ_FB2, "BUZAI_DAI", "BL_KUBUN"), QStringList({"1:1:"}));
    EXPECT_EQ(dm->IBT_dai.recNo(), 1);
    EXPECT_EQ(dm->IBT_dai.state(), TableDataset::Browse);
}

TEST_F(DataModuleTest, MajorInsertBeforeThirdOfFive)
{
    fillMajors({1, 2, 5, 7, 9});
    dm->IBT_dai.open();
    dm->IBT_dai.setRecNo(3);
    dm->IBT_dai.insert();
    EXPECT_EQ(rows(dm->IBQ_FB2, "BUZAI_DAI", "BL_KUBUN"),
              QStringList({"1:1:大1", "2:2:大2", "3:10:", "4:5:大5", "5:7:大7", "6:9:大9"}));
    EXPECT_EQ(dm->IBT_dai.recNo(), 3);
    EXPECT_EQ(dm->IBT_dai.text("BL_KUBUN"), "10");

    // Appending at the end puts the new row last.
    dm->IBT_dai.last();
    dm->IBT_dai.append();
    EXPECT_EQ(rows(dm->IBQ_FB2, "BUZAI_DAI", "BL_KUBUN").last(), "7:11:");
    EXPECT_EQ(dm->IBT_dai.recNo(), 7);
}

TEST_F(DataModuleTest, DeleteKeepsCodeGapsAndLandsOnFollowingRow)
{
    fillMajors({1, 4, 6, 8});
    dm->IBT_dai.open();
    dm->IBT_dai.setRecNo(2);
    dm->IBT_dai.remove();
    EXPECT_EQ(rows(dm->IBQ_FB2, "BUZAI_DAI", "BL_KUBUN"), QStringList({"1:1:大1", "2:6:大6", "3:8:大8"}));
    EXPECT_EQ(dm->IBT_dai.recNo(), 2);
    EXPECT_EQ(dm->IBT_dai.text("NAME01"), "大6");
    dm->IBT_dai.last();
    dm->IBT_dai.remove();
    EXPECT_EQ(dm->IBT_dai.recNo(), 2);
}

TEST_F(DataModuleTest, MiddleInsertTakesCurrentMajorAndCarriesAccountItem)
{
    dm->currentMajorCode = [] { return 4; };
    dm->IBQ_FB3.setSql("insert into BUZAI_CHU (CNT,BL_KUBUN,BM_KUBUN,NAME01,KU_KAMOKU) values (1,4,3,'中',205)");
    dm->IBQ_FB3.exec();
    dm->IBT_chu.open();
    dm->IBT_chu.insert();
    Query& q = dm->IBQ_FB3;
    q.setSql("select * from BUZAI_CHU order by CNT");
    q.open();
    ASSERT_EQ(q.recordCount(), 2);
    EXPECT_EQ(q.text("BL_KUBUN") + "/" + q.text("BM_KUBUN"), "4/4");
    q.next();
    EXPECT_EQ(q.text("KU_KAMOKU"), "205");
}

TEST_F(DataModuleTest, MemberInsertPositions)
{
    dm->currentMajorCode = [] { return 3; };
    dm->currentMiddleCode = [] { return 12; };
    // One row: the new row goes after it.
    fillMembers(1);
    dm->IBT_bu.open();
    dm->IBT_bu.insert();
    EXPECT_EQ(rows(dm->IBQ_FB4, "BUZAI_S", "BS_KUBUN"), QStringList({"1:1:部材1", "2:0:"}));
    EXPECT_EQ(dm->IBT_bu.recNo(), 2);

    // Several rows, insert on the first: the new row goes before it.
    TDM2::execCommit(dm->IBQ_FB4, "delete from BUZAI_S");
    fillMembers(3);
    dm->IBT_bu.reopen();
    dm->IBT_bu.insert();
    EXPECT_EQ(rows(dm->IBQ_FB4, "BUZAI_S", "BS_KUBUN"), QStringList({"1:0:", "2:1:部材1", "3:2:部材2", "4:3:部材3"}));
    EXPECT_EQ(dm->IBT_bu.recNo(), 1);

    // On the third row: directly before it.
    dm->IBT_bu.setRecNo(3);
    dm->IBT_bu.insert();
    EXPECT_EQ(rows(dm->IBQ_FB4, "BUZAI_S", "BS_KUBUN"),
              QStringList({"1:0:", "2:1:部材1", "3:0:", "4:2:部材2", "5:3:部材3"}));
    EXPECT_EQ(dm->IBT_bu.recNo(), 3);
    EXPECT_EQ(dm->IBT_bu.text("BL_KUBUN") + "/" + dm->IBT_bu.text("BM_KUBUN"), "3/12");

    // Appending: at the end.
    dm->IBT_bu.last();
    dm->IBT_bu.append();
    EXPECT_EQ(rows(dm->IBQ_FB4, "BUZAI_S", "BS_KUBUN").size(), 6);
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
    EXPECT_EQ(rows(dm->IBQ_FB4, "BUZAI_S", "BS_KUBUN"), QStringList({"1:1:部材1", "2:3:部材3", "3:4:部材4"}));
    EXPECT_EQ(dm->IBT_bu.recNo(), 2);
    EXPECT_EQ(dm->IBT_bu.displayText(0, "利益率"), "20.00");
    EXPECT_EQ(dm->IBT_bu.displayText(0, "KIN_02"), "1,000");
    dm->IBT_bu.setValue("KIN_02", "500");
    dm->IBT_bu.setValue("KIN_01", "600");
    EXPECT_EQ(dm->IBT_bu.displayText(1, "利益率"), "-20.00");
    dm->IBT_bu.setValue("KIN_02", "0");
    EXPECT_EQ(dm->IBT_bu.displayText(1, "利益率"), "");
    dm->IBT_bu.setValue("KIN_01", "");
    dm->IBT_bu.setValue("KIN_02", "300");
    EXPECT_EQ(dm->IBT_bu.displayText(1, "利益率"), "100.00");
}

TEST_F(DataModuleTest, NamesAreCutToTheirShiftJisWidthBeforePosting)
{
    fillMembers(1);
    dm->IBT_bu.open();
    const QString full25 = QString(25, QChar(0x3042)); // あ × 25
    const QString half40 = QString(40, 'a');
    dm->IBT_bu.setValue("NAME01", full25);
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
    for (int i = 1; i <= 3; ++i) {
        dm->IBQ_FB2.setSql("insert into TANI (CD,NAME) values (:C,:N)");
        dm->IBQ_FB2.setParam("C", i);
        dm->IBQ_FB2.setParam("N", QString("u%1").arg(i));
        dm->IBQ_FB2.exec();
    }
    dm->IBT_TANI.open();
    dm->IBT_TANI.setRecNo(2);
    dm->IBT_TANI.insert();
    dm->IBT_TANI.setRecNo(4);
    dm->IBT_TANI.remove();
    Query& q = dm->IBQ_FB2;
    q.setSql("select CD, NAME from TANI order by CD");
    q.open();
    QStringList got;
    for (; !q.eof(); q.next())
        got << q.text("CD") + "=" + q.text("NAME");
    EXPECT_EQ(got, QStringList({"1=u1", "2=", "3=u2"}));
}
