#include "MemberImport.h"
#include "BZAI_CMV.h"
#include "DatasetModel.h"
#include "DbError.h"
#include "ExportCommand.h"
#include "ImportCommand.h"
#include "ImportReportDialog.h"
#include "Schema.h"
#include "SjisCodec.h"
#include "TerminationWatcher.h"
#include "WorkRig.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>

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
// line becomes a row with quoted commas, "▲" minus, empty amounts and texts
// NULL (as an emptied grid cell), in an empty member list at 0, 1. Tab and UTF-8 files give the same rows.
TEST_F(MemberImportTest, ImportsThroughTheTitleMapping)
{
    members({});
    import(writeSjis("in.csv", kFiveColumns));
    EXPECT_EQ(workRows("select CNT,NAME01,NAME02,TANI,KIN_02,KIN_01 from BUZAI_S order by CNT"),
              (QStringList{"0|合板|9mm,910幅|枚|1234|-500", "1|釘|∅|箱|∅|∅"}));
    const QStringList comma = handedOff();
    import(writeSjis("in.txt", QStringLiteral("名称\t摘要\t単位\t単価\t原価\r\n"
                                              "合板\t9mm,910幅\t枚\t1,234\t▲500\r\n"
                                              "釘\t\t箱\t\t\r\n")));
    EXPECT_EQ(handedOff(), comma);
    import(writeFile("utf8.csv", "\xEF\xBB\xBF" + kFiveColumns.toUtf8()));
    EXPECT_EQ(handedOff(), comma);
}

// Amounts as Excel and people write them come in; every line that still cannot
// be imported is named with its line, column and reason, and the others go on.
// The same file in Shift-JIS with CR LF and in UTF-8 with its mark and LF.
TEST_F(MemberImportTest, NamesEveryLineItLeavesOut)
{
    const QString file = QStringLiteral("名称,単位,単価,原価\r\n"
                                        "A,本,\"\\1,200\",0\r\n" // 0x5C, the yen of Shift-JIS
                                        "B,本,\"￥1,200\",▲500\r\n"
                                        "C,本,１２００,\"△1,500\"\r\n"
                                        "D,本,(300), 400 \r\n"
                                        "E\r\n"                // short
                                        "F,本,abc,1\r\n"       // unreadable amount
                                        "G,本 ABCDEFG,3,1\r\n" // unit too long
                                        ",,,\r\n"              // empty
                                        "H,箱,5,1\r\n");
    const QStringList rows{"A|本|1200|0", "B|本|1200|-500", "C|本|1200|-1500", "D|本|-300|400", "H|箱|5|1"};
    const QStringList problems{"6行目 2列目（単位）: この行には1列しかありません。",
                               "6行目 3列目（単価）: この行には1列しかありません。",
                               "6行目 4列目（原価）: この行には1列しかありません。",
                               "7行目 3列目（単価）: 「abc」を金額として読めません。",
                               "8行目 2列目（単位）: 9文字あります。単位は6文字までです。",
                               "9行目: 空の行です。"};
    for (const QByteArray& bytes : {SjisCodec::encode(file), "\xEF\xBB\xBF" + QString(file).remove('\r').toUtf8()}) {
        import(writeFile("in.csv", bytes));
        EXPECT_EQ(handedOff("NAME01,TAN,KIN_02,KIN_01"), rows);
        const MemberImport::Report& report = dialog.lastReport();
        EXPECT_EQ(report.records, 9);
        EXPECT_EQ(report.imported, 5);
        EXPECT_EQ(report.refused, 4);
        QStringList named;
        for (const MemberImport::Problem& p : report.problems)
            named << MemberImport::problemText(p);
        EXPECT_EQ(named, problems);
    }

    // A character Shift-JIS cannot store is named with its line and column, in
    // the user's words, and the line alone stays out.
    import(writeFile("utf8.csv", "\xEF\xBB\xBF" + QStringLiteral("名称,摘要\n板,😀付き\n釘,€\n鋲,x\n").toUtf8()));
    EXPECT_EQ(handedOff("NAME01,NAME02"), QStringList{"鋲|x"});
    QStringList named;
    for (const MemberImport::Problem& p : dialog.lastReport().problems)
        named << MemberImport::problemText(p);
    EXPECT_EQ(named, (QStringList{"2行目 2列目（摘要）: 「😀」（U+1F600）はShift-JISで保存できない文字です。",
                                  "3行目 2列目（摘要）: 「€」（U+20AC）はShift-JISで保存できない文字です。"}));

    // "先頭もデーター" imports the title line too; with an amount column it is named.
    dialog.titleIsData = true;
    import(writeSjis("in.csv", QStringLiteral("名称,単価\r\nA,1\r\n")));
    EXPECT_EQ(handedOff("NAME01"), QStringList{"A"});
    EXPECT_EQ(MemberImport::problemText(dialog.lastReport().problems.value(0)),
              QStringLiteral("1行目 2列目（単価）: 「単価」を金額として読めません。"));
}

