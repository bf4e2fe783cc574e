#include "DBGrid.h"
#include "MainWindowFixture.h"
#include "ProgramState.h"
#include "SjisCodec.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

void writeSjis(const QString& path, const QString& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(SjisCodec::encode(text));
}

} // namespace

TEST(Form1Test, FirstStartCreatesLocalFolderAndWorkDatabase)
{
    MainWindowFixture fx;
    fx.makeProduct();
    ASSERT_FALSE(QFileInfo::exists(fx.folder.file("LOCAL")));
    fx.start();
    EXPECT_TRUE(QFileInfo::exists(fx.folder.file("LOCAL/MAS_MENT.fdb")));
    EXPECT_TRUE(fx.errors.isEmpty()) << fx.errors.join("\n").toStdString();
    EXPECT_EQ(fx.form->activeTab(), Tab::Major);
    EXPECT_TRUE(fx.dm->IBT_dai.active());
    EXPECT_EQ(fx.form->size(), QSize(1393, 750));
    EXPECT_EQ(fx.state().housingRowMissing, 0);
    EXPECT_TRUE(fx.form->CheckBox1->isChecked());
    EXPECT_TRUE(fx.state().registrationPermitted);
}

TEST(Form1Test, NetTxtNamesTheProductDatabaseAndServer)
{
    MainWindowFixture fx;
    auto other = fx.makeProduct("OTHER.FDB", false);
    other->close();
    writeSjis(fx.folder.file("PROG/NET.TXT"), fx.folder.file("OTHER.FDB") + "\r\n");
    fx.start();
    EXPECT_EQ(fx.session->conn.IBDatabase1.databaseName(), fx.folder.file("OTHER.FDB"));
    EXPECT_TRUE(fx.state().serverName.isEmpty());
    // The product lacks the housing row: both check boxes start cleared.
    EXPECT_FALSE(fx.form->CheckBox1->isChecked());
    EXPECT_FALSE(fx.form->CheckBox2->isChecked());
    EXPECT_EQ(fx.state().housingRowMissing, 1);
    fx.stop();

    MainWindowFixture fx2;
    fx2.makeProduct();
    writeSjis(fx2.folder.file("PROG/NET.TXT"), fx2.folder.file("TREVOLAN.FDB") + "\r\nSERVER1\r\n");
    fx2.start(false);
    EXPECT_EQ(fx2.state().serverName, "SERVER1");
}

TEST(Form1Test, MissingProductDatabaseLeavesWindowUpWithoutConnection)
{
    MainWindowFixture fx;
    fx.start();
    EXPECT_TRUE(fx.form->isVisible());
    EXPECT_FALSE(fx.session->conn.IBDatabase1.connected());
    EXPECT_FALSE(fx.form->CheckBox1->isChecked());
    EXPECT_EQ(fx.state().housingRowMissing, 0);
}

TEST(Form1Test, CaptionsAndEnabledStatesFollowTheTab)
{
    MainWindowFixture fx;
    fx.makeProduct();
    fx.start();
    auto captions = [&] {
        QStringList out;
        for (int i : {4, 5, 6, 7, 9, 10})
            out << fx.form->SB[i]->text();
        for (int i : {0, 1, 4, 8, 9, 11})
            out << fx.form->SBS[i]->text();
        return out.join('|');
    };
    EXPECT_EQ(captions(), "|切　取|貼　付||ﾌｧｲﾙ出力|||||||");
    EXPECT_TRUE(fx.form->SBS[10]->isEnabled());
    fx.form->showTab(Tab::Member);
    EXPECT_EQ(captions(), "コピー|切　取|貼　付|前行ｺﾋﾟｰ|ﾌｧｲﾙ出力|ﾌｧｲﾙ取込|置　換|修　正||||");
    EXPECT_FALSE(fx.form->SBS[11]->isEnabled());
    fx.form->showTab(Tab::Unit);
    EXPECT_EQ(captions(), "||||||置　換|||||仕上処理");
    EXPECT_TRUE(fx.form->SBS[11]->isEnabled());
    EXPECT_FALSE(fx.form->SBS[10]->isEnabled());
    EXPECT_EQ(fx.state().reloadGuard, 1);
    fx.form->showTab(Tab::Member);
    EXPECT_EQ(fx.state().reloadGuard, 0);
    EXPECT_EQ(fx.form->SBS[11]->text(), "");
    EXPECT_FALSE(fx.form->SBS[11]->isEnabled());
    EXPECT_TRUE(fx.errors.isEmpty()) << fx.errors.join("\n").toStdString();
}

TEST(Form1Test, ExitAsksAndRefusalKeepsTheWindow)
{
    MainWindowFixture fx;
    fx.makeProduct();
    fx.start();
    fx.confirm.answers = {Confirmation::No};
    fx.form->SB[11]->click();
    EXPECT_TRUE(fx.form->isVisible());
    EXPECT_EQ(fx.confirm.messages.last(), "終了しますか？");
    EXPECT_EQ(fx.confirm.modes.last(), Confirmation::Question);
    EXPECT_TRUE(fx.dm->IBT_dai.active());
    fx.confirm.answers = {Confirmation::Ok};
    fx.form->SB[11]->click();
    EXPECT_FALSE(fx.form->isVisible());
    EXPECT_EQ(fx.state().reloadGuard, 1);
}

