#include "ImportRig.h"

#include "DatasetModel.h"
#include "DbError.h"
#include "ExportCommand.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

const QString kFiveColumns = QStringLiteral("名称,摘要,単位,単価,原価\r\n"
                                            "合板,\"9mm,910幅\",枚,\"1,234\",▲500\r\n"
                                            "釘,,箱,,\r\n");

class MemberImportTest : public ::testing::Test, public ImportRig {};

// Titles give codes 2, 3, 4, 7, 8 and the second line the examples; every data
// line becomes a row with quoted commas, "▲" minus, empty amounts 0 and empty
// texts NULL; the rows go in front of nothing into an empty member list at 0, 1, 2.
TEST_F(MemberImportTest, ImportsThroughTheTitleMapping)
{
    members({});
    import(writeSjis("in.csv", kFiveColumns));
    QStringList mapping;
    for (const auto& c : dialog.columns())
        mapping << QStringLiteral("%1 %2 %3 %4").arg(c.number).arg(c.title, c.example).arg(c.code.value_or(0));
    EXPECT_EQ(mapping,
              (QStringList{"1 名称 合板 2", "2 摘要 9mm,910幅 3", "3 単位 枚 4", "4 単価 1,234 7", "5 原価 ▲500 8"}));
    EXPECT_EQ(handedOff(), (QStringList{"合板|9mm,910幅|枚|1234|-500", "釘|∅|箱|0|0"}));
    EXPECT_EQ(rows("select CNT,NAME01,NAME02,TANI,KIN_02,KIN_01 from BUZAI_S order by CNT"),
              (QStringList{"0|合板|9mm,910幅|枚|1234|-500", "1|釘|∅|箱|0|0"}));
    EXPECT_EQ(dialog.recordLabel(), QStringLiteral("レコード№=0/2"));
    EXPECT_TRUE(QFile::exists(folder.file("LOCAL/TREVOLAN_M.fdb")));
    // A scratch file: its commits do not wait for the disk.
    EXPECT_EQ(rowsOf(dialog.importDatabase(), "select MON$FORCED_WRITES from MON$DATABASE"), QStringList{"0"});
    EXPECT_TRUE(QFile::exists(folder.file("PROG/mitu_con.txt")));
    EXPECT_EQ(dialog.recordCounter(), 3);
    EXPECT_TRUE(screen.confirm.messages.startsWith(QStringLiteral("ＣＳＶ形式で保存されたデータを読み込みますか？")));
}

// The same file with TABs, or as Excel's "CSV UTF-8", gives the same rows.
TEST_F(MemberImportTest, TabAndUtf8FilesGiveTheSameRows)
{
    import(writeSjis("in.csv", kFiveColumns));
    const QStringList comma = handedOff();
    QString tabs = kFiveColumns;
    tabs.replace(QStringLiteral(",\"9mm,910幅\","), QStringLiteral("\t9mm,910幅\t"));
    tabs.replace(',', '\t');
    tabs.replace(QStringLiteral("9mm\t910幅"), QStringLiteral("\"9mm,910幅\""));
    tabs.replace(QStringLiteral("\t1\t234\t"), QStringLiteral("\t\"1,234\"\t"));
    import(writeSjis("in.txt", tabs));
    EXPECT_EQ(handedOff(), comma);
    import(writeFile("utf8.csv", "\xEF\xBB\xBF" + kFiveColumns.toUtf8()));
    EXPECT_EQ(handedOff(), comma);
}

