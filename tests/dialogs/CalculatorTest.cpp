#include "Formula.h"
#include "KeisanIn.h"
#include "ModalRun.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>

#include <gtest/gtest.h>

namespace {

using Formula::Status;

struct Case {
    const char16_t* formula;
    Status status;
    double value;
};

TEST(Formula, EvaluatesAmountsAndRejectsWhatIsNotAFormula)
{
    const Case cases[] = {
        {u"1200*1.1", Status::Ok, 1320},
        {u"0.1+0.2", Status::Ok, 0.3},
        {u"(1+2)*3-4/8", Status::Ok, 8.5},
        {u"2^10", Status::Ok, 1024},
        {u"-5+2", Status::Ok, -3},
        {u"１，２００×２", Status::Ok, 2400}, // full width and thousands separators as typed
        {u"1,234.5", Status::Ok, 1234.5},
        {u"100-100", Status::Ok, 0},
        {u"abc", Status::Malformed, 0},
        {u"_pi", Status::Malformed, 0},
        {u"sin(1)", Status::Malformed, 0},
        {u"1.2.3", Status::Malformed, 0},
        {u"(1+2", Status::Malformed, 0},
        {u"1++", Status::Malformed, 0},
        {u"", Status::Malformed, 0},
        {u"1/0", Status::Undefined, 0},
        {u"0/0", Status::Undefined, 0},
        {u"99999999*99999999", Status::OutOfRange, 0},
        {u"10^400", Status::Undefined, 0},
    };
    for (const Case& c : cases) {
        const QString formula = QString::fromUtf16(c.formula);
        const Formula::Outcome got = Formula::evaluate(formula);
        EXPECT_EQ(got.status, c.status) << formula.toStdString();
        if (c.status == Status::Ok) {
            EXPECT_DOUBLE_EQ(got.value, c.value) << formula.toStdString();
        }
    }
    // A formula far longer than the box holds is refused, not evaluated.
    QString longFormula = QStringLiteral("1");
    while (longFormula.size() < 1000)
        longFormula += QStringLiteral("+1");
    EXPECT_EQ(Formula::evaluate(longFormula).status, Status::Malformed);
}

TEST(Formula, ShortestTextHasNoExponentAndReadsBack)
{
    const std::pair<double, const char*> cases[] = {
        {1320.0000000000002, "1320"},
        {25, "25"},
        {0.00001, "0.00001"},
        {-1234.5, "-1234.5"},
        {0.1 + 0.2, "0.3"},
        {0, "0"},
        {9999999999999.99, "9999999999999.99"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(Formula::shortestText(value), QString::fromLatin1(text)) << value;
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

TEST_F(CalculatorDialog, OkKeepsTheFormulaAndGivesTheValue)
{
    EXPECT_EQ(show(QStringLiteral("1200*1.1"), [this] { QTest::keyClick(calc.Edit1, Qt::Key_Return); }),
              QDialog::Accepted);
    EXPECT_EQ(calc.Edit1->text(), QStringLiteral("1200*1.1"));
    EXPECT_DOUBLE_EQ(calc.result(), 1320);

    // An exact 0 comes back as 0.00001 so that the caller still writes it.
    EXPECT_EQ(show(QStringLiteral("100-100"), [this] { calc.BitBtn2->click(); }), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(calc.result(), 0.00001);
}

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

TEST_F(CalculatorDialog, EscapeWaysEmptyTheFormula)
{
    const std::function<void(Tkeisan_in&)> ways[] = {
        [](Tkeisan_in& c) { QTest::keyClick(c.Edit1, Qt::Key_Escape); },
        [](Tkeisan_in& c) { c.key(QStringLiteral("ESC"))->click(); },
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
    // The next showing starts with the hint again.
    show(QStringLiteral("1"), [this] {
        EXPECT_EQ(calc.Edit2->text(), Tkeisan_in::hintText());
        calc.done(QDialog::Rejected);
    });
}

} // namespace
