#include "CodeLookups.h"
#include "DialogRig.h"

#include <QWheelEvent>

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
    static void wheel(TCodePicker& p, int delta)
    {
        QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(p.DBGrid1->viewport(), &e);
    }
};

// Which row a picker starts on, how many it lists, and what Enter hands back.
TEST_F(CodePickersTest, StartAtThePreviousChoiceAndHandItBack)
{
    struct Kind {
        std::function<std::unique_ptr<TCodePicker>(ProgramState&)> make;
        std::function<QString(const PickerResults&)> got;
    };
    const Kind kou{[](ProgramState& s) { return std::make_unique<TForm_kou>(*db, s); },
                   [](const PickerResults& p) {
                       return QString("%1/%2/%3").arg(p.workTypeCode).arg(p.workTypeMajor).arg(p.workTypeName);
                   }};
    const Kind major{[](ProgramState& s) { return std::make_unique<TForm_koumoku>(*db, s); },
                     [](const PickerResults& p) { return p.majorCode + '/' + p.majorName; }};
    const Kind middle{[](ProgramState& s) { return std::make_unique<TForm_M_name>(*db, s); },
                      [](const PickerResults& p) { return p.majorCode + '/' + p.middleCode + '/' + p.middleName; }};
    const Kind unit{[](ProgramState& s) { return std::make_unique<TForm_tani_sel>(*db, s); },
                    [](const PickerResults& p) { return QString::number(p.unitCode) + '/' + p.unitName; }};
    struct Case {
        const Kind& kind;
        int workType;
        const char *major, *middle;
        int unit;
        int rows, startRow;
        const char* shown; // last column of the starting row
        const char* got;
    };
    const Case cases[] = {
        {kou, 201, "", "", 0, 4, 2, "土工", "201/2/土工"},
        {kou, 999, "", "", 0, 4, 3, "造作", "503/5/造作"}, // beyond the last
        {kou, 0, "", "", 0, 4, 0, "足場", "101/1/足場"},
        {major, 0, "2", "", 0, 3, 1, "基礎", "2/基礎"},
        {major, 0, "3", "", 0, 3, 2, "木工", "5/木工"},   // between codes
        {middle, 0, "", "", 0, 4, 0, "足場", "1/1/足場"}, // middles of every major
        {middle, 0, "1", "2", 0, 2, 1, "養生", "1/2/養生"},
        {unit, 0, "", "", 5, 3, 2, "式", "7/式"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.got);
        ProgramState s;
        s.picks.workTypeCode = c.workType;
        s.picks.majorCode = c.major;
        s.picks.middleCode = c.middle;
        s.picks.unitCode = c.unit;
        auto picker = c.kind.make(s);
        const int rc = show(*picker, [&] {
            EXPECT_EQ(picker->DBGrid1->rowCount(), c.rows);
            EXPECT_EQ(picker->currentRow(), c.startRow);
            EXPECT_EQ(text(*picker, picker->currentRow(), picker->DBGrid1->columnCount() - 1), c.shown);
            QTest::keyClick(picker->DBGrid1, Qt::Key_Return);
        });
        EXPECT_EQ(rc, QDialog::Accepted);
        EXPECT_EQ(c.kind.got(s.picks), c.got);
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
