#include "MemberImport.h"
#include "BZAI_CMV.h"
#include "DatasetModel.h"
#include "DbError.h"
#include "ExportCommand.h"
#include "ImportCommand.h"
#include "Schema.h"
#include "SjisCodec.h"
#include "WorkRig.h"

#include <QFile>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The import command and the dialog's work, wired as the window wires them.
// `inDialog` is what the user does while the dialog is open; by default: start the import.
class MemberImportTest : public ::testing::Test, public WorkRig<> {
protected:
    ImportCommand command{*dm, state, screen};
    MemberImport& dialog = command.work();
    std::function<void()> inDialog = [this] { dialog.importRows(); };

    MemberImportTest()
    {
        state.config.startDirectory = folder.programDir();
        command.showDialog = [this] {
            dialog.show();
            inDialog();
            dialog.close();
        };
        work({Schema::createWorkTableSql(QStringLiteral("BUSAI_SEL"))});
        dm->IBT_bu.open();
    }

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(folder.file(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    }
    QString writeSjis(const QString& name, const QString& text) { return writeFile(name, SjisCodec::encode(text)); }
    // The import command on `path`, answering yes.
    void import(const QString& path)
    {
        screen.openAnswers = {path};
        command.run();
    }
    // Members with positions 1…n named by `names`.
    void members(const QStringList& names)
    {
        QStringList values;
        for (const QString& n : names)
            values << QStringLiteral("%1,1,1,'%2'").arg(values.size() + 1).arg(n);
        dm->IBT_bu.close();
        conn.IBTransaction4().commitAndRestart();
        execCommitted(conn.IBDatabase4,
                      QStringList{"delete from BUZAI_S"} + inserts("BUZAI_S (CNT,BL_kubun,BM_kubun,NAME01)", values));
        dm->IBT_bu.open();
    }
    QStringList memberNames() { return workRows("select CNT, coalesce(NAME01,'') from BUZAI_S order by CNT"); }
    // The member grid as it shows the list.
    QStringList gridNames()
    {
        QStringList rows;
        for (int r = 0; r < dm->IBT_bu.recordCount(); ++r)
            rows << valueText(dm->IBT_bu.valueAt(r, "CNT")) + '|' + valueText(dm->IBT_bu.valueAt(r, "NAME01"));
        return rows;
    }
    QStringList handedOff(const QString& columns = "NAME01,NAME02,TAN,KIN_02,KIN_01")
    {
        return workRows(QStringLiteral("select %1 from BUSAI_SEL order by CNT").arg(columns));
    }
};

const QString kFiveColumns = QStringLiteral("名称,摘要,単位,単価,原価\r\n"
                                            "合板,\"9mm,910幅\",枚,\"1,234\",▲500\r\n"
                                            "釘,,箱,,\r\n");

// Titles give codes 2, 3, 4, 7, 8 (each field lands in its column). Every data
// line becomes a row with quoted commas, "▲" minus, empty amounts 0 and empty
// texts NULL, in an empty member list at 0, 1. Tab and UTF-8 files give the same rows.
TEST_F(MemberImportTest, ImportsThroughTheTitleMapping)
{
    members({});
    import(writeSjis("in.csv", kFiveColumns));
    EXPECT_EQ(workRows("select CNT,NAME01,NAME02,TANI,KIN_02,KIN_01 from BUZAI_S order by CNT"),
              (QStringList{"0|合板|9mm,910幅|枚|1234|-500", "1|釘|∅|箱|0|0"}));
    const QStringList comma = handedOff();
    import(writeSjis("in.txt", QString(kFiveColumns).replace(',', '\t')));
    EXPECT_EQ(handedOff(), comma);
    import(writeFile("utf8.csv", "\xEF\xBB\xBF" + kFiveColumns.toUtf8()));
    EXPECT_EQ(handedOff(), comma);
}

// A short line, an unreadable amount or a value too long for its column drops
// that line alone; "先頭もデーター" imports the title line too (its amounts would fail
// like C's, so the amount column is left out).
TEST_F(MemberImportTest, DropsOnlyTheLinesThatFail)
{
    const QString file = QStringLiteral(
        "名称,単位,単価\r\nA,本,1\r\nB\r\nC,本,x\r\nD,本 ABCDEFGHIJKLMNOP,3\r\nF,ABCDEFGHIJKLMNOP,3\r\nE,本,5\r\n");
    import(writeSjis("in.csv", file));
    // The unit box wraps "本 ABC…" after 本 and cuts F's unit to 14 letters, too long for its column.
    EXPECT_EQ(handedOff("NAME01,TAN"), (QStringList{"A|本", "D|本", "E|本"}));
    dialog.titleIsData = true;
    inDialog = [this] {
        dialog.setCode(3, std::nullopt);
        dialog.importRows();
    };
    import(writeSjis("in.csv", file));
    EXPECT_EQ(handedOff("NAME01"), (QStringList{"名称", "A", "C", "D", "E"}));
}

// The arrows show the lines of the file at hand, from its first data line, even
// after a longer file was imported (the old position lay past this file's end).
TEST_F(MemberImportTest, ArrowsBrowseTheLinesOfThisFile)
{
    QString ten = QStringLiteral("名称\r\n");
    for (int i = 1; i <= 10; ++i)
        ten += QStringLiteral("L%1\r\n").arg(i);
    import(writeSjis("ten.csv", ten));
    QStringList seen;
    inDialog = [this, &seen] {
        for (int step : {-1, +1, +1, +1, -1}) {
            dialog.browse(step);
            seen << dialog.recordLabel() + ' ' + dialog.columns().value(0).example;
        }
    };
    import(writeSjis("three.csv", QStringLiteral("名称\r\nA\r\nB\r\nC\r\n")));
    EXPECT_EQ(seen, (QStringList{"レコード№=1/3 A", "レコード№=2/3 B", "レコード№=3/3 C", "レコード№=3/3 C",
                                 "レコード№=2/3 B"}));
}

// The mapping saved in the product database, a column without code as 0, comes
// back for the next file. With no column mapped every line still becomes a blank row.
TEST_F(MemberImportTest, SavesAndRecallsTheMapping)
{
    inDialog = [this] {
        dialog.setCode(1, 3);
        dialog.setCode(2, std::nullopt);
        dialog.saveMapping();
    };
    import(writeSjis("in.csv", kFiveColumns));
    inDialog = [this] {
        dialog.loadMapping();
        dialog.importRows();
    };
    import(writeSjis("in.csv", kFiveColumns));
    EXPECT_EQ(handedOff("NAME01,NAME02,KIN_02"), (QStringList{"∅|合板|1234", "∅|釘|0"}));

    members({"X"});
    inDialog = [this] {
        for (int c = 1; c <= 5; ++c)
            dialog.setCode(c, c == 1 ? std::optional<int>(1) : std::nullopt);
        dialog.importRows();
    };
    import(writeSjis("in.csv", kFiveColumns));
    EXPECT_EQ(memberNames(), (QStringList{"1|", "2|", "10001|X"}));
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
                  {"delete from BUSAI_SEL",
                   "insert into BUSAI_SEL (CNT,NAME01) with recursive d (n) as (select 0 from rdb$database union all "
                   "select n+1 from d where n<9) select k, 'R'||k from (select a.n+10*b.n+100*c.n+1000*e.n+10000*f.n+1 "
                   "k from d a, d b, d c, d e, d f where f.n<2) x where k<=10001"});
    command.handOff(2, 2);
    const QStringList list = memberNames();
    EXPECT_EQ(list.mid(0, 3), (QStringList{"1|A", "2|R1", "3|R2"}));
    EXPECT_EQ(list.mid(10001, 3), (QStringList{"10002|R10001", "10005|B", "10006|C"}));
    EXPECT_EQ(gridNames(), list);

