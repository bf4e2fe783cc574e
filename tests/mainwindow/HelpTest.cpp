#include "MainWindowFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

// Records what Help asked the desktop to open, answering as told.
struct OpenRecorder {
    QStringList opened;
    bool answer = true;
    std::function<bool(const QString&)> saved = TForm1::documentOpener();
    OpenRecorder()
    {
        TForm1::documentOpener() = [this](const QString& path) {
            opened << path;
            return answer;
        };
    }
    ~OpenRecorder() { TForm1::documentOpener() = saved; }
};

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("%PDF-1.4\n");
}

} // namespace

// F1 opens the document found first with the desktop's viewer; with none it says
// which file it looked for, and a viewer that fails is reported, not ignored.
TEST(HelpTest, F1OpensTheDocumentOrSaysWhy)
{
    MainWindowFixture fx;
    fx.makeProduct();
    fx.start();
    OpenRecorder viewer;
    const QStringList places = TForm1::helpDocumentPlaces(QCoreApplication::applicationFilePath());
    const QString name = QFileInfo(places.first()).fileName();
    // The build's own folders may hold a copy beside the test program; this test
    // is about the program folder.
    for (const QString& other : places.mid(1))
        if (QFileInfo::exists(other))
            GTEST_SKIP() << "a help document lies at " << other.toStdString();

    fx.ui().SB[0]->click();
    EXPECT_TRUE(viewer.opened.isEmpty());
    ASSERT_EQ(fx.confirm.messages.size(), 1);
    EXPECT_EQ(fx.confirm.messages.at(0), QStringLiteral("ヘルプファイル %1 が見つかりません。").arg(name));

    touch(fx.folder.file(QStringLiteral("PROG/") + name));
    fx.ui().SB[0]->click();
    ASSERT_EQ(viewer.opened.size(), 1);
    EXPECT_EQ(QFileInfo(viewer.opened.at(0)).canonicalFilePath(),
              QFileInfo(fx.folder.file(QStringLiteral("PROG/") + name)).canonicalFilePath());
    EXPECT_EQ(fx.confirm.messages.size(), 1);

    viewer.answer = false;
    fx.ui().SB[0]->click();
    ASSERT_EQ(fx.confirm.messages.size(), 2);
    EXPECT_TRUE(fx.confirm.messages.at(1).contains(QStringLiteral("開けませんでした")));
    fx.expectNoErrors();
}
