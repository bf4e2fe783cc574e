#include "DbError.h"
#include "RegistrationRig.h"

#include <gtest/gtest.h>

namespace {

QString boomTrigger(const char* table, const char* event, const char* condition)
{
    return QString("create trigger BOOM_%1 for %1 active before %2 position 0 as begin "
                   "if (%3) then exception boom; end")
        .arg(table, event, condition);
}

// One statement of a registration fails halfway: every table stays as it was and
// the screen comes back.
TEST(FaultInjection, FailureLeavesEveryTableAsItWas)
{
    struct Fault {
        const char* name;
        Tab tab;
        QString ddl;
    };
    const Fault faults[] = {
        {"major master insert", Tab::Major, boomTrigger("MAS_KOUSYU_01", "insert", "new.CNT = 2")},
        {"major renumbering", Tab::Major, boomTrigger("MAS_BUZAI", "update", "new.BL_kubun = 2")},
        {"major repacking", Tab::Major, boomTrigger("DAT_MEISAI03", "update", "new.KU_KOUSYU = 201")},
        {"major clean-up", Tab::Major, boomTrigger("MAS_SIAGE02", "delete", "1 = 1")},
        {"major table missing", Tab::Major, "drop table DAT_MITUMORI_M"},
        {"middle renumbering", Tab::Middle,
         boomTrigger("DAT_SIAGE02", "update", "new.BM_kubun is distinct from old.BM_kubun")},
        {"middle account item", Tab::Middle, boomTrigger("MAS_BUZAI", "update", "new.KU_KAMOKU = 150")},
        {"middle schedule codes", Tab::Middle, boomTrigger("MAS_SIAGE02", "update", "new.KOUSYU = 201")},
        {"member insert", Tab::Member, boomTrigger("MAS_BUZAI", "insert", "new.BS_kubun = 2")},
        {"member schedule", Tab::Member, boomTrigger("MAS_SIAGE02", "update", "1 = 1")},
        {"member clean-up", Tab::Member,
         boomTrigger("MAS_BUZAI", "delete", "old.NAME01 is null and old.NAME02 is null")},
        {"unit insert", Tab::Unit, boomTrigger("LOOK_TANI", "insert", "new.CD = 3")},
        {"unit table missing", Tab::Unit, "drop table LOOK_TANI"},
    };
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.name);
        RegistrationRig rig;
        rig.fillEveryTab();
        rig.product({"create exception boom 'boom'"});
        rig.product({f.ddl});
        const QString productBefore = rig.dumpProduct(true);
        const Rows workBefore = rig.workTables();

        EXPECT_THROW(rig.registerTab(f.tab), DbError);

        EXPECT_EQ(rig.dumpProduct(true).toStdString(), productBefore.toStdString());
        EXPECT_EQ(rig.workTables(), workBefore);
        EXPECT_FALSE(rig.screen.hidden);
        EXPECT_TRUE(rig.screen.memberGridEnabled);
        EXPECT_FALSE(rig.progress.visible);
        EXPECT_FALSE(rig.confirm.messages.contains("登録しました。"));
        EXPECT_FALSE(rig.events.join(',').contains("Load"));
        EXPECT_TRUE(rig.grids()[int(f.tab)]->active());
    }
}

} // namespace
