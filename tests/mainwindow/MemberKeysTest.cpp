#include "CodePickers.h"
#include "Form7.h"
#include "MainWindowFixture.h"
#include "keisan_in.h"

#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QScopeGuard>
#include <QStyleOptionViewItem>
#include <QTableWidget>
#include <QToolTip>

// The member tab driven from the keyboard and the mouse, with the real
// calculator and pickers over a product database. The commands behind the
// buttons have their own tests; these check that the window reaches them.
class MemberKeysTest : public ::testing::Test, public MainWindowFixture {
protected:
    enum { Name = 1, Unit = 3, Cost = 4, Price = 5, ListPrice = 7, Account = 10, Digits = 11 };

    void SetUp() override
    {
        product(insertRows("MAS_KOUSYU_01 (CNT,BL_KUBUN,NAME01)", {"1,1,'仮設工事'", "2,2,'土工事'"}) +
                insertRows("MAS_KOUSYU_02 (CNT,BL_KUBUN,BM_KUBUN,NAME01)", {"1,1,1,'足場'", "2,2,1,'掘削'"}) +
                insertRows("LOOK_TANI (CD,NAME)", {"1,'式'", "2,'本'", "3,'m'"}) +
                insertRows("MAS_BUZAI (BL_KUBUN,BM_KUBUN,BS_KUBUN,NAME01,TANI,KIN_01,KETA)",
                           {"2,1,1,'X',null,null,null", "1,1,1,'六角ボルト','本',1234,3", "1,1,2,'B',null,null,null"}));
        start();
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        form->showTab(Tab::Member);
        ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
        ui().DBGrid3->setFocus();
    }
    void TearDown() override { expectNoErrors(); }

    TableDataset& ds() { return dm->IBT_bu; }
    void at(int row, int column) { ui().DBGrid3->setCurrentIndex(ui().DBGrid3->model()->index(row, column)); }
    int column() { return ui().DBGrid3->currentIndex().column(); }
    void key(Qt::Key k)
    {
        // Offscreen, the window is not made active again when a dialog closes.
        QApplication::setActiveWindow(form.get());
        QTest::keyClick(QApplication::focusWidget(), k);
    }
    void click(int row, int column, Qt::KeyboardModifiers modifiers = {}, QTest::MouseAction how = QTest::MouseClick)
    {
        DBGrid* grid = ui().DBGrid3;
        QTest::mouseEvent(how, grid->viewport(), Qt::LeftButton, modifiers,
                          grid->visualRect(grid->model()->index(row, column)).center());
    }
    QStringList stored(const QString& column)
    {
        return columnValues(session->conn.IBDatabase4, QString("select %1 from BUZAI_S order by CNT").arg(column),
                            column);
    }
    QString names()
    {
        QString out;
        for (int r = 0; r < ds().recordCount(); ++r)
            out += ds().displayText(r, QStringLiteral("NAME01"));
        return out;
    }
    // The member table as these rows, each "NAME01,NAME03" and null in the other
    // columns unless given.
    void members(const QStringList& rows)
    {
        ds().close();
        QStringList s{"delete from BUZAI_S"};
        for (const QString& v : rows)
            s << QString("insert into BUZAI_S (CNT,BL_KUBUN,BM_KUBUN,NAME01,NAME03,TANI,KIN_01,S_CD,KU_KAMOKU,KETA,"
                         "KIN_06,B_CD) values (%1,1,1,%2)")
                     .arg(s.size())
                     .arg(v.count(',') > 1 ? v : v + QString(",null").repeated(7));
        execCommitted(session->conn.IBDatabase4, s);
        ds().open();
        ui().DBGrid3->setFocus();
    }

    // `act` runs on the modal dialog the next step opens; one left open is
    // closed after three seconds and counted as a failure.
    int modalShown = 0;
    void onModal(std::function<void(QWidget*)> act)
    {
        QTimer::singleShot(0, form.get(), [this, act] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                ++modalShown;
                act(w);
            }
        });
        QTimer::singleShot(3000, form.get(), [] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ADD_FAILURE() << "dialog left open: " << d->objectName().toStdString();
                d->done(QDialog::Rejected);
            }
        });
    }
    // Picks the row showing `text` in a picker and presses OK.
    static void choose(QWidget* w, const QString& text)
    {
        auto* picker = qobject_cast<TCodePicker*>(w);
        ASSERT_NE(picker, nullptr);
        const auto found = picker->DBGrid1->findItems(text, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << text.toStdString();
        picker->DBGrid1->setCurrentItem(found.first());
        picker->ok();
    }
};

