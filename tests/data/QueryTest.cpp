#include "Query.h"
#include "Database.h"
#include "DbError.h"
#include "TestDb.h"

#include <gtest/gtest.h>

class QueryTest : public ::testing::Test {
protected:
    TestFolder folder;
    std::unique_ptr<Database> db = createTestDatabase(folder.file("q.fdb"));

    void run(const QString& sql)
    {
        Query q(db.get());
        q.setSql(sql);
        q.exec();
    }
};

TEST_F(QueryTest, JapaneseTextRoundTripsThroughEveryTextColumn)
{
    run("create table T (CNT integer, NAME01 varchar(40), NAME03 varchar(20), TANI varchar(6))");
    run("COMMIT");
    const QStringList samples = {QString::fromUtf8("㈱山田建設"), QString::fromUtf8("①番"),
                                 QString::fromUtf8("髙橋"),       QString::fromUtf8("ｶﾞﾗｽ"),
                                 QString::fromUtf8("Ａ～Ｂ"),     QStringLiteral("C:\\path")};
    Query ins(db.get());
    ins.setSql("insert into T (CNT,NAME01,NAME03,TANI) values (:CNT,:NAME01,:NAME03,:TANI)");
    for (int i = 0; i < samples.size(); ++i) {
        ins.setParam("CNT", i);
        ins.setParam("NAME01", samples[i]);
        ins.setParam("NAME03", samples[i]);
        ins.setParam("TANI", samples[i].left(3));
        ins.exec();
    }
    run("COMMIT");
    Query sel(db.get());
    sel.setSql("select * from T order by CNT");
    sel.open();
    ASSERT_EQ(sel.recordCount(), samples.size());
    for (int i = 0; !sel.eof(); sel.next(), ++i) {
        EXPECT_EQ(sel.text("NAME01"), samples[i]);
        EXPECT_EQ(sel.text("name03"), samples[i]);
        EXPECT_EQ(sel.text("TANI"), samples[i].left(3));
    }
}

TEST_F(QueryTest, LookAlikesAreStoredInTheirWindowsForms)
{
    run("create table T (NAME01 varchar(40))");
    run("COMMIT");
    Query ins(db.get());
    ins.setSql("insert into T (NAME01) values (:N)");
    ins.setParam("N", QString::fromUtf8("1〜2−3¥"));
    ins.exec();
    Query sel(db.get());
    sel.setSql("select NAME01 from T");
    sel.open();
    EXPECT_EQ(sel.text("NAME01"), QString::fromUtf8("1～2－3\\"));
}

TEST_F(QueryTest, UnencodableTextNamesTheParameter)
{
    run("create table T (NAME01 varchar(40))");
    run("COMMIT");
    Query ins(db.get());
    ins.setSql("insert into T (NAME01) values (:NAME01)");
    ins.setParam("NAME01", QString::fromUtf8("a😀b"));
    try {
        ins.exec();
        FAIL() << "no error";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains("NAME01")) << e.message().toStdString();
    }
    // The refused value is forgotten with the half-built message; the statement stays usable.
    ins.setParam("NAME01", QString::fromUtf8("山田"));
    ins.exec();
    Query sel(db.get());
    sel.setSql("select NAME01 from T");
    sel.open();
    ASSERT_EQ(sel.recordCount(), 1);
    EXPECT_EQ(sel.text("NAME01"), QString::fromUtf8("山田"));
}

