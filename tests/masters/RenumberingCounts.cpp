#include "RenumberingCounts.h"

#include "RegistrationRig.h"

#include <gtest/gtest.h>

namespace {

int count(RegistrationRig& rig, const QString& from)
{
    return rig.productRows("select count(*) from " + from).value(0).toInt();
}

} // namespace

RenumberingCounts::RenumberingCounts(RegistrationRig& rig)
    : middles(count(rig, "MAS_KOUSYU_02")), members(count(rig, "MAS_BUZAI")), scheduleMaster(count(rig, "MAS_SIAGE02")),
      schedulesWithoutCategory(count(rig, "MAS_SIAGE02 where BL_kubun<0 or BM_kubun<0") +
                               count(rig, "DAT_SIAGE02 where BL_kubun<0 or BM_kubun<0")),
      pastWithoutCategory(count(rig, "DAT_MEISAI03 where KU_KOUSYU<0") + count(rig, "DAT_JIKKOU where KOUSYU<0") +
                          count(rig, "DAT_JIKKOU_MEISAI where L_kubun<0 or M_kubun<0") +
                          count(rig, "DAT_MITUMORI_M where BL_kubun<0 or BM_kubun<0"))
{
}

void expectOutlineDone(const RenumberingOutline& outline, const RenumberingCounts& before,
                       const RenumberingCounts& after, Tab tab)
{
    RenumberingOutline::Gone sum;
    for (const RenumberingOutline::Gone& g : outline.gone) {
        sum.middles += g.middles;
        sum.members += g.members;
        sum.scheduleDeleted += g.scheduleDeleted;
        sum.scheduleKept += g.scheduleKept;
        sum.pastDetails += g.pastDetails;
    }
    // A middle registration rewrites its major's middle categories from the grid.
    if (tab == Tab::Major) {
        EXPECT_EQ(sum.middles, before.middles - after.middles) << "middle categories deleted";
    }
    EXPECT_EQ(sum.members, before.members - after.members) << "members deleted";
    EXPECT_EQ(sum.scheduleDeleted, before.scheduleMaster - after.scheduleMaster) << "schedule lines deleted";
    EXPECT_EQ(sum.scheduleKept, after.schedulesWithoutCategory - before.schedulesWithoutCategory)
        << "schedule lines left without category";
    EXPECT_EQ(sum.pastDetails, after.pastWithoutCategory - before.pastWithoutCategory)
        << "past details left without category";
}
