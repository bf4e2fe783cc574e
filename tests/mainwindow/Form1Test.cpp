#include "MainWindowFixture.h"
#include "SjisCodec.h"

#include <QDialog>

// NET.TXT names the product database (a Windows path opens; "server:path" stays as
// written) and on its second line the server; the check boxes follow the housing row.
// The first start makes ../LOCAL with the work database and shows the major tab.
TEST(Form1Test, NetTxtNamesTheProductDatabaseAndServer)
{
    const struct {
        const char* file; // the product made, null: none
        bool housingRow;
        const char *netTxt, *opened, *server; // %DIR%: the test folder
    } cases[] = {
        {"OTHER.FDB", false, "%DIR%/OTHER.FDB\r\n", "%DIR%/OTHER.FDB", ""},
        {"TREVOLAN.FDB", true, "%DIR%/TREVOLAN.FDB\r\nSERVER1\r\n", "%DIR%/TREVOLAN.FDB", "SERVER1"},
        {"ALT.FDB", true, "..\\ALT.FDB\r\n", "%DIR%/ALT.FDB", ""},
        {nullptr, true, "server1:D:\\TREVOLAN\\TREVOLAN.FDB\r\n", "server1:D:\\TREVOLAN\\TREVOLAN.FDB", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.netTxt);
        MainWindowFixture fx;
        const auto inFolder = [&](const char* text) { return QString(text).replace("%DIR%", fx.folder.path()); };
        if (c.file)
            fx.product({"insert into MAS_KOUSYU_01 (CNT,BL_KUBUN,NAME01) values (1,1,'仮設工事')"}, c.file,
                       c.housingRow);
        fx.netTxt(inFolder(c.netTxt).toLatin1());
        fx.start(c.file != nullptr);
        EXPECT_EQ(fx.session->conn.IBDatabase1.databaseName(), inFolder(c.opened));
        EXPECT_EQ(fx.state().serverName, c.server);
        if (!c.file)
            continue;
        fx.expectNoErrors();
        EXPECT_TRUE(fx.state().registrationPermitted);
        EXPECT_EQ(fx.form->activeTab(), Tab::Major);
        EXPECT_EQ(fx.dm->IBT_dai.recordCount(), 1);
        EXPECT_EQ(fx.ui().CheckBox1->isChecked(), c.housingRow);
        EXPECT_EQ(fx.ui().CheckBox2->isChecked(), c.housingRow);
        EXPECT_EQ(fx.state().housingRowMissing, c.housingRow ? 0 : 1);
    }
}

// Function keys press the toolbar buttons, Shift shows the second toolbar while
// held, and 終　了 asks first.
TEST(Form1Test, FunctionKeysShiftAndExit)
{
    MainWindowFixture fx;
    fx.makeProduct();
    fx.start();
    fx.form->activateWindow();
    QApplication::setActiveWindow(fx.form.get());
    int second = 0;
    QObject::connect(fx.ui().SBS[3], &QToolButton::clicked, [&] { ++second; });
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : fx.form.get();
    const auto mainBarShown = [&] {
        const bool main = fx.ui().ToolBar3->isVisibleTo(fx.form.get());
        EXPECT_NE(main, fx.ui().ToolBar1->isVisibleTo(fx.form.get()));
        return main;
    };

    QTest::keyPress(target, Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_FALSE(mainBarShown());
    // Shift+F4 presses 行削除, which asks first.
    fx.confirm.answers = {Confirmation::No};
    QTest::keyPress(target, Qt::Key_F4, Qt::ShiftModifier);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(fx.confirm.messages.size(), 1);
    QTest::keyRelease(target, Qt::Key_Shift);
    EXPECT_TRUE(mainBarShown());
    // Released while a dialog had the keyboard: the window, active again, shows the main toolbar.
    QTest::keyPress(target, Qt::Key_Shift, Qt::ShiftModifier);
    {
        QDialog box(fx.form.get());
        box.setWindowModality(Qt::ApplicationModal);
        box.show();
        QTest::keyRelease(&box, Qt::Key_Shift);
        EXPECT_FALSE(mainBarShown());
    }
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(fx.form.get(), &activate);
    EXPECT_TRUE(mainBarShown());

    // F12 presses 終　了: No keeps the window and its lists, OK closes it.
    fx.confirm.answers = {Confirmation::No};
    QTest::keyPress(target, Qt::Key_F12);
    EXPECT_EQ(fx.confirm.messages.size(), 2);
    EXPECT_TRUE(fx.form->isVisible());
    EXPECT_TRUE(fx.dm->IBT_dai.active());
    fx.confirm.answers = {Confirmation::Ok};
    fx.ui().SB[11]->click();
    EXPECT_FALSE(fx.form->isVisible());
}

// Ctrl+Tab / Ctrl+Shift+Tab and Ctrl+PageDown / Ctrl+PageUp switch tabs even from
// inside a grid, which would otherwise take them for its own cursor.
TEST(Form1Test, ControlTabAndPageKeysSwitchTabsFromAGrid)
{
    MainWindowFixture fx;
    fx.product(insertRows("MAS_KOUSYU_01 (CNT,BL_KUBUN,NAME01)", {"1,1,'大1'", "2,2,'大2'"}));
    fx.start();
    fx.form->activateWindow();
    QApplication::setActiveWindow(fx.form.get());
    fx.ui().DBGrid1->setFocus();
    const auto press = [&](int key, Qt::KeyboardModifiers mods) {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), mods);
        return fx.form->activeTab();
    };
    EXPECT_EQ(press(Qt::Key_PageDown, Qt::ControlModifier), Tab::Middle);
    EXPECT_EQ(press(Qt::Key_Tab, Qt::ControlModifier), Tab::Member);
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier), Tab::Middle);
    EXPECT_EQ(press(Qt::Key_PageUp, Qt::ControlModifier), Tab::Major);
    EXPECT_EQ(press(Qt::Key_PageUp, Qt::ControlModifier), Tab::Unit) << "wraps round";
    EXPECT_EQ(press(Qt::Key_PageDown, Qt::ControlModifier), Tab::Major);
    EXPECT_EQ(fx.dm->IBT_dai.recNo(), 1) << "the grid's cursor stayed";
    fx.expectNoErrors();
}

// ﾌｧｲﾙ出力 reaches the export with the window's file dialog and the shown grid.
TEST(Form1Test, FileOutputWritesTheShownGrid)
{
    struct SaveTo : FileChooser {
        QString path;
        QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
        QString saveFileName(const QString&, const QString&, const QString&, const QString&) override { return path; }
    } files;
    MainWindowFixture fx;
    fx.product({"insert into MAS_KOUSYU_01 (CNT,BL_KUBUN,NAME01) values (1,1,'仮設工事')"});
    fx.start();
    files.path = fx.folder.file("out.csv");
    fx.form->setFileChooser(&files);
    fx.ui().SB[9]->click();
    QFile out(files.path);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(SjisCodec::decode(out.readAll()), "\"№\",\"名称\"\r\n\"1\",\"仮設工事\"\r\n");
    fx.expectNoErrors();
}
