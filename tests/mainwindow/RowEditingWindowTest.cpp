#include "DBGrid.h"
#include "DatasetModel.h"

#include "MainWindowFixture.h"
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

// The row commands as the user reaches them: rows picked in the № column, the
// toolbar buttons, a title click.
class RowEditingWindowTest : public ::testing::Test, public MainWindowFixture {
protected:
    void SetUp() override
    {
        QStringList rows = {"insert into MAS_KOUSYU_01 (CNT,BL_KUBUN,NAME01) values (1,1,'仮設工事')",
                            "insert into MAS_KOUSYU_02 (CNT,BL_KUBUN,BM_KUBUN,NAME01) values (1,1,1,'足場')"};
        for (const char* name : {"d", "b", "c", "a"})
            rows << QString("insert into MAS_BUZAI (BL_KUBUN,BM_KUBUN,BS_KUBUN,NAME01) values (1,1,%1,'%2')")
                        .arg(rows.size() - 1)
                        .arg(name);
        product(rows);
        start();
        form->showTab(Tab::Member);
    }

    QString names()
    {
        QString out;
        TableDataset& ds = dm->IBT_bu;
        for (int r = 0; r < ds.recordCount(); ++r)
            out += ds.displayText(r, QStringLiteral("NAME01"));
        return out;
    }

    void clickNumber(int row, Qt::KeyboardModifiers modifiers = {})
    {
        DBGrid* grid = form->DBGrid3;
        const QRect cell = grid->visualRect(grid->model()->index(row, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, cell.center());
    }
};

TEST_F(RowEditingWindowTest, PickedRowsAreCutAndPastedWithTheToolbar)
{
    ASSERT_EQ(names(), "dbca");
    clickNumber(0);
    clickNumber(2, Qt::ControlModifier);
    EXPECT_EQ(form->DBGrid3->selectedRows(), (QList<int>{1, 3}));
    form->SB[5]->click(); // 切　取
    ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(names(), "ba");
    EXPECT_TRUE(form->DBGrid3->selectedRows().isEmpty());

    dm->IBT_bu.setRecNo(2);
    form->SB[6]->click(); // 貼　付
    ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(names(), "bdca");

    // Shift picks a range; a click elsewhere ends the selection.
    clickNumber(0);
    clickNumber(2, Qt::ShiftModifier);
    EXPECT_EQ(form->DBGrid3->selectedRows(), (QList<int>{1, 2, 3}));
    clickNumber(1, Qt::NoModifier);
    const QRect name = form->DBGrid3->visualRect(form->DBGrid3->model()->index(1, 1));
    QTest::mouseClick(form->DBGrid3->viewport(), Qt::LeftButton, {}, name.center());
    EXPECT_FALSE(form->DBGrid3->multiSelect());
    EXPECT_TRUE(form->selectedRows(Tab::Member).isEmpty());
}

TEST_F(RowEditingWindowTest, TitleClickSortsTheMembers)
{
    QHeaderView* header = form->DBGrid3->horizontalHeader();
    const auto clickTitle = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
        return names();
    };
    EXPECT_EQ(clickTitle(1), "abcd");
    EXPECT_EQ(clickTitle(0), "abcd"); // the № column does not sort
    EXPECT_EQ(clickTitle(1), "dcba");
    expectNoErrors();
}

TEST_F(RowEditingWindowTest, SearchButtonNarrowsAndResets)
{
    form->Edit1->setText("b");
    form->SpeedButton1->click();
    ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(names(), "b");
    EXPECT_EQ(form->SpeedButton1->text(), "リセット");
    EXPECT_TRUE(form->memberGridNarrowed());

    form->SpeedButton1->click();
    ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(names(), "dbca");
    EXPECT_EQ(form->SpeedButton1->text(), "検索絞込 &S");
    EXPECT_TRUE(form->Edit1->text().isEmpty());
}
