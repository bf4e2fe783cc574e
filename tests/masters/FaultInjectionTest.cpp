#include "DbError.h"
#include "RegistrationRig.h"

#include <gtest/gtest.h>

namespace {

struct Fault {
    const char* name;
    MasterTab tab;
    QStringList ddl;  // makes one statement of the registration fail halfway
};

QString boomTrigger(const char* table, const char* event, const char* condition)
{
    return QString("create trigger BOOM_%1 for %1 active before %2 position 0 as begin if (%3) then exception boom; end")
        .arg(table, event, condition);
}

class FaultInjection : public ::testing::TestWithParam<Fault> {
protected:
    RegistrationRig rig;

    void SetUp() override
    {
        rig.standardProduct();
        rig.product(QStringList{
            "insert into MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun) values (5,5,1)",
            "insert into MAS_SIAGE02 (BUI,BANGOU,NAME_01,TAN) values (-3,0,'N1','本')",
            "insert into MAS_SIAGE02 (BUI,BANGOU,BL_kubun,BM_kubun) values (1,9,9,1)",
            "insert into LOOK_TANI (CD,NAME) values (1,'old')",
        });
        rig.addJikkouColumns();
        rig.work(QStringList{
            "insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (1,2,'M2')",
            "insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (2,1,'M1')",
            "insert into BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01,KU_KAMOKU) values (1,2,2,'M2-2',150)",
            "insert into BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01) values (2,2,1,'M2-1')",
            "insert into BUZAI_S (CNT,NAME01,TANI,KIN_01,B_CD) values (1,'N1','本',1.5,'2-x')",
            "insert into BUZAI_S (CNT,NAME01,TANI) values (2,'N2','m')",
            "insert into BUZAI_S (CNT) values (3)",
            "insert into TANI (CD,NAME) values (1,'A')",
            "insert into TANI (CD,NAME) values (2,'B')",
            "insert into TANI (CD,NAME) values (3,'C')",
        });
        rig.product("create exception boom 'boom'");
        for (const QString& ddl : GetParam().ddl)
            rig.product(ddl);
    }

    QStringList workTables()
    {
        return rig.workRows("select * from BUZAI_DAI order by CNT") + rig.workRows("select * from BUZAI_CHU order by CNT") +
               rig.workRows("select * from BUZAI_S order by CNT") + rig.workRows("select * from TANI order by CD");
    }
};

TEST_P(FaultInjection, FailureLeavesEveryTableAsItWasAndGivesTheScreenBack)
{
    const QString productBefore = rig.dumpProduct(true);
    const QStringList workBefore = workTables();
    rig.openDatasets();
    rig.tab = GetParam().tab;

    EXPECT_THROW(rig.command->SB03Click(), DbError);

    EXPECT_EQ(rig.dumpProduct(true).toStdString(), productBefore.toStdString());
    EXPECT_EQ(workTables(), workBefore);
    EXPECT_FALSE(rig.screen.hidden);
    EXPECT_TRUE(rig.screen.memberGridEnabled);
    EXPECT_FALSE(rig.progress.visible);
    EXPECT_FALSE(rig.confirm.messages.contains("登録しました。"));
    EXPECT_FALSE(rig.events.contains("majorLoad") || rig.events.contains("middleLoad") ||
                 rig.events.contains("unitLoad"));
    TableDataset* grids[] = {&rig.dm->IBT_dai, &rig.dm->IBT_chu, &rig.dm->IBT_bu, &rig.dm->IBT_TANI};
    EXPECT_TRUE(grids[int(GetParam().tab)]->active());
}

INSTANTIATE_TEST_SUITE_P(
    Statements, FaultInjection,
    ::testing::Values(
        Fault{"majorMasterInsert", MasterTab::Major, {boomTrigger("MAS_KOUSYU_01", "insert", "new.CNT = 2")}},
        Fault{"majorRenumbering", MasterTab::Major, {boomTrigger("MAS_BUZAI", "update", "new.BL_kubun = 2")}},
        Fault{"majorRepacking", MasterTab::Major, {boomTrigger("DAT_MEISAI03", "update", "new.KU_KOUSYU = 201")}},
        Fault{"majorCleanUp", MasterTab::Major, {boomTrigger("MAS_SIAGE02", "delete", "1 = 1")}},
        Fault{"majorTableMissing", MasterTab::Major, {"drop table DAT_MITUMORI_M"}},
        Fault{"middleRenumbering", MasterTab::Middle,
              {boomTrigger("DAT_SIAGE02", "update", "new.BM_kubun > 0 and old.BM_kubun < 0")}},
        Fault{"middleAccountItem", MasterTab::Middle, {boomTrigger("MAS_BUZAI", "update", "new.KU_KAMOKU = 150")}},
        Fault{"middleScheduleCodes", MasterTab::Middle,
              {boomTrigger("MAS_SIAGE02", "update", "new.KOUSYU = 201")}},
        Fault{"memberInsert", MasterTab::Member, {boomTrigger("MAS_BUZAI", "insert", "new.BS_kubun = 2")}},
        Fault{"memberSchedule", MasterTab::Member, {boomTrigger("MAS_SIAGE02", "update", "1 = 1")}},
        Fault{"memberCleanUp", MasterTab::Member,
              {boomTrigger("MAS_BUZAI", "delete", "old.NAME01 is null and old.NAME02 is null")}},
        Fault{"unitInsert", MasterTab::Unit, {boomTrigger("LOOK_TANI", "insert", "new.CD = 3")}},
        Fault{"unitTableMissing", MasterTab::Unit, {"drop table LOOK_TANI"}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
