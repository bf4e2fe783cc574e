#include "MaintenanceCommands.h"
#include "CommandContext.h"
#include "MasterLoads.h"
#include "WorkRig.h"

#include <gtest/gtest.h>

namespace {

// The product database of the program and a second product database beside it.
class MaintenanceRig : public WorkRig<> {
public:
    MasterLoads loads{*dm, screen};
    CommandContext ctx{*dm, state, screen, loads};
    MaintenanceCommands commands{ctx};
    QString secondPath = folder.file("TREVOLAN2.FDB");

    MaintenanceRig() { conn.setSecondProductPath(secondPath); }
    void second(const QStringList& statements)
    {
        execCommitted(*createProductDatabase(secondPath, false, "second"), statements);
    }
};

} // namespace

TEST(MaintenanceCommands, PieceUnitsLoseTheirDigitsWhetherStoredPlainOrInQuotes)
{
    MaintenanceRig rig;
    rig.product(rig.inserts("MAS_BUZAI (BS_kubun,TANI,KETA)", {"1,'式',2", "2,'\"本\"',2", "3,'m',2"}) +
                rig.inserts("MAS_SIAGE02 (BUI,TAN,KETA)", {"1,'ｾｯﾄ',2", "2,'㎡',2"}));
    rig.commands.SBS_08Click();
    EXPECT_EQ(rig.productRows("select KETA from MAS_BUZAI order by BS_kubun"), QStringList({"0", "0", "2"}));
    EXPECT_EQ(rig.productRows("select KETA from MAS_SIAGE02 order by BUI"), QStringList({"0", "2"}));
}

TEST(MaintenanceCommands, MajorsCopiedAfterTheQuestionAreNumberedInCodeOrder)
{
    MaintenanceRig rig;
    rig.product({"insert into MAS_KOUSYU_01 (CNT,BL_kubun,NAME01) values (1,1,'旧')"});
    rig.second(
        rig.inserts("MAS_KOUSYU_01 (CNT,BL_kubun,NAME01,NAME02)", {"1,9,'九',null", "7,2,'二',''", "3,5,'五',null"}));
    rig.screen.confirm.answers = {Confirmation::No};
    rig.commands.SBS_10Click();
    EXPECT_EQ(rig.productRows("select CNT, BL_kubun, NAME01 from MAS_KOUSYU_01"), QStringList{"1|1|旧"});
    ASSERT_EQ(rig.screen.confirm.messages.size(), 1);
    const QString question = rig.screen.confirm.messages.at(0);
    EXPECT_TRUE(question.contains("大項目マスター") && question.contains("1件") && question.contains("3件") &&
                question.contains("TREVOLAN2.FDB"))
        << question.toStdString();

    rig.commands.SBS_10Click();
    EXPECT_EQ(rig.productRows("select CNT, BL_kubun, NAME01, NAME02 from MAS_KOUSYU_01 order by CNT"),
              QStringList({"1|2|二|∅", "2|5|五|∅", "3|9|九|∅"}));
    EXPECT_EQ(rig.screen.confirm.messages.last(), "大項目マスターに3件を複写しました。");
}

TEST(MaintenanceCommands, AFaultDuringACopyLeavesTheMasterAsItWas)
{
    // Command, table, columns, the row there, the row to copy.
    const std::tuple<void (MaintenanceCommands::*)(), QString, const char*, const char*, const char*> masters[] = {
        {&MaintenanceCommands::SBS_09Click, "MAS_BUZAI", "BL_kubun,BM_kubun,BS_kubun,NAME01,KIN_02", "1,1,1,'元',null",
         "2,2,2,'新',100"},
        {&MaintenanceCommands::SBS_10Click, "MAS_KOUSYU_01", "CNT,BL_kubun,NAME01", "1,1,'元'", "1,2,'新'"},
        {&MaintenanceCommands::SBS_11Click, "MAS_KOUSYU_02", "CNT,BL_kubun,BM_kubun,NAME01", "1,1,1,'元'",
         "1,2,2,'新'"},
    };
    MaintenanceRig rig;
    rig.product({"create exception NO_COPY 'refused'"});
    QStringList source;
    for (const auto& [command, table, columns, existing, copied] : masters) {
        const QString into = QStringLiteral("%1 (%2)").arg(table, columns);
        rig.product(rig.inserts(into, {existing})
                    << QStringLiteral("create trigger %1_NO for %1 before insert as begin "
                                      "if (new.NAME01 = '新') then exception NO_COPY; end")
                           .arg(table));
        source << rig.inserts(into, {copied, copied});
    }
    rig.second(source);
    for (const auto& [command, table, columns, existing, copied] : masters) {
        EXPECT_ANY_THROW((rig.commands.*command)()) << table.toStdString();
        EXPECT_EQ(rig.productRows("select NAME01 from " + table), QStringList{"元"}) << table.toStdString();
    }
}

TEST(MaintenanceCommands, AMissingOrOlderSecondDatabaseIsNamedAndNothingChanges)
{
    MaintenanceRig rig;
    rig.product({"insert into MAS_BUZAI (BS_kubun,NAME01) values (1,'元')"});
    rig.commands.SBS_09Click();
    ASSERT_EQ(rig.screen.confirm.messages.size(), 1);
    EXPECT_TRUE(rig.screen.confirm.messages.at(0).startsWith("第２データベース「"))
        << rig.screen.confirm.messages.at(0).toStdString();

    createTestDatabase(rig.secondPath, "older");
    rig.commands.SBS_09Click();
    ASSERT_EQ(rig.screen.confirm.messages.size(), 2);
    EXPECT_TRUE(rig.screen.confirm.messages.at(1).contains("MAS_BUZAI がありません"))
        << rig.screen.confirm.messages.at(1).toStdString();
    EXPECT_EQ(rig.productRows("select NAME01 from MAS_BUZAI"), QStringList{"元"});
}

TEST(MaintenanceCommands, ScheduleCleanupRunsOnTheUnitTabOnlyAndTwiceEqualsOnce)
{
    MaintenanceRig rig;
    rig.product(rig.inserts("MAS_SIAGE01 (BUI,BANGOU)", {"1,1"}) +
                rig.inserts("MAS_SIAGE02 (BUI,BANGOU,NAME_01)",
                            {"1,1,'残る'", "1,2,'消える'", "0,5,'対象外'", "null,5,'対象外2'"}));
    const QString sql = "select NAME_01 from MAS_SIAGE02 order by NAME_01";
    const QStringList before = rig.productRows(sql);
    rig.screen.tab = Tab::Major;
    rig.commands.SBS_12Click();
    EXPECT_EQ(rig.productRows(sql), before);

    rig.screen.tab = Tab::Unit;
    rig.commands.SBS_12Click();
    const QStringList once = rig.productRows(sql);
    EXPECT_EQ(once, QStringList({"対象外", "対象外2", "残る"}));
    rig.commands.SBS_12Click();
    EXPECT_EQ(rig.productRows(sql), once);
}
