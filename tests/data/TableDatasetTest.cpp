#include "TableDataset.h"
#include "Database.h"
#include "DbErrorOf.h"
#include "Query.h"
#include "TestDb.h"

#include <gtest/gtest.h>

#include <tuple>

class TableDatasetTest : public ::testing::Test {
protected:
    TestFolder folder;
    std::unique_ptr<Database> db = createTestDatabase(folder.file("t.fdb"));
    TableDataset ds{db.get(), "T", "CNT"};

    void SetUp() override
    {
        execCommitted(*db, {"create table T (CNT integer, BL_kubun smallint, NAME01 varchar(40), "
                            "NAME02 varchar(40))"});
        fill();
        ds.open();
    }
    // Rows 1 … 3 named 名1 … 名3, codes 10, 20, 30; committed.
    void fill()
    {
        QStringList sql{"delete from T"};
        for (int i = 1; i <= 3; ++i)
            sql << QString("insert into T (CNT,BL_KUBUN,NAME01) values (%1,%1*10,'名%1')").arg(i);
        execCommitted(*db, sql);
    }
    QStringList names() { return rowsOf(*db, "select NAME01 from T order by CNT"); }
};

// A new row knows its key once posted: editing it again at once updates it.
TEST_F(TableDatasetTest, ANewRowCanBeEditedAgainRightAfterItsPost)
{
    ds.append();
    ds.setValue("CNT", 4);
    ds.post();
    ds.setValue("NAME02", "後で");
    ds.post();
    EXPECT_EQ(rowsOf(*db, "select CNT, NAME02 from T where NAME02 is not null"), QStringList{"4|後で"});
}

TEST_F(TableDatasetTest, UntouchedInsertIsCancelledByMoving)
{
    ds.setRecNo(2);
    ds.insert();
    EXPECT_EQ(ds.recordCount(), 4);
    ds.first();
    EXPECT_EQ(ds.recordCount(), 3);
    EXPECT_EQ(names(), QStringList({"名1", "名2", "名3"}));
}

// A value its column cannot hold is refused when it is set, before the row is
// touched; a post that fails anyway names the column, not a statement parameter,
// and leaves the row in edit mode on the same record with its other values.
TEST_F(TableDatasetTest, ValuesTheColumnCannotHoldAreRefusedByFieldName)
{
    ds.setRecNo(2);
    for (const char* bad : {"アイウ", "1.5", "40000"}) {
        const QString refused = dbErrorOf([&] { ds.setValue("BL_KUBUN", QString::fromUtf8(bad)); }).message();
        EXPECT_TRUE(refused.contains("BL_KUBUN")) << bad << " " << refused.toStdString();
    }
    EXPECT_EQ(ds.state(), TableDataset::Browse);

    ds.setValue("BL_KUBUN", QString::fromUtf8("▲1,000")); // what the amount parser reads
    ds.setValue("NAME01", QString::fromUtf8("a€b"));
    EXPECT_EQ(dbErrorOf([&] { ds.post(); }).message(),
              QString::fromUtf8("「NAME01」に保存できない文字「€」があります。"));
    ds.setValue("NAME01", "ab"); // still editing the same row
    ds.next();
    EXPECT_EQ(names(), QStringList({"名1", "ab", "名3"}));
    EXPECT_EQ(ds.valueAt(1, "BL_KUBUN").toInt(), -1000);
}

TEST(DisplayFormats, GroupsAndBlanksZero)
{
    const std::tuple<QVariant, const char*, const char*> cases[] = {
        {1234567.0, "#,###", "1,234,567"}, {0.0, "#,###", ""},
        {-1234.0, "#,###", "-1,234"},      {999.0, "#,###", "999"},
        {20.0, "0.00;-0.00;#", "20.00"},   {-20.0, "0.00;-0.00;#", "-20.00"},
        {0.0, "0.00;-0.00;#", ""},         {QVariant(), "#,###", ""},
    };
    for (const auto& [v, fmt, out] : cases)
        EXPECT_EQ(formatNumber(v, fmt), QString(out)) << fmt << " " << v.toString().toStdString();
}
