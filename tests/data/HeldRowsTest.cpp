#include "HeldRows.h"
#include "Database.h"
#include "Query.h"
#include "TestDb.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// Rows with their keys, as a dataset addresses them, and each value's type.
QStringList keyed(const DatasetRows& r)
{
    QStringList out;
    for (int i = 0; i < r.rows.size(); ++i) {
        QStringList row{QString::fromLatin1(r.keys.at(i).toHex())};
        for (const QVariant& v : r.rows.at(i))
            row << valueText(v) + '/' + QString::number(v.typeId());
        out << row.join('|');
    }
    return out;
}

} // namespace

// A re-read prepared inside a rebuild's transaction shows exactly what a full
// read shows, whatever was written before it, by this connection or another,
// and whether a declared shift is true or not.
TEST(HeldRows, APreparedReadShowsWhatAFullReadShows)
{
    TestFolder folder;
    const auto db = createTestDatabase(folder.file("t.fdb"));
    execCommitted(*db, {"create table T (CNT integer, BL_kubun smallint, NAME01 varchar(40), NAME02 varchar(40))"});
    const auto other = connectTestDatabase(folder.file("t.fdb"), "other");
    const QString shift = "update T set CNT=CNT+1 where CNT>=2 order by CNT desc";
    const QString added = "insert into T (CNT,BL_KUBUN,NAME01) values (2,15,'新')";
    struct Case {
        const char* name;
        bool posted;    // the second row written through the dataset since the read
        QString before; // committed by the other connection after the read
        QStringList rebuild;
        bool positionsOnly = false;
        std::optional<RowShift> declared = {};
    } cases[] = {
        {"written and deleted", false, "", {"update T set NAME01='x',CNT=9 where CNT=2", "delete from T where CNT=1"}},
        {"most rows written", false, "", {"update T set NAME01=NAME01||'+' where CNT>1"}},
        {"a posted row", true, "", {"update T set CNT=0 where CNT=3"}},
        {"changed by another", false, "update T set NAME02='他' where CNT=3", {"update T set CNT=5 where CNT=1"}},
        {"positions only", false, "", {shift, added}, true},
        {"nothing written", true, "", {}},
        {"deleted by another", false, "delete from T where CNT=3", {shift}, true},
        {"a posted row moved", true, "", {shift}, true},
        {"declared: a row added", false, "", {shift, added}, true, RowShift{{{1, 1}}, {}, 2, 2}},
        {"declared: a posted row moved", true, "", {shift}, true, RowShift{{{1, 1}}, {}}},
        {"declared: a posted row stays",
         true,
         "",
         {"update T set CNT=CNT+1 where CNT>2"},
         true,
         RowShift{{{2, 1}}, {}}},
        {"declared: a gap closed",
         false,
         "",
         {"delete from T where CNT=2", "update T set CNT=CNT-1 where CNT>2"},
         true,
         RowShift{{{2, -1}}, {{2, 2}}}},
        {"declared: two runs cut",
         false,
         "",
         {"delete from T where CNT in (1,3)", "update T set CNT=1 where CNT=2"},
         true,
         RowShift{{{1, -1}, {3, -1}}, {{1, 1}, {3, 3}}}},
        {"declared falsely: a cut row not gone",
         false,
         "",
         {"update T set CNT=CNT+1 where CNT>2"},
         true,
         RowShift{{{2, -1}}, {{2, 2}}}},
        {"declared falsely: the wrong rows moved", false, "", {shift}, true, RowShift{{{2, 1}}, {}}},
        {"declared: an unmoved row changed by another",
         false,
         "update T set NAME02='他' where CNT=1",
         {shift},
         true,
         RowShift{{{1, 1}}, {}}},
        {"declared: an added row changed by another",
         false,
         "update T set NAME02='他' where CNT=3",
         {shift, added},
         true,
         RowShift{{{1, 1}}, {}, 2, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList fill{"delete from T"};
        for (int i = 1; i <= 3; ++i)
            fill << QString("insert into T (CNT,BL_KUBUN,NAME01) values (%1,%1*10,'名%1')").arg(i);
        execCommitted(*db, fill);
        HeldRows cache(db.get(), "T", "CNT");
        DatasetRows held = cache.take();
        Transaction& tra = db->transaction();
        Query q(db.get());
        if (c.posted) {
            // What a post does: the row is written by key and its version is no longer known.
            q.setSql("update T set NAME02='編集' where RDB$DB_KEY=:K");
            q.setParam("K", held.keys.at(1));
            q.exec();
            held.rows[1][3] = "編集";
            held.versions[1] = 0;
        }
        tra.commitAndRestart();
        cache.hold(std::move(held));
        if (!c.before.isEmpty()) {
            other->transaction().commitAndRestart(); // a snapshot after the fill
            execCommitted(*other, {c.before});
        }
        tra.commitAndRestart();
        cache.confirm();
        for (const QString& s : c.rebuild)
            q.run(s);
        cache.prepare(c.positionsOnly, c.declared ? &*c.declared : nullptr);
        tra.commitAndRestart();
        const QStringList shown = keyed(cache.take());
        HeldRows fresh(db.get(), "T", "CNT");
        EXPECT_EQ(shown, keyed(fresh.take()));
    }
}

// A rollback forgets the prepared rows: the next read is whole.
TEST(HeldRows, ADroppedPreparationLeavesAFullRead)
{
    TestFolder folder;
    const auto db = createTestDatabase(folder.file("t.fdb"));
    execCommitted(*db, {"create table T (CNT integer, NAME01 varchar(40))"});
    execCommitted(*db, {"insert into T values (1,'a')", "insert into T values (2,'b')"});
    HeldRows cache(db.get(), "T", "CNT");
    cache.hold(cache.take());
    Transaction& tra = db->transaction();
    Query(db.get()).run("delete from T where CNT=2");
    cache.prepare(false);
    cache.drop();
    tra.rollback();
    tra.start();
    EXPECT_EQ(cache.take().rows.size(), 2);
}

// Confirmed current, the held rows stand for the moved ones: a value only the
// held rows carry survives the re-read, and only the added row is read.
TEST(HeldRows, ATrueShiftReadsOnlyTheAddedRows)
{
    TestFolder folder;
    const auto db = createTestDatabase(folder.file("t.fdb"));
    execCommitted(*db, {"create table T (CNT integer, NAME01 varchar(40))"});
    execCommitted(*db, {"insert into T values (1,'a')", "insert into T values (2,'b')"});
    HeldRows cache(db.get(), "T", "CNT");
    DatasetRows held = cache.take();
    for (auto& row : held.rows)
        row[1] = "held";
    cache.hold(std::move(held));
    db->transaction().commitAndRestart();
    cache.confirm();
    Query q(db.get());
    q.run("update T set CNT=CNT+1 where CNT>=2 order by CNT desc");
    q.run("insert into T values (2,'new')");
    const RowShift shift{{{1, 1}}, {}, 2, 2};
    cache.prepare(true, &shift);
    db->transaction().commitAndRestart();
    EXPECT_EQ(keyed(cache.take()).join(';').count("|held/"), 2);
}
