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

    // Members with (cost, price, list price); -1 leaves the amount NULL.
    void amounts(const QList<std::array<double, 3>>& rows)
    {
        QStringList s;
        int cnt = 0;
        for (const auto& r : rows) {
            auto v = [](double d) { return d < 0 ? QStringLiteral("null") : QString::number(d, 'g', 15); };
            s << QStringLiteral("insert into BUZAI_S (CNT,BL_KUBUN,BM_KUBUN,NAME01,KIN_01,KIN_02,KIN_06) "
                                "values (%1,3,12,'n%1',%2,%3,%4)")
                     .arg(++cnt)
                     .arg(v(r[0]), v(r[1]), v(r[2]));
        }
        work(s);
        openGrids();
    }
    QStringList column(const QString& c) { return table(QStringLiteral("select %1 from BUZAI_S order by CNT").arg(c)); }
};

TEST_F(BatchCommandsTest, ProfitRateSetsThePriceFromTheCostWhateverTheTarget)
{
    amounts({{750, 1, 0}, {0, 5, 0}, {-1, 7, 0}, {1000, 1, 0}, {3, 1, 0}});
    // 25 % profit on the price: price = cost ÷ 0.75; cost 0 or empty keeps its price.
    PriceCalculation::Inputs in{QStringLiteral("定価"), QStringLiteral("利益率"), QStringLiteral("25"),
                                PriceCalculation::OneYen};
    ASSERT_TRUE(price.run(in));
    EXPECT_EQ(column("KIN_02"), QStringList({"1000", "5", "7", "1333", "4"}));
    EXPECT_EQ(column("KIN_06"), QStringList({"0", "0", "0", "0", "0"}));
    EXPECT_TRUE(dm->IBT_bu.active());
    EXPECT_EQ(PriceCalculation::profitFactor(25), "133.333333333333");
}

TEST_F(BatchCommandsTest, PercentOfAColumnWithEachRounding)
{
    amounts({{0, 999, 0}, {0, 1000, 0}, {0, 123456, 0}, {0, 0, 0}, {0, 1234.4, 0}});
    PriceCalculation::Inputs in{QStringLiteral("単価"), QStringLiteral("単価"), QStringLiteral("110"),
                                PriceCalculation::OneYen};
    ASSERT_TRUE(price.run(in));
    EXPECT_EQ(column("KIN_02"), QStringList({"1099", "1100", "135802", "0", "1358"}));

    // 自動 rounds by the source amount: 10 yen below 1000, 100 below 100000, then 1000.
    work({"update BUZAI_S set KIN_06=KIN_02, KIN_02=0", "update BUZAI_S set KIN_06=999 where CNT=1",
          "update BUZAI_S set KIN_06=1000 where CNT=2", "update BUZAI_S set KIN_06=123456 where CNT=3"});
    in = {QStringLiteral("単価"), QStringLiteral("定価"), QStringLiteral("100"), PriceCalculation::Automatic};
    ASSERT_TRUE(price.run(in));
    EXPECT_EQ(column("KIN_02"), QStringList({"1000", "1000", "123000", "0", "1400"}));

    const struct {
        int rounding;
        const char* expected;
    } cases[] = {{PriceCalculation::TenYen, "1240"},
                 {PriceCalculation::HundredYen, "1200"},
                 {PriceCalculation::ThousandYen, "1000"}};
    for (const auto& c : cases) {
        work({"update BUZAI_S set KIN_01=1237"});
        ASSERT_TRUE(price.run({QStringLiteral("原価"), QStringLiteral("原価"), QStringLiteral("100"), c.rounding}));
        EXPECT_EQ(column("KIN_01").first(), c.expected) << c.rounding;
    }
}

