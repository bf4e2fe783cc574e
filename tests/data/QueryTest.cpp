#include "Query.h"
#include "Database.h"
#include "DbErrorOf.h"
#include "TestDb.h"

#include <gtest/gtest.h>

class QueryTest : public ::testing::Test {
protected:
    TestFolder folder;
    std::unique_ptr<Database> db = createTestDatabase(folder.file("q.fdb"));

    void run(const QString& sql) { Query(db.get()).run(sql); }
    QStringList rows(const QString& sql) { return rowsOf(*db, sql); }
};

// Every text column reads back what was written, look-alikes in their Windows
// forms; a character Shift-JIS lacks is refused naming the parameter.
TEST_F(QueryTest, ShiftJisTextRoundTrips)
{
    execCommitted(*db, {"create table T (CNT integer, NAME01 varchar(40), NAME03 varchar(20))"});
    const char* cases[][2] = {
        {"㈱山田建設", "㈱山田建設"}, {"①番", "①番"},           {"髙橋", "髙橋"},        {"ｶﾞﾗｽ", "ｶﾞﾗｽ"},
        {"Ａ～Ｂ", "Ａ～Ｂ"},         {"C:\\path", "C:\\path"}, {"1〜2−3¥", "1～2－3\\"}};
    Query ins(db.get());
    ins.setSql("insert into T (CNT,NAME01,NAME03) values (:CNT,:NAME01,:name03)");
    QStringList want;
    for (const auto& [in, out] : cases) {
        const QString s = QString::fromUtf8(in), o = QString::fromUtf8(out);
        ins.setParam("CNT", int(want.size()));
        ins.setParam("NAME01", s);
        ins.setParam("NAME03", s);
        ins.exec();
        want << o + '|' + o;
    }
    ins.setParam("NAME01", QString::fromUtf8("a😀b"));
    const QString refused = dbErrorOf([&] { ins.exec(); }).message();
    EXPECT_TRUE(refused.contains("NAME01")) << refused.toStdString();
    // The refused value is forgotten with the half-built message; the statement stays usable.
    ins.setParam("CNT", 99);
    ins.setParam("NAME01", "山田");
    ins.exec();
    EXPECT_EQ(rows("select NAME01, NAME03 from T where CNT < 99 order by CNT"), want);
    EXPECT_EQ(rows("select NAME01 from T where CNT = 99"), QStringList{"山田"});
}

// A statement that fails, at prepare or on the second fetched row, names itself
// and leaves the query closed with no rows and no cursor: the same prepared
// statement opens again and the table can still be dropped.
TEST_F(QueryTest, FailuresNameTheStatementAndLeaveNothingOpen)
{
    execCommitted(*db, {"create table T (CNT integer, D integer)"});
    for (const char* row : {"1, 1", "2, 0", "3, 2"})
        run(QString("insert into T values (%1)").arg(row));
    Query q(db.get());
    q.setSql("drop table NO_SUCH_TABLE");
    EXPECT_FALSE(q.execIgnoringError());
    EXPECT_EQ(dbErrorOf([&] { q.exec(); }).statement(), "drop table NO_SUCH_TABLE");
    q.setSql("select CNT, 10 / D as R from T");
    for (int attempt = 1; attempt <= 2; ++attempt) {
        const DbError e = dbErrorOf([&] { q.open(); });
        EXPECT_EQ(e.statement(), "select CNT, 10 / D as R from T") << "attempt " << attempt;
        EXPECT_FALSE(e.message().contains("reopen")) << e.message().toStdString();
        EXPECT_TRUE(q.eof());
        EXPECT_EQ(q.recordCount(), 0);
    }
    run("update T set D = 5 where CNT = 2");
    q.open();
    QStringList got;
    for (; !q.eof(); q.next())
        got << q.text("CNT") + "=" + q.text("R");
    EXPECT_EQ(got, QStringList({"1=10", "2=2", "3=5"}));
    execCommitted(*db, {"drop table T"});
}

// One step of a command: the query's earlier text, parameters and rows are
// gone, each line stays a line, "COMMIT" commits and goes on in a new
// transaction; a rollback forgets what was not committed.
TEST_F(QueryTest, RunReplacesTheStatementAndCommits)
{
    execCommitted(*db, {"create table T (A integer, S varchar(10))"});
    run("insert into T (A, S) values (1, 'one')");
    Query q(db.get());
    q.setSql("select A from T where S = :S");
    q.setParam("S", "one");
    q.open();
    ASSERT_EQ(q.recordCount(), 1);

    q.run({"insert into T (A, S)", "values (2, :S)"}); // :S is not bound any more: NULL
    EXPECT_TRUE(q.eof());
    q.run({"update T set A = A + 10 -- the first row only", "where A = 1"});
    q.run("COMMIT");
    EXPECT_TRUE(db->transaction().active());
    q.run("delete from T");
    db->transaction().rollback();
    EXPECT_EQ(rows("select A, S from T order by A"), QStringList({"2|∅", "11|one"}));
}

