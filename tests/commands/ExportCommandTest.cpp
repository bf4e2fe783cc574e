#include "ExportCommand.h"
#include "DatasetModel.h"
#include "SjisCodec.h"
#include "WorkRig.h"

#include <QFile>

#include <gtest/gtest.h>

#include <optional>

namespace {

// The member grid with two columns; the other grids' files come from the same writer.
class ExportCommandTest : public ::testing::Test, public WorkRig<> {
protected:
    ExportCommand command{*dm, state, screen};
    std::optional<DatasetModel> model;

    void SetUp() override
    {
        state.config.startDirectory = folder.programDir();
        work(inserts("BUZAI_S (CNT,BL_kubun,BM_kubun,NAME01)", {"1,1,1,'㈱三協 ①型'", "2,1,1,'合板～'"}));
        dm->IBT_bu.open();
        model.emplace(dm->IBT_bu, QVector<DatasetModel::Column>{{"№", "№"}, {"NAME01", "名称"}});
        command.gridModel = [this](Tab t) { return t == Tab::Member ? &*model : nullptr; };
    }
};

// No, Cancel, an unwritable file, the unit tab and an empty grid write nothing,
// and only the unwritable file is reported; yes writes the grid as shown.
TEST_F(ExportCommandTest, WritesTheGridOnlyWhenAskedAndAble)
{
    const QString out = folder.file("out.csv");
    screen.saveAnswer = out;
    screen.confirm.answers = {Confirmation::No};
    command.run();
    screen.saveAnswer.clear();
    command.run();
    EXPECT_FALSE(QFile::exists(out));
    screen.saveAnswer = folder.file("missing/out.csv");
    command.run();
    ASSERT_EQ(screen.confirm.messages.size(), 4);
    EXPECT_EQ(screen.confirm.modes.last(), Confirmation::Notice);

    screen.saveAnswer = out;
    screen.tab = Tab::Unit;
    command.run();
    screen.tab = Tab::Member;
    command.run();
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(SjisCodec::decode(file.readAll()), "\"№\",\"名称\"\r\n\"1\",\"㈱三協 ①型\"\r\n\"2\",\"合板～\"\r\n");
    execCommitted(conn.IBDatabase4, {"delete from BUZAI_S"});
    dm->IBT_bu.reopen();
    command.run();
    EXPECT_EQ(screen.confirm.messages.size(), 5);
}

} // namespace
