#include "Backups.h"
#include "FbServices.h"
#include "MainWindowFixture.h"
#include "RestoreDialog.h"

#include <QDir>
#include <QTableWidget>

// The command as the user reaches it: Shift+F3 on the second toolbar, the list of
// backups in its dialog, the two questions, the list's unregistered changes; the
// list on screen is loaded again.
TEST(RestoreWindow, ChosenInTheListTheBackupReplacesTheProductAndTheListOnScreen)
{
    MainWindowFixture f;
    f.product({"insert into MAS_KOUSYU_01 (CNT, BL_kubun, NAME01) values (1, 1, '基礎工事')",
               "insert into MAS_KOUSYU_01 (CNT, BL_kubun, NAME01) values (2, 2, '仮設工事')"});
    const QString productFile = f.folder.file("TREVOLAN.FDB");
    const Backups store(Backups::folderFor(productFile));
    QDir().mkpath(store.folder());
    FbServices::backup(ServiceLogin{}, productFile, store.nameFor(QDateTime::currentDateTime(), "PC-02", "大項目登録"));
    f.start();
    execCommitted(f.session->conn.IBDatabase1, {"update MAS_KOUSYU_01 set NAME01 = '変更後' where BL_kubun = 1"});
    f.form->showTab(Tab::Major);
    ASSERT_EQ(datasetRows(f.dm->IBT_dai, {"NAME01"}), (QStringList{"変更後", "仮設工事"}));
    f.form->showTab(Tab::Member);
    auto* button = f.form->findChild<QToolButton*>(QStringLiteral("SBS_03"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("ﾊﾞｯｸｱｯﾌﾟから戻す"));

    DialogBackupPicker picker(f.form.get());
    f.session->restoreCommand().picker = &picker;
    QStringList shown;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TRestoreDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        for (int c = 0; c < dialog->BackupGrid->columnCount(); ++c)
            shown << dialog->BackupGrid->item(0, c)->text();
        EXPECT_FALSE(dialog->RestoreButton->isEnabled()); // nothing chosen yet
        dialog->BackupGrid->selectRow(0);
        dialog->RestoreButton->click();
    });
    // A list with unregistered changes is asked about after the two questions.
    f.dm->list(Tab::Member).setUnregistered(true);
    f.confirm.answers = {Confirmation::Ok, Confirmation::Ok, Confirmation::Discard};
    f.form->activateWindow();
    QApplication::setActiveWindow(f.form.get());
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : f.form.get(), Qt::Key_F3,
                    Qt::ShiftModifier);

    f.expectNoErrors();
    ASSERT_EQ(shown.size(), 4);
    EXPECT_EQ(shown.mid(1, 2), (QStringList{"PC-02", "大項目登録"}));
    EXPECT_TRUE(shown.at(3).endsWith("KB")) << shown.at(3).toStdString();
    ASSERT_EQ(f.confirm.modes, (QList<int>{Confirmation::Question, Confirmation::Question, Confirmation::Unregistered,
                                           Confirmation::Notice}));
    EXPECT_TRUE(f.confirm.messages.last().contains("戻しました")) << f.confirm.messages.last().toStdString();
    EXPECT_EQ(f.form->activeTab(), Tab::Member);
    EXPECT_EQ(datasetRows(f.dm->IBT_dai, {"NAME01"}), (QStringList{"基礎工事", "仮設工事"}));
    EXPECT_EQ(f.session->restoreCommand().place().reachable, true);
    EXPECT_EQ(store.list().size(), 2);
}
