#include "CodeLookups.h"
#include "DialogRig.h"

namespace {

// One product database for the suite: the pickers only read, apart from the
// account seeding, which its own test checks from an empty table.
class CodePickersTest : public ProductSuite {
protected:
    static void SetUpTestSuite()
    {
        makeProduct(insertRows("MAS_KOUSYU_01 (BL_KUBUN,NAME01)", {"1,'仮設'", "2,'基礎'", "5,'木工'"}) +
                    insertRows("MAS_KOUSYU_02 (BL_KUBUN,BM_KUBUN,NAME01)",
                               {"1,1,'足場'", "1,2,'養生'", "2,1,'土工'", "5,3,'造作'"}) +
                    insertRows("MAS_KOUSYU (BL_KUBUN,BM_KUBUN,NAME01)", {"7,0,'設備'"}) +
                    insertRows("LOOK_TANI (CD,NAME)", {"1,'個'", "3,'m'", "7,'式'"}));
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
};

// Which row a picker starts on, how many it lists, and what Enter hands back.
TEST_F(CodePickersTest, StartAtThePreviousChoiceAndHandItBack)
{
    using Make = std::function<TCodePicker*(ProgramState&)>;
    enum { Kou, Major, Middle, Unit };
    const Make make[] = {[](ProgramState& s) -> TCodePicker* { return new TForm_kou(*db, s); },
                         [](ProgramState& s) -> TCodePicker* { return new TForm_koumoku(*db, s); },
                         [](ProgramState& s) -> TCodePicker* { return new TForm_M_name(*db, s); },
                         [](ProgramState& s) -> TCodePicker* { return new TForm_tani_sel(*db, s); }};
    const struct {
        int kind;
        int code; // the work type or unit chosen before
        const char *major, *middle;
        int rows, startRow;
        const char *shown, *got; // shown: the last column of the starting row
    } cases[] = {
        {Kou, 201, "", "", 4, 2, "土工", "201/2/土工"},
        {Kou, 999, "", "", 4, 3, "造作", "503/5/造作"}, // beyond the last
        {Major, 0, "3", "", 3, 2, "木工", "5/木工"},    // between codes
        {Middle, 0, "", "", 4, 0, "足場", "1/1/足場"},  // middles of every major
        {Middle, 0, "1", "2", 2, 1, "養生", "1/2/養生"},
        {Unit, 5, "", "", 3, 2, "式", "7/式"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.got);
        ProgramState s;
        PickerResults& p = s.picks;
        p.workTypeCode = p.unitCode = c.code;
        p.majorCode = c.major;
        p.middleCode = c.middle;
        std::unique_ptr<TCodePicker> picker(make[c.kind](s));
        const int rc = show(*picker, [&] {
            EXPECT_EQ(picker->DBGrid1->rowCount(), c.rows);
            EXPECT_EQ(picker->currentRow(), c.startRow);
            EXPECT_EQ(text(*picker, picker->currentRow(), picker->DBGrid1->columnCount() - 1), c.shown);
            QTest::keyClick(picker->DBGrid1, Qt::Key_Return);
        });
        EXPECT_EQ(rc, QDialog::Accepted);
        const QString got[] = {QString("%1/%2/%3").arg(p.workTypeCode).arg(p.workTypeMajor).arg(p.workTypeName),
                               p.majorCode + '/' + p.majorName, p.majorCode + '/' + p.middleCode + '/' + p.middleName,
                               QString::number(p.unitCode) + '/' + p.unitName};
        EXPECT_EQ(got[c.kind], c.got);
    }
}

TEST_F(CodePickersTest, AccountsAreSeededOnceIntoAnEmptyTable)
{
    TForm_kamoku picker(*db, state);
    for (int showing = 0; showing < 2; ++showing) {
        show(picker, [&] {
            ASSERT_EQ(picker.DBGrid1->rowCount(), 5);
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

// Cancel keeps the row for the next showing but hands back no unit.
TEST_F(CodePickersTest, UnitPickerRemembersTheRowAfterCancel)
{
    TForm_tani_sel picker(*db, state);
    show(picker, [&] {
        picker.DBGrid1->setCurrentCell(1, 0);
        picker.BitBtn2->click();
    });
    EXPECT_EQ(state.picks.unitCode, 3);
    EXPECT_TRUE(state.picks.unitName.isEmpty());
    show(picker, [&] {
        EXPECT_EQ(picker.currentRow(), 1);
        picker.reject();
    });
}

TEST_F(CodePickersTest, WorkTypesOfTheSingleTableCustomer)
{
    TForm_kou picker(*db, state);
    state.config.companyName = QStringLiteral("株式会社青葉設備工業");
    show(picker, [&] {
        ASSERT_EQ(picker.DBGrid1->rowCount(), 1);
        EXPECT_EQ(text(picker, 0, 1), QStringLiteral("設備"));
        picker.ok();
    });
    EXPECT_EQ(state.picks.workTypeCode, 700);
}

} // namespace