// A cell with line breaks (Alt+Enter) stays in its record, stored with a blank
// for each break; the record label counts records, not lines.
TEST_F(MemberImportTest, QuotedCellsOverSeveralLines)
{
    const QString file = QStringLiteral("名称,摘要,単価\r\n"
                                        "\"合板\r\n９ｍｍ\",\"幅,\"\"910\"\"\",\"1,234\"\r\n"
                                        "釘,\"一\n二\n三\",5\r\n"
                                        "鋲,x,6\r\n");
    QString label;
    inDialog = [&] {
        label = dialog.recordLabel();
        dialog.importRows();
    };
    import(writeSjis("in.csv", file));
    EXPECT_EQ(label, QStringLiteral("レコード№=1/3"));
    EXPECT_EQ(handedOff("NAME01,NAME02,KIN_02"),
              (QStringList{"合板 ９ｍｍ|幅,\"910\"|1234", "釘|一 二 三|5", "鋲|x|6"}));
    EXPECT_EQ(dialog.recordCounter(), 4);
}

// A TAB-separated file is split on its TABs only: commas and quotes in its
// fields are text, quotes around a whole field are Excel's.
TEST_F(MemberImportTest, TabFilesKeepCommasAndQuotes)
{
    import(writeSjis("price.tsv", QStringLiteral("名称\t摘要\t単価\n"
                                                 "板,9mm\t12\"×24\"\t1,200\n"
                                                 "\"釘\tA\"\t\"B\" 型\t\"3\"\n")));
    EXPECT_EQ(handedOff("NAME01,NAME02,KIN_02"), (QStringList{"板,9mm|12\"×24\"|1200", "釘 A|\"B\" 型|3"}));
}

