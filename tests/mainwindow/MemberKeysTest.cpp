#include "CodePickers.h"
#include "DBControls.h"
#include "DBGrid.h"
#include "DatasetModel.h"
#include "KeisanIn.h"
#include "MainWindowFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

// The member grid driven from the keyboard and the mouse, with the real
// calculator and pickers over a product database.
class MemberKeysTest : public ::testing::Test, public MainWindowFixture {
protected:
    enum {
        Name = 1,
        Unit = 3,
        Cost = 4,
        Price = 5,
        ListPrice = 7,
        Remark = 8,
        Vendor = 9,
        Account = 10,
        Digits = 11,
        Code = 12
    };

    void SetUp() override
    {
        product({"insert into MAS_KOUSYU_01 (CNT,BL_KUBUN,NAME01) values (1,1,'仮設工事')",
                 "insert into MAS_KOUSYU_01 (CNT,BL_KUBUN,NAME01) values (2,2,'土工事')",
                 "insert into MAS_KOUSYU_02 (CNT,BL_KUBUN,BM_KUBUN,NAME01) values (1,1,1,'足場')",
                 "insert into MAS_KOUSYU_02 (CNT,BL_KUBUN,BM_KUBUN,NAME01) values (2,2,1,'掘削')",
                 "insert into MAS_BUZAI (BL_KUBUN,BM_KUBUN,BS_KUBUN,NAME01) values (2,1,1,'X')",
                 "insert into LOOK_TANI (CD,NAME) values (1,'式')", "insert into LOOK_TANI (CD,NAME) values (2,'本')",
                 "insert into LOOK_TANI (CD,NAME) values (3,'m')",
                 "insert into MAS_BUZAI (BL_KUBUN,BM_KUBUN,BS_KUBUN,NAME01,TANI,KIN_01,KETA) values "
                 "(1,1,1,'A','本',1234,3)",
                 "insert into MAS_BUZAI (BL_KUBUN,BM_KUBUN,BS_KUBUN,NAME01) values (1,1,2,'B')"});
        start();
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        form->showTab(Tab::Member);
        ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
        form->DBGrid3->setFocus();
    }
    void TearDown() override { expectNoErrors(); }

    TableDataset& ds() { return dm->IBT_bu; }
    void at(int row, int column) { form->DBGrid3->setCurrentIndex(form->DBGrid3->model()->index(row, column)); }
    int column() const { return form->DBGrid3->currentIndex().column(); }
    void key(Qt::Key k)
    {
        // Offscreen, the window is not made active again when a dialog closes.
        QApplication::setActiveWindow(form.get());
        QTest::keyClick(QApplication::focusWidget(), k);
    }
    QStringList stored(const QString& column)
    {
        return columnValues(session->conn.IBDatabase4, QString("select %1 from BUZAI_S order by CNT").arg(column),
                            column);
    }
    // Rows of the member table as the tests build them, committed.
    void members(const QStringList& valuesLists)
    {
        ds().close();
        QStringList s{"delete from BUZAI_S"};
        int cnt = 0;
        for (const QString& v : valuesLists)
            s << QString("insert into BUZAI_S (CNT,BL_KUBUN,BM_KUBUN,NAME01,NAME03,TANI,KIN_01,S_CD,KU_KAMOKU,KETA,"
                         "KIN_06,B_CD) values (%1,1,1,%2)")
                     .arg(++cnt)
                     .arg(v);
        execCommitted(session->conn.IBDatabase4, s);
        ds().open();
        form->DBGrid3->setFocus();
    }

    // `act` runs on the modal dialog the next step opens; one left open is
    // closed after three seconds and counted.
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
    // A filled unit moves on; 単価 skips the profit rate; the last column returns to №.
    const struct {
        int from, to;
    } walk[] = {{Name, 2}, {Unit, Cost}, {Price, ListPrice}, {Code, 0}};
    for (const auto& w : walk) {
        at(0, w.from);
        key(Qt::Key_Return);
        EXPECT_EQ(column(), w.to) << w.from;
    }
    EXPECT_EQ(modalShown, 0);

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
    EXPECT_EQ(modalShown, 1);
    EXPECT_EQ(column(), Cost);
    EXPECT_EQ(stored("TANI"), QStringList({"本", "m"}));

