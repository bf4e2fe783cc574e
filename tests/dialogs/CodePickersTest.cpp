#include "CodePickers.h"
#include "CodeLookups.h"
#include "Database.h"
#include "ModalRun.h"
#include "TestDb.h"

#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QWheelEvent>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace {

// One product database for the suite: the pickers only read, apart from the
// account seeding, which its own test checks from an empty table.
class CodePickersTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = new TestFolder;
        db = createProductDatabase(folder->file(QStringLiteral("TREVOLAN.FDB"))).release();
        execCommitted(*db, {
                               "insert into MAS_KOUSYU_01 (BL_KUBUN, NAME01) values (1, '仮設')",
                               "insert into MAS_KOUSYU_01 (BL_KUBUN, NAME01) values (2, '基礎')",
                               "insert into MAS_KOUSYU_01 (BL_KUBUN, NAME01) values (5, '木工')",
                               "insert into MAS_KOUSYU_02 (BL_KUBUN, BM_KUBUN, NAME01) values (1, 1, '足場')",
                               "insert into MAS_KOUSYU_02 (BL_KUBUN, BM_KUBUN, NAME01) values (1, 2, '養生')",
                               "insert into MAS_KOUSYU_02 (BL_KUBUN, BM_KUBUN, NAME01) values (2, 1, '土工')",
                               "insert into MAS_KOUSYU_02 (BL_KUBUN, BM_KUBUN, NAME01) values (5, 3, '造作')",
                               "insert into MAS_KOUSYU (BL_KUBUN, BM_KUBUN, NAME01) values (7, 0, '設備')",
                               "insert into LOOK_TANI (CD, NAME) values (1, '個')",
                               "insert into LOOK_TANI (CD, NAME) values (3, 'm')",
                               "insert into LOOK_TANI (CD, NAME) values (7, '式')",
                           });
    }
    static void TearDownTestSuite()
    {
        delete db;
        delete folder;
    }

    // Shows `picker` modally; `act` runs inside the modal loop with the list open.
    static int show(TCodePicker& picker, const std::function<void()>& act)
    {
        return runModal(picker, act, [&] { return picker.showCentered(nullptr); });
    }
    static QString text(TCodePicker& p, int row, int column)
    {
        const QTableWidgetItem* item = p.DBGrid1->item(row, column);
        return item ? item->text() : QStringLiteral("<no cell>");
    }
    static void wheel(TCodePicker& p, int delta)
    {
        QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(p.DBGrid1->viewport(), &e);
    }

    static inline TestFolder* folder = nullptr;
    static inline Database* db = nullptr;
    ProgramState state;
};