TEST_F(BatchCommandsTest, FactorsThatChangeNothing)
{
    amounts({{800, 1000, 2000000}});
    const QStringList before = table("select KIN_01, KIN_02, KIN_06 from BUZAI_S");
    for (const char* factor : {"12.5", "", "0", "-5", "abc", "25;delete from BUZAI_S"})
        EXPECT_FALSE(price.run(
            {QStringLiteral("単価"), QStringLiteral("定価"), QString::fromUtf8(factor), PriceCalculation::OneYen}))
            << factor;
    EXPECT_TRUE(screen.confirm.messages.isEmpty());

    // A rate of 100 % or more has no price: a notice, nothing stored.
    for (const char* rate : {"100", "150"})
        EXPECT_FALSE(price.run(
            {QStringLiteral("単価"), QStringLiteral("利益率"), QString::fromUtf8(rate), PriceCalculation::OneYen}));
    ASSERT_EQ(screen.confirm.messages.size(), 2);
    EXPECT_EQ(screen.confirm.messages.first(), "利益率は100未満の数値を入力してください。");

    // A result beyond the amounts' range is refused as a whole.
    EXPECT_FALSE(price.run(
        {QStringLiteral("単価"), QStringLiteral("定価"), QStringLiteral("2000000000"), PriceCalculation::OneYen}));
    EXPECT_EQ(screen.confirm.messages.size(), 3);
    EXPECT_EQ(table("select KIN_01, KIN_02, KIN_06 from BUZAI_S"), before);
}

TEST_F(BatchCommandsTest, PendingEditIsPostedBeforeTheCalculation)
{
    amounts({{800, 0, 0}});
    dm->IBT_bu.setValue("KIN_01", 1600);
    ASSERT_TRUE(
        price.run({QStringLiteral("単価"), QStringLiteral("原価"), QStringLiteral("50"), PriceCalculation::OneYen}));
    EXPECT_EQ(table("select KIN_01, KIN_02 from BUZAI_S"), QStringList({"1600|800"}));
}

TEST_F(BatchCommandsTest, MemberCodeResetClearsOnlyTheCurrentMajorsCodes)
{
    work({"insert into BUZAI_S (CNT,BL_KUBUN,BM_KUBUN,B_CD) values (1,3,12,'3-1-5')",
          "insert into BUZAI_S (CNT,BL_KUBUN,BM_KUBUN,B_CD) values (2,3,12,'13-1-5')",
          "insert into BUZAI_S (CNT,BL_KUBUN,BM_KUBUN,B_CD) values (3,3,12,'3A')",
          "insert into BUZAI_S (CNT,BL_KUBUN,BM_KUBUN,B_CD) values (4,3,12,'3-12-40')"});
    openGrids();
    batch.resetMemberCodes();
    EXPECT_EQ(column("B_CD"), QStringList({"∅", "13-1-5", "3A", "∅"}));
    EXPECT_TRUE(dm->IBT_bu.active());
}

TEST_F(BatchCommandsTest, VendorAndAccountComeFromThePickers)
{
    amounts({{1, 1, 1}, {2, 2, 2}});
    int shownWith = 0;
    bool answer = false;
    batch.pickVendor = [&](int workType) {
        shownWith = workType;
        state.picks.vendorCode = QStringLiteral("77");
        return answer;
    };
    batch.pickAccount = [&] {
        state.picks.accountCode = 4;
        return answer;
    };
    batch.setVendor();
    batch.setAccount();
    EXPECT_EQ(shownWith, 312);
    EXPECT_EQ(column("S_CD"), QStringList({"∅", "∅"}));
    EXPECT_EQ(column("KU_KAMOKU"), QStringList({"∅", "∅"}));

    answer = true;
    batch.setVendor();
    batch.setAccount();
    EXPECT_EQ(column("S_CD"), QStringList({"77", "77"}));
    EXPECT_EQ(column("KU_KAMOKU"), QStringList({"4", "4"}));

    // A code that is not a number never reaches the statement.
    batch.pickVendor = [&](int) {
        state.picks.vendorCode = QStringLiteral("1;x");
        return true;
    };
    batch.setVendor();
    EXPECT_EQ(column("S_CD"), QStringList({"77", "77"}));
    EXPECT_EQ(screen.confirm.messages.size(), 1);
}
