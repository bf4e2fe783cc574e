#include "PreviewDialog.h"

#include "DialogRig.h"

namespace {

// Enter on the shown dialog: which answer it gives.
bool enterGoesOn(TPreviewDialog& dialog)
{
    QTimer::singleShot(0, &dialog, [&] {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &dialog, Qt::Key_Return);
    });
    return dialog.exec() == QDialog::Accepted;
}

QStringList cells(const QTableWidget* grid)
{
    QStringList out;
    for (int r = 0; r < grid->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < grid->columnCount(); ++c)
            row << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
        out << row.join('|');
    }
    return out;
}

// Stopping is what Enter does when rows go or others are connected; a mere
// renumbering goes on.
TEST(PreviewDialog, StopIsTheDefaultWhenSomethingIsLost)
{
    RenumberingOutline moved;
    moved.codes = {{"基礎工事", 2, 1, false}, {"新しい工事", 3, 2, true}};
    {
        TPreviewDialog dialog;
        dialog.setOutline(moved);
        EXPECT_EQ(cells(dialog.CodeGrid), (QStringList{"基礎工事|2|1|変更", "新しい工事|新規|2|"}));
        EXPECT_TRUE(enterGoesOn(dialog));
    }
    RenumberingOutline lost = moved;
    lost.major = false;
    lost.pastDetails = true;
    lost.gone = {{"外壁工事", 4, 0, 3, 0, 2, 5}, {QString(), 0, 0, 1, 0, 0, 0}};
    lost.backup = "D:\\TREVOLAN\\BACKUP\\20260401-090500_PC1_中項目登録.fbk";
    {
        TPreviewDialog dialog;
        dialog.setOutline(lost);
        EXPECT_EQ(cells(dialog.GoneGrid), (QStringList{"4|外壁工事|3|2|5", "|（工種のないデーター）|1|0|0"}));
        // The backup taken before the registration, as the server that writes it names it.
        EXPECT_TRUE(dialog.Label->text().contains(
            "保存先: D:\\TREVOLAN\\BACKUP\nファイル名: 20260401-090500_PC1_中項目登録.fbk"))
            << dialog.Label->text().toStdString();
        EXPECT_FALSE(enterGoesOn(dialog));
    }
    TPreviewDialog others;
    others.setOthers({{"PC2", "TREVOLAN.exe", 0, QDateTime(QDate(2026, 4, 1), QTime(9, 5))}});
    EXPECT_FALSE(enterGoesOn(others));
}

} // namespace
