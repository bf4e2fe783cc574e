#include "MassageForm.h"
#include "DialogRig.h"

namespace {

using Action = std::function<void(TMASSAGE_FORM&)>;

// What the dialog looked like while it was shown.
struct Seen {
    QSize size;
    QRect button1;
    bool visible1 = false, visible2 = false;
    QString caption1, label;
    int labelWidth = 0;
};

class MassageFormTest : public ::testing::Test {
protected:
    // Asks through the program's confirmation path, records the dialog once the
    // modal loop runs and lets `act` answer it.
    int show(int mode, const QString& message, const Action& act)
    {
        const auto record = [this, act] {
            seen = {
                form.size(),          form.BitBtn1->geometry(), form.BitBtn1->isVisible(), form.BitBtn2->isVisible(),
                form.BitBtn1->text(), form.LABEL->text(),       form.LABEL->width()};
            act(form);
        };
        return runModal(
            form, record, [&] { return confirm.ask(mode, message); }, 2000);
    }

    TMASSAGE_FORM form;
    MassageConfirmation confirm{form};
    Seen seen;
};

void key(TMASSAGE_FORM& f, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
{
    QTest::keyClick(f.focusWidget() ? f.focusWidget() : &f, k, m);
}
const Action enter = [](TMASSAGE_FORM& f) { key(f, Qt::Key_Return); };
const Action escape = [](TMASSAGE_FORM& f) { key(f, Qt::Key_Escape); };
const Action yes = [](TMASSAGE_FORM& f) { f.BitBtn1->click(); };
const Action no = [](TMASSAGE_FORM& f) { f.BitBtn2->click(); };
const Action closeBox = [](TMASSAGE_FORM& f) { f.close(); };
Action press(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
{
    return [=](TMASSAGE_FORM& f) { key(f, k, m); };
}
// `first`, then `next` if the box is still open.
Action then(const Action& first, const Action& next)
{
    return [=](TMASSAGE_FORM& f) {
        first(f);
        if (f.isVisible())
            next(f);
    };
}

} // namespace

TEST_F(MassageFormTest, LayoutFollowsTheModeAndTheLines)
{
    show(TMASSAGE_FORM::Question, QStringLiteral("登録しますか？"), no);
    EXPECT_TRUE(seen.visible1 && seen.visible2);
    // A notice right after a question must not keep the question's second button.
    show(TMASSAGE_FORM::Notice, QStringLiteral("登録しました。"), yes);
    EXPECT_EQ(seen.size, QSize(296, 142));
    EXPECT_TRUE(seen.visible1);
    EXPECT_FALSE(seen.visible2);
    EXPECT_EQ(seen.caption1, QStringLiteral("ＯＫ"));
    EXPECT_EQ(seen.button1, QRect(296 / 2 - 129 / 2, 142 - 31 - 50, 129, 31));

    // Height follows the lines and width the longest line.
    const QString longLine = QString::fromUtf8("部材マスターの単位を置き換えると過去の見積明細の単位も変わります。");
    show(TMASSAGE_FORM::Notice, QStringLiteral("短い行\r\n") + longLine + QStringLiteral("\r\n終わり"), yes);
    EXPECT_EQ(seen.size.height(), 186);
    EXPECT_EQ(seen.size.width(), seen.labelWidth + 48);
    EXPECT_GE(seen.labelWidth, form.LABEL->fontMetrics().horizontalAdvance(longLine));
    EXPECT_EQ(seen.button1.top(), 186 - 31 - 50);

    // The long warnings break their lines with LF CR.
    show(TMASSAGE_FORM::Question, QString::fromUtf8("一行目\n\r二行目\n\r三行目\n\r四行目\n\r五行目"), no);
    EXPECT_EQ(seen.size.height(), 230);
    EXPECT_EQ(seen.label, QString::fromUtf8("一行目\n二行目\n三行目\n四行目\n五行目"));
}

TEST_F(MassageFormTest, AnswersInBothModes)
{
    const int q = TMASSAGE_FORM::Question, n = TMASSAGE_FORM::Notice;
    const Action altY = [](TMASSAGE_FORM& f) {
        // Alt+Y is a shortcut, which Qt takes only in the active window.
        EXPECT_TRUE(QTest::qWaitForWindowActive(&f));
        key(f, Qt::Key_Y, Qt::AltModifier);
    };
    const Action focusYesThenN = [](TMASSAGE_FORM& f) {
        f.BitBtn1->setFocus();
        key(f, Qt::Key_N);
    };
    const struct {
        int mode;
        Action act;
        int result;
        const char* what;
    } cases[] = {
        {q, enter, 2, "Enter in a question answers No"},
        {q, yes, 1, "Yes"},
        {q, no, 2, "No"},
        {q, escape, 2, "Esc in a question"},
        {q, closeBox, 2, "close box in a question"},
        {q, press(Qt::Key_Y), 1, "Y with the focus on No"},
        {q, press(Qt::Key_Y, Qt::ShiftModifier), 1, "Shift+Y"},
        {q, altY, 1, "Alt+Y"},
        {q, focusYesThenN, 2, "N with the focus on Yes"},
        {q, then(press(Qt::Key_Y, Qt::ControlModifier), no), 2, "Ctrl+Y is no answer"},
        {n, enter, 1, "Enter in a notice"},
        {n, then(press(Qt::Key_Y), then(press(Qt::Key_N), escape)), 2, "Y and N in a notice, then Esc"},
        {n, escape, 2, "Esc in a notice"},
        {n, closeBox, 2, "close box in a notice"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(show(c.mode, QStringLiteral("終了しますか？"), c.act), c.result) << c.what;
}
