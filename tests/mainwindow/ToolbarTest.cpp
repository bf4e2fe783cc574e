#include "MainWindowFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

// Records what F1 and F9 asked the desktop to open or start, answering as told.
struct Recorder {
    std::function<bool(const QString&)>& hook;
    std::function<bool(const QString&)> saved = hook;
    QStringList asked;
    bool answer = true;
    explicit Recorder(std::function<bool(const QString&)>& h) : hook(h)
    {
        hook = [this](const QString& path) {
            asked << path;
            return answer;
        };
    }
    ~Recorder() { hook = saved; }
};

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("%PDF-1.4\n");
}

class ToolbarTest : public ::testing::Test, public MainWindowFixture {
protected:
    void SetUp() override
    {
        product(insertRows("MAS_KOUSYU_01 (CNT,BL_KUBUN,NAME01)", {"1,1,'仮設工事'"}) +
                insertRows("MAS_KOUSYU_02 (CNT,BL_KUBUN,BM_KUBUN,NAME01)", {"1,1,1,'足場'"}) +
                insertRows("LOOK_TANI (CD,NAME)", {"1,'式'"}));
        start();
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
    }
    void TearDown() override { expectNoErrors(); }
    void press(Qt::Key key)
    {
        QApplication::setActiveWindow(form.get());
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : form.get(), key);
    }
};

} // namespace

// F1 opens the document found first with the desktop's viewer; with none it says
// which file it looked for, and a viewer that fails is reported. F9 starts the
// account master beside the program, or says why it cannot.
TEST_F(ToolbarTest, F1OpensHelpAndF9StartsTheAccountMaster)
{
    const QStringList places = TForm1::helpDocumentPlaces(QCoreApplication::applicationFilePath());
    const QString help = QFileInfo(places.first()).fileName();
    // The build's own folders may hold a copy beside the test program; this test
    // is about the program folder.
    for (const QString& other : places.mid(1))
        if (QFileInfo::exists(other))
            GTEST_SKIP() << "a help document lies at " << other.toStdString();
    Recorder viewer(TForm1::documentOpener()), starter(TForm1::programStarter());
    const QString sibling = QStringLiteral("KMZ_63_48.exe");
    const struct {
        Qt::Key key;
        QString file; // made before the key, when not empty
        bool answer;
        Recorder& recorder;
        QString notice; // empty: none
    } cases[] = {
        {Qt::Key_F1, {}, true, viewer, QStringLiteral("ヘルプファイル %1 が見つかりません。").arg(help)},
        {Qt::Key_F1, help, true, viewer, {}},
        {Qt::Key_F1, help, false, viewer, QStringLiteral("開けませんでした")},
        {Qt::Key_F9, {}, true, starter, QStringLiteral("科目マスターのプログラム %1 が見つかりません。").arg(sibling)},
        {Qt::Key_F9, sibling, true, starter, {}},
        {Qt::Key_F9, sibling, false, starter, QStringLiteral("%1 を起動できませんでした。").arg(sibling)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.notice.toStdString());
        if (!c.file.isEmpty())
            touch(folder.file(QStringLiteral("PROG/") + c.file));
        c.recorder.answer = c.answer;
        c.recorder.asked.clear();
        confirm.messages.clear();
        press(c.key);
        if (c.file.isEmpty()) {
            EXPECT_TRUE(c.recorder.asked.isEmpty());
        } else {
            ASSERT_EQ(c.recorder.asked.size(), 1);
            EXPECT_EQ(QFileInfo(c.recorder.asked.at(0)).canonicalFilePath(),
                      QFileInfo(folder.file(QStringLiteral("PROG/") + c.file)).canonicalFilePath());
        }
        if (c.notice.isEmpty())
            EXPECT_TRUE(confirm.messages.isEmpty());
        else
            EXPECT_TRUE(confirm.messages.size() == 1 && confirm.messages.at(0).contains(c.notice))
                << confirm.messages.join("|").toStdString();
    }
}

// Each tab shows its own captions and enables its own maintenance buttons;
// leaving the unit tab takes 仕上処理 away again. The fixed captions stay.
TEST_F(ToolbarTest, EachTabSetsItsCaptionsAndEnabledStates)
{
    const struct {
        Tab tab;
        const char* captions; // SB05 SB06 SB07 SB08 SB10 SB11 SBS_01 SBS_02 SBS_05 SBS_09 SBS_10 SBS_12
        bool sbs11, sbs12;    // enabled
    } cases[] = {
        {Tab::Major, "|切　取|貼　付||ﾌｧｲﾙ出力|||||||", true, true},
        {Tab::Middle, "|切　取|貼　付||ﾌｧｲﾙ出力|||||||", false, false},
        {Tab::Member, "コピー|切　取|貼　付|前行ｺﾋﾟｰ|ﾌｧｲﾙ出力|ﾌｧｲﾙ取込|置　換|修　正||||", false, false},
        {Tab::Unit, "||||||置　換|||||仕上処理", false, true},
        {Tab::Member, "コピー|切　取|貼　付|前行ｺﾋﾟｰ|ﾌｧｲﾙ出力|ﾌｧｲﾙ取込|置　換|修　正||||", false, false},
        {Tab::Unit, "||||||置　換|||||仕上処理", false, true},
        {Tab::Major, "|切　取|貼　付||ﾌｧｲﾙ出力|||||||", true, true},
    };
    Form1Widgets& w = ui();
    QToolButton* const shown[] = {w.SB[4],  w.SB[5],  w.SB[6],  w.SB[7],  w.SB[9],  w.SB[10],
                                  w.SBS[0], w.SBS[1], w.SBS[4], w.SBS[8], w.SBS[9], w.SBS[11]};
    for (const auto& c : cases) {
        form->showTab(c.tab);
        QStringList captions;
        for (QToolButton* b : shown)
            captions << b->text();
        EXPECT_EQ(captions.join('|'), QString::fromUtf8(c.captions)) << int(c.tab);
        EXPECT_EQ(w.SBS[10]->isEnabled(), c.sbs11) << int(c.tab);
        EXPECT_EQ(w.SBS[11]->isEnabled(), c.sbs12) << int(c.tab);
        QStringList fixed;
        for (int i : {0, 2, 3, 8, 11})
            fixed << w.SB[i]->text();
        EXPECT_EQ(fixed.join('|'), "Ｈｅｌｐ|登　録|挿　入|科目ﾏｽﾀｰ|終　了");
    }
}