// Any name is read for what it holds, whatever case its extension has or
// whether it has one; a later file never brings the earlier one back.
TEST_F(MemberImportTest, ReadsEveryFileItIsGiven)
{
    const std::tuple<const char*, const char*, const char*> files[] = {
        {"data.Csv", "名称,単価\r\nCsv板,1\r\n", "Csv板|1"},
        {"list.TXT", "名称\t単価\r\nTXT板\t2\r\n", "TXT板|2"},
        {"price.tsv", "名称\t単価\r\ntsv板,3\t3\r\n", "tsv板,3|3"},
        {"noextension", "名称,単価\r\nnone板,4\r\n", "none板|4"},
        {"list.txt", "名称,単価\r\ntxt板,5\r\n", "txt板|5"}, // commas in a .txt: its content says so
    };
    for (const auto& [name, text, row] : files) {
        SCOPED_TRACE(name);
        import(writeSjis(name, QString::fromUtf8(text)));
        EXPECT_EQ(handedOff("NAME01,KIN_02"), QStringList{QString::fromUtf8(row)});
    }
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
    EXPECT_EQ(handedOff("NAME01,NAME02,KIN_02"), (QStringList{"∅|合板|1234", "∅|釘|∅"}));

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

// The member grid as the window binds it.
std::unique_ptr<DatasetModel> memberGrid(TableDataset& members)
{
    QVector<DatasetModel::Column> columns;
    for (const char* c :
         {"№:№:1", "NAME01:名称", "NAME02:摘要", "TANI:単位", "KIN_01:原　価", "KIN_02:単　価", "利益率:利益率:1",
          "KIN_06:定　価", "NAME03:備考", "S_CD:業者CD", "KU_KAMOKU:科目", "KETA:桁", "B_CD:部材CD"}) {
        const QStringList f = QString::fromUtf8(c).split(':');
        columns.append({f.at(0), f.at(1), 80, f.size() > 2});
    }
    return std::make_unique<DatasetModel>(members, columns);
}

// Export, import into an empty list, export again: the files are the same byte
// for byte and every column of every member came back, with the longest names
// the list holds, decimals, zeros, NULLs, commas, quotes and ㈱ ① 髙 ｶﾞ ～ −.
TEST_F(MemberImportTest, AnExportedListComesBackWhole)
{
    members({});
    const QString longName = QStringLiteral("㈱髙島屋①ｶﾞﾗｽ～−\"幅,900\"") + QString(22, QChar(u'板'));
    ASSERT_EQ(longName.size(), 40);
    const QString longRemark = QStringLiteral("備考①㈱") + QString(16, QChar(u'髙'));
    const QString longCode = QString(20, QLatin1Char('B'));
    execCommitted(
        conn.IBDatabase4,
        inserts("BUZAI_S (CNT,BL_kubun,BM_kubun,NAME01,NAME02,TANI,KIN_01,KIN_02,KIN_06,NAME03,S_CD,"
                "KU_KAMOKU,KETA,B_CD)",
                {QStringLiteral("1,1,1,'%1','%2','ｶﾞﾛﾝ缶','1234.5','1234567.25','0','%3',12345,3,2,'%4'")
                     .arg(QString(longName).replace('\'', "''"), QString(40, QChar(u'摘')), longRemark, longCode),
                 "2,1,1,'釘',NULL,'本',-0.125,-1000,1500,NULL,0,0,0,'B-2'",
                 "3,1,1,'鋲',NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL"}));
    const QString all = "NAME01,NAME02,TANI,KIN_01,KIN_02,KIN_06,NAME03,S_CD,KU_KAMOKU,KETA,B_CD";
    const QStringList before = workRows("select " + all + " from BUZAI_S order by CNT");
    const auto exportTo = [&](const QString& name) {
        dm->IBT_bu.reopen();
        const auto model = memberGrid(dm->IBT_bu);
        TestScreen saving;
        saving.saveAnswer = folder.file(name);
        ExportCommand exporter(*dm, state, saving);
        exporter.gridModel = [&](Tab) { return model.get(); };
        exporter.run();
        QFile f(saving.saveAnswer);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    };
    const QByteArray first = exportTo("first.csv");
    EXPECT_TRUE(first.contains(SjisCodec::encode(QStringLiteral("\"1,234.5\",\"1,234,567.25\""))));
    members({});
    import(folder.file("first.csv"));
    EXPECT_TRUE(dialog.lastReport().problems.isEmpty());
    EXPECT_EQ(workRows("select " + all + " from BUZAI_S order by CNT"), before);
    EXPECT_EQ(exportTo("second.csv"), first);
}

// Files that are not member lists get a message and change nothing, or give
// the rows that can be read and name the rest; never a crash or a half-imported list.
TEST_F(MemberImportTest, BadFiles)
{
    const QString wide = QStringLiteral("名称,").repeated(199) + QStringLiteral("名称\r\n") +
                         QStringLiteral("a,").repeated(199) + QStringLiteral("a\r\n");
    const std::tuple<const char*, QByteArray, const char*, int, int> cases[] = {
        // file, message (none: imported), rows, lines named
        {"empty.csv", {}, "データーがありません", 0, 0},
        {"binary.csv", QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), "テキストファイルではありません", 0, 0},
        {"badsjis.csv", SjisCodec::encode(QStringLiteral("名称\r\n板\r\n")) + QByteArray("\x81\x7F"), "3行目", 0, 0},
        {"title.csv", SjisCodec::encode(QStringLiteral("名称,単価\r\n")), "", 0, 0},
        {"long.csv", SjisCodec::encode(QStringLiteral("名称\r\n") + QString(100000, 'x') + QStringLiteral(",1\r\n")),
         "", 0, 1},
        {"wide.csv", SjisCodec::encode(wide), "", 1, 0},
        {"quotes.csv", SjisCodec::encode(QStringLiteral("名称\r\n\"板,12\r\n")), "", 1, 0}, // the rest of the line
    };
    for (const auto& [name, bytes, message, rows, named] : cases) {
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
        if (!*message) {
            EXPECT_EQ(dialog.lastReport().problems.size(), named);
        }
    }
}

