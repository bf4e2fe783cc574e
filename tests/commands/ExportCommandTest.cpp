#include "ExportCommand.h"
#include "DatasetModel.h"
#include "GridExport.h"
#include "WorkRig.h"

#include <QFile>
#include <QStandardItemModel>
#include <QTemporaryDir>

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
    using Outcome = ExportCommand::Outcome;
    screen.confirm.answers = {Confirmation::No};
    EXPECT_EQ(command.run(), Outcome::Declined);
    screen.saveAnswer.clear();
    EXPECT_EQ(command.run(), Outcome::NotWritten); // a list kept for a file must not be given up
    EXPECT_FALSE(QFile::exists(out));
    screen.saveAnswer = folder.file("missing/out.csv");
    EXPECT_EQ(command.run(), Outcome::NotWritten);
    ASSERT_EQ(screen.confirm.messages.size(), 4);

    screen.saveAnswer = out;
    screen.tab = Tab::Unit;
    EXPECT_EQ(command.run(), Outcome::Declined);
    screen.tab = Tab::Member;
    EXPECT_EQ(command.run(), Outcome::Written);
    EXPECT_TRUE(QFile::exists(out)); // its bytes are checked on the writer below, its texts by the import
    execCommitted(conn.IBDatabase4, {"delete from BUZAI_S"});
    dm->IBT_bu.reopen();
    command.run();
    EXPECT_EQ(screen.confirm.messages.size(), 5);
}

// The grid of `rows` under the titles № 名称 単価, written with `hidden` columns.
QByteArray exported(const QList<QStringList>& rows, const QVector<bool>& hidden = {})
{
    QStandardItemModel model;
    model.setHorizontalHeaderLabels({QStringLiteral("№"), QStringLiteral("名称"), QStringLiteral("単価")});
    for (const QStringList& texts : rows) {
        QList<QStandardItem*> items;
        for (const QString& t : texts)
            items << new QStandardItem(t);
        model.appendRow(items);
    }
    QTemporaryDir dir;
    EXPECT_TRUE(writeGridExport(dir.filePath("out.csv"), model, hidden));
    QFile file(dir.filePath("out.csv"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// Shift-JIS: № 8782, 名称 96BC 8FCC, 単価 9250 89BF, ㈱ 878A, 板 94C2, 厚 8CFA, 漢 8ABF.
TEST(GridExportTest, QuotedShiftJisWithDoubledQuotesAndCrLfWhateverIsHidden)
{
    const QList<QStringList> rows{{"1", "㈱A\\B", "1200"}, {"2", "3\"板,厚", ""}};
    const QByteArray all = "\"\x87\x82\",\"\x96\xbc\x8f\xcc\",\"\x92\x50\x89\xbf\"\r\n"
                           "\"1\",\"\x87\x8a"
                           "A\\B\",\"1200\"\r\n"
                           "\"2\",\"3\"\"\x94\xc2,\x8c\xfa\",\"\"\r\n";
    EXPECT_EQ(all, exported(rows));
    EXPECT_EQ(QByteArray("\"\x87\x82\",\"\x92\x50\x89\xbf\"\r\n\"1\",\"1200\"\r\n\"2\",\"\"\r\n"),
              exported(rows, {false, true, false}));
    // A hidden first column still leaves its separator.
    EXPECT_EQ(QByteArray(all).replace("\"\x87\x82\",", ",").replace("\"1\",", ",").replace("\"2\",", ","),
              exported(rows, {true, false, false}));
    // Long lines are not cut.
    EXPECT_TRUE(exported({{"3", QString(3000, QChar(0x6f22)), "9"}})
                    .contains(QByteArray("\x8a\xbf").repeated(3000) + "\",\"9\"\r\n"));
}

} // namespace