// A short line, an unreadable amount or a value too long for its column drops
// that line alone; "先頭もデーター" imports the title line too, unless an amount
// of it cannot be read.
TEST_F(MemberImportTest, DropsOnlyTheLinesThatFail)
{
    const QString file = QStringLiteral(
        "名称,単位,単価\r\nA,本,1\r\nB\r\nC,本,x\r\nD,本 ABCDEFGHIJKLMNOP,3\r\nF,ABCDEFGHIJKLMNOP,3\r\nE,本,5\r\n");
    import(writeSjis("in.csv", file));
    // The unit box wraps "本 ABC…" after 本 and cuts F's unit to 14 letters, too long for its column.
    EXPECT_EQ(handedOff("NAME01,TAN"), (QStringList{"A|本", "D|本", "E|本"}));
    dialog.titleIsData = true;
    import(writeSjis("in.csv", file));
    EXPECT_EQ(handedOff("NAME01"), (QStringList{"A", "D", "E"}));
    inDialog = [this] {
        dialog.setCode(3, std::nullopt);
        dialog.importRows();
    };
    import(writeSjis("in.csv", file));
    EXPECT_EQ(handedOff("NAME01"), (QStringList{"名称", "A", "C", "D", "E"}));
}

// With no column mapped every data line still becomes a blank member row.
TEST_F(MemberImportTest, NoMappedColumnGivesBlankRows)
{
    members({"X"});
    inDialog = [this] {
        for (int c = 1; c <= 5; ++c)
            dialog.setCode(c, c == 1 ? std::optional<int>(1) : std::nullopt);
        dialog.importRows();
    };
    import(writeSjis("in.csv", kFiveColumns));
    EXPECT_EQ(memberNames(), (QStringList{"1|", "2|", "10001|X"}));
}

// The mapping saved in the product database comes back for the next file; a
// column without code is saved as 0.
TEST_F(MemberImportTest, SavesAndRecallsTheMapping)
{
    inDialog = [this] {
        dialog.setCode(1, 3);
        dialog.setCode(2, std::nullopt);
        dialog.saveMapping();
    };
    import(writeSjis("in.csv", kFiveColumns));
    EXPECT_EQ(columnValues(conn.IBDatabase1, "select CD2 from CMV_M order by CD", "CD2"),
              (QStringList{"3", "0", "4", "7", "8"}));
    inDialog = [this] {
        dialog.loadMapping();
        dialog.importRows();
    };
    import(writeSjis("in.csv", kFiveColumns));
    EXPECT_EQ(handedOff("NAME01,NAME02,KIN_02"), (QStringList{"∅|合板|1234", "∅|釘|0"}));
}

// The arrows show the other lines of the work copy as examples.
TEST_F(MemberImportTest, ArrowsBrowseTheWorkCopy)
{
    inDialog = [this] {
        dialog.browse(+1);
        EXPECT_EQ(dialog.recordLabel(), QStringLiteral("レコード№=2/2"));
        EXPECT_EQ(dialog.columns().value(0).example, QStringLiteral("釘"));
        EXPECT_EQ(dialog.columns().value(1).example, QString());
        dialog.browse(+1);
        EXPECT_EQ(dialog.recordCounter(), 3);
        dialog.browse(-1);
        dialog.browse(-1);
        EXPECT_EQ(dialog.recordLabel(), QStringLiteral("レコード№=1/2"));
        EXPECT_EQ(dialog.columns().value(1).example, QStringLiteral("9mm,910幅"));
    };
    import(writeSjis("in.csv", kFiveColumns));
}