    // Rows numbered otherwise keep the order of their numbers.
    members({"A", "B"});
    dm->IBT_bu.setRecNo(2);
    execCommitted(conn.IBDatabase4, {"delete from BUSAI_SEL", "insert into BUSAI_SEL (CNT,NAME01) values (7,'後')",
                                     "insert into BUSAI_SEL (CNT,NAME01) values (3,'先')"});
    command.handOff(2, 2);
    EXPECT_EQ(memberNames(), (QStringList{"1|A", "2|先", "3|後", "10002|B"}));
    EXPECT_EQ(gridNames(), memberNames());
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
    EXPECT_EQ(dm->IBT_bu.recordCount(), 2);

    execCommitted(conn.IBDatabase4, {"delete from BUSAI_SEL where NAME01='N2'"});
    command.handOff(1, 1);
    EXPECT_EQ(workRows("select TANI from BUZAI_S where NAME01='N1'"), QStringList{"123456"});
}

// Files that are not member lists get a message and change nothing, or give
// the rows that can be read; never a crash or a half-imported list.
TEST_F(MemberImportTest, BadFiles)
{
    const QString wide = QStringLiteral("名称,").repeated(199) + QStringLiteral("名称\r\n") +
                         QStringLiteral("a,").repeated(199) + QStringLiteral("a\r\n");
    const std::tuple<const char*, QByteArray, const char*, int> cases[] = {
        // file, message (none: imported), rows; the reason is named
        {"empty.csv", {}, "データーがありません", 0},
        {"binary.csv", QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), "テキストファイルではありません", 0},
        {"badsjis.csv", SjisCodec::encode(QStringLiteral("名称\r\n板\r\n")) + QByteArray("\x81\x7F"), "3行目", 0},
        {"title.csv", SjisCodec::encode(QStringLiteral("名称,単価\r\n")), "", 0},
        // 100,000 half-width letters do not fit a column
        {"long.csv", SjisCodec::encode(QStringLiteral("名称\r\n") + QString(100000, 'x') + QStringLiteral(",1\r\n")),
         "", 0},
        {"wide.csv", SjisCodec::encode(wide), "", 1},
        {"quotes.csv", SjisCodec::encode(QStringLiteral("名称\r\n\"板,12\r\n")), "", 1}, // the rest of the line
    };
    for (const auto& [name, bytes, message, rows] : cases) {
        SCOPED_TRACE(name);
        screen.confirm.messages.clear();
        execCommitted(conn.IBDatabase4, {"delete from BUSAI_SEL"});
        members({"A"});
        import(writeFile(name, bytes));
        const QStringList list = memberNames();
        EXPECT_EQ(list.size(), 1 + rows);
        EXPECT_EQ(list, *message ? QStringList{"1|A"} : list);
        ASSERT_EQ(screen.confirm.messages.size(), *message ? 2 : 1);
        EXPECT_TRUE(screen.confirm.messages.last().contains(QString::fromUtf8(message)));
    }
}

