#include "MassageForm.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace {

// What the dialog looked like while it was shown.
struct Seen {
    QSize size;
    QRect frame;
    QRect button1, button2;
    bool visible1 = false, visible2 = false;
    bool default1 = false, default2 = false;
    QString caption1, caption2, label;
    int labelWidth = 0;
    QWidget* focus = nullptr;
};

class MassageFormTest : public ::testing::Test {
protected:
    void SetUp() override { TMASSAGE_FORM::mode = TMASSAGE_FORM::Notice; }

    // Shows the dialog modally, records it once the modal loop runs and then
    // lets `act` answer it. A dialog still open after two seconds fails the test.
    int show(int mode, const QString& message, const std::function<void(TMASSAGE_FORM&)>& act, QWidget* over = nullptr)
    {
        TMASSAGE_FORM::mode = mode;
        form.setMessage(message);
        QTimer::singleShot(0, &form, [this, act] {
            seen = record();
            act(form);
        });
        auto hung = std::make_shared<bool>(false);  // the watchdog may outlive this call
        QTimer::singleShot(2000, &form, [this, hung] {
            if (form.isVisible()) {
                *hung = true;
                form.done(0);
            }
        });
        const int result = form.showCentered(over);
        EXPECT_FALSE(*hung) << "the action did not close the dialog";
        return result;
    }

    Seen record()
    {
        Seen s;
        s.size = form.size();
        s.frame = form.geometry();
        s.button1 = form.BitBtn1->geometry();
        s.button2 = form.BitBtn2->geometry();
        s.visible1 = form.BitBtn1->isVisible();
        s.visible2 = form.BitBtn2->isVisible();
        s.default1 = form.BitBtn1->isDefault();
        s.default2 = form.BitBtn2->isDefault();
        s.caption1 = form.BitBtn1->text();
        s.caption2 = form.BitBtn2->text();
        s.label = form.LABEL->text();
        s.labelWidth = form.LABEL->width();
        s.focus = form.focusWidget();
        return s;
    }

    static void pressEnter(TMASSAGE_FORM& f)
    {
        QTest::keyClick(f.focusWidget() ? f.focusWidget() : &f, Qt::Key_Return);
    }
    static void pressEscape(TMASSAGE_FORM& f)
    {
        QTest::keyClick(f.focusWidget() ? f.focusWidget() : &f, Qt::Key_Escape);
    }

    TMASSAGE_FORM form;
    Seen seen;
};

} // namespace

TEST(MassageFormText, LineBreaksOfEveryKindCountOnce)
{
    struct Case {
        const char* text;
        int lines;
    };
    const Case cases[] = {
        {"", 0},         {"a", 1},      {"a\r\nb\r\nc", 3}, {"a\nb", 2},       {"a\rb", 2},  {"a\n\rb\n\rc", 3},
        {"a\n\nb", 3},   {"a\r\rb", 3}, {"a\r\n\r\nb", 3},  {"a\n\r\n\rb", 3}, {"a\r\n", 1}, {"\r\na", 2},
        {"a\r\n\rb", 3},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromLatin1(c.text);
        EXPECT_EQ(TMASSAGE_FORM::lineCount(text), c.lines) << QString(text).toUtf8().toPercentEncoding().constData();
        EXPECT_FALSE(TMASSAGE_FORM::displayText(text).contains(u'\r'));
        EXPECT_EQ(TMASSAGE_FORM::displayText(text).count(u'\n'), std::max(0, c.lines - 1));
    }
}

TEST_F(MassageFormTest, OneLineNoticeIsSmallWithOneCentredOk)
{
    show(0, QStringLiteral("登録しました。"), [](TMASSAGE_FORM& f) { f.BitBtn1->click(); });
    EXPECT_EQ(seen.size, QSize(296, 142));
    EXPECT_TRUE(seen.visible1);
    EXPECT_FALSE(seen.visible2);
    EXPECT_TRUE(seen.default1);
    EXPECT_EQ(seen.caption1, QStringLiteral("ＯＫ"));
    EXPECT_EQ(seen.button1, QRect(296 / 2 - 129 / 2, 142 - 31 - 50, 129, 31));
    EXPECT_EQ(seen.focus, form.BitBtn1);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("確認"));
    EXPECT_EQ(form.objectName(), QStringLiteral("MASSAGE_FORM"));
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMinMaxButtonsHint);
}

TEST_F(MassageFormTest, ThreeLinesGrowTheWindowToFitTheLongestLine)
{
    const QString longLine = QString::fromUtf8("部材マスターの単位を置き換えると過去の見積明細の単位も変わります。");
    const int result = show(0, QStringLiteral("短い行\r\n") + longLine + QStringLiteral("\r\n終わり"),
                            [](TMASSAGE_FORM& f) { pressEnter(f); });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(seen.size.height(), 3 * 22 + 120);
    EXPECT_GT(seen.size.width(), 296);
    EXPECT_EQ(seen.size.width(), seen.labelWidth + 48);
    EXPECT_GE(seen.labelWidth, form.LABEL->fontMetrics().horizontalAdvance(longLine));
    EXPECT_EQ(seen.button1.top(), seen.size.height() - 31 - 50);
}