// The imported rows land in front of the current row, the rest keeps its order;
// 10,001 rows do not meet the rows behind them.
TEST_F(MemberImportTest, HandsOffInFrontOfTheCurrentRow)
{
    members({"A", "B", "C"});
    dm->IBT_bu.setRecNo(2);
    import(writeSjis("in.csv", kFiveColumns));
    EXPECT_EQ(memberNames(), (QStringList{"1|A", "2|合板", "3|釘", "10002|B", "10003|C"}));
    EXPECT_EQ(dm->IBT_bu.recNo(), 2);

    members({"A", "B", "C"});
    dm->IBT_bu.setRecNo(2);
    execCommitted(conn.IBDatabase4,
                  {"create table DIGITS (N integer)", "COMMIT", "insert into DIGITS select 0 from rdb$database",
                   "insert into DIGITS select N+1 from DIGITS", "insert into DIGITS select N+2 from DIGITS",
                   "insert into DIGITS select N+4 from DIGITS",
                   "insert into DIGITS select N+8 from DIGITS where N+8<10", "delete from BUSAI_SEL",
                   "insert into BUSAI_SEL (CNT,NAME01) select a.N+10*b.N+100*c.N+1000*d.N+10000*e.N+1, "
                   "'R'||(a.N+10*b.N+100*c.N+1000*d.N+10000*e.N+1) from DIGITS a,DIGITS b,DIGITS c,DIGITS d,DIGITS e "
                   "where e.N<=1 and a.N+10*b.N+100*c.N+1000*d.N+10000*e.N<10001"});
    command.handOff(2, 2);
    const QStringList list = memberNames();
    ASSERT_EQ(list.size(), 10004);
    EXPECT_EQ(list.mid(0, 3), (QStringList{"1|A", "2|R1", "3|R2"}));
    EXPECT_EQ(list.mid(10001, 3), (QStringList{"10002|R10001", "10005|B", "10006|C"}));
    EXPECT_GE(screen.progressStarts, 1);
    EXPECT_EQ(screen.progressStarts, screen.progressFinishes);
}

// An error while handing off leaves the member list as it was; a unit longer
// than the member column holds is cut, not an error.
TEST_F(MemberImportTest, HandOffIsAllOrNothing)
{
    members({"A", "B"});
    execCommitted(conn.IBDatabase4,
                  {"create exception E_HANDOFF 'refused'",
                   "create trigger T_HANDOFF for BUZAI_S before insert as begin "
                   "if (new.NAME01 = 'N2') then exception E_HANDOFF; end",
                   "delete from BUSAI_SEL", "insert into BUSAI_SEL (CNT,NAME01,TAN) values (1,'N1','1234567')",
                   "insert into BUSAI_SEL (CNT,NAME01) values (2,'N2')"});
    EXPECT_THROW(command.handOff(1, 1), DbError);
    EXPECT_EQ(memberNames(), (QStringList{"1|A", "2|B"}));
    EXPECT_TRUE(dm->IBT_bu.active());
    EXPECT_EQ(dm->IBT_bu.recordCount(), 2);

    execCommitted(conn.IBDatabase4, {"delete from BUSAI_SEL where NAME01='N2'"});
    command.handOff(1, 1);
    EXPECT_EQ(columnValues(conn.IBDatabase4, "select TANI from BUZAI_S where NAME01='N1'", "TANI"),
              QStringList{"123456"});
}

// Files that are not member lists get a message and change nothing, or give
// the rows that can be read; never a crash or a half-imported list.
TEST_F(MemberImportTest, BadFiles)
{
    members({"A"});
    const QString longLine = QStringLiteral("名称\r\n") + QString(100000, 'x') + QStringLiteral(",1\r\n");
    QString wide;
    for (int c = 0; c < 200; ++c)
        wide += (c ? "," : "") + QStringLiteral("名称");
    wide += QStringLiteral("\r\n") + QStringLiteral("a,").repeated(199) + QStringLiteral("a\r\n");
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* message; // empty: imported
        int rows;
    };
    const Case cases[] = {
        {"empty.csv", {}, "データーがありません", 0},
        {"binary.csv", QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), "テキストファイルではありません", 0},
        {"badsjis.csv", SjisCodec::encode(QStringLiteral("名称\r\n板\r\n")) + QByteArray("\x81\x7F"), "3行目", 0},
        {"title.csv", SjisCodec::encode(QStringLiteral("名称,単価\r\n")), "", 0},
        {"long.csv", SjisCodec::encode(longLine), "", 0}, // 100,000 half-width letters do not fit a column
        {"wide.csv", SjisCodec::encode(wide), "", 1},
        {"quotes.csv", SjisCodec::encode(QStringLiteral("名称\r\n\"板,12\r\n")), "", 1}, // the rest of the line
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        screen.confirm.messages.clear();
        execCommitted(conn.IBDatabase4, {"delete from BUSAI_SEL"});
        members({"A"});
        import(writeFile(c.name, c.bytes));
        const QString message = QString::fromUtf8(c.message);
        if (message.isEmpty()) {
            EXPECT_EQ(screen.confirm.messages.size(), 1);
            EXPECT_EQ(handedOff("NAME01").size(), c.rows);
            EXPECT_EQ(memberNames().size(), 1 + c.rows);
        } else {
            ASSERT_EQ(screen.confirm.messages.size(), 2);
            EXPECT_TRUE(screen.confirm.messages.last().contains(message))
                << screen.confirm.messages.last().toStdString();
            EXPECT_EQ(memberNames(), QStringList{"1|A"});
        }
    }
}