TEST_F(MemberKeysTest, EnterWalksTheColumnsAndLooksUpEmptyCells)
{
    // What is typed into the cell is stored before the walk goes on.
    at(0, Name);
    QTest::keyClicks(QApplication::focusWidget(), "Q");
    key(Qt::Key_Return);
    EXPECT_EQ(column(), 2);
    EXPECT_EQ(stored("NAME01").first(), "Q");

    // An empty unit opens the unit picker; its choice is stored and the walk goes on.
    at(1, Unit);
    onModal([](QWidget* w) { choose(w, "m"); });
    key(Qt::Key_Return);
    EXPECT_EQ(column(), Cost);
    EXPECT_EQ(stored("TANI"), QStringList({"本", "m"}));

    // An empty account opens the account picker, and so does an account of 0 (none).
    members({"'A',null,'本',null,null,null,null,null,null", "'B',null", "'C',null,null,null,null,0,null,null,null"});
    for (int row : {1, 2}) {
        at(row, Account);
        onModal([](QWidget* w) { choose(w, "労務費"); });
        key(Qt::Key_Return);
        EXPECT_EQ(column(), Digits);
    }
    EXPECT_EQ(stored("KU_KAMOKU"), QStringList({"NULL", "201", "201"}));

    // A double-click opens the picker on a filled cell too; Cancel writes nothing.
    at(0, Unit);
    onModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    QApplication::setActiveWindow(form.get());
    click(0, Unit, {}, QTest::MouseDClick);
    EXPECT_EQ(modalShown, 4);
    EXPECT_EQ(stored("TANI"), QStringList({"本", "NULL", "NULL"}));
}

// Space on a money cell opens the calculator with the cell's value; the result is
// cut, not rounded, to the configured places (cost 1, price 0); an empty cell
// opens an empty calculator; ESC writes nothing.
TEST_F(MemberKeysTest, SpaceOnAMoneyCellWritesTheCutResult)
{
    const auto calculate = [&](const QString& shown, const QString& formula) {
        onModal([shown, formula](QWidget* w) {
            auto* calc = qobject_cast<Tkeisan_in*>(w);
            ASSERT_NE(calc, nullptr);
            EXPECT_EQ(calc->Edit1->text(), shown);
            calc->Edit1->setText(formula);
            calc->accept();
        });
        key(Qt::Key_Space);
    };
    at(0, Cost);
    calculate("1234", "1200*1.1");
    key(Qt::Key_Down); // leaving the row posts it
    EXPECT_EQ(stored("KIN_01"), QStringList({"1320", "0"}));

    state().config.genkaKeta = 1;
    const struct {
        int column;
        const char *formula, *field, *expected;
    } cases[] = {{Cost, "10/3", "KIN_01", "3.3"}, {Price, "2/3*100", "KIN_02", "66"}, {ListPrice, "0", "KIN_06", "0"}};
    for (const auto& c : cases) {
        at(1, c.column);
        calculate("", c.formula);
        key(Qt::Key_Up);
        EXPECT_EQ(stored(c.field).value(1), c.expected) << c.formula;
    }
    at(1, Cost);
    onModal([](QWidget* w) { qobject_cast<Tkeisan_in*>(w)->escape(); });
    key(Qt::Key_Space);
    key(Qt::Key_Up);
    EXPECT_EQ(stored("KIN_01").value(1), "3.3");
}

TEST_F(MemberKeysTest, DownRemovesCompletelyBlankRowsOnly)
{
    members({"'A',null", "null,null", "null,'備考'", "null,null,null,null,5,2,1,100,'1-1-4'", "'Z',null"});
    for (int row : {0, 1, 2}) {
        at(row, Name);
        key(Qt::Key_Down);
    }
    EXPECT_EQ(stored("NAME01"), QStringList({"A", "NULL", "Z"}));
    EXPECT_EQ(stored("NAME03"), QStringList({"NULL", "備考", "NULL"}));
    EXPECT_EQ(stored("CNT"), QStringList({"1", "2", "3"}));
    // A row picked in the № column is kept, and the row the grid appends below a
    // growing selection leaves the positions alone until the next key.
    members({"'A',null", "null,null", "'Z',null"});
    click(1, 0);
    key(Qt::Key_Down);
    EXPECT_EQ(dm->memberNumberingSkip, 1);
    EXPECT_EQ(stored("NAME01"), QStringList({"A", "NULL", "Z"}));
    key(Qt::Key_Up);
    EXPECT_EQ(dm->memberNumberingSkip, 0);

    // A blank last row goes too, instead of another blank row below it; on a
    // filled last row Down appends one, as everywhere in the grid.
    members({"'A',null", "null,null"});
    click(1, Name); // ends the pick above
    key(Qt::Key_Down);
    EXPECT_EQ(stored("NAME01"), QStringList{"A"});
    EXPECT_EQ(ui().DBGrid3->currentIndex().row(), 0);
    key(Qt::Key_Down);
    EXPECT_EQ(ds().recordCount(), 2);
    EXPECT_EQ(ui().DBGrid3->currentIndex().row(), 1);
    key(Qt::Key_Down);
    EXPECT_EQ(stored("NAME01"), QStringList{"A"});
    EXPECT_EQ(ds().recordCount(), 1);
}

