#include "DialogRig.h"
#include "MASSAGE_FORM.h"

namespace {

using Action = std::function<void(TMASSAGE_FORM&)>;

class MassageFormTest : public ::testing::Test {
protected:
    // Asks through the program's confirmation path; `act` answers once the modal loop runs.
    int show(int mode, const QString& message, const Action& act)
    {
        return runModal(
            form, [this, act] { act(form); }, [&] { return confirm.ask(mode, message); }, 2000);
    }

    TMASSAGE_FORM form;
    MassageConfirmation confirm{form};
};

void key(TMASSAGE_FORM& f, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
{
    QTest::keyClick(f.focusWidget() ? f.focusWidget() : &f, k, m);
}
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

TEST_F(MassageFormTest, ButtonsAndLinesFollowTheModeAndTheText)
{
    show(TMASSAGE_FORM::Question, QStringLiteral("登録しますか？"), [](TMASSAGE_FORM& f) {
        EXPECT_TRUE(f.BitBtn1->isVisible() && f.BitBtn2->isVisible());
        f.BitBtn2->click();
    });
    // A notice right after a question must not keep the question's second button,
    // and the box is as wide as its longest line.
    const QString longLine = QString::fromUtf8("部材マスターの単位を置き換えると過去の見積明細の単位も変わります。");
    show(TMASSAGE_FORM::Notice, QStringLiteral("短い行\r\n") + longLine, [&](TMASSAGE_FORM& f) {
        EXPECT_FALSE(f.BitBtn2->isVisible());
        EXPECT_GE(f.LABEL->width(), f.LABEL->fontMetrics().horizontalAdvance(longLine));
        f.BitBtn1->click();
    });
}

TEST_F(MassageFormTest, AnswersInBothModes)
{
    const int q = TMASSAGE_FORM::Question, n = TMASSAGE_FORM::Notice;
    const Action enter = press(Qt::Key_Return), escape = press(Qt::Key_Escape);
    const Action closeBox = [](TMASSAGE_FORM& f) { f.close(); };
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
        {q, escape, 2, "Esc in a question"},
        {q, closeBox, 2, "close box in a question"},
        {q, press(Qt::Key_Y), 1, "Y with the focus on No"},
        {q, press(Qt::Key_Y, Qt::ShiftModifier), 1, "Shift+Y"},
        {q, altY, 1, "Alt+Y"},
        {q, focusYesThenN, 2, "N with the focus on Yes"},
        {q, then(press(Qt::Key_Y, Qt::ControlModifier), closeBox), 2, "Ctrl+Y is no answer"},
        {n, enter, 1, "Enter in a notice"},
        {n, then(press(Qt::Key_Y), then(press(Qt::Key_N), escape)), 2, "Y and N in a notice, then Esc"},
        {n, closeBox, 2, "close box in a notice"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(show(c.mode, QStringLiteral("終了しますか？"), c.act), c.result) << c.what;
}

// Unregistered changes: register, discard or stay, and whatever is not a choice
// (Enter without moving the focus, Esc, the close box) stays. A question shown
// afterwards has its two buttons only.
TEST_F(MassageFormTest, UnregisteredChangesAnswerRegisterDiscardOrStay)
{
    const int u = TMASSAGE_FORM::Unregistered;
    const auto click = [](QPushButton* TMASSAGE_FORM::*button) {
        return [button](TMASSAGE_FORM& f) { (f.*button)->click(); };
    };
    const struct {
        Action act;
        int result;
        const char* what;
    } cases[] = {
        {click(&TMASSAGE_FORM::BitBtn1), 1, "登録する"},
        {click(&TMASSAGE_FORM::BitBtn2), 2, "破棄する"},
        {click(&TMASSAGE_FORM::BitBtn3), 3, "戻る"},
        {press(Qt::Key_Return), 3, "Enter"},
        {press(Qt::Key_Escape), 3, "Esc"},
        {[](TMASSAGE_FORM& f) { f.close(); }, 3, "close box"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(show(u, QStringLiteral("部材マスターの変更がまだ登録されていません。"), c.act), c.result) << c.what;

    show(u, QStringLiteral("変更"), [](TMASSAGE_FORM& f) {
        EXPECT_EQ(f.BitBtn1->text(), QStringLiteral("登録する"));
        EXPECT_EQ(f.BitBtn2->text(), QStringLiteral("破棄する"));
        EXPECT_EQ(f.BitBtn3->text(), QStringLiteral("戻る"));
        // Side by side inside the window.
        EXPECT_LT(f.BitBtn1->geometry().right(), f.BitBtn2->x());
        EXPECT_LT(f.BitBtn2->geometry().right(), f.BitBtn3->x());
        EXPECT_LE(f.BitBtn3->geometry().right(), f.width());
        f.BitBtn3->click();
    });
    show(TMASSAGE_FORM::Question, QStringLiteral("終了しますか？"), [](TMASSAGE_FORM& f) {
        EXPECT_FALSE(f.BitBtn3->isVisible());
        EXPECT_EQ(f.BitBtn2->text(), QStringLiteral("いいえ &N"));
        f.BitBtn2->click();
    });
}

namespace {

// A line too long for the screen wraps: every character stays inside the box,
// and the buttons stay below the text.
TEST_F(MassageFormTest, ALongLineWrapsInsideTheBox)
{
    const QString longLine =
        QStringLiteral("第２データベース「/home/estimator/TREVOLAN2.FDB」は他のプログラムが使用中のため、"
                       "開けません。このデータベースを開いているプログラムを終了してから、"
                       "もう一度実行してください。");
    show(TMASSAGE_FORM::Notice, longLine + QStringLiteral("\n何も変更していません。"), [&](TMASSAGE_FORM& f) {
        EXPECT_LE(f.width(), 800);
        EXPECT_GE(f.LABEL->x(), 0);
        EXPECT_LE(f.LABEL->geometry().right(), f.width());
        // The label is tall enough for its wrapped text, and the button is below it.
        EXPECT_GE(f.LABEL->height(), f.LABEL->heightForWidth(f.LABEL->width()));
        EXPECT_GT(f.LABEL->height(), 3 * f.LABEL->fontMetrics().height());
        EXPECT_GE(f.BitBtn1->y(), f.LABEL->geometry().bottom());
        f.BitBtn1->click();
    });
    // A short message keeps its size by the lines.
    show(TMASSAGE_FORM::Notice, QStringLiteral("登録しました。"), [](TMASSAGE_FORM& f) {
        EXPECT_EQ(f.size(), QSize(296, 142));
        f.BitBtn1->click();
    });
}

} // namespace
