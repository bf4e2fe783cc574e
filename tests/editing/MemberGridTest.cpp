#include "Connections.h"
#include "DBGrid.h"
#include "DataModule.h"
#include "DatasetModel.h"
#include "InsertRows.h"
#include "TestDb.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

// The member grid as the main window builds it: the data module's member
// dataset over a real BUZAI_S, whose insert and delete events rebuild the table.
// Qt's model tester watches the model throughout; a broken model invariant
// stops the test program with the tester's message. Also what a typed cell may
// become, and where the cursor stays when a row cannot be stored.
class MemberGridTest : public ::testing::Test {
protected:
    TestFolder folder;
    Connections conn;
    std::unique_ptr<TDM2> dm;
    DBGrid grid{"DBGrid3"};
    DatasetModel* model = nullptr;
    std::unique_ptr<QAbstractItemModelTester> tester;
    QStringList errors;
    QList<bool> deleteAnswers; // true when empty
    int deleteQuestions = 0;

    enum { Number, Name, Cost, Price, Rate, ListPrice, Digits, Vendor };

    void SetUp() override
    {
        dm = connectDataModule(folder, conn);
        dm->currentMajorCode = [] { return 3; };
        dm->currentMiddleCode = [] { return 12; };
        conn.IBTransaction4().restart(); // sees the work tables made since it started
        execCommitted(conn.IBDatabase4,
                      insertRows("BUZAI_S (CNT,BL_KUBUN,BM_KUBUN,BS_KUBUN,NAME01,KIN_01,KIN_02,KIN_06,KETA)",
                                 {"1,3,12,1,'異形鉄筋',800,1000,1000,0", "2,3,12,2,'型枠合板',800,1000,2000,0",
                                  "3,3,12,3,'生コン',800,1000,3000,0"}));
        const auto right = Qt::AlignRight | Qt::AlignVCenter;
        model = new DatasetModel(dm->IBT_bu,
                                 {{"№", "№", 34, true, right},
                                  {"NAME01", QString("名称"), 300},
                                  {"KIN_01", QString("原　価"), 80, false, right},
                                  {"KIN_02", QString("単　価"), 80, false, right},
                                  {"利益率", QString("利益率"), 60, true, right},
                                  {"KIN_06", QString("定　価"), 80, false, right},
                                  {"KETA", QString("桁"), 30, false, right},
                                  {"S_CD", QString("業者CD"), 60, false, right}},
                                 &grid);
        tester =
            std::make_unique<QAbstractItemModelTester>(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        model->onError = [this](const QString& m) { errors << m; };
        grid.onError = [this](const QString& m) { errors << m; };
        grid.confirmDelete = [this] {
            ++deleteQuestions;
            return deleteAnswers.isEmpty() || deleteAnswers.takeFirst();
        };
        grid.setDatasetModel(model);
        dm->IBT_bu.open();
        grid.resize(800, 200);
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    }

    void TearDown() override { EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString(); }

    TableDataset& ds() { return dm->IBT_bu; }

    // Types into a cell as the user does: the first character opens the cell
    // editor and replaces its text, the others follow, Return commits.
    void typeInto(int row, int column, const char* utf8)
    {
        const QString text = QString(utf8);
        grid.setCurrentIndex(model->index(row, column));
        QTest::sendKeyEvent(QTest::Click, &grid, Qt::Key_unknown, text.left(1), Qt::NoModifier);
        QLineEdit* editor = nullptr;
        for (QLineEdit* e : grid.viewport()->findChildren<QLineEdit*>())
            if (e->isVisible())
                editor = e;
        ASSERT_NE(editor, nullptr) << utf8;
        for (qsizetype i = 1; i < text.size(); ++i)
            QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, text.mid(i, 1), Qt::NoModifier);
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents(); // the delegate commits from the event loop
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QString shown(int row, int column) const { return model->data(model->index(row, column)).toString(); }

    QStringList shownNames() const
    {
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r)
            out << shown(r, Name);
        return out;
    }

    // In the member connection's own transaction, which holds the posts.
    QStringList stored(const QString& column)
    {
        return columnValues(conn.IBDatabase4, QString("select %1 from BUZAI_S order by CNT").arg(column), column);
    }

    QStringList original() const { return {"異形鉄筋", "型枠合板", "生コン"}; }

    bool type(int row, int column, const char* text)
    {
        return model->setData(model->index(row, column), QString(text));
    }
};

