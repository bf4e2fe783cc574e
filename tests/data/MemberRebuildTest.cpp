#include "Connections.h"
#include "DataModule.h"
#include "TestDb.h"

#include <gtest/gtest.h>

// The member insert and delete rebuilds give the same list whether the
// positions were dense before (rows moved where they are) or had gaps (the list
// rebuilt from an image of it): positions 1 … n, empty codes 0, empty texts
// NULL, the columns a rebuild does not write emptied.
namespace {

// Every column of every row in position order, texts with their length so that
// trailing blanks count.
QStringList wholeList(Query& q)
{
    q.setSql("select * from BUZAI_S order by CNT");
    q.open();
    QStringList out;
    for (const auto& row : q.rows()) {
        QStringList cells;
        for (const QVariant& v : row)
            cells << (v.isValid() ? valueText(v) + "/" + QString::number(valueText(v).size()) : "null");
        out << cells.join('|');
    }
    q.close();
    return out;
}

QStringList afterRebuild(bool gaps, bool insert)
{
    TestFolder folder;
    Connections conn;
    auto dm = connectDataModule(folder, conn);
    conn.IBTransaction4().restart();
    dm->currentMajorCode = [] { return 3; };
    dm->currentMiddleCode = [] { return 12; };
    const int step = gaps ? 4 : 1;
    Query& q = dm->IBQ_FB4;
    const QStringList rows{"%1,3,12,1,null,'A ','',null,'本',800,1000,null,5,null,null", // blank description, no codes
                           "%1,3,12,2,7,'B','b','n','  ',null,null,1200,0,2,null",       // unit of blanks
                           "%1,3,12,3,0,'C',null,'',null,1,2,3,null,0,4.5",              // a column rebuilds leave out
                           "%1,null,null,null,null,'D','d',null,'m',null,null,null,1,1,null"};
    int cnt = 1;
    for (const QString& r : rows) {
        q.run("insert into BUZAI_S (CNT,BL_kubun,BM_kubun,BS_kubun,KU_KAMOKU,NAME01,NAME02,NAME03,TANI,KIN_01,KIN_02,"
              "KIN_06,S_CD,KETA,KIN_04) values (" +
              r.arg(cnt) + ")");
        cnt += step;
    }
    q.run("COMMIT");
    dm->IBT_bu.open();
    dm->IBT_bu.setRecNo(2);
    if (insert)
        dm->IBT_bu.insert();
    else
        dm->IBT_bu.remove();
    EXPECT_EQ(dm->IBT_bu.recNo(), 2);
    return wholeList(q);
}

TEST(MemberRebuildTest, DenseAndGappedListsGiveTheSameRows)
{
    for (bool insert : {true, false}) {
        SCOPED_TRACE(insert ? "insert" : "delete");
        const QStringList dense = afterRebuild(false, insert);
        EXPECT_EQ(dense, afterRebuild(true, insert));
        ASSERT_EQ(dense.size(), insert ? 5 : 3);
        for (int i = 0; i < dense.size(); ++i)
            EXPECT_TRUE(dense[i].startsWith(QString("%1/").arg(i + 1))) << dense[i].toStdString();
        // The first row as every rebuild writes it: codes 0, the empty
        // description NULL, the trailing blank kept, KIN_04 emptied.
        EXPECT_EQ(dense[0], "1/1|3/1|12/2|1/1|0/1|A /2|null|本/1|1000/4|null|null|800/3|null|null|null|null|"
                            "null|null|null|5/1|null|0/1");
    }
}

// A rebuild checks only the rows written since the last one; whoever wrote
// them, a later rebuild still brings them to the normal form. That includes a
// transaction that ran across the last rebuild and wrote after it committed.
TEST(MemberRebuildTest, RowsWrittenAfterARebuildAreStillNormalised)
{
    TestFolder folder;
    Connections conn;
    auto dm = connectDataModule(folder, conn);
    conn.IBTransaction4().restart();
    dm->currentMajorCode = [] { return 1; };
    dm->currentMiddleCode = [] { return 1; };
    Query& q = dm->IBQ_FB4;
    for (int i = 1; i <= 4; ++i)
        q.run(QString("insert into BUZAI_S (CNT,BL_kubun,BM_kubun,BS_kubun,KU_KAMOKU,S_CD,KETA,NAME01) "
                      "values (%1,1,1,%1,0,0,0,'N%1')")
                  .arg(i));
    q.run("COMMIT");
    const auto abnormal = [&] {
        q.run("COMMIT");
        return rowsOf(*q.database(), "select CNT from BUZAI_S where S_CD is null or KETA is null or NAME02=''");
    };
    dm->IBT_bu.open();
    dm->IBT_bu.setRecNo(3);
    dm->IBT_bu.insert(); // a rebuild that leaves its mark

    // Written by another connection after it.
    execCommitted(conn.IBDatabase2, {"update BUZAI_S set NAME02='' where CNT=4"});
    // And by a transaction that had begun before the next rebuild.
    Transaction& early = conn.IBTransaction3();
    early.commitAndRestart();
    (void)early.id(); // begun, but no statement yet
    q.run("COMMIT");  // the rebuild's connection goes on in a younger transaction
    dm->IBT_bu.setRecNo(5);
    dm->IBT_bu.insert();
    EXPECT_EQ(abnormal(), QStringList{}) << "the row written by another connection";
    Query late(&conn.IBDatabase3);
    late.run("update BUZAI_S set S_CD=null, KETA=null where CNT=1");
    early.commit();
    dm->IBT_bu.setRecNo(2);
    dm->IBT_bu.remove();
    EXPECT_EQ(abnormal(), QStringList{}) << "the row of the transaction that ran across the rebuild";
    EXPECT_EQ(dm->IBT_bu.recordCount(), 5);
}

TEST(MemberRebuildTest, LoadedRowsInTheNormalForm)
{
    const QStringList columns{"BL_kubun", "BM_kubun", "BS_kubun", "KU_KAMOKU", "S_CD", "KETA", "NAME01", "TANI"};
    const QVector<QVariant> normal{1, 1, 1, 0, 0, 0, "名", QVariant()};
    EXPECT_TRUE(TDM2::inNormalForm(columns, normal));
    QVector<QVariant> v = normal;
    v[7] = "  ";
    EXPECT_FALSE(TDM2::inNormalForm(columns, v)) << "a unit of blanks is emptied by a rebuild";
    v[7] = "\u3000";
    EXPECT_TRUE(TDM2::inNormalForm(columns, v)) << "a full-width blank is text";
    v = normal;
    v[5] = QVariant();
    EXPECT_FALSE(TDM2::inNormalForm(columns, v)) << "an empty digit setting becomes 0";
    EXPECT_FALSE(TDM2::inNormalForm(columns.mid(0, 5), normal.mid(0, 5))) << "a column left out is empty";
    EXPECT_FALSE(TDM2::inNormalForm(columns + QStringList{"KIN_04"}, normal + QVector<QVariant>{1.5}));
}

} // namespace
