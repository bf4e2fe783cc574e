#include "DbError.h"
#include "MainWindowFixture.h"

#include <QTextEdit>

// What a new user and an unlucky office run into: a product database that is not
// there when the program starts, tabs visited in an odd order, a work folder that
// cannot be written, a small screen.
class SafetyTest : public ::testing::Test, public MainWindowFixture {};

const QStringList kProduct =
    insertRows("MAS_KOUSYU_01 (CNT,BL_KUBUN,NAME01)", {"1,1,'仮設工事'", "2,2,'外壁工事'"}) +
    insertRows("MAS_KOUSYU_02 (CNT,BL_KUBUN,BM_KUBUN,NAME01)",
               {"1,1,1,'足場'", "2,2,1,'サイディング'", "3,2,2,'塗装'"}) +
    insertRows("MAS_BUZAI (BL_KUBUN,BM_KUBUN,BS_KUBUN,NAME01)", {"2,1,1,'窯業系サイディング'"}) +
    insertRows("LOOK_TANI (CD,NAME)", {"1,'式'"});

// The loads fail while the product database cannot be reached and leave the work
// tables empty; once it is back, 登　録 must not write those empty lists over it.
TEST(SafetyLoadTest, ListsThatDidNotLoadAreNeverRegistered)
{
    for (Tab tab : {Tab::Major, Tab::Unit}) {
        SCOPED_TRACE(static_cast<int>(tab));
        MainWindowFixture fx;
        fx.start();
        // Without a product database the window still comes up.
        ASSERT_FALSE(fx.session->conn.IBDatabase1.connected());
        EXPECT_TRUE(fx.form->isVisible());
        fx.form->showTab(tab);
        fx.product(kProduct);
        const auto registerShown = [&] {
            fx.confirm.messages.clear();
            fx.confirm.answers = {Confirmation::Ok, Confirmation::Ok, Confirmation::Ok};
            fx.ui().SB[2]->click();
            QStringList counts;
            for (const char* table : {"MAS_KOUSYU_01", "MAS_KOUSYU_02", "MAS_BUZAI", "LOOK_TANI"})
                counts << QString::number(fx.productCount(table));
            EXPECT_EQ(counts.join(','), "2,3,1,1");
            return fx.confirm.messages.value(fx.confirm.messages.size() - 1);
        };
        EXPECT_TRUE(registerShown().startsWith("マスターの読込が完了していないため、登録できません。"));

        // Showing the tab again loads it, and then it registers as usual.
        fx.errors.clear();
        fx.form->showTab(tab);
        ASSERT_TRUE(fx.errors.isEmpty()) << fx.errors.join("\n").toStdString();
        EXPECT_EQ(registerShown(), "登録しました。");
        if (tab == Tab::Major) { // the work is over: the grid is back in place of the notice
            EXPECT_TRUE(fx.ui().DBGrid1->isVisibleTo(fx.form.get()));
            EXPECT_FALSE(fx.ui().Memo1->isVisibleTo(fx.form.get()));
        }
    }
}

// The unit tab closes the major list; the middle tab opens it again at the major
// that was shown, so middles are neither listed nor typed under an empty major.
TEST_F(SafetyTest, MiddleTabAfterUnitTabShowsTheMajorShownBefore)
{
    product(kProduct);
    start();
    dm->IBT_dai.setRecNo(2);
    form->showTab(Tab::Middle);
    form->showTab(Tab::Unit);
    form->showTab(Tab::Middle);
    expectNoErrors();
    EXPECT_EQ(ui().DBEdit1->text(), "外壁工事");
    EXPECT_EQ(dm->IBT_chu.recordCount(), 2);
    // The navigator steps through the majors again.
    dm->IBT_dai.first();
    emit ui().DBNavigator1->clicked();
    EXPECT_EQ(dm->IBT_chu.text("NAME01"), "足場");
}

// ../LOCAL cannot be made: the message names the file and the folder, never the
// password, and later errors still name the files the program meant to open.
TEST_F(SafetyTest, UnwritableWorkFolderShowsNoCredentials)
{
    makeProduct()->close();
    QFile blocker(folder.file("LOCAL")); // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    start();
    const qsizetype atStart = errors.size();
    form->showTab(Tab::Unit);
    ASSERT_GT(atStart, 0);
    ASSERT_GT(errors.size(), atStart);
    const QString first = DbError::splitDetails(errors.first()).first;
    EXPECT_TRUE(first.startsWith("作業用データベース「") && first.contains("MAS_MENT.fdb」を作れません。フォルダー「"))
        << first.toStdString();
    EXPECT_TRUE(errors.last().contains("MAS_MENT.fdb")) << errors.last().toStdString();
    for (const QString& e : std::as_const(errors))
        for (const char* secret : {"tollgates", "PASSWORD", "file \"\""})
            EXPECT_FALSE(e.contains(secret, Qt::CaseInsensitive)) << e.toStdString();
}

// The toolbar buttons follow the window's width and never hold it wide: the
// window fits a 1,280-pixel screen.
TEST_F(SafetyTest, WindowFitsASmallScreen)
{
    makeProduct()->close();
    start();
    EXPECT_LT(form->minimumSizeHint().width(), 1280);
    form->resize(1220, 600);
    QApplication::processEvents();
    EXPECT_EQ(form->width(), 1220);
    EXPECT_EQ(ui().FKey[11]->x(), 1100);
}