// The engine fails on the second row, after the first has been fetched: the
// query is left closed with no rows, and the cursor is closed, so the same
// prepared statement opens again and the table can still be dropped.
TEST_F(QueryTest, FailureWhileFetchingLeavesNothingOpen)
{
    run("create table T (CNT integer, D integer)");
    run("COMMIT");
    for (const char* row : {"1, 1", "2, 0", "3, 2"})
        run(QString("insert into T values (%1)").arg(row));
    Query q(db.get());
    q.setSql("select CNT, 10 / D as R from T");
    for (int attempt = 1; attempt <= 2; ++attempt) {
        try {
            q.open();
            FAIL() << "opened, attempt " << attempt;
        } catch (const DbError& e) {
            EXPECT_EQ(e.statement(), "select CNT, 10 / D as R from T");
            EXPECT_FALSE(e.message().contains("reopen")) << e.message().toStdString();
        }
        EXPECT_TRUE(q.eof());
        EXPECT_EQ(q.recordCount(), 0);
        EXPECT_TRUE(q.fieldNames().isEmpty());
    }
    run("update T set D = 5 where CNT = 2");
    q.open();
    QStringList got;
    for (; !q.eof(); q.next())
        got << q.text("CNT") + "=" + q.text("R");
    EXPECT_EQ(got, QStringList({"1=10", "2=2", "3=5"}));
    run("drop table T");
    run("COMMIT");
}

// Texts longer than one blob segment come back whole; binary blobs stay bytes.
TEST_F(QueryTest, BlobsAreReadWhole)
{
    run("create table T (MEMO blob sub_type text, RAW blob sub_type binary)");
    run("COMMIT");
    const QString memo = QString::fromUtf8("見積書の備考、髙橋①。").repeated(600); // 12,000 bytes in Shift-JIS
    QByteArray raw;
    for (int i = 0; i < 20000; ++i)
        raw.append(static_cast<char>(i % 251));
    Query ins(db.get());
    ins.setSql("insert into T (MEMO, RAW) values (:MEMO, :RAW)");
    ins.setParam("MEMO", memo);
    ins.setParam("RAW", raw);
    ins.exec();
    Query sel(db.get());
    sel.setSql("select MEMO, RAW from T");
    sel.open();
    ASSERT_EQ(sel.recordCount(), 1);
    EXPECT_EQ(sel.text("MEMO"), memo);
    EXPECT_EQ(sel.value("RAW").toByteArray(), raw);
}

// One step of a command: the query's earlier text, parameters and rows are
// gone, and each line stays a line of the statement.
TEST_F(QueryTest, RunReplacesTheStatement)
{
    run("create table T (A integer, S varchar(10))");
    run("COMMIT");
    run("insert into T (A, S) values (1, 'one')");
    Query q(db.get());
    q.setSql("select A from T where S = :S");
    q.setParam("S", "one");
    q.open();
    ASSERT_EQ(q.recordCount(), 1);

    q.run({"insert into T (A, S)", "values (2, :S)"}); // :S is not bound any more: NULL
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(q.recordCount(), 0);
    q.run({"update T set A = A + 10 -- the first row only", "where A = 1"});
    q.run("COMMIT");
    EXPECT_TRUE(db->transaction().active());

    auto other = connectTestDatabase(folder.file("q.fdb"), "other");
    Query check(other.get());
    check.setSql("select A, S from T order by A");
    check.open();
    QStringList got;
    for (; !check.eof(); check.next())
        got << check.text("A") + ":" + (check.isNull("S") ? QString("NULL") : check.text("S"));
    EXPECT_EQ(got, QStringList({"2:NULL", "11:one"}));
}

TEST_F(QueryTest, TypedParametersAndNulls)
{
    run("create table T (I smallint, D double precision, DT date, TS timestamp, S varchar(10))");
    run("COMMIT");
    Query ins(db.get());
    ins.setSql("insert into T (I,D,DT,TS,S) values (:I,:D,:DT,:TS,:S)");
    ins.setParam("I", QStringLiteral("12")); // text into an integer column converts
    ins.setParam("D", 1234.5);
    ins.setParam("DT", QDate(2021, 4, 1));
    ins.setParam("TS", QDateTime(QDate(2021, 4, 1), QTime(13, 5, 7)));
    // S never bound: NULL
    ins.exec();
    Query sel(db.get());
    sel.setSql("select * from T");
    sel.open();
    EXPECT_EQ(sel.value("I").toInt(), 12);
    EXPECT_EQ(sel.text("D"), "1234.5");
    EXPECT_EQ(sel.value("DT").toDate(), QDate(2021, 4, 1));
    EXPECT_EQ(sel.value("TS").toDateTime(), QDateTime(QDate(2021, 4, 1), QTime(13, 5, 7)));
    EXPECT_TRUE(sel.isNull("S"));
    EXPECT_EQ(sel.text("S"), "");
}