// Delete on the digits clears them; while the grid is narrowed Delete and Enter
// are plain keys.
TEST_F(MemberKeysTest, DeleteOnDigitsClearsThemAndNarrowingKeepsPlainKeys)
{
    // The batch panel's defaults: unit price from cost with 25 % profit, rounded to hundreds.
    ui().SpeedButton2->click();
    EXPECT_EQ(stored("KIN_02").first(), "1600");
    at(0, Digits);
    key(Qt::Key_Delete);
    EXPECT_EQ(stored("KETA"), QStringList({"NULL", "0"}));

    members({"'A',null,null,null,null,null,4,null,null", "null,null", "'B',null"});
    ui().Edit1->setText("A");
    ui().SpeedButton1->click();
    ASSERT_TRUE(form->memberGridNarrowed());
    at(0, Digits);
    key(Qt::Key_Delete);
    at(0, Unit);
    key(Qt::Key_Return); // no picker while narrowed
    EXPECT_EQ(modalShown, 0);
    EXPECT_EQ(stored("KETA").first(), "4");
}

// Rows picked in the № column and cut with the toolbar; a title click
// sorts; the search button narrows.
TEST_F(MemberKeysTest, RowButtonsTitlesAndSearchReachTheirCommands)
{
    members({"'d',null", "'b',null", "'c',null", "'a',null"});
    // Shift picks a range; a click elsewhere ends the selection.
    click(0, 0);
    click(2, 0, Qt::ShiftModifier);
    EXPECT_EQ(ui().DBGrid3->selectedRows(), (QList<int>{1, 2, 3}));
    click(1, 0);
    click(1, Name);
    EXPECT_TRUE(form->selectedRows(Tab::Member).isEmpty());

    click(0, 0);
    click(2, 0, Qt::ControlModifier);
    EXPECT_EQ(ui().DBGrid3->selectedRows(), (QList<int>{1, 3}));
    ui().SB[5]->click(); // 切　取
    EXPECT_EQ(names(), "ba");

    QHeaderView* header = ui().DBGrid3->horizontalHeader();
    for (int title : {0, int(Name)}) // the № column does not sort
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(title) + 5, header->height() / 2));
    EXPECT_EQ(names(), "ab");
    ui().Edit1->setText("b");
    ui().SpeedButton1->click();
    EXPECT_EQ(names(), "b");
}

// The major name box picks a category and loads its members.
TEST_F(MemberKeysTest, CategoryNameBoxesPickTheCategoryAndLoadItsMembers)
{
    onModal([](QWidget* w) { choose(w, "土工事"); });
    QTest::mouseDClick(ui().DBEdit4, Qt::LeftButton);
    EXPECT_EQ(ui().DBEdit6->text(), "掘削");
    EXPECT_EQ(names(), "X");
}

// 置　換 from the name column: the replacement runs once, and the dialog shown
// again afterwards is cancelled.
TEST_F(MemberKeysTest, ReplacementFromTheNameColumnRunsOnce)
{
    at(0, Name);
    QStringList seen;
    onModal([&](QWidget* w) {
        auto* d = qobject_cast<TForm7*>(w);
        ASSERT_NE(d, nullptr);
        seen << d->Edit[1]->text();
        EXPECT_TRUE(d->Edit[13]->isVisibleTo(d));
        d->Edit[2]->setText("六角ﾎﾞﾙﾄ");
        onModal([&](QWidget* second) {
            seen << qobject_cast<TForm7*>(second)->Edit[2]->text();
            qobject_cast<TForm7*>(second)->BitBtn2->click();
        });
        d->Button1->click();
    });
    ui().SBS[0]->click();
    EXPECT_EQ(seen, QStringList({"六角ボルト", "六角ﾎﾞﾙﾄ"}));
    EXPECT_EQ(confirm.messages.size(), 1);
    EXPECT_EQ(ds().text("NAME01"), "六角ﾎﾞﾙﾄ");
}

