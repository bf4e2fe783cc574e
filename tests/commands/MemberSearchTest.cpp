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
    EditingRig rig({"赤いパイプ", "青いパイプ", "赤い板", "O''Brien", "50%引", "500円", "a_b", "axb"});
    const QString all = "赤いパイプ,青いパイプ,赤い板,O'Brien,50%引,500円,a_b,axb";
    const std::tuple<QString, QString, QString> cases[] = {
        {"赤", "パイプ", "赤いパイプ"}, // both keywords must match
        {"", "板", "赤い板"},
        {"O'B", "", "O'Brien"},
        {"0%", "", "50%引"}, // a percent sign is a percent sign
        {"a_b", "", "a_b"},  // and an underscore an underscore
        {"無い", "", ""},
    };
    for (const auto& [k1, k2, expected] : cases) {
        SCOPED_TRACE((k1 + '/' + k2).toStdString());
        rig.search.search(k1, k2);
        EXPECT_EQ(names(rig), expected);
        rig.search.reset();
    }
    // Nothing to search for keeps the mode; every reset brought every row back.
    rig.search.search("", "");
    EXPECT_FALSE(rig.search.narrowed());
    EXPECT_EQ(names(rig), all);
}

// What the user did in the narrowed grid comes back into the full list.
TEST(MemberSearchTest, ResetMergesTheNarrowedRowsBackByName)
{
    // A new price: once, in the old place. A new name: the old row and the changed
    // one. A deleted row: back from the parked list.
    const std::tuple<const char*, QVariant, QStringList> cases[] = {
        {"KIN_02", 999, {"1|A|1", "2|B|999", "3|C|3"}},
        {"NAME01", "B2", {"1|A|1", "2|B|2", "3|B2|2", "4|C|3"}},
        {nullptr, {}, {"1|A|1", "2|B|2", "3|C|3"}},
    };
    for (const auto& [field, value, expected] : cases) {
        SCOPED_TRACE(value.toString().toStdString());
        EditingRig rig({"A", "B", "C"});
        rig.search.search("B", "");
        if (field) {
            rig.dm->IBT_bu.setValue(field, value);
            rig.dm->IBT_bu.post();
        } else {
            rig.dm->IBT_bu.remove();
        }
        rig.search.reset();
        EXPECT_EQ(rig.table("select CNT, NAME01, KIN_02 from BUZAI_S order by CNT"), expected);
    }
}

// Of two rows by one name the later is kept; the parked list has every member column.
TEST(MemberSearchTest, DuplicatesByNameKeepTheLaterOne)
{
    EditingRig rig({"A", "B", "A"});
    rig.work({"update BUZAI_S set NAME03='second' where CNT=3"});
    rig.search.search("A", "");
    const auto columns = [&](const char* table) {
        rig.conn.IBTransaction2().commitAndRestart();
        Query q(&rig.conn.IBDatabase2);
        q.setSql(QStringLiteral("select * from %1").arg(table));
        q.open();
        return q.fieldNames();
    };
    EXPECT_EQ(columns("BUZAI_S2"), columns("BUZAI_S"));
    rig.search.reset();
    EXPECT_EQ(rig.table("select CNT, NAME01, coalesce(NAME03,'') from BUZAI_S order by CNT"),
              (QStringList{"1|B|", "2|A|second"}));
}

// Sorting the narrowed grid numbers only its rows from 1; reset puts them back by
// those positions, after a parked row of the same position.
TEST(MemberSearchTest, SortWhileNarrowed)
{
    EditingRig rig({"xパイプ", "板", "aパイプ", "柱"});
    rig.search.search("パイプ", "");
    rig.sort.sortBy("NAME01");
    EXPECT_EQ(rig.table("select CNT, NAME01 from BUZAI_S order by CNT"), (QStringList{"1|aパイプ", "2|xパイプ"}));
    rig.search.reset();
    EXPECT_EQ(names(rig), "aパイプ,板,xパイプ,柱");
}

// The merge back cuts texts to their first line and takes the spaces out of the
// unit, whether the break is in a narrowed row or in a parked one, and a row
// that differs only by a trailing blank is still written in its merged form.
TEST(MemberSearchTest, MergeBackCutsTextsToTheirFirstLine)
{
    for (bool breakParked : {false, true}) {
        SCOPED_TRACE(breakParked ? "break in a parked row" : "break in a narrowed row");
        EditingRig rig;
        rig.categories();
        rig.members({"赤いパイプ", "青い板"});
        rig.work({QString("update BUZAI_S set NAME02='上' || ascii_char(13) || ascii_char(10) || '下', "
                          "TANI='本 ', NAME03='x' || ascii_char(10) where CNT=%1")
                      .arg(breakParked ? 2 : 1)});
        rig.openGrids();
        rig.search.search("パイプ", "");
        rig.search.reset();
        EXPECT_EQ(rig.table("select CNT, NAME01, NAME02, NAME03, TANI, char_length(TANI) from BUZAI_S order by CNT"),
                  QStringList({QString("1|赤いパイプ|%1|本|1").arg(breakParked ? "∅|∅" : "上|x"),
                               QString("2|青い板|%1|本|1").arg(breakParked ? "上|x" : "∅|∅")}));
    }
}

// A statement failing halfway through narrowing or through the merge back leaves
// the member list as it was, in the mode it was in.
TEST(MemberSearchTest, FailureHalfwayLeavesTheListAsItWas)
{
    for (bool narrowFirst : {false, true}) {
        SCOPED_TRACE(narrowFirst ? "reset" : "search");
        EditingRig rig({"A", "B", "C"});
        if (narrowFirst)
            rig.search.search("B", "");
        rig.work({"create exception boom 'boom'",
                  "create trigger BOOM for BUZAI_S active before insert or update or delete position 0 as "
                  "begin if (coalesce(new.NAME01, old.NAME01) in ('B', 'C')) then exception boom; end"});
        rig.openGrids();
        const QStringList before = rig.memberList();
        EXPECT_THROW(narrowFirst ? rig.search.reset() : rig.search.search("B", ""), DbError);
        EXPECT_EQ(rig.memberList(), before);
        EXPECT_EQ(rig.search.narrowed(), narrowFirst);
    }
}

} // namespace
