#include "BatchSetting.h"
#include "EditingRig.h"
#include "PriceCalculation.h"

#include <gtest/gtest.h>

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
    bool run(const char* target, const char* source, const char* factor, int rounding = PriceCalculation::OneYen)
    {
        return price.run({QString::fromUtf8(target), QString::fromUtf8(source), QString::fromUtf8(factor), rounding});
    }
    QStringList column(const QString& c) { return table(QStringLiteral("select %1 from BUZAI_S order by CNT").arg(c)); }
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

TEST_F(BatchCommandsTest, FactorsThatChangeNothing)
{
    amounts({"800,1000,2000000"});
    const QStringList before = table("select KIN_01, KIN_02, KIN_06 from BUZAI_S");
    for (const char* factor : {"12.5", "", "0", "-5", "abc", "25;delete from BUZAI_S"})
        EXPECT_FALSE(run("単価", "定価", factor)) << factor;
    EXPECT_TRUE(screen.confirm.messages.isEmpty());
    // A rate of 100 % or more has no price: a notice, nothing stored.
    EXPECT_FALSE(run("単価", "利益率", "100"));
    EXPECT_FALSE(run("単価", "利益率", "150"));
    EXPECT_EQ(screen.confirm.messages.size(), 2);
    // A result beyond the amounts' range is refused as a whole.
    EXPECT_FALSE(run("単価", "定価", "2000000000"));
    EXPECT_EQ(screen.confirm.messages.size(), 3);
    EXPECT_EQ(table("select KIN_01, KIN_02, KIN_06 from BUZAI_S"), before);
}

TEST_F(BatchCommandsTest, PendingEditIsPostedBeforeTheCalculation)
{
    amounts({"800,0,0"});
    dm->IBT_bu.setValue("KIN_01", 1600);
    ASSERT_TRUE(run("単価", "原価", "50"));
    EXPECT_EQ(table("select KIN_01, KIN_02 from BUZAI_S"), QStringList({"1600|800"}));
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