// A member grid exported and imported again keeps names with ㈱, ①, ～, commas
// and quotes, and the amounts as the grid showed them.
TEST_F(MemberImportTest, ExportedGridImportsAgain)
{
    members({});
    execCommitted(conn.IBDatabase4,
                  inserts("BUZAI_S (CNT,BL_kubun,BM_kubun,NAME01,NAME02,TANI,KIN_01,KIN_02,NAME03,B_CD,KU_KAMOKU)",
                          {"1,1,1,'㈱三協 ①型','摘,要1','枚',1000,1234,'備\"考','B-1',1",
                           "2,1,1,'幅\"900\",奥行','摘,要2','枚',2000,2234,'備\"考','B-2',2",
                           "3,1,1,'波～板','摘,要3','枚',3000,3234,'備\"考','B-3',3"}));
    dm->IBT_bu.reopen();
    QVector<DatasetModel::Column> columns;
    for (const char* c : {"№:№", "NAME01:名称", "NAME02:摘要", "TANI:単位", "KIN_01:原　価", "KIN_02:単　価",
                          "利益率:利益率", "NAME03:備考", "KU_KAMOKU:科目", "B_CD:部材CD"})
        columns.append({QString::fromUtf8(c).section(':', 0, 0), QString::fromUtf8(c).section(':', 1)});
    DatasetModel model(dm->IBT_bu, columns);
    TestScreen saving;
    const QString path = saving.saveAnswer = folder.file("grid.csv");
    ExportCommand exporter(*dm, state, saving);
    exporter.gridModel = [&](Tab) { return &model; };
    exporter.run();
    ASSERT_TRUE(QFile::exists(path));
    members({});
    import(path);
    EXPECT_EQ(workRows("select CNT,NAME01,NAME02,TANI,KIN_01,KIN_02,NAME03,KU_KAMOKU,B_CD from BUZAI_S order by CNT"),
              (QStringList{"0|㈱三協 ①型|摘,要1|枚|1000|1234|備\"考|1|B-1",
                           "1|幅\"900\",奥行|摘,要2|枚|2000|2234|備\"考|2|B-2",
                           "2|波～板|摘,要3|枚|3000|3234|備\"考|3|B-3"}));
}

// The form shows the analysed columns and the targets, passes a typed code on
// and imports on "取込開始".
TEST_F(MemberImportTest, TheDialogShowsTheMappingAndImports)
{
    TBZAI_CMV form(dialog);
    inDialog = [&] {
        form.show();
        EXPECT_EQ(form.DBGrid1->rowCount() * 10 + form.DBGrid2->rowCount(), 133);
        form.DBGrid2->item(2, 3)->setText(QStringLiteral("3"));
        form.SpeedButton1->click();
    };
    import(writeSjis("in.csv", QStringLiteral("名称,単価,メモ\r\n板,\"1,200\",厚物\r\n")));
    EXPECT_EQ(handedOff("NAME01,KIN_02,NAME02"), QStringList{"板|1200|厚物"});
}

} // namespace
