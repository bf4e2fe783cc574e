#include "ExportCommand.h"
#include "DataModule.h"
#include "DatasetModel.h"
#include "ProgramState.h"
#include "QueuedConfirmation.h"
#include "SjisCodec.h"
#include "TestDb.h"
#include "TestScreen.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

class ExportCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        state.config.startDirectory = folder.programDir();
        execCommitted(conn.IBDatabase2,
                      {"insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (1,1,'内装工事')",
                       "insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (2,2,'外構')",
                       "insert into BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01) values (1,1,1,'床')",
                       "insert into BUZAI_S (CNT,BL_kubun,BM_kubun,NAME01,NAME02,TANI,KIN_01,KIN_02,B_CD) values "
                       "(1,1,1,'㈱三協 ①型','幅\"900\",奥行','枚',1000,1250,'A-1')",
                       "insert into BUZAI_S (CNT,BL_kubun,BM_kubun,NAME01) values (2,1,1,'合板～')"});
        for (Database* db : {&conn.IBDatabase3, &conn.IBDatabase4})
            db->transaction().commitAndRestart();
        for (TableDataset* ds : {&dm->IBT_dai, &dm->IBT_chu, &dm->IBT_bu})
            ds->open();
        using Col = DatasetModel::Column;
        models[Tab::Major] = std::make_unique<DatasetModel>(dm->IBT_dai, QVector<Col>{{"№", "№"}, {"NAME01", "名称"}});
        models[Tab::Middle] = std::make_unique<DatasetModel>(dm->IBT_chu, QVector<Col>{{"№", "№"}, {"NAME01", "名称"}});
        models[Tab::Member] = std::make_unique<DatasetModel>(dm->IBT_bu, QVector<Col>{{"№", "№"},
                                                                                      {"NAME01", "名称"},
                                                                                      {"NAME02", "摘要"},
                                                                                      {"KIN_01", "原　価"},
                                                                                      {"KIN_02", "単　価"},
                                                                                      {"利益率", "利益率"},
                                                                                      {"B_CD", "部材CD"}});
        command.gridModel = [this](Tab t) { return models.count(t) ? models.at(t).get() : nullptr; };
    }
    QString exported() const
    {
        QFile f(folder.file("out.csv"));
        return f.open(QIODevice::ReadOnly) ? SjisCodec::decode(f.readAll()) : QStringLiteral("<none>");
    }

    TestFolder folder;
    Connections conn;
    std::unique_ptr<TDM2> dm = connectDataModule(folder, conn);
    ProgramState state;
    TestScreen screen;
    std::map<Tab, std::unique_ptr<DatasetModel>> models;
    ExportCommand command{*dm, state, screen};
};

// Each tab asks its own question and proposes its own name; the file holds the
// grid's captions and display texts, quoted, Shift-JIS, CR LF.
TEST_F(ExportCommandTest, WritesTheActiveGridAsShown)
{
    struct Case {
        Tab tab;
        const char* question;
        const char* proposed;
        const char* file;
    };
    const Case cases[] = {
        {Tab::Major, "大項目マスターをＣＳＶファイルに変換しますか？", "大項目",
         "\"№\",\"名称\"\r\n\"1\",\"内装工事\"\r\n\"2\",\"外構\"\r\n"},
        {Tab::Middle, "中項目マスターをＣＳＶファイルに変換しますか？", "内装工事",
         "\"№\",\"名称\"\r\n\"1\",\"床\"\r\n"},
        {Tab::Member, "部材マスターをＣＳＶファイルに変換しますか？", "床",
         "\"№\",\"名称\",\"摘要\",\"原　価\",\"単　価\",\"利益率\",\"部材CD\"\r\n"
         "\"1\",\"㈱三協 ①型\",\"幅\"\"900\"\",奥行\",\"1,000\",\"1,250\",\"20.00\",\"A-1\"\r\n"
         "\"2\",\"合板～\",\"\",\"\",\"\",\"\",\"\"\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.question);
        screen.tab = c.tab;
        screen.saveShown.clear();
        screen.confirm.messages.clear();
        screen.saveAnswer = folder.file("out.csv");
        dm->IBT_dai.first();
        command.run();
        EXPECT_EQ(screen.confirm.messages, QStringList{QString::fromUtf8(c.question)});
        EXPECT_EQ(screen.saveShown, (QStringList{QDir(folder.programDir()).filePath(QString::fromUtf8(c.proposed)),
                                                 "Text File (*.csv)", "csv"}));
        EXPECT_EQ(screen.cwdWhileShown, folder.programDir());
        EXPECT_EQ(exported(), QString::fromUtf8(c.file));
    }
}

// No, Cancel, an empty grid and the unit tab write nothing; the start folder is current afterwards.
TEST_F(ExportCommandTest, WritesNothingWhenNotAsked)
{
    screen.saveAnswer = folder.file("out.csv");
    screen.confirm.answers = {Confirmation::No};
    command.run();
    EXPECT_EQ(screen.mainToolbarShown, 1);
    EXPECT_TRUE(screen.saveShown.isEmpty());

    screen.saveAnswer.clear();
    QDir::setCurrent(folder.path());
    command.run();
    EXPECT_EQ(screen.saveShown.size(), 3);
    EXPECT_EQ(QDir::currentPath(), folder.programDir());
    EXPECT_FALSE(QFile::exists(folder.file("out.csv")));

    screen.tab = Tab::Unit;
    command.run();
    execCommitted(conn.IBDatabase4, {"delete from BUZAI_S"});
    dm->IBT_bu.reopen();
    screen.tab = Tab::Member;
    command.run();
    EXPECT_EQ(screen.confirm.messages.size(), 2);
}

// A file that cannot be written is reported with its name and the reason.
TEST_F(ExportCommandTest, ReportsAFileThatCannotBeWritten)
{
    screen.saveAnswer = folder.file("missing/out.csv");
    command.run();
    ASSERT_EQ(screen.confirm.messages.size(), 2);
    EXPECT_EQ(screen.confirm.modes.last(), Confirmation::Notice);
    EXPECT_TRUE(screen.confirm.messages.last().contains(QDir::toNativeSeparators(screen.saveAnswer)));
    EXPECT_GT(screen.confirm.messages.last().split('\n').value(1).size(), 0);
}

} // namespace
