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

} // namespace