    // An empty account opens the account picker, seeded with the standard accounts.
    members({"'A',null,'本',null,null,null,null,null,null", "'B',null,null,null,null,null,null,null,null"});
    at(1, Account);
    onModal([](QWidget* w) {
        auto* picker = qobject_cast<TCodePicker*>(w);
        ASSERT_NE(picker, nullptr);
        picker->DBGrid1->setCurrentCell(1, 0);
        picker->ok();
    });
    key(Qt::Key_Return);
    EXPECT_EQ(modalShown, 2);
    EXPECT_EQ(column(), Digits);
    EXPECT_EQ(stored("KU_KAMOKU"), QStringList({"NULL", QString::number(state().picks.accountCode)}));
    EXPECT_GT(state().picks.accountCode, 0);

    // A double-click opens the picker on a filled cell too; Cancel writes nothing.
    at(0, Unit);
    onModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    QApplication::setActiveWindow(form.get());
    const QRect cell = form->DBGrid3->visualRect(form->DBGrid3->model()->index(0, Unit));
    QTest::mouseDClick(form->DBGrid3->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(modalShown, 3);
    EXPECT_EQ(stored("TANI"), QStringList({"本", "NULL"}));
}

TEST_F(MemberKeysTest, SpaceOnAMoneyCellWritesTheCutResult)
{
    QString shownFormula;
    at(0, Cost);
    onModal([&](QWidget* w) {
        auto* calc = qobject_cast<Tkeisan_in*>(w);
        ASSERT_NE(calc, nullptr);
        shownFormula = calc->Edit1->text();
        calc->Edit1->setText("1200*1.1");
        calc->accept();
    });
    key(Qt::Key_Space);
    EXPECT_EQ(shownFormula, "1234");
    EXPECT_EQ(column(), Cost);
    key(Qt::Key_Down); // leaving the row posts it
    EXPECT_EQ(stored("KIN_01"), QStringList({"1320", "0"}));

    // Cut, not rounded, to the configured places: cost 1, price 0; ESC writes nothing.
    state().config.genkaKeta = 1;
    const struct {
        int column;
        const char* formula;
        const char* field;
        const char* expected;
    } cases[] = {{Cost, "10/3", "KIN_01", "3.3"}, {Price, "2/3*100", "KIN_02", "66"}, {ListPrice, "0", "KIN_06", "0"}};
    for (const auto& c : cases) {
        at(1, c.column);
        onModal([&](QWidget* w) {
            auto* calc = qobject_cast<Tkeisan_in*>(w);
            EXPECT_TRUE(calc->Edit1->text().isEmpty()) << "an empty cell opens an empty calculator";
            calc->Edit1->setText(c.formula);
            calc->accept();
        });
        key(Qt::Key_Space);
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
    members({"'A',null,null,null,null,null,null,null,null", "null,null,null,null,null,null,null,null,null",
             "null,'備考',null,null,null,null,null,null,null", "null,null,null,null,5,2,1,100,'1-1-4'",
             "'Z',null,null,null,null,null,null,null,null"});
    for (int row : {0, 1, 2}) {
        at(row, Name);
        key(Qt::Key_Down);
    }
    EXPECT_EQ(stored("NAME01"), QStringList({"A", "NULL", "Z"}));
    EXPECT_EQ(stored("NAME03"), QStringList({"NULL", "備考", "NULL"}));
    EXPECT_EQ(stored("CNT"), QStringList({"1", "2", "3"}));
    // A row picked in the № column is kept, and the row the grid appends below a
    // growing selection leaves the positions alone until the next key.
    members({"'A',null,null,null,null,null,null,null,null", "null,null,null,null,null,null,null,null,null",
             "'Z',null,null,null,null,null,null,null,null"});
    const QRect number = form->DBGrid3->visualRect(form->DBGrid3->model()->index(1, 0));
    QTest::mouseClick(form->DBGrid3->viewport(), Qt::LeftButton, {}, number.center());
    key(Qt::Key_Down);
    EXPECT_EQ(dm->memberNumberingSkip, 1);
    EXPECT_EQ(stored("NAME01"), QStringList({"A", "NULL", "Z"}));
    key(Qt::Key_Up);
    EXPECT_EQ(dm->memberNumberingSkip, 0);

    // The blank last row stays: the grid goes on to append there.
    members({"'A',null,null,null,null,null,null,null,null", "null,null,null,null,null,null,null,null,null"});
    at(1, Name);
    key(Qt::Key_Down);
    EXPECT_EQ(stored("NAME01").mid(0, 2), QStringList({"A", "NULL"}));
}

TEST_F(MemberKeysTest, DeleteOnDigitsClearsThemAndNarrowingKeepsPlainKeys)
{
    at(0, Digits);
    key(Qt::Key_Delete);
    EXPECT_EQ(ds().text("KETA"), "");
    EXPECT_EQ(stored("KETA"), QStringList({"NULL", "0"}));

    members({"'A',null,null,null,null,null,4,null,null", "null,null,null,null,null,null,null,null,null",
             "'B',null,null,null,null,null,null,null,null"});
    form->Edit1->setText("A");
    form->SpeedButton1->click();
    ASSERT_TRUE(form->memberGridNarrowed());
    at(0, Digits);
    key(Qt::Key_Delete);
    at(0, Unit);
    key(Qt::Key_Return); // no picker while narrowed
    EXPECT_EQ(modalShown, 0);
    EXPECT_EQ(stored("KETA").first(), "4");
}

TEST_F(MemberKeysTest, BatchPanelAndToolbarPrograms)
{
    // Defaults: unit price from cost with 25 % profit, automatic rounding.
    form->SpeedButton2->click();
    EXPECT_EQ(stored("KIN_02").first(), "1600"); // 1234 ÷ 0.75 to hundreds

    QStringList opened;
    const auto keepOpener = TForm1::documentOpener();
    const auto keepStarter = TForm1::programStarter();
    TForm1::documentOpener() = [&](const QString& p) { return opened << p, true; };
    TForm1::programStarter() = [&](const QString& p) { return opened << p, true; };
    form->SB[0]->click();
    form->SB[8]->click();
    EXPECT_TRUE(opened.isEmpty());
    ASSERT_EQ(confirm.messages.size(), 2);
    EXPECT_TRUE(confirm.messages.at(1).contains("KMZ_63_48.exe"));

    const QString help = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + ".PDF";
    for (const QString& name : {help, QStringLiteral("KMZ_63_48.exe")}) {
        QFile f(folder.file("PROG/" + name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    form->SB[0]->click();
    form->SB[8]->click();
    EXPECT_EQ(opened, QStringList({folder.file("PROG/" + help), folder.file("PROG/KMZ_63_48.exe")}));
    EXPECT_EQ(confirm.messages.size(), 2);
    TForm1::documentOpener() = keepOpener;
    TForm1::programStarter() = keepStarter;
}

TEST_F(MemberKeysTest, CategoryNameBoxesPickTheCategoryAndLoadItsMembers)
{
    onModal([](QWidget* w) { choose(w, "土工事"); });
    QTest::mouseDClick(form->DBEdit4, Qt::LeftButton);
    EXPECT_EQ(form->DBEdit3->text(), "2");
    EXPECT_EQ(form->DBEdit6->text(), "掘削");
    EXPECT_EQ(ds().recordCount(), 1);
    EXPECT_EQ(ds().text("NAME01"), "X");

    // The middle picker lists the middles of the shown major.
    QStringList listed;
    onModal([&](QWidget* w) {
        auto* picker = qobject_cast<TCodePicker*>(w);
        for (int r = 0; r < picker->DBGrid1->rowCount(); ++r)
            listed << picker->DBGrid1->item(r, 1)->text();
        choose(w, "掘削");
    });
    QTest::mouseDClick(form->DBEdit6, Qt::LeftButton);
    EXPECT_EQ(listed, QStringList{"掘削"});
    EXPECT_EQ(ds().text("NAME01"), "X");
    EXPECT_EQ(modalShown, 2);
}