// After 登録 the keyboard is back in the grid, not in a category box the grid
// handed it to while it was disabled or hidden.
TEST_F(MemberKeysTest, RegistrationLeavesTheKeyboardInTheGrid)
{
    const auto gridHasFocus = [](DBGrid* grid) {
        QWidget* f = QApplication::focusWidget();
        return f && (f == grid || grid->isAncestorOf(f));
    };
    at(0, Name);
    ASSERT_TRUE(gridHasFocus(ui().DBGrid3));
    ui().SB[2]->click();
    EXPECT_EQ(confirm.messages.value(confirm.messages.size() - 1), "登録しました。");
    EXPECT_TRUE(gridHasFocus(ui().DBGrid3)) << QApplication::focusWidget()->objectName().toStdString();

    form->showTab(Tab::Major);
    ui().DBGrid1->setFocus();
    ui().SB[2]->click();
    EXPECT_EQ(confirm.messages.value(confirm.messages.size() - 1), "登録しました。");
    EXPECT_TRUE(gridHasFocus(ui().DBGrid1)) << QApplication::focusWidget()->objectName().toStdString();
}

// Rows picked in the № column of a narrowed grid are other rows once the whole
// list is back: リセット ends the pick.
TEST_F(MemberKeysTest, ResetEndsTheRowsPickedInTheNarrowedGrid)
{
    members({"'ab',null", "'c',null", "'b',null"});
    ui().Edit1->setText("b");
    ui().SpeedButton1->click();
    ASSERT_TRUE(form->memberGridNarrowed());
    click(1, 0);
    ASSERT_EQ(ui().DBGrid3->selectedRows(), QList<int>{2});
    ui().SpeedButton1->click();
    ASSERT_FALSE(form->memberGridNarrowed());
    EXPECT_TRUE(ui().DBGrid3->selectedRows().isEmpty());
    EXPECT_TRUE(form->selectedRows(Tab::Member).isEmpty());
}

// Pasted control characters never reach the list: they are taken out and the
// user is told, naming the column.
TEST_F(MemberKeysTest, PastedControlCharactersAreTakenOutWithANotice)
{
    at(0, Name);
    QApplication::clipboard()->setText(QString::fromUtf16(u"\u0001M12\u001b"));
    key(Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    editor->end(false);
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    key(Qt::Key_Return);
    key(Qt::Key_Up);
    EXPECT_EQ(stored("NAME01").first(), "六角ボルトM12");
    ASSERT_EQ(confirm.messages.size(), 1);
    EXPECT_TRUE(confirm.messages[0].startsWith("「名称」に入力された制御文字")) << confirm.messages[0].toStdString();
}

// Amounts up to 999,999,999 and five-digit row numbers show whole, also in a
// larger font; a larger amount keeps its last digits and shows whole in the tooltip.
TEST_F(MemberKeysTest, WideAmountsAndRowNumbersShowWhole)
{
    const QFont before = QApplication::font();
    const auto restore = qScopeGuard([&] { QApplication::setFont(before); });
    QFont large = before;
    large.setPixelSize(18);
    QApplication::setFont(large);
    stop();
    start();
    form->showTab(Tab::Member);
    members({"'A',null,null,999999999,null,null,null,999999999,null", "'B',null,null,-99999999,null,null,null,"
                                                                      "12345678901234,null"});
    execCommitted(session->conn.IBDatabase4, {"update BUZAI_S set KIN_02=KIN_01"});
    ds().reopen();
    DBGrid* grid = ui().DBGrid3;
    const auto needs = [grid](const QModelIndex& index) {
        QStyleOptionViewItem option;
        option.initFrom(grid->viewport());
        option.font = grid->font();
        option.fontMetrics = QFontMetrics(option.font);
        return grid->itemDelegate()->sizeHint(option, index).width();
    };
    for (int row : {0, 1})
        for (int c : {int(Cost), int(Price)}) {
            const QModelIndex at = grid->model()->index(row, c);
            EXPECT_LE(needs(at), grid->columnWidth(c)) << at.data().toString().toStdString();
        }
    EXPECT_LE(needs(grid->model()->index(0, ListPrice)), grid->columnWidth(ListPrice));
    QStyleOptionViewItem number;
    number.initFrom(grid->viewport());
    number.font = grid->font();
    number.text = "99999";
    number.features = QStyleOptionViewItem::HasDisplay;
    EXPECT_LE(grid->style()->sizeFromContents(QStyle::CT_ItemViewItem, &number, QSize(), grid).width(),
              grid->columnWidth(0));

    const QRect cell = grid->visualRect(grid->model()->index(1, ListPrice));
    QHelpEvent help(QEvent::ToolTip, cell.center(), grid->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(grid->viewport(), &help);
    EXPECT_EQ(QToolTip::text(), "12,345,678,901,234");
    QToolTip::hideText();
}