// Which row a picker starts on, how many it lists, and what Enter hands back.
TEST_F(CodePickersTest, StartAtThePreviousChoiceAndHandItBack)
{
    using Make = std::function<std::unique_ptr<TCodePicker>(ProgramState&)>;
    using Check = std::function<void(const PickerResults&)>;
    const Make kou = [](ProgramState& s) { return std::make_unique<TForm_kou>(*db, s); };
    const Make major = [](ProgramState& s) { return std::make_unique<TForm_koumoku>(*db, s); };
    const Make middle = [](ProgramState& s) { return std::make_unique<TForm_M_name>(*db, s); };
    const Make unit = [](ProgramState& s) { return std::make_unique<TForm_tani_sel>(*db, s); };
    struct Case {
        const char* what;
        Make make;
        std::function<void(PickerResults&)> start;
        int rows, startRow;
        QString shown; // second column (first for units) of the starting row
        Check check;
    };
    const Case cases[] = {
        {"work type 201", kou, [](PickerResults& p) { p.workTypeCode = 201; }, 4, 2, "土工",
         [](const PickerResults& p) {
             EXPECT_EQ(p.workTypeCode, 201);
             EXPECT_EQ(p.workTypeMajor, 2);
             EXPECT_EQ(p.workTypeName, QStringLiteral("土工"));
         }},
        {"work type beyond the last", kou, [](PickerResults& p) { p.workTypeCode = 999; }, 4, 3, "造作",
         [](const PickerResults& p) { EXPECT_EQ(p.workTypeCode, 503); }},
        {"no work type yet", kou, [](PickerResults&) {}, 4, 0, "足場",
         [](const PickerResults& p) { EXPECT_EQ(p.workTypeCode, 101); }},
        {"major 2", major, [](PickerResults& p) { p.majorCode = "2"; }, 3, 1, "基礎",
         [](const PickerResults& p) {
             EXPECT_EQ(p.majorCode, QStringLiteral("2"));
             EXPECT_EQ(p.majorName, QStringLiteral("基礎"));
         }},
        {"major between codes", major, [](PickerResults& p) { p.majorCode = "3"; }, 3, 2, "木工",
         [](const PickerResults& p) { EXPECT_EQ(p.majorCode, QStringLiteral("5")); }},
        {"middles of every major", middle, [](PickerResults&) {}, 4, 0, "足場",
         [](const PickerResults& p) {
             EXPECT_EQ(p.majorCode, QStringLiteral("1"));
             EXPECT_EQ(p.middleCode, QStringLiteral("1"));
         }},
        {"middles of major 1 from 2", middle,
         [](PickerResults& p) {
             p.majorCode = "1";
             p.middleCode = "2";
         },
         2, 1, "養生",
         [](const PickerResults& p) {
             EXPECT_EQ(p.middleCode, QStringLiteral("2"));
             EXPECT_EQ(p.middleName, QStringLiteral("養生"));
         }},
        {"unit 5 starts at 7", unit, [](PickerResults& p) { p.unitCode = 5; }, 3, 2, "式",
         [](const PickerResults& p) {
             EXPECT_EQ(p.unitName, QStringLiteral("式"));
             EXPECT_EQ(p.unitCode, 7);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProgramState s;
        c.start(s.picks);
        auto picker = c.make(s);
        const int rc = show(*picker, [&] {
            const int last = picker->DBGrid1->columnCount() - 1;
            EXPECT_EQ(picker->DBGrid1->rowCount(), c.rows);
            EXPECT_EQ(picker->currentRow(), c.startRow);
            EXPECT_EQ(text(*picker, picker->currentRow(), last), c.shown);
            QTest::keyClick(picker->DBGrid1, Qt::Key_Return);
        });
        EXPECT_EQ(rc, QDialog::Accepted);
        c.check(s.picks);
    }
}

TEST_F(CodePickersTest, AccountsAreSeededOnceIntoAnEmptyTable)
{
    TForm_kamoku picker(*db, state);
    for (int showing = 0; showing < 2; ++showing) {
        show(picker, [&] {
            ASSERT_EQ(picker.DBGrid1->rowCount(), 5);
            EXPECT_EQ(text(picker, 3, 1), QStringLiteral("経　費"));
            // The view takes a double-click only after a press on the same cell.
            const QPoint at = picker.DBGrid1->visualItemRect(picker.DBGrid1->item(1, 1)).center();
            QTest::mouseClick(picker.DBGrid1->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(picker.DBGrid1->viewport(), Qt::LeftButton, {}, at);
        });
        EXPECT_EQ(state.picks.accountCode, 201);
        EXPECT_EQ(state.picks.accountName, QStringLiteral("労務費"));
    }
    EXPECT_EQ(columnValues(*db, "select CD from LOOK_KAMOKU order by CD", "CD"),
              (QStringList{"101", "201", "301", "401", "501"}));
}

TEST_F(CodePickersTest, UnitPickerRemembersTheRowAfterCancelAndWheelMovesRows)
{
    TForm_tani_sel picker(*db, state);
    show(picker, [&] {
        wheel(picker, -120); // towards the user: down
        wheel(picker, -120);
        wheel(picker, -120); // already on the last row
        EXPECT_EQ(picker.currentRow(), 2);
        wheel(picker, 120);
        EXPECT_EQ(picker.currentRow(), 1);
        picker.BitBtn2->click();
    });
    EXPECT_EQ(state.picks.unitCode, 3);
    EXPECT_TRUE(state.picks.unitName.isEmpty()) << "Cancel hands back no unit";
    show(picker, [&] {
        EXPECT_EQ(picker.currentRow(), 1);
        picker.reject();
    });
}

TEST_F(CodePickersTest, WorkTypeAllAndTheSingleTableCustomer)
{
    TForm_kou picker(*db, state);
    show(picker, [&] { picker.ALL->click(); });
    EXPECT_EQ(state.picks.workTypeCode, 503) << "ALL ends on the last row";

    state.config.companyName = QStringLiteral("株式会社青葉設備工業");
    show(picker, [&] {
        ASSERT_EQ(picker.DBGrid1->rowCount(), 1);
        EXPECT_EQ(text(picker, 0, 1), QStringLiteral("設備"));
        picker.ok();
    });
    EXPECT_EQ(state.picks.workTypeCode, 700);
}

} // namespace