TEST(Form1Test, FunctionKeysPressToolbarButtonsAndShiftSwapsToolbars)
{
    MainWindowFixture fx;
    fx.makeProduct();
    fx.start();
    fx.form->activateWindow();
    QApplication::setActiveWindow(fx.form.get());
    int second = 0;
    QObject::connect(fx.form->SBS[3], &QToolButton::clicked, [&] { ++second; });
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : fx.form.get();

    QTest::keyPress(target, Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_TRUE(fx.form->ToolBar1->isVisibleTo(fx.form.get()));
    EXPECT_FALSE(fx.form->ToolBar3->isVisibleTo(fx.form.get()));
    // Shift+F4 presses 行削除, which asks first.
    fx.confirm.answers = {Confirmation::No};
    QTest::keyPress(target, Qt::Key_F4, Qt::ShiftModifier);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(fx.confirm.messages, QStringList{"行削除してよろしいですか？"});
    QTest::keyRelease(target, Qt::Key_Shift);
    EXPECT_TRUE(fx.form->ToolBar3->isVisibleTo(fx.form.get()));
    EXPECT_FALSE(fx.form->ToolBar1->isVisibleTo(fx.form.get()));

    // F12 presses 終　了, which asks first.
    fx.confirm.answers = {Confirmation::No};
    QTest::keyPress(target, Qt::Key_F12);
    EXPECT_EQ(fx.confirm.messages.value(1), "終了しますか？");
    EXPECT_TRUE(fx.form->isVisible());
}

// Ctrl+Tab / Ctrl+Shift+Tab and Ctrl+PageDown / Ctrl+PageUp switch tabs even from
// inside a grid, which would otherwise take them for its own cursor.
TEST(Form1Test, ControlTabAndPageKeysSwitchTabsFromAGrid)
{
    MainWindowFixture fx;
    auto product = fx.makeProduct();
    for (int i = 1; i <= 3; ++i)
        fx.exec(*product, QString("insert into MAS_KOUSYU_01 (CNT,BL_KUBUN,NAME01) values (%1,%1,'大%1')").arg(i));
    product->close();
    fx.start();
    fx.form->activateWindow();
    QApplication::setActiveWindow(fx.form.get());
    fx.form->DBGrid1->setFocus();
    ASSERT_EQ(fx.form->activeTab(), Tab::Major);
    ASSERT_EQ(fx.dm->IBT_dai.recNo(), 1);

    const auto press = [&](int key, Qt::KeyboardModifiers mods) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : fx.form.get();
        QTest::keyClick(target, static_cast<Qt::Key>(key), mods);
        return fx.form->activeTab();
    };
    EXPECT_EQ(press(Qt::Key_PageDown, Qt::ControlModifier), Tab::Middle);
    EXPECT_EQ(press(Qt::Key_Tab, Qt::ControlModifier), Tab::Member);
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier), Tab::Middle);
    EXPECT_EQ(press(Qt::Key_PageUp, Qt::ControlModifier), Tab::Major);
    EXPECT_EQ(press(Qt::Key_PageUp, Qt::ControlModifier), Tab::Unit) << "wraps round";
    EXPECT_EQ(press(Qt::Key_PageDown, Qt::ControlModifier), Tab::Major);
    // The grid's cursor stayed where it was.
    EXPECT_EQ(fx.dm->IBT_dai.recNo(), 1);
    EXPECT_TRUE(fx.errors.isEmpty()) << fx.errors.join("\n").toStdString();
}

// ﾌｧｲﾙ出力 on the window: the question, the save dialog, the grid as it shows.
TEST(Form1Test, FileOutputWritesTheShownGrid)
{
    struct SaveTo : FileChooser {
        QString path;
        QString proposed;
        QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
        QString saveFileName(const QString&, const QString& proposedPath, const QString&, const QString&) override
        {
            proposed = proposedPath;
            return path;
        }
    } files;
    MainWindowFixture fx;
    auto product = fx.makeProduct();
    fx.exec(*product, "insert into MAS_KOUSYU_01 (CNT,BL_KUBUN,NAME01) values (1,1,'仮設工事')");
    product->close();
    fx.start();
    files.path = fx.folder.file("out.csv");
    fx.form->setFileChooser(&files);
    fx.form->SB[9]->click();
    EXPECT_EQ(fx.confirm.messages.value(0), "大項目マスターをＣＳＶファイルに変換しますか？");
    EXPECT_TRUE(files.proposed.contains("大項目")) << files.proposed.toStdString();
    QFile out(files.path);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(SjisCodec::decode(out.readAll()), "\"№\",\"名称\"\r\n\"1\",\"仮設工事\"\r\n");
    EXPECT_TRUE(fx.errors.isEmpty()) << fx.errors.join("\n").toStdString();
}
