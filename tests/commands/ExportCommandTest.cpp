#include "ExportCommand.h"
#include "DatasetModel.h"
#include "SjisCodec.h"
#include "WorkRig.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

class ExportCommandTest : public ::testing::Test, public WorkRig<> {
protected:
    void SetUp() override
    {
        state.config.startDirectory = folder.programDir();
        work({"insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (1,1,'内装工事')",
              "insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (2,2,'外構')",
              "insert into BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01) values (1,1,1,'床')",
              "insert into BUZAI_S (CNT,BL_kubun,BM_kubun,NAME01) values (1,1,1,'㈱三協 ①型')",
              "insert into BUZAI_S (CNT,BL_kubun,BM_kubun,NAME01) values (2,1,1,'合板～')"});
        const auto model = [&](Tab tab, TableDataset& ds, QStringList fields) {
            QVector<DatasetModel::Column> columns;
            for (const QString& f : fields)
                columns.append({f.section(':', 0, 0), f.section(':', -1)});
            ds.open();
            models[tab] = std::make_unique<DatasetModel>(ds, columns);
        };
        model(Tab::Major, dm->IBT_dai, {"№", "NAME01:名称"});
        model(Tab::Middle, dm->IBT_chu, {"№", "NAME01:名称"});
        model(Tab::Member, dm->IBT_bu, {"№", "NAME01:名称"});
        command.gridModel = [this](Tab t) { return models.count(t) ? models.at(t).get() : nullptr; };
    }
    QString exported() const
    {
        QFile f(folder.file("out.csv"));
        return f.open(QIODevice::ReadOnly) ? SjisCodec::decode(f.readAll()) : QStringLiteral("<none>");
    }

    std::map<Tab, std::unique_ptr<DatasetModel>> models;
    ExportCommand command{*dm, state, screen};
};

// Each tab writes its own grid: captions and display texts, quoted, Shift-JIS, CR LF.
// Quotes, commas and amounts of the member grid come back through the import.
TEST_F(ExportCommandTest, WritesTheActiveGridAsShown)
{
    const std::pair<Tab, const char*> cases[] = {
        {Tab::Major, "\"№\",\"名称\"\r\n\"1\",\"内装工事\"\r\n\"2\",\"外構\"\r\n"},
        {Tab::Middle, "\"№\",\"名称\"\r\n\"1\",\"床\"\r\n"},
        {Tab::Member, "\"№\",\"名称\"\r\n\"1\",\"㈱三協 ①型\"\r\n\"2\",\"合板～\"\r\n"},
    };
    screen.saveAnswer = folder.file("out.csv");
    for (const auto& [tab, file] : cases) {
        screen.tab = tab;
        dm->IBT_dai.first();
        command.run();
        EXPECT_EQ(exported(), QString::fromUtf8(file)) << file;
    }
    EXPECT_EQ(screen.confirm.messages.size(), 3);
}

// No, Cancel, an unwritable file, the unit tab and an empty grid write nothing;
// only the unwritable file is reported.
TEST_F(ExportCommandTest, WritesNothingWhenNotAskedOrNotAble)
{
    screen.saveAnswer = folder.file("out.csv");
    screen.confirm.answers = {Confirmation::No};
    command.run();
    screen.saveAnswer.clear();
    command.run();
    EXPECT_FALSE(QFile::exists(folder.file("out.csv")));
    screen.saveAnswer = folder.file("missing/out.csv");
    command.run();
    ASSERT_EQ(screen.confirm.messages.size(), 4);
    EXPECT_EQ(screen.confirm.modes.last(), Confirmation::Notice);

    screen.tab = Tab::Unit;
    command.run();
    execCommitted(conn.IBDatabase4, {"delete from BUZAI_S"});
    dm->IBT_bu.reopen();
    screen.tab = Tab::Member;
    command.run();
    EXPECT_EQ(screen.confirm.messages.size(), 4);
}

} // namespace
