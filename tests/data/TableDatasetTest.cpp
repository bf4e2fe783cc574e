#include "TableDataset.h"
#include "Database.h"
#include "DbError.h"
#include "Query.h"
#include "TestDb.h"

#include <gtest/gtest.h>

class TableDatasetTest : public ::testing::Test {
protected:
    TestFolder folder;
    std::unique_ptr<Database> db = createTestDatabase(folder.file("t.fdb"));

    void SetUp() override
    {
        Query q(db.get());
        q.setSql("create table BUZAI_DAI (CNT integer, BL_kubun smallint, NAME01 varchar(40), NAME02 varchar(40))");
        q.exec();
        q.setSql("COMMIT");
        q.exec();
        for (int i = 1; i <= 3; ++i) {
            q.setSql("insert into BUZAI_DAI (CNT,BL_KUBUN,NAME01) values (:C,:B,:N)");
            q.setParam("C", i);
            q.setParam("B", i * 10);
            q.setParam("N", QString("名%1").arg(i));
            q.exec();
        }
    }

    QStringList storedNames()
    {
        Query q(db.get());
        q.setSql("select NAME01 from BUZAI_DAI order by CNT");
        q.open();
        QStringList out;
        for (; !q.eof(); q.next())
            out << q.text("NAME01");
        return out;
    }
};

TEST_F(TableDatasetTest, WalksRowsInPositionOrderWithRecordNumbers)
{
    TableDataset ds(db.get(), "BUZAI_DAI", "CNT");
    ds.open();
    ASSERT_EQ(ds.recordCount(), 3);
    EXPECT_EQ(ds.recNo(), 1);
    EXPECT_EQ(ds.text("NAME01"), "名1");
    ds.next();
    ds.next();
    EXPECT_EQ(ds.recNo(), 3);
    EXPECT_FALSE(ds.eof());
    ds.next();
    EXPECT_TRUE(ds.eof());
    EXPECT_EQ(ds.recNo(), 3);
    ds.setRecNo(99);
    EXPECT_EQ(ds.recNo(), 3);
}

TEST_F(TableDatasetTest, EditsPostInsertsAndDeletesReachTheTable)
{
    TableDataset ds(db.get(), "BUZAI_DAI", "CNT");
    ds.open();
    ds.setRecNo(2);
    ds.setValue("NAME01", "変更");
    EXPECT_EQ(ds.state(), TableDataset::Edit);
    ds.next(); // moving posts
    EXPECT_EQ(ds.state(), TableDataset::Browse);
    EXPECT_EQ(storedNames(), QStringList({"名1", "変更", "名3"}));

    ds.append();
    ds.setValue("CNT", 4);
    ds.setValue("NAME01", "追加");
    ds.post();
    EXPECT_EQ(storedNames(), QStringList({"名1", "変更", "名3", "追加"}));
    ds.setValue("NAME02", "後で"); // the new row is addressable at once
    ds.post();

    ds.setRecNo(1);
    ds.remove();
    EXPECT_EQ(storedNames(), QStringList({"変更", "名3", "追加"}));
    EXPECT_EQ(ds.recordCount(), 3);
    EXPECT_EQ(ds.text("NAME01"), "変更");
    ds.reopen();
    ds.last();
    EXPECT_EQ(ds.text("NAME02"), "後で");
}

// Every row as the grid shows it, in order.
QStringList shown(TableDataset& ds)
{
    QStringList rows;
    for (int r = 0; r < ds.recordCount(); ++r) {
        QStringList cells;
        for (const QString& f : ds.fieldNames())
            cells << valueText(ds.valueAt(r, f)) + '/' + QString::number(ds.valueAt(r, f).typeId());
        rows << cells.join('|');
    }
    return rows;
}

