#include "DbError.h"
#include "EditingRig.h"

#include <gtest/gtest.h>

namespace {

QString names(EditingRig& rig)
{
    return rig.table("select coalesce(NAME01,'-') from BUZAI_S order by CNT").join(',');
}

TEST(MemberSearchTest, KeywordsNarrowLiterally)
{
    struct Case {
        const char* name;
        QString k1, k2;
        QString expected;
    };
    const Case cases[] = {
        {"both keywords must match", "赤", "パイプ", "赤いパイプ"},
        {"keyword 2 alone", "", "板", "赤い板"},
        {"a quote", "O'B", "", "O'Brien"},
        {"a percent sign is a percent sign", "0%", "", "50%引"},
        {"an underscore is an underscore", "a_b", "", "a_b"},
        {"no match: an empty grid", "無い", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EditingRig rig;
        rig.categories();
        rig.members({"赤いパイプ", "青いパイプ", "赤い板", "O''Brien", "50%引", "500円", "a_b", "axb"});
        rig.openGrids();
        rig.search.search(c.k1, c.k2);
        EXPECT_TRUE(rig.search.narrowed());
        EXPECT_EQ(rig.search.caption(), "リセット");
        EXPECT_EQ(names(rig), c.expected);
        rig.search.reset();
        EXPECT_EQ(names(rig), "赤いパイプ,青いパイプ,赤い板,O'Brien,50%引,500円,a_b,axb");
        EXPECT_EQ(rig.search.caption(), "検索絞込 &S");
    }
}

TEST(MemberSearchTest, NothingToSearchForKeepsTheMode)
{
    EditingRig rig;
    rig.categories();
    rig.members({"A"});
    rig.openGrids();
    rig.search.search("", "");
    EXPECT_FALSE(rig.search.narrowed());
    EXPECT_EQ(names(rig), "A");
}

// What the user did in the narrowed grid comes back into the full list.
TEST(MemberSearchTest, ResetMergesTheNarrowedRowsBackByName)
{
    struct Case {
        const char* name;
        std::function<void(TableDataset&)> edit;
        QStringList expected; // CNT|NAME01|KIN_02
    };
    const Case cases[] = {
        {"price changed: once, new price, old place",
         [](TableDataset& ds) {
             ds.setValue("KIN_02", 999);
             ds.post();
         },
         {"1|A|1", "2|B|999", "3|C|3"}},
        {"name changed: the old row and the changed one",
         [](TableDataset& ds) {
             ds.setValue("NAME01", "B2");
             ds.post();
         },
         {"1|A|1", "2|B|2", "3|B2|2", "4|C|3"}},
        {"row deleted: it comes back from the parked list",
         [](TableDataset& ds) { ds.remove(); },
         {"1|A|1", "2|B|2", "3|C|3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EditingRig rig;
        rig.categories();
        rig.members({"A", "B", "C"});
        rig.openGrids();
        rig.search.search("B", "");
        ASSERT_EQ(names(rig), "B");
        c.edit(rig.dm->IBT_bu);
        rig.search.reset();
        EXPECT_EQ(rig.table("select CNT, NAME01, KIN_02 from BUZAI_S order by CNT"), c.expected);
        EXPECT_TRUE(rig.dm->IBT_bu.active());
    }
}

TEST(MemberSearchTest, DuplicatesByNameKeepTheLaterOne)
{
    EditingRig rig;
    rig.categories();
    rig.members({"A", "B", "A"});
    rig.work({"update BUZAI_S set NAME03='second' where CNT=3"});
    rig.openGrids();
    rig.search.search("A", "");
    rig.search.reset();
    EXPECT_EQ(rig.table("select CNT, NAME01, coalesce(NAME03,'') from BUZAI_S order by CNT"),
              (QStringList{"1|B|", "2|A|second"}));
}

// Sorting the narrowed grid numbers only its rows from 1; reset puts them back by
// those positions, after a parked row of the same position.
TEST(MemberSearchTest, SortWhileNarrowed)
{
    EditingRig rig;
    rig.categories();
    rig.members({"xパイプ", "板", "aパイプ", "柱"});
    rig.openGrids();
    rig.search.search("パイプ", "");
    rig.sort.sortBy("NAME01");
    EXPECT_EQ(rig.table("select CNT, NAME01 from BUZAI_S order by CNT"), (QStringList{"1|aパイプ", "2|xパイプ"}));
    rig.search.reset();
    EXPECT_EQ(names(rig), "aパイプ,板,xパイプ,柱");
}

TEST(MemberSearchTest, ParkedListHasTheMemberColumns)
{
    EditingRig rig;
    rig.categories();
    rig.members({"A"});
    rig.openGrids();
    rig.search.search("A", "");
    Query parked(&rig.conn.IBDatabase2);
    rig.conn.IBTransaction2().commitAndRestart();
    parked.setSql("select * from BUZAI_S2");
    parked.open();
    Query members(&rig.conn.IBDatabase2);
    members.setSql("select * from BUZAI_S");
    members.open();
    EXPECT_EQ(parked.fieldNames(), members.fieldNames());
    EXPECT_EQ(parked.recordCount(), 1);
}

// A statement failing halfway through narrowing or through the merge back leaves
// the member list as it was, in the mode it was in.
TEST(MemberSearchTest, FailureHalfwayLeavesTheListAsItWas)
{
    for (bool narrowFirst : {false, true}) {
        SCOPED_TRACE(narrowFirst ? "reset" : "search");
        EditingRig rig;
        rig.categories();
        rig.members({"A", "B", "C"});
        rig.openGrids();
        if (narrowFirst)
            rig.search.search("B", "");
        rig.work({"create exception boom 'boom'",
                  "create trigger BOOM for BUZAI_S active before insert or update or delete position 0 as "
                  "begin if (coalesce(new.NAME01, old.NAME01) in ('B', 'C')) then exception boom; end"});
        rig.openGrids();
        const QStringList before = rig.memberList();
        if (narrowFirst)
            EXPECT_THROW(rig.search.reset(), DbError);
        else
            EXPECT_THROW(rig.search.search("B", ""), DbError);
        EXPECT_EQ(rig.memberList(), before);
        EXPECT_EQ(rig.search.narrowed(), narrowFirst);
        EXPECT_TRUE(rig.dm->IBT_bu.active());
    }
}

} // namespace
