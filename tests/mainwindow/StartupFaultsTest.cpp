#include "DbError.h"
#include "MainWindowFixture.h"

// A local installation with a missing or unusable database: the window names the
// file that failed and why, at start and when a tab is shown again; NET.TXT,
// which the installation does not have, is not blamed.
class StartupFaultsTest : public ::testing::Test, public MainWindowFixture {
protected:
    // The user's part of each error shown so far.
    QStringList shown() const
    {
        QStringList out;
        for (const QString& e : errors)
            out << DbError::splitDetails(e).first;
        return out;
    }
    void expectAllSay(const QString& text)
    {
        ASSERT_FALSE(errors.isEmpty());
        for (const QString& s : shown()) {
            EXPECT_TRUE(s.contains(text)) << s.toStdString();
            EXPECT_FALSE(s.contains(QStringLiteral("NET.TXT の 1 行目（"))) << s.toStdString();
        }
    }
};

TEST_F(StartupFaultsTest, AMissingProductDatabaseIsNamed)
{
    start();
    expectAllSay(QStringLiteral("TREVOLAN.FDB」がありません。"));
    EXPECT_TRUE(shown().first().startsWith(QStringLiteral("製品データベース「"))) << shown().first().toStdString();
    const qsizetype before = errors.size();
    form->showTab(Tab::Middle);
    EXPECT_GT(errors.size(), before);
    expectAllSay(QStringLiteral("TREVOLAN.FDB」がありません。"));
}

TEST_F(StartupFaultsTest, ADamagedWorkDatabaseIsNamedWithWhatToDo)
{
    product({});
    QDir(folder.path()).mkpath(QStringLiteral("LOCAL"));
    QFile junk(folder.file(QStringLiteral("LOCAL/MAS_MENT.fdb")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(40000, '\x5c'));
    junk.close();
    start();
    expectAllSay(QStringLiteral("作業用データベース「"));
    expectAllSay(QStringLiteral("削除してプログラムを起動し直すと"));
}