TEST_F(MemberGridTest, ModelFollowsEditsRebuildsAndReopen)
{
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(shown(1, Rate), "20.00");

    // The profit rate of the edited row follows its price before the post.
    ASSERT_TRUE(model->setData(model->index(1, Price), "1,600"));
    EXPECT_EQ(shown(1, Rate), "50.00");
    ds().post();

    // Insert and delete rebuild the table underneath the model.
    ds().setRecNo(2);
    ds().insert();
    EXPECT_EQ(shownNames(), QStringList({"異形鉄筋", "", "型枠合板", "生コン"}));
    ds().remove();
    EXPECT_EQ(shownNames(), original());

    while (ds().recordCount() > 0)
        ds().remove();
    EXPECT_EQ(model->rowCount(), 0);
    ds().append();
    EXPECT_EQ(model->rowCount(), 1);
    ASSERT_TRUE(model->setData(model->index(0, Name), QString("鉄骨")));
    ds().post();
    ds().close();
    EXPECT_EQ(model->rowCount(), 0);
    ds().open();
    EXPECT_EQ(shownNames(), QStringList({"鉄骨"}));
}

// Leaving an edited row posts it; Down appends only on the last row.
TEST_F(MemberGridTest, TypingEditsTheCellAndLeavingTheRowPostsIt)
{
    typeInto(0, Name, "鉄筋");
    EXPECT_EQ(stored("NAME01"), original());
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(stored("NAME01"), QStringList({"鉄筋", "型枠合板", "生コン"}));

    typeInto(1, Price, "1,250");
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_EQ(stored("KIN_02"), QStringList({"1000", "1250", "1000"}));

    grid.setCurrentIndex(model->index(2, Cost));
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.currentIndex(), model->index(3, Cost));
    EXPECT_EQ(stored("NAME01"), QStringList({"鉄筋", "型枠合板", "生コン", "NULL"}));
}

// Insert adds a stored blank row before the current one; Delete alone deletes
// nothing, Ctrl+Delete asks and a refusal keeps the row.
TEST_F(MemberGridTest, InsertAndCtrlDelete)
{
    grid.setCurrentIndex(model->index(1, Price));
    QTest::keyClick(&grid, Qt::Key_Insert);
    EXPECT_EQ(stored("NAME01"), QStringList({"異形鉄筋", "NULL", "型枠合板", "生コン"}));
    EXPECT_EQ(stored("BM_KUBUN"), QStringList({"12", "12", "12", "12"}));
    typeInto(1, Name, "セパレーター");
    QTest::keyClick(&grid, Qt::Key_Down);
    const QStringList four{"異形鉄筋", "セパレーター", "型枠合板", "生コン"};
    EXPECT_EQ(stored("NAME01"), four);

    grid.setCurrentIndex(model->index(1, Name));
    QTest::keyClick(&grid, Qt::Key_Delete);
    deleteAnswers = {false};
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(deleteQuestions, 1);
    EXPECT_EQ(stored("NAME01"), four);
    deleteAnswers = {true};
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(deleteQuestions, 2);
    EXPECT_EQ(stored("NAME01"), original());
    EXPECT_EQ(stored("CNT"), QStringList({"1", "2", "3"}));
    EXPECT_EQ(ds().text("NAME01"), QString("型枠合板"));
}

TEST_F(MemberGridTest, EscCancelsAnEditAndAnUnpostedNewRow)
{
    typeInto(1, Name, "ボルト");
    ASSERT_EQ(ds().state(), TableDataset::Edit);
    QTest::keyClick(&grid, Qt::Key_Escape);
    EXPECT_EQ(shown(1, Name), "型枠合板");
    QTest::keyClick(&grid, Qt::Key_Down); // nothing left to post
    EXPECT_EQ(stored("NAME01"), original());

    // While a selection is extended the data module leaves a new row unposted:
    // Down appends it once however often it is pressed, and Esc takes it away.
    dm->memberNumberingSkip = 1;
    QTest::keyClick(&grid, Qt::Key_Down);
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(model->rowCount(), 4);
    EXPECT_EQ(ds().state(), TableDataset::Insert);
    QTest::keyClick(&grid, Qt::Key_Escape);
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_EQ(stored("NAME01"), original());
}

