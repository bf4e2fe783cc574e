#include "TableDataset.h"
#include "Database.h"
#include "DbErrorOf.h"
#include "Query.h"
#include "TestDb.h"

#include <gtest/gtest.h>

#include <optional>
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

// A reopen prepared inside a rebuild's transaction shows exactly what a full
// read shows, whatever was written before it and whether a declared shift is
// true or not, and its rows stay addressable.
TEST_F(TableDatasetTest, ReopenPreparedInARebuildShowsWhatAFullReadShows)
{
    const QString shift = "update T set CNT=CNT+1 where CNT>=2 order by CNT desc";
    struct Case {
        const char* name;
        bool post;      // a row edited through the dataset first
        QString before; // committed by another transaction while the dataset is closed
        QStringList rebuild;
        bool positionsOnly = false;
        std::optional<TableDataset::Shift> declared = {};
    } cases[] = {
        {"written and deleted", false, "", {"update T set NAME01='x',CNT=9 where CNT=2", "delete from T where CNT=1"}},
        {"most rows written", false, "", {"update T set NAME01=NAME01||'+' where CNT>1"}},
        {"a posted row", true, "", {"update T set CNT=0 where CNT=3"}},
        {"changed by another", false, "update T set NAME02='他' where CNT=3", {"update T set CNT=5 where CNT=1"}},
        {"positions only", false, "", {shift, "insert into T (CNT,BL_KUBUN,NAME01) values (2,15,'新')"}, true},
        {"nothing written", true, "", {}},
        {"deleted by another", false, "delete from T where CNT=3", {shift}, true},
        {"a posted row moved", true, "", {shift}, true},
        {"declared: a row added",
         false,
         "",
         {shift, "insert into T (CNT,BL_KUBUN,NAME01) values (2,15,'新')"},
         true,
         TableDataset::Shift{{{1, 1}}, {}, 2, 2}},
        {"declared: a posted row moved", true, "", {shift}, true, TableDataset::Shift{{{1, 1}}, {}}},
        {"declared: a posted row stays",
         true,
         "",
         {"update T set CNT=CNT+1 where CNT>2"},
         true,
         TableDataset::Shift{{{2, 1}}, {}}},
        {"declared: a gap closed",
         false,
         "",
         {"delete from T where CNT=2", "update T set CNT=CNT-1 where CNT>2"},
         true,
         TableDataset::Shift{{{2, -1}}, {{2, 2}}}},
        {"declared: two runs cut",
         false,
         "",
         {"delete from T where CNT in (1,3)", "update T set CNT=1 where CNT=2"},
         true,
         TableDataset::Shift{{{1, -1}, {3, -1}}, {{1, 1}, {3, 3}}}},
        {"declared: a cut row not gone",
         false,
         "",
         {"update T set CNT=CNT+1 where CNT>2"},
         true,
         TableDataset::Shift{{{2, -1}}, {{2, 2}}}},
        {"declared wrongly", false, "", {shift}, true, TableDataset::Shift{{{2, 1}}, {}}},
        {"declared: an unmoved row changed by another",
         false,
         "update T set NAME02='他' where CNT=1",
         {shift},
         true,
         TableDataset::Shift{{{1, 1}}, {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fill();
        TableDataset d(db.get(), "T", "CNT");
        d.open();
        if (c.post) {
            d.setRecNo(2);
            d.setValue("NAME02", "編集");
            d.post();
        }
        Transaction& tra = db->transaction();
        tra.commitAndRestart();
        d.close();
        Query q(db.get());
        if (!c.before.isEmpty())
            q.run(c.before);
        tra.commitAndRestart();
        for (const QString& s : c.rebuild)
            q.run(s);
        if (c.declared)
            d.expectShift(*c.declared);
        d.prepareReopen(c.positionsOnly);
        tra.commitAndRestart();
        d.open();
        TableDataset fresh(db.get(), "T", "CNT");
        fresh.open();
        EXPECT_EQ(datasetRows(d), datasetRows(fresh));
        d.last();
        d.setValue("NAME02", "末");
        d.post();
        d.first();
        d.remove();
        fresh.reopen();
        EXPECT_EQ(datasetRows(d), datasetRows(fresh));
    }
}

// A rollback forgets the prepared rows: the next open reads the table.
TEST_F(TableDatasetTest, ARolledBackRebuildLeavesNothingPrepared)
{
    Transaction& tra = db->transaction();
    tra.commitAndRestart();
    ds.close();
    Query(db.get()).run("delete from T where CNT=2");
    ds.prepareReopen();
    ds.dropPrepared();
    tra.rollback();
    tra.start();
    ds.open();
    EXPECT_EQ(ds.recordCount(), 3);
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
