#include "EditingRig.h"

#include <gtest/gtest.h>

namespace {

// The merge back cuts texts to their first line and takes the spaces out of the
// unit, whether the break is in a narrowed row or in a parked one, and a row
// that differs only by a trailing blank is still written in its merged form.
TEST(MemberMergeTest, TextsAreCutToTheirFirstLine)
{
    for (bool breakParked : {false, true}) {
        SCOPED_TRACE(breakParked ? "break in a parked row" : "break in a narrowed row");
        EditingRig rig;
        rig.categories();
        rig.members({"赤いパイプ", "青い板"});
        const QString broken = breakParked ? "青い板" : "赤いパイプ";
        rig.work({QString("update BUZAI_S set NAME02='上' || ascii_char(13) || ascii_char(10) || '下', "
                          "TANI='本 ', NAME03='x' || ascii_char(10) where NAME01='%1'")
                      .arg(broken)});
        rig.openGrids();
        rig.search.search("パイプ", "");
        rig.search.reset();
        EXPECT_EQ(rig.table("select CNT, NAME01, NAME02, NAME03, TANI, char_length(TANI) from BUZAI_S order by CNT"),
                  QStringList({QString("1|赤いパイプ|%1|本|1").arg(breakParked ? "∅|∅" : "上|x"),
                               QString("2|青い板|%1|本|1").arg(breakParked ? "上|x" : "∅|∅")}));
    }
}

} // namespace
