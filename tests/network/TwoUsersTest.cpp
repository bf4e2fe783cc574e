#include "MainWindowFixture.h"
#include "RegistrationRig.h"
#include "TestServer.h"

#include <QToolButton>

#include <gtest/gtest.h>

namespace {

QStringList names(TableDataset& d, const QString& field)
{
    QStringList out;
    for (int row = 0; row < d.recordCount(); ++row)
        out << d.valueAt(row, field).toString();
    return out;
}

// Two estimators, each with a program folder and work database of their own, on
// one product database on the server. B loads while A's registration is under
// way; B registers afterwards and, after the reload, works on A's result.
TEST(TwoUsers, OneLoadsWhileTheOtherRegistersAndTheSecondSeesTheFirstsResult)
{
    ASSERT_NE(TestServer::ofRun(), nullptr);
    RegistrationRig a;
    a.standardProduct();
    a.product(inserts("LOOK_TANI (CD,NAME)", {"1,'式'"}));
    a.work(inserts("BUZAI_DAI (CNT,BL_kubun,NAME01)", {"1,2,'M2 new'", "2,1,'M1'"}));

    MainWindowFixture b;
    b.netTxt(a.conn.IBDatabase1.databaseName().toLatin1() + "\r\n");
    b.start();
    ASSERT_TRUE(b.errors.isEmpty()) << b.errors.join("\n").toStdString();
    EXPECT_EQ(names(b.dm->IBT_dai, "NAME01"), (QStringList{"M1", "M2"}));

    QStringList loadedMeanwhile;
    int steps = 0;
    a.progress.onStep = [&] {
        if (++steps != 3)
            return;
        // A has rewritten the majors but not committed: B's load neither waits
        // nor fails, and reads what was committed.
        b.form->showTab(Tab::Unit);
        b.form->showTab(Tab::Major);
        loadedMeanwhile = names(b.dm->IBT_dai, "NAME01");
    };
    a.registerTab(Tab::Major);
    EXPECT_EQ(a.confirm.messages.value(a.confirm.messages.size() - 1), "登録しました。");
    b.expectNoErrors();
    EXPECT_EQ(loadedMeanwhile, (QStringList{"M1", "M2"}));

    // B registers its units second, then finds A's majors on its reload.
    b.form->showTab(Tab::Unit);
    b.dm->IBT_TANI.append();
    b.dm->IBT_TANI.setValue("NAME", "本");
    b.dm->IBT_TANI.post();
    b.confirm.answers = {Confirmation::Ok, Confirmation::Ok};
    b.form->SB[2]->click();
    EXPECT_EQ(b.confirm.messages.value(b.confirm.messages.size() - 1), "登録しました。")
        << b.confirm.messages.join("|").toStdString() << b.errors.join("\n").toStdString();
    b.form->showTab(Tab::Major);
    EXPECT_EQ(names(b.dm->IBT_dai, "NAME01"), (QStringList{"M2 new", "M1"}));
    EXPECT_EQ(a.productRows("select CD, NAME from LOOK_TANI order by CD"), (Rows{"1|式", "2|本"}));
    EXPECT_EQ(a.productRows("select BL_kubun, NAME01 from MAS_KOUSYU_01 order by BL_kubun"),
              (Rows{"1|M2 new", "2|M1"}));
    b.expectNoErrors();
}

} // namespace