TEST_F(MassageFormTest, WarningWrittenWithLfCrHasOneLinePerBreak)
{
    const QString warning = QString::fromUtf8("一行目\n\r二行目\n\r三行目\n\r四行目\n\r五行目");
    show(1, warning, [](TMASSAGE_FORM& f) { f.BitBtn2->click(); });
    EXPECT_EQ(seen.size.height(), 5 * 22 + 120);
    EXPECT_EQ(seen.label, QString::fromUtf8("一行目\n二行目\n三行目\n四行目\n五行目"));
}

TEST_F(MassageFormTest, QuestionShowsYesAndNoWithNoAsDefault)
{
    show(1, QStringLiteral("部材マスターを登録しますか？"), [](TMASSAGE_FORM& f) { f.BitBtn2->click(); });
    const int w = seen.size.width(), top = seen.size.height() - 31 - 50;
    EXPECT_EQ(seen.size, QSize(296, 142));
    EXPECT_TRUE(seen.visible1);
    EXPECT_TRUE(seen.visible2);
    EXPECT_EQ(seen.caption1, QStringLiteral("はい &Y"));
    EXPECT_EQ(seen.caption2, QStringLiteral("いいえ &N"));
    EXPECT_FALSE(seen.default1);
    EXPECT_TRUE(seen.default2);
    EXPECT_EQ(seen.button1, QRect(w / 2 - 129 - 4, top, 129, 31));
    EXPECT_EQ(seen.button2, QRect(w / 2, top, 129, 31));
    EXPECT_EQ(seen.focus, form.BitBtn2);
}

TEST_F(MassageFormTest, AnswersInBothModes)
{
    const auto enter = [](TMASSAGE_FORM& f) { pressEnter(f); };
    const auto escape = [](TMASSAGE_FORM& f) { pressEscape(f); };
    const auto closeBox = [](TMASSAGE_FORM& f) { f.close(); };
    const QString question = QStringLiteral("終了しますか？"), notice = QStringLiteral("登録しました。");

    EXPECT_EQ(show(1, question, enter), 2) << "Enter without moving the focus answers No";
    EXPECT_EQ(show(1, question, [](TMASSAGE_FORM& f) { f.BitBtn1->click(); }), 1);
    EXPECT_EQ(show(1, question, [](TMASSAGE_FORM& f) { f.BitBtn2->click(); }), 2);
    EXPECT_EQ(show(1, question, escape), 2);
    EXPECT_EQ(show(1, question, closeBox), 2);

    EXPECT_EQ(show(0, notice, enter), 1);
    EXPECT_EQ(show(0, notice, escape), 2);
    EXPECT_EQ(show(0, notice, closeBox), 2);
}

TEST_F(MassageFormTest, NoticeAfterQuestionRestoresTheSingleOkButton)
{
    show(1, QStringLiteral("行を削除しますか？"), [](TMASSAGE_FORM& f) { f.BitBtn2->click(); });
    EXPECT_EQ(show(0, QStringLiteral("登録しました。"), [](TMASSAGE_FORM& f) { pressEnter(f); }), 1);
    EXPECT_FALSE(seen.visible2);
    EXPECT_TRUE(seen.default1);
    EXPECT_FALSE(seen.default2);
    EXPECT_EQ(seen.caption1, QStringLiteral("ＯＫ"));
    EXPECT_EQ(seen.button1.left(), 296 / 2 - 129 / 2);
}

TEST_F(MassageFormTest, ShowsCentredOnTheMainWindow)
{
    QWidget mainWindow;
    mainWindow.setGeometry(100, 80, 1000, 700);
    mainWindow.show();
    show(
        0, QStringLiteral("登録しました。"), [](TMASSAGE_FORM& f) { f.BitBtn1->click(); }, &mainWindow);
    const QPoint offset = seen.frame.center() - mainWindow.frameGeometry().center();
    EXPECT_LE(std::abs(offset.x()), 1) << seen.frame.x();
    EXPECT_LE(std::abs(offset.y()), 1) << seen.frame.y();
}

TEST_F(MassageFormTest, ConfirmationSetsModeAndMessageForEachQuestion)
{
    MassageConfirmation confirm(form);
    QTimer::singleShot(0, &form, [this] {
        seen = record();
        form.BitBtn1->click();
    });
    EXPECT_EQ(confirm.ask(Confirmation::Question, QStringLiteral("終了しますか？")), Confirmation::Ok);
    EXPECT_TRUE(seen.visible2);
    EXPECT_EQ(seen.label, QStringLiteral("終了しますか？"));
    EXPECT_EQ(TMASSAGE_FORM::mode, 1) << "the mode stays set after the showing";

    QTimer::singleShot(0, &form, [this] {
        seen = record();
        form.close();
    });
    EXPECT_EQ(confirm.ask(Confirmation::Notice, QStringLiteral("登録しました。")), Confirmation::No);
    EXPECT_FALSE(seen.visible2);
    EXPECT_EQ(seen.label, QStringLiteral("登録しました。"));
}
