#include "DialogRig.h"
#include "Formula.h"
#include "keisan_in.h"

namespace {

using Formula::Status;

TEST(Formula, EvaluatesAmountsAndRejectsWhatIsNotAFormula)
{
    // Full width and thousands separators count as typed.
    const std::pair<const char16_t*, double> amounts[] = {{u"1200*1.1", 1320},  {u"(1+2)*3-4/8", 8.5},
                                                          {u"2^10", 1024},      {u"-5+2", -3},
                                                          {u"1,234.5", 1234.5}, {u"１，２００×２", 2400}};
    for (const auto& [formula, value] : amounts) {
        const Formula::Outcome got = Formula::evaluate(QString::fromUtf16(formula));
        EXPECT_EQ(got.status, Status::Ok) << QString::fromUtf16(formula).toStdString();
        EXPECT_DOUBLE_EQ(got.value, value) << QString::fromUtf16(formula).toStdString();
    }
    // A formula far longer than the box holds is refused, not evaluated.
    const QString longFormula = QStringLiteral("1") + QStringLiteral("+1").repeated(500);
    const std::pair<Status, QStringList> refused[] = {
        {Status::Malformed, {"abc", "_pi", "sin(1)", "1.2.3", "(1+2", "1++", "", longFormula}},
        {Status::Undefined, {"1/0", "0/0", "10^400"}},
        {Status::OutOfRange, {"99999999*99999999"}}};
    for (const auto& [status, formulas] : refused)
        for (const QString& formula : formulas)
            EXPECT_EQ(Formula::evaluate(formula).status, status) << formula.left(20).toStdString();
}

TEST(Formula, ShortestTextHasNoExponentAndReadsBack)
{
    const double values[] = {1320.0000000000002, 25, 0.00001, -1234.5, 0.1 + 0.2, 0, 9999999999999.99};
    const char* texts[] = {"1320", "25", "0.00001", "-1234.5", "0.3", "0", "9999999999999.99"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(Formula::shortestText(values[i]), QString::fromLatin1(texts[i])) << values[i];
}

// Drives one showing of the calculator: `act` runs inside the modal loop.
class CalculatorDialog : public ::testing::Test {
protected:
    int show(const QString& formula, const std::function<void()>& act)
    {
        calc.Edit1->setText(formula);
        return runModal(
            calc, act, [this] { return calc.showCentered(nullptr); }, 2000);
    }
    void press(const char16_t* caption) { calc.key(QString::fromUtf16(caption))->click(); }

    Tkeisan_in calc;
};

TEST_F(CalculatorDialog, KeypadBuildsAndEvaluatesTheFormula)
{
    show(QStringLiteral("0"), [this] {
        EXPECT_TRUE(calc.Edit1->text().isEmpty()) << "a lone 0 is not kept";
        for (const char16_t* k : {u"1", u"2", u"00", u"×", u"(", u"3", u"+", u"4", u")", u"÷", u"・", u"5", u"BS", u"2",
                                  u"-", u"9", u"＾", u"2"})
            press(k);
        EXPECT_EQ(calc.Edit1->text(), QStringLiteral("1200*(3+4)/.2-9^2"));
        press(u"=");
        EXPECT_EQ(calc.Edit1->text(), QStringLiteral("41919"));
        press(u"AC");
        press(u"BS"); // on an empty box
        EXPECT_TRUE(calc.Edit1->text().isEmpty());
        for (const char16_t* k : {u"0", u"・", u"2", u"5", u"％"})
            press(k);
        EXPECT_EQ(calc.Edit1->text(), QStringLiteral("25"));
        EXPECT_DOUBLE_EQ(calc.result(), 25);
        calc.BitBtn2->click();
    });
    EXPECT_DOUBLE_EQ(calc.result(), 25);
}

// OK keeps the formula and gives its value; every way out empties it.
TEST_F(CalculatorDialog, OkGivesTheValueAndEscapeWaysEmptyTheFormula)
{
    EXPECT_EQ(show(QStringLiteral("1200*1.1"), [this] { QTest::keyClick(calc.Edit1, Qt::Key_Return); }),
              QDialog::Accepted);
    EXPECT_EQ(calc.Edit1->text(), QStringLiteral("1200*1.1"));
    EXPECT_DOUBLE_EQ(calc.result(), 1320);

    // An exact 0 comes back as 0.00001 so that the caller still writes it.
    EXPECT_EQ(show(QStringLiteral("100-100"), [this] { calc.BitBtn2->click(); }), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(calc.result(), 0.00001);
    const std::function<void(Tkeisan_in&)> ways[] = {
        [](Tkeisan_in& c) { QTest::keyClick(c.Edit1, Qt::Key_Escape); },
        [](Tkeisan_in& c) { c.Button1->click(); },
        [](Tkeisan_in& c) { c.close(); },
    };
    for (const auto& way : ways) {
        EXPECT_EQ(show(QStringLiteral("1234"), [this, &way] { way(calc); }), QDialog::Rejected);
        EXPECT_TRUE(calc.Edit1->text().isEmpty());
        EXPECT_EQ(calc.result(), 0);
    }
    // OK on an empty box is a cancel too.
    EXPECT_EQ(show(QString(), [this] { calc.BitBtn2->click(); }), QDialog::Rejected);
}

// The amount handed in stands at the start of the formula: what is typed goes
// after it, it is not replaced.
TEST_F(CalculatorDialog, TypingExtendsTheAmountItOpensWith)
{
    EXPECT_EQ(show(QStringLiteral("1340"),
                   [this] {
                       EXPECT_TRUE(calc.Edit1->selectedText().isEmpty());
                       EXPECT_EQ(calc.Edit1->cursorPosition(), 4);
                       QTest::keyClicks(calc.Edit1, "+100");
                       QTest::keyClick(calc.Edit1, Qt::Key_Return);
                   }),
              QDialog::Accepted);
    EXPECT_EQ(calc.Edit1->text(), QStringLiteral("1340+100"));
    EXPECT_DOUBLE_EQ(calc.result(), 1440);
    // Also on the next showing of the same window.
    show(QStringLiteral("25"), [this] {
        QTest::keyClicks(calc.Edit1, "*4");
        press(u"=");
        calc.BitBtn2->click();
    });
    EXPECT_DOUBLE_EQ(calc.result(), 100);
}

TEST_F(CalculatorDialog, BadFormulasStayAsTypedWithTheReason)
{
    const char16_t* bad[] = {u"12a", u"1.2.3", u"5/0", u"99999999*99999999"};
    for (const char16_t* f : bad) {
        const QString formula = QString::fromUtf16(f);
        show(formula, [this, formula] {
            press(u"=");
            EXPECT_EQ(calc.Edit1->text(), formula);
            press(u"％");
            EXPECT_EQ(calc.Edit1->text(), formula);
            QTest::keyClick(calc.Edit1, Qt::Key_Return);
            EXPECT_TRUE(calc.isVisible()) << "OK must not accept " << formula.toStdString();
            EXPECT_NE(calc.Edit2->text(), Tkeisan_in::hintText());
            calc.done(QDialog::Rejected);
        });
        EXPECT_EQ(calc.result(), 0) << formula.toStdString();
    }
}

} // namespace