// Values of every type come back as written; texts longer than one blob
// segment come back whole and binary blobs stay bytes.
TEST_F(QueryTest, TypedParametersBlobsAndNulls)
{
    execCommitted(*db, {"create table T (I smallint, D double precision, DT date, TS timestamp, S varchar(10), "
                        "MEMO blob sub_type text, RAW blob sub_type binary)"});
    const QDateTime ts(QDate(2021, 4, 1), QTime(13, 5, 7));
    const QString memo = QString::fromUtf8("見積書の備考、髙橋①。").repeated(600); // 12,000 bytes in Shift-JIS
    const QByteArray raw = QByteArray::fromHex("00ff7f800a0d").repeated(4000);
    Query q(db.get());
    q.setSql("insert into T (I,D,DT,TS,S,MEMO,RAW) values (:I,:D,:DT,:TS,:S,:MEMO,:RAW)");
    q.setParam("I", QStringLiteral("12")); // text into an integer column converts
    q.setParam("D", 1234.5);
    q.setParam("DT", ts.date());
    q.setParam("TS", ts); // S never bound: NULL
    q.setParam("MEMO", memo);
    q.setParam("RAW", raw);
    q.exec();
    q.setSql("select * from T");
    q.open();
    EXPECT_EQ(q.value("i").toInt(), 12);
    EXPECT_EQ(q.text("D"), "1234.5");
    EXPECT_EQ(q.value("DT").toDate(), ts.date());
    EXPECT_EQ(q.value("TS").toDateTime(), ts);
    EXPECT_TRUE(q.isNull("S"));
    EXPECT_EQ(q.text("MEMO"), memo);
    EXPECT_EQ(q.value("RAW").toByteArray(), raw);
}

TEST(SubstituteParams, NamesOutsideQuotesOnly)
{
    const char* cases[][3] = {
        // sql, with "?", names
        {"select ':X' from T where A=:A and B = :b_2", "select ':X' from T where A=? and B = ?", "A,B_2"},
        {"'it''s :X' || :Y", "'it''s :X' || ?", "Y"},
        {"\"Col:X\" = :V$1", "\"Col:X\" = ?", "V$1"},
        {"a:1, '12:30', :名前", "a:1, '12:30', ?", "名前"},
        {"x = :", "x = :", ""},
    };
    for (const auto& [sql, out, names] : cases) {
        QStringList got;
        EXPECT_EQ(substituteParams(QString::fromUtf8(sql), got), QString::fromUtf8(out)) << sql;
        EXPECT_EQ(got.join(','), QString::fromUtf8(names)) << sql;
    }
}

namespace {

// What an error dialog may show about a connection: the file, never the login.
void expectNoCredentials(const DbError& e, const QString& password)
{
    for (const QString& shown : {e.text(), QString::fromStdString(e.what())})
        for (const QString& secret : {password, QStringLiteral("PASSWORD"), QStringLiteral("sysdba")})
            EXPECT_FALSE(shown.contains(secret, Qt::CaseInsensitive)) << shown.toStdString();
}

TEST(ConnectionError, FailuresNameTheFileButNotTheLogin)
{
    TestFolder folder;
    const QString missing = folder.file("NO_LOCAL/MAS_MENT.fdb"); // the folder is missing
    DbError e = dbErrorOf([&] { Database::createDatabase(missing, QStringLiteral("sysdba"), "hunter2"); });
    expectNoCredentials(e, "hunter2");
    EXPECT_TRUE(e.statement().contains(missing)) << e.statement().toStdString();

    // A connection that was never given its file says which connection it is,
    // instead of the engine's `open` for file "".
    for (const QString& file : {folder.file("LOCAL/MAS_MENT.fdb"), QString()}) {
        Database db("IBDatabase3");
        db.setParams(Database::defaultParams());
        if (!file.isEmpty())
            db.setDatabaseName(file);
        e = dbErrorOf([&] { db.open(); });
        expectNoCredentials(e, "tollgates");
        EXPECT_TRUE(e.text().contains(file.isEmpty() ? "IBDatabase3" : file)) << e.text().toStdString();
        EXPECT_FALSE(e.text().contains("\"\"")) << e.text().toStdString();
    }

    // Any statement that carries a login, wherever it fails, is shown without it.
    e = DbError("failed", "CONNECT 'C:\\TREVOLAN\\A.FDB' USER 'SYSDBA' password 'it''s secret'", 0, 0);
    expectNoCredentials(e, "secret");
    EXPECT_TRUE(e.statement().contains("C:\\TREVOLAN\\A.FDB")) << e.statement().toStdString();
}

} // namespace
