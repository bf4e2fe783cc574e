#include "DBGrid.h"
#include "Form7.h"
#include "MainWindowFixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// Acts on the next modal dialog once it is shown.
void whenModal(const std::function<void(TForm7*)>& act)
{
    QTimer::singleShot(0, [act] {
        if (auto* d = qobject_cast<TForm7*>(QApplication::activeModalWidget()))
            act(d);
        else
            whenModal(act);
    });
}

} // namespace

// 置　換 from the name column: the replacement runs once, and the dialog shown
// again afterwards is cancelled.
TEST(TextToolsWindow, ReplacementFromTheNameColumnRunsOnce)
{
    MainWindowFixture f;
    f.product({"insert into MAS_KOUSYU_01 (CNT,BL_KUBUN,NAME01) values (1,1,'仮設工事')",
               "insert into MAS_KOUSYU_02 (CNT,BL_KUBUN,BM_KUBUN,NAME01) values (1,1,1,'足場')",
               "insert into MAS_BUZAI (BL_KUBUN,BM_KUBUN,BS_KUBUN,NAME01) values (1,1,1,'六角ボルト')"});
    f.start();
    f.form->showTab(Tab::Member);
    f.form->DBGrid3->setCurrentIndex(f.form->DBGrid3->model()->index(0, 1));
    QStringList seen;
    whenModal([&](TForm7* d) {
        seen << d->Edit[1]->text();
        EXPECT_TRUE(d->Edit[13]->isVisibleTo(d));
        d->Edit[2]->setText("六角ﾎﾞﾙﾄ");
        whenModal([&](TForm7* second) {
            seen << second->Edit[2]->text();
            second->BitBtn2->click();
        });
        d->Button1->click();
    });
    f.form->SBS[0]->click();
    ASSERT_TRUE(f.errors.isEmpty()) << f.errors.join("\n").toStdString();
    EXPECT_EQ(seen, QStringList({"六角ボルト", "六角ﾎﾞﾙﾄ"}));
    EXPECT_EQ(f.confirm.messages, QStringList{"文字列の置き換えは、マスターに即時更新されます。"});
    EXPECT_EQ(f.dm->IBT_bu.text("NAME01"), "六角ﾎﾞﾙﾄ");
}
