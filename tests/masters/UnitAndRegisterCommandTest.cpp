#include "ProgramState.h"
#include "RegistrationRig.h"
#include "RegistrationSupport.h"
#include "UnitRegistration.h"
#include "WorkTypeRegistration.h"

#include <gtest/gtest.h>

namespace {

// Units are numbered by grid position; an empty row leaves its number unused and
// of equal names the later one stays. Quotes are stored as typed.
TEST(UnitRegistration, NumberedByGridPosition)
{
    RegistrationRig rig;
    rig.product(inserts("LOOK_TANI (CD,NAME)", {"9,'old'"}));
    const QList<QVariant> names = {"A", QVariant(), "C", "m", "本", "m", "a'b", "c’d", "a'b"};
    for (int i = 0; i < names.size(); ++i)
        rig.workRow("TANI", {{"CD", i + 1}, {"NAME", names[i]}});
    rig.registerTab(Tab::Unit);
    EXPECT_EQ(rig.productRows("select CD, NAME from LOOK_TANI order by CD"),
              (Rows{"1|A", "3|C", "5|本", "6|m", "8|c’d", "9|a'b"}));
    EXPECT_EQ(rig.confirm.messages, (Rows{QString("単位マスターを登録しますか？"), "登録しました。"}));
    EXPECT_EQ(rig.events, Rows{"unitLoad"});
}

// Without permission, or when the tab's question is answered No, nothing changes.
TEST(RegisterCommand, RefusedOrCancelledRegistersNothing)
{
    RegistrationRig rig;
    rig.standardProduct();
    rig.addJikkouColumns();
    rig.product(inserts("LOOK_TANI (CD,NAME)", {"9,'old'"}));
    rig.work(inserts("BUZAI_DAI (CNT,BL_kubun,NAME01)", {"1,2,'A'"}) +
             inserts("BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01)", {"1,2,1,'B'"}) +
             inserts("BUZAI_S (CNT,NAME01)", {"1,'C'"}) + inserts("TANI (CD,NAME)", {"1,'D'"}));
    rig.convertDetails = false;
    const QString before = rig.dumpProduct(true);
    const char* masters[] = {"大項目", "中項目", "部材", "単位"};
    for (Tab tab : {Tab::Major, Tab::Middle, Tab::Member, Tab::Unit}) {
        for (bool permitted : {false, true}) {
            SCOPED_TRACE(QString("tab %1, permitted %2").arg(int(tab)).arg(permitted).toStdString());
            rig.state.registrationPermitted = permitted;
            rig.confirm.messages.clear();
            rig.confirm.modes.clear();
            rig.confirm.answers = {Confirmation::No};
            rig.events.clear();
            rig.screen.calls.clear();
            rig.registerTab(tab);
            const QString asked = permitted ? QString("%1マスターを登録しますか？").arg(masters[int(tab)])
                                            : QString("登録には管理者権限が必要です。");
            EXPECT_EQ(rig.confirm.messages, Rows{asked});
            EXPECT_EQ(rig.confirm.modes.value(0), permitted ? Confirmation::Question : Confirmation::Notice);
            EXPECT_EQ(rig.dumpProduct(true), before);
            if (!permitted) {
                EXPECT_TRUE(rig.events.isEmpty());
                EXPECT_TRUE(rig.screen.calls.isEmpty());
            }
        }
    }
}

// A registration that would leave a master without rows, or middles without a
// major, changes nothing in either database and says why. Blank rows do not count;
// rows of other categories that stay do.
TEST(RegisterCommand, NothingToRegisterIsRefused)
{
    const auto refused = [](const char* master) {
        return QString("登録する行がありません。\n登録すると%1マスターが空になるため、何も登録しませんでした。")
            .arg(master);
    };
    const QString noMajor =
        QString("大項目が選ばれていないため、中項目は登録しませんでした。\n大項目を選んでから登録し直してください。");
    const QList<QVariant> blanks = {QVariant(), "", " 　", "\r\n二行目"};
    struct Case {
        const char* name;
        Tab tab;
        QStringList product; // on top of the standard product and one unit
        QVariant major;      // BL_kubun of the current major row; invalid: no major row
        QString message;     // empty: registers
        bool majorGridClosed = false;
    };
    const Case cases[] = {
        {"majors", Tab::Major, {}, 1, refused("大項目")},
        {"middles of the only major",
         Tab::Middle,
         {"delete from MAS_KOUSYU_02 where BL_kubun=2"},
         1,
         refused("中項目")},
        {"middles while another major keeps its", Tab::Middle, {}, 1, {}},
        {"middles without a major row", Tab::Middle, {}, QVariant(), noMajor},
        {"middles under a major without code", Tab::Middle, {}, QString(), noMajor},
        {"middles under major 0", Tab::Middle, {}, 0, noMajor},
        {"middles under a negative major", Tab::Middle, {}, -1, noMajor},
        {"middles with the major grid closed", Tab::Middle, {}, 1, noMajor, true},
        {"members of the only named category",
         Tab::Member,
         {"delete from MAS_BUZAI where BL_kubun<>1 or BM_kubun<>1",
          "insert into MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun) values (2,1,1)"},
         1,
         refused("部材")},
        {"members while another category keeps its", Tab::Member, {}, 1, {}},
        {"units", Tab::Unit, {}, 1, refused("単位")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RegistrationRig rig;
        rig.standardProduct();
        rig.product(c.product + inserts("LOOK_TANI (CD,NAME)", {"1,'本'"}));
        if (c.major.isValid() && c.tab != Tab::Major)
            rig.workRow(
                "BUZAI_DAI",
                {{"CNT", 1}, {"BL_kubun", c.major.toString().isEmpty() ? QVariant() : c.major}, {"NAME01", "M1"}});
        // The tab registered has only blank rows; the others are as loaded.
        for (int i = 0; i < blanks.size(); ++i) {
            const QVariant name = c.tab == Tab::Middle ? blanks[i] : QVariant(QString("M1-%1").arg(i + 1));
            rig.workRow("BUZAI_CHU", {{"CNT", i + 1}, {"BL_kubun", 1}, {"BM_kubun", i + 1}, {"NAME01", name}});
            rig.workRow(
                "BUZAI_S",
                {{"CNT", i + 1}, {"NAME01", blanks[i]}, {"NAME02", blanks[blanks.size() - 1 - i]}, {"NAME03", "備考"}});
            rig.workRow("TANI", {{"CD", i + 1}, {"NAME", blanks[i]}});
        }
        if (c.tab == Tab::Major)
            for (int i = 0; i < blanks.size(); ++i)
                rig.workRow("BUZAI_DAI", {{"CNT", i + 1}, {"BL_kubun", i + 1}, {"NAME01", blanks[i]}});
        const QString productBefore = rig.dumpProduct(true);
        const Rows workBefore = rig.workTables();

        if (c.majorGridClosed) {
            rig.tab = c.tab;
            for (TableDataset* d : rig.grids())
                d->open();
            rig.dm->IBT_dai.close();
            rig.command->SB03Click();
        } else {
            rig.registerTab(c.tab);
        }

        if (c.message.isEmpty()) {
            EXPECT_TRUE(rig.confirm.messages.contains("登録しました。"));
            EXPECT_NE(rig.dumpProduct(true), productBefore);
            continue;
        }
        EXPECT_EQ(rig.confirm.messages, Rows{c.message});
        EXPECT_EQ(rig.confirm.modes, QList<int>{Confirmation::Notice});
        EXPECT_EQ(rig.dumpProduct(true).toStdString(), productBefore.toStdString());
        EXPECT_EQ(rig.workTables(), workBefore);
        EXPECT_FALSE(rig.screen.hidden);
        EXPECT_FALSE(rig.progress.visible);
    }
}

TEST(RegisterCommand, NarrowedMemberGridIsOnlyWidenedByTheFirstPress)
{
    RegistrationRig rig;
    rig.work(inserts("BUZAI_DAI (CNT,BL_kubun,NAME01)", {"1,2,'A'"}) +
             inserts("BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01)", {"1,2,5,'B'"}) +
             inserts("BUZAI_S (CNT,NAME01)", {"1,'C'"}));
    rig.narrowed = true;
    rig.registerTab(Tab::Member);
    EXPECT_EQ(rig.events, Rows{"endNarrowing"});
    EXPECT_TRUE(rig.confirm.messages.isEmpty());
    EXPECT_EQ(rig.screen.calls, (Rows{"disable", "enable"}));
    EXPECT_EQ(rig.productRows("select count(*) from MAS_BUZAI"), Rows{"0"});

    rig.command->SB03Click();
    EXPECT_EQ(rig.events, (Rows{"endNarrowing", "resetSearchFields", "memberLoad"}));
    EXPECT_EQ(rig.productRows("select BL_kubun, BM_kubun, BS_kubun, NAME01 from MAS_BUZAI"), Rows{"2|5|1|C"});
    EXPECT_TRUE(rig.screen.memberGridEnabled);
    EXPECT_TRUE(rig.dm->IBT_bu.active());
}

} // namespace