// A reopen prepared inside a rebuild's transaction shows exactly what a full
// read shows, whatever was written before it, and its rows stay addressable.
TEST_F(TableDatasetTest, ReopenPreparedInARebuildShowsWhatAFullReadShows)
{
    struct Case {
        const char* name;
        QStringList before; // committed while the dataset is closed
        bool post;          // a row edited through the dataset first
        QStringList rebuild;
        bool positionsOnly;
    };
    const Case cases[] = {
        {"a row written, one deleted",
         {},
         false,
         {"update BUZAI_DAI set NAME01='x', CNT=9 where CNT=2", "delete from BUZAI_DAI where CNT=1"},
         false},
        {"most rows written", {}, false, {"update BUZAI_DAI set NAME01=NAME01||'+' where CNT>1"}, false},
        {"a posted row", {}, true, {"update BUZAI_DAI set CNT=0 where CNT=3"}, false},
        {"a row changed by another transaction",
         {"update BUZAI_DAI set NAME02='他' where CNT=3"},
         false,
         {"update BUZAI_DAI set CNT=5 where CNT=1"},
         false},
        {"positions only",
         {},
         false,
         {"update BUZAI_DAI set CNT=CNT+1 where CNT>=2 order by CNT desc",
          "insert into BUZAI_DAI (CNT,BL_KUBUN,NAME01) values (2,15,'新')"},
         true},
        {"nothing written", {}, true, {}, false},
        {"a row deleted by another transaction",
         {"delete from BUZAI_DAI where CNT=3"},
         false,
         {"update BUZAI_DAI set CNT=CNT+1 where CNT>=2 order by CNT desc"},
         true},
        {"a posted row moved", {}, true, {"update BUZAI_DAI set CNT=CNT+1 where CNT>=2 order by CNT desc"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        execCommitted(*db, {"delete from BUZAI_DAI", "insert into BUZAI_DAI (CNT,BL_KUBUN,NAME01) values (1,10,'名1')",
                            "insert into BUZAI_DAI (CNT,BL_KUBUN,NAME01) values (2,20,'名2')",
                            "insert into BUZAI_DAI (CNT,BL_KUBUN,NAME01) values (3,30,'名3')"});
        TableDataset ds(db.get(), "BUZAI_DAI", "CNT");
        ds.open();
        if (c.post) {
            ds.setRecNo(2);
            ds.setValue("NAME02", "編集");
            ds.post();
        }
        Transaction& tra = db->transaction();
        tra.commitAndRestart();
        ds.close();
        Query q(db.get());
        for (const QString& s : c.before)
            q.run(s);
        tra.commitAndRestart();
        for (const QString& s : c.rebuild)
            q.run(s);
        ds.prepareReopen(c.positionsOnly);
        tra.commitAndRestart();
        ds.open();
        TableDataset fresh(db.get(), "BUZAI_DAI", "CNT");
        fresh.open();
        EXPECT_EQ(shown(ds), shown(fresh));
        ds.last();
        ds.setValue("NAME02", "末");
        ds.post();
        ds.first();
        ds.remove();
        fresh.reopen();
        EXPECT_EQ(shown(ds), shown(fresh));
    }
}

// A rollback forgets the prepared rows: the next open reads the table.
TEST_F(TableDatasetTest, ARolledBackRebuildLeavesNothingPrepared)
{
    TableDataset ds(db.get(), "BUZAI_DAI", "CNT");
    ds.open();
    Transaction& tra = db->transaction();
    tra.commitAndRestart();
    Query q(db.get());
    q.run("delete from BUZAI_DAI where CNT=2");
    ds.prepareReopen();
    ds.dropPrepared();
    tra.rollback();
    tra.start();
    ds.open();
    EXPECT_EQ(ds.recordCount(), 3);
}

TEST_F(TableDatasetTest, UntouchedInsertIsCancelledByMovingAndHandlersRun)
{
    TableDataset ds(db.get(), "BUZAI_DAI", "CNT");
    QStringList calls;
    ds.beforeInsert = [&](TableDataset& d) { calls << QString("before %1 eof=%2").arg(d.recNo()).arg(d.eof()); };
    ds.afterInsert = [&](TableDataset&) { calls << "after"; };
    ds.open();
    ds.setRecNo(2);
    ds.insert();
    EXPECT_EQ(ds.recNo(), 2);
    EXPECT_EQ(ds.recordCount(), 4);
    ds.first();
    EXPECT_EQ(ds.recordCount(), 3);
    ds.append();
    EXPECT_EQ(calls, QStringList({"before 2 eof=0", "after", "before 1 eof=1", "after"}));
}

// A value its column cannot hold is refused when it is set, before the row is
// touched; a post that fails anyway names the column, not a statement parameter,
// and leaves the row in edit mode on the same record.
TEST_F(TableDatasetTest, ValuesTheColumnCannotHoldAreRefusedByFieldName)
{
    TableDataset ds(db.get(), "BUZAI_DAI", "CNT");
    ds.open();
    ds.setRecNo(2);
    for (const char* bad : {"アイウ", "1.5", "40000", "1e3x"}) {
        try {
            ds.setValue("BL_KUBUN", QString::fromUtf8(bad));
            ADD_FAILURE() << "accepted " << bad;
        } catch (const DbError& e) {
            EXPECT_TRUE(e.message().contains("BL_KUBUN")) << e.message().toStdString();
        }
    }
    EXPECT_EQ(ds.state(), TableDataset::Browse);

    ds.setValue("BL_KUBUN", QString::fromUtf8("▲1,000")); // what the amount parser reads
    ds.setValue("NAME01", QString::fromUtf8("a€b"));
    try {
        ds.post();
        FAIL() << "posted";
    } catch (const DbError& e) {
        EXPECT_EQ(e.message(), QString::fromUtf8("「NAME01」に保存できない文字「€」があります。"));
    }
    EXPECT_EQ(ds.state(), TableDataset::Edit);
    EXPECT_EQ(ds.recNo(), 2);
    ds.setValue("NAME01", "ab");
    ds.next();
    EXPECT_EQ(storedNames(), QStringList({"名1", "ab", "名3"}));
    ds.setRecNo(2);
    EXPECT_EQ(ds.value("BL_KUBUN").toInt(), -1000);
}

TEST_F(TableDatasetTest, CalculatedFieldsAndDisplayFormats)
{
    TableDataset ds(db.get(), "BUZAI_DAI", "CNT");
    ds.addCalculatedField("№");
    ds.calcFields = [](TableDataset::CalcRow& r) { r.values["№"] = r.recNo; };
    ds.setDisplayFormat("BL_KUBUN", "#,###");
    ds.open();
    EXPECT_EQ(ds.displayText(2, "№"), "3");
    EXPECT_EQ(ds.displayText(0, "BL_KUBUN"), "10");
}

TEST(FormatNumber, SuiteDisplayFormats)
{
    struct Case {
        QVariant v;
        const char* fmt;
        const char* out;
    };
    const Case cases[] = {
        {1234567.0, "#,###", "1,234,567"},
        {0.0, "#,###", ""},
        {-1234.0, "#,###", "-1,234"},
        {999.0, "#,###", "999"},
        {0, "#", ""},
        {12, "#", "12"},
        {20.0, "0.00;-0.00;#", "20.00"},
        {-20.0, "0.00;-0.00;#", "-20.00"},
        {0.0, "0.00;-0.00;#", ""},
        {QVariant(), "#,###", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatNumber(c.v, c.fmt), QString(c.out)) << c.fmt << " " << c.v.toString().toStdString();
}