TEST_F(QueryTest, ParameterNamesInsideLiteralsAreText)
{
    QStringList names;
    EXPECT_EQ(substituteParams("select ':X' from T where A=:A and B = :b_2", names),
              "select ':X' from T where A=? and B = ?");
    EXPECT_EQ(names, QStringList({"A", "B_2"}));
}

TEST_F(QueryTest, CommitStatementMakesWorkVisibleToAnotherConnection)
{
    run("create table T (A integer)");
    run("COMMIT");
    auto other = connectTestDatabase(folder.file("q.fdb"), "other");
    run("insert into T values (1)");
    Query count(other.get());
    count.setSql("select count(*) as N from T");
    count.open();
    EXPECT_EQ(count.value("N").toInt(), 0);
    run("COMMIT");
    other->transaction().restart();
    count.open();
    EXPECT_EQ(count.value("N").toInt(), 1);
    EXPECT_TRUE(db->transaction().active());
}

TEST_F(QueryTest, FailuresCarryTheStatementAndCanBeIgnored)
{
    Query q(db.get());
    q.setSql("drop table NO_SUCH_TABLE");
    EXPECT_FALSE(q.execIgnoringError());
    try {
        q.exec();
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(e.statement(), "drop table NO_SUCH_TABLE");
        EXPECT_FALSE(e.message().isEmpty());
    }
    // The transaction is still usable afterwards.
    run("create table T (A integer)");
}

TEST_F(QueryTest, RollbackUndoesUncommittedWork)
{
    run("create table T (A integer)");
    run("COMMIT");
    run("insert into T values (1)");
    db->transaction().rollback();
    Query q(db.get());
    q.setSql("select count(*) as N from T");
    q.open();
    EXPECT_EQ(q.value("N").toInt(), 0);
}

// Connections sharing an attachment can drop a table the others have read, once
// their transactions have ended: the pattern every tab switch depends on.
TEST_F(QueryTest, SharedAttachmentLetsATableBeDroppedAfterOthersRead)
{
    auto work2 = connectTestDatabase(folder.file("q.fdb"), "IBDatabase2");
    Database work4("IBDatabase4");
    work4.setDatabaseName(folder.file("q.fdb"));
    work4.setParams(Database::defaultParams());
    work4.transaction().setParams({"concurrency", "nowait"});
    work4.shareAttachmentWith(*work2);
    work4.open();
    for (int round = 0; round < 20; ++round) {
        Query drop(work2.get());
        drop.setSql("drop table BUZAI_S");
        drop.execIgnoringError();
        drop.setSql("COMMIT");
        drop.exec();
        drop.setSql("CREATE TABLE BUZAI_S (CNT integer not null, NAME01 varchar(40), PRIMARY KEY (CNT))");
        drop.exec();
        drop.setSql("COMMIT");
        drop.exec();
        work2->transaction().stop();
        work4.transaction().start();
        Query ins(&work4);
        ins.setSql("insert into BUZAI_S (CNT,NAME01) values (:CNT,:NAME01)");
        ins.setParam("CNT", 1);
        ins.setParam("NAME01", "x");
        ins.exec();
        Query sel(&work4);
        sel.setSql("select * from BUZAI_S");
        sel.open();
        ASSERT_EQ(sel.recordCount(), 1) << "round " << round;
        work4.transaction().stop();
        work2->transaction().start();
    }
}