// More than 1,000 lines show the progress bar while they are read and handed off.
TEST_F(MemberImportTest, LongFilesShowProgress)
{
    QString file = QStringLiteral("名称,単価\r\n");
    for (int i = 1; i <= 1200; ++i)
        file += QStringLiteral("部材%1,%1\r\n").arg(i);
    import(writeSjis("in.csv", file));
    EXPECT_EQ(handedOff("NAME01").size(), 1200);
    EXPECT_EQ(screen.progressStarts, 2);
    EXPECT_EQ(screen.progressFinishes, 2);
    EXPECT_GE(screen.progressSteps, 2400);
}

// A member grid exported and imported again keeps names with ㈱, ①, ～, commas
// and quotes, and the amounts as the grid showed them.
TEST_F(MemberImportTest, ExportedGridImportsAgain)
{
    const QStringList names{"㈱三協 ①型", "幅\"900\",奥行", "波～板"};
    dm->IBT_bu.close();
    QStringList s{"delete from BUZAI_S"};
    for (int i = 0; i < names.size(); ++i)
        s << QStringLiteral("insert into BUZAI_S (CNT,BL_kubun,BM_kubun,NAME01,NAME02,TANI,KIN_01,KIN_02,NAME03,B_CD,"
                            "KU_KAMOKU) values (%1,1,1,'%2','摘,要%1','枚',%3,%4,'備\"考','B-%1',%1)")
                 .arg(i + 1)
                 .arg(names.at(i))
                 .arg((i + 1) * 1000)
                 .arg((i + 1) * 1000 + 234);
    execCommitted(conn.IBDatabase4, s);
    dm->IBT_bu.open();
    DatasetModel model(dm->IBT_bu, {{"№", "№"},
                                    {"NAME01", "名称"},
                                    {"NAME02", "摘要"},
                                    {"TANI", "単位"},
                                    {"KIN_01", "原　価"},
                                    {"KIN_02", "単　価"},
                                    {"利益率", "利益率"},
                                    {"NAME03", "備考"},
                                    {"KU_KAMOKU", "科目"},
                                    {"B_CD", "部材CD"}});
    TestScreen saving;
    const QString path = saving.saveAnswer = folder.file("grid.csv");
    ExportCommand exporter(*dm, state, saving);
    exporter.gridModel = [&](Tab) { return &model; };
    exporter.run();
    ASSERT_TRUE(QFile::exists(path));
    members({});
    import(path);
    EXPECT_EQ(rows("select CNT,NAME01,NAME02,TANI,KIN_01,KIN_02,NAME03,KU_KAMOKU,B_CD from BUZAI_S order by CNT"),
              (QStringList{"0|㈱三協 ①型|摘,要1|枚|1000|1234|備\"考|1|B-1",
                           "1|幅\"900\",奥行|摘,要2|枚|2000|2234|備\"考|2|B-2",
                           "2|波～板|摘,要3|枚|3000|3234|備\"考|3|B-3"}));
}

} // namespace
