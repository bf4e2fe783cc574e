#include "DBGrid.h"
#include "Database.h"
#include "DatasetModel.h"
#include "Query.h"
#include "Schema.h"
#include "TableDataset.h"
#include "TestDb.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

// The member grid over a real BUZAI_S: what a typed cell may become, and where
// the cursor stays when a row cannot be stored.
class GridEditingTest : public ::testing::Test {
protected:
    TestFolder folder;
    std::unique_ptr<Database> db = createTestDatabase(folder.file("work.fdb"));
    TableDataset ds{db.get(), "BUZAI_S", "CNT"};
    DBGrid grid{"DBGrid3"};
    DatasetModel* model = nullptr;
    QStringList errors;

    enum { Name, ListPrice, Digits, Vendor };

    void SetUp() override
    {
        Query q(db.get());
        q.setSql(Schema::createWorkTableSql("BUZAI_S"));
        q.exec();
        q.setSql("COMMIT");
        q.exec();
        for (int i = 1; i <= 3; ++i) {
            q.setSql("insert into BUZAI_S (CNT,NAME01,KIN_06,KETA) values (:C,:N,:K,0)");
            q.setParam("C", i);
            q.setParam("N", QString::fromUtf8("部材%1").arg(i));
            q.setParam("K", 1000.0 * i);
            q.exec();
        }
        q.setSql("COMMIT");
        q.exec();

        const auto right = Qt::AlignRight | Qt::AlignVCenter;
        model = new DatasetModel(ds,
                                 {{"NAME01", QString::fromUtf8("名称"), 200},
                                  {"KIN_06", QString::fromUtf8("定　価"), 80, false, right},
                                  {"KETA", QString::fromUtf8("桁"), 30, false, right},
                                  {"S_CD", QString::fromUtf8("業者CD"), 60, false, right}},
                                 &grid);
        model->onError = [this](const QString& m) { errors << m; };
        grid.setDatasetModel(model);
        grid.onError = [this](const QString& m) { errors << m; };
        ds.open();
        grid.resize(500, 200);
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
        grid.setCurrentIndex(model->index(1, Name));
    }

    bool type(int row, int column, const char* text)
    {
        return model->setData(model->index(row, column), QString::fromUtf8(text));
    }

    QStringList stored(const QString& column)
    {
        return columnValues(*db, QString("select %1 from BUZAI_S order by CNT").arg(column), column);
    }

    void clickRow(int row)
    {
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(model->index(row, Name)).center());
    }

    QList<int> selectedRows() const
    {
        QList<int> rows;
        for (const QModelIndex& i : grid.selectionModel()->selectedIndexes())
            rows << i.row();
        return rows;
    }
};

TEST_F(GridEditingTest, NumericCellsRefuseWhatTheirColumnCannotHold)
{
    struct Case {
        int column;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {ListPrice, "アイウ", "「定　価」には数値を入力してください。"},
        {ListPrice, "12円", "「定　価」には数値を入力してください。"},
        {Digits, "1.5", "「桁」には整数を入力してください。"},
        {Digits, "40000", "「桁」には-32768から32767までの整数を入力してください。"},
        {Vendor, "3000000000", "「業者CD」には-2147483648から2147483647までの整数を入力してください。"},
    };
    for (const Case& c : cases) {
        errors.clear();
        EXPECT_FALSE(type(1, c.column, c.text)) << c.text;
        EXPECT_EQ(errors, QStringList{QString::fromUtf8(c.message)}) << c.text;
    }
    // Typed into the cell editor and confirmed with Enter, as the user does.
    errors.clear();
    grid.setCurrentIndex(model->index(1, ListPrice));
    grid.edit(grid.currentIndex());
    auto* editor = grid.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QString::fromUtf8("ニセン"));
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(errors, QStringList{QString::fromUtf8("「定　価」には数値を入力してください。")});

    // Nothing reached the row: it was never put into edit mode.
    EXPECT_EQ(ds.state(), TableDataset::Browse);
    EXPECT_EQ(model->data(model->index(1, ListPrice)).toString(), "2000");
    EXPECT_EQ(stored("KIN_06"), QStringList({"1000", "2000", "3000"}));
}

TEST_F(GridEditingTest, AmountCellsTakeWhatTheAmountParserReads)
{
    EXPECT_TRUE(type(0, ListPrice, "1,500"));
    EXPECT_TRUE(type(0, Digits, "▲2"));
    ds.post();
    EXPECT_TRUE(type(1, ListPrice, "▲20.5"));
    EXPECT_TRUE(type(2, ListPrice, ""));
    ds.post();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(stored("KIN_06"), QStringList({"1500", "-20.5", "NULL"}));
    EXPECT_EQ(stored("KETA"), QStringList({"-2", "0", "0"}));
}

// "€" has no Shift-JIS form, so the row cannot be stored: the message names the
// column as the grid shows it, and the highlight stays on the row still being
// edited, whether the user clicks another row or presses Down.
TEST_F(GridEditingTest, FailedPostKeepsTheHighlightOnTheFailedRow)
{
    ASSERT_TRUE(type(1, Name, "a€b"));
    const auto expectStillOnRow2 = [&](const char* how) {
        EXPECT_EQ(errors, QStringList{QString::fromUtf8("「名称」に保存できない文字「€」があります。")}) << how;
        EXPECT_EQ(grid.currentIndex().row(), 1) << how;
        EXPECT_EQ(selectedRows(), QList<int>{1}) << how;
        EXPECT_EQ(ds.recNo(), 2) << how;
        EXPECT_EQ(ds.state(), TableDataset::Edit) << how;
        errors.clear();
    };
    clickRow(2);
    expectStillOnRow2("click");
    QTest::keyClick(&grid, Qt::Key_Down);
    expectStillOnRow2("down");
    QTest::keyClick(&grid, Qt::Key_Up);
    expectStillOnRow2("up");

    ASSERT_TRUE(type(1, Name, "ab"));
    clickRow(2);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(grid.currentIndex().row(), 2);
    EXPECT_EQ(selectedRows(), QList<int>{2});
    EXPECT_EQ(ds.recNo(), 3);
    EXPECT_EQ(stored("NAME01"), QStringList({"部材1", "ab", "部材3"}));
}