// The form shows the analysed columns and the targets, passes a typed code on
// and imports on "取込開始".
TEST_F(MemberImportTest, TheDialogShowsTheMappingAndImports)
{
    TBZAI_CMV form(dialog);
    inDialog = [&] {
        form.show();
        EXPECT_EQ(form.DBGrid1->rowCount() * 10 + form.DBGrid2->rowCount(), 153);
        form.DBGrid2->item(2, 3)->setText(QStringLiteral("3"));
        form.SpeedButton1->click();
    };
    import(writeSjis("in.csv", QStringLiteral("名称,単価,メモ\r\n板,\"1,200\",厚物\r\n")));
    EXPECT_EQ(handedOff("NAME01,KIN_02,NAME02"), QStringList{"板|1200|厚物"});
}

// Lines left out are listed in the dialog after the import, with a way to save
// the whole list; the import itself went on with the good lines.
TEST_F(MemberImportTest, TheDialogListsTheLinesLeftOut)
{
    TBZAI_CMV form(dialog);
    std::unique_ptr<ImportReportDialog> shown;
    form.showReport = [&](const MemberImport::Report& report) { shown = std::make_unique<ImportReportDialog>(report); };
    QString file = QStringLiteral("名称,単価\r\n");
    for (int i = 1; i <= 1100; ++i)
        file += QStringLiteral("板%1,%2\r\n").arg(i).arg(i % 2 ? QStringLiteral("x%1").arg(i) : QString::number(i));
    inDialog = [&] {
        form.show();
        form.SpeedButton1->click();
    };
    import(writeSjis("in.csv", file));
    EXPECT_EQ(handedOff("NAME01").size(), 550);
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->summary->text().startsWith(
        QStringLiteral("550行を取り込みました。取り込めなかった行が550行あります。")));
    EXPECT_EQ(shown->list->rowCount(), 550);
    EXPECT_EQ(shown->list->item(0, 0)->text() + shown->list->item(0, 1)->text() + shown->list->item(0, 2)->text(),
              QStringLiteral("2行目2列目（単価）「x1」を金額として読めません。"));
    const QString saved = folder.file("errors.txt");
    shown->chooseFile = [&] { return saved; };
    shown->saveButton->click();
    QFile f(saved);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = SjisCodec::decode(f.readAll()).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.mid(0, 4), (QStringList{"取り込んだ行: 550行", "取り込めなかった行: 550行", "",
                                            "2行目 2列目（単価）: 「x1」を金額として読めません。"}));
    EXPECT_EQ(lines.size(), 3 + 550 + 1);
}

// Closing the dialog, or the end of the session (SIGTERM), while the import
// runs stops it: the member list stays as it was and the dialog closes.
TEST_F(MemberImportTest, AStopEndsARunningImportAndKeepsTheList)
{
    QString file = QStringLiteral("名称,単価\r\n");
    for (int i = 1; i <= 4000; ++i)
        file += QStringLiteral("板%1,%1\r\n").arg(i);
    const QString path = writeSjis("big.csv", file);
    for (const bool signal : {false, true}) {
        SCOPED_TRACE(signal ? "SIGTERM" : "close");
        members({"A", "B"});
        dm->IBT_bu.setRecNo(2);
        std::unique_ptr<TerminationWatcher> watcher;
        if (signal) {
            TerminationWatcher::blockSignals();
            watcher = std::make_unique<TerminationWatcher>();
        }
        TBZAI_CMV form(dialog);
        bool stoppedWhileImporting = false;
        inDialog = [&] {
            form.show();
            // Runs at the import's first look at the events.
            QTimer::singleShot(0, &form, [&] {
                stoppedWhileImporting = form.importing();
                if (signal)
                    std::raise(SIGTERM);
                else
                    form.reject();
            });
            form.SpeedButton1->click();
        };
        import(path);
        EXPECT_TRUE(stoppedWhileImporting);
        EXPECT_TRUE(dialog.lastReport().cancelled);
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(memberNames(), (QStringList{"1|A", "2|B"}));
        EXPECT_EQ(gridNames(), memberNames());
        EXPECT_EQ(dm->IBT_bu.recNo(), 2);
        if (signal) {
            EXPECT_TRUE(watcher->requested());
            watcher.reset();
            // The session's end asked every event loop to stop; let the next test run its own.
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            QCoreApplication::exec();
        }
    }
    // A later import of the same file goes through.
    inDialog = [this] { dialog.importRows(); };
    members({});
    import(path);
    EXPECT_EQ(memberNames().size(), 4000);
}

} // namespace