// Numeric cells take what the amount parser reads and refuse, naming the
// column as the grid shows it, what their column cannot hold.
TEST_F(MemberGridTest, NumericCellsTakeAmountsAndRefuseWhatTheirColumnCannotHold)
{
    const char* const number = "「定　価」には数値を入力してください。";
    const struct {
        int column;
        const char *text, *message;
    } cases[] = {{ListPrice, "アイウ", number},
                 {ListPrice, "12円", number},
                 {Digits, "1.5", "「桁」には整数を入力してください。"},
                 {Digits, "-5", "「桁」には0から9までの整数を入力してください。"},
                 {Digits, "10", "「桁」には0から9までの整数を入力してください。"},
                 {Digits, "40000", "「桁」には0から9までの整数を入力してください。"},
                 {Vendor, "3000000000", "「業者CD」には-2147483648から2147483647までの整数を入力してください。"}};
    for (const auto& c : cases) {
        EXPECT_FALSE(type(1, c.column, c.text)) << c.text;
        EXPECT_EQ(errors, QStringList{QString(c.message)}) << c.text;
        errors.clear();
    }
    // Typed into the cell editor and confirmed with Enter, as the user does.
    typeInto(1, ListPrice, "ニセン");
    EXPECT_EQ(errors, QStringList{QString(number)});
    errors.clear();
    EXPECT_EQ(stored("KIN_06"), QStringList({"1000", "2000", "3000"}));

    EXPECT_TRUE(type(0, ListPrice, "1,500"));
    EXPECT_TRUE(type(0, Digits, "9"));
    ds().post();
    EXPECT_TRUE(type(1, ListPrice, "▲20.5"));
    EXPECT_TRUE(type(2, ListPrice, ""));
    ds().post();
    EXPECT_EQ(stored("KIN_06"), QStringList({"1500", "-20.5", "NULL"}));
    EXPECT_EQ(stored("KETA"), QStringList({"9", "0", "0"}));
}

// Control characters typed or pasted into any cell are taken out before the row
// holds them, and the user is told which column lost them; tabs and line
// breaks of copied text part words as a blank.
TEST_F(MemberGridTest, ControlCharactersAreTakenOutWithANotice)
{
    QStringList notices;
    model->onNotice = [&](const QString& m) { notices << m; };
    EXPECT_TRUE(type(0, Name, "\x01異形\x1b鉄筋D13\x7f"));
    EXPECT_TRUE(type(1, Name, "型枠\t合板\r\nM12\r\n"));
    EXPECT_TRUE(type(2, ListPrice,
                     "3\x02"
                     "500"));
    ds().post();
    EXPECT_EQ(stored("NAME01"), QStringList({"異形鉄筋D13", "型枠 合板 M12", "生コン"}));
    EXPECT_EQ(stored("KIN_06"), QStringList({"1000", "2000", "3500"}));
    const QString pattern = "「%1」に入力された制御文字（画面に表示されない文字）は保存できないため、取り除きました。"
                            "残りの文字を確かめてください。";
    EXPECT_EQ(notices, QStringList({pattern.arg("名称"), pattern.arg("名称"), pattern.arg("定　価")}));

    // Text that is the cell's own once they are out changes nothing, but is still told.
    notices.clear();
    EXPECT_FALSE(type(2, Name, "生コン\x03"));
    EXPECT_EQ(notices.size(), 1);
    EXPECT_EQ(DatasetModel::withoutControlCharacters(QString::fromUtf16(u"髙\u0085〜\u009f～")), "髙〜～");
}

// "€" has no Shift-JIS form, so the row cannot be stored: the message names the
// column as the grid shows it, and the highlight stays on the row still being
// edited, whether the user clicks another row or presses Down.
TEST_F(MemberGridTest, FailedPostKeepsTheHighlightOnTheFailedRow)
{
    const auto clickRow3 = [&] {
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(model->index(2, Name)).center());
    };
    grid.setCurrentIndex(model->index(1, Name));
    ASSERT_TRUE(type(1, Name, "a€b"));
    const auto expectStillOnRow2 = [&](const char* how) {
        EXPECT_EQ(errors, QStringList{QString("「名称」に保存できない文字「€」があります。")}) << how;
        EXPECT_EQ(grid.currentIndex().row(), 1) << how;
        EXPECT_EQ(grid.selectionModel()->selectedIndexes(), QModelIndexList{model->index(1, Name)}) << how;
        EXPECT_EQ(ds().recNo(), 2) << how;
        EXPECT_EQ(ds().state(), TableDataset::Edit) << how;
        errors.clear();
    };
    clickRow3();
    expectStillOnRow2("click");
    QTest::keyClick(&grid, Qt::Key_Down);
    expectStillOnRow2("down");

    ASSERT_TRUE(type(1, Name, "ab"));
    clickRow3();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(ds().recNo(), 3);
    EXPECT_EQ(stored("NAME01"), QStringList({"異形鉄筋", "ab", "生コン"}));
}
