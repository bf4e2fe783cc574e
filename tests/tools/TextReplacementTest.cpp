#include "TextReplacement.h"
#include "MasterLoads.h"
#include "MemberRename.h"
#include "MemberSearch.h"
#include "UnitReplacement.h"
#include "UnitsFromMembers.h"
#include "WorkRig.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// The screen of the text tools: the grid column under the cursor, and what the
// user does while a dialog is open (by default nothing: the dialog is cancelled).
class TextScreen : public TestScreen {
public:
    QString column = QStringLiteral("NAME01");
    MemberSearch* search = nullptr; // the search button, when a test narrows
    bool memberGridNarrowed() const override { return search && search->narrowed(); }
    void endNarrowing() override { search->reset(); }
    void abandonNarrowing() override { search->abandon(); }
    std::function<bool()> inDialog = [] { return false; };
    QList<TextDialog> shown;
    QString memberGridColumn() const override { return column; }
    bool showTextDialog(TextDialog d) override
    {
        shown << d;
        return inDialog();
    }
};

// Category 3/5 shown on the member tab and the text commands wired as the session wires them.
class TextReplacementTest : public ::testing::Test, public WorkRig<TextScreen> {
protected:
    MasterLoads loads{*dm, screen};
    TextReplacement replace{*dm, screen, loads};
    MemberRename rename{*dm, screen};
    UnitsFromMembers units{*dm};
    UnitReplacement unitReplace{*dm, screen, units};

    TextReplacementTest()
    {
        replace.codeRowVisible = true;
        rename.loads = &loads;
        unitReplace.loads = &loads;
        work({"insert into BUZAI_DAI values (1,3,'M',null)", "insert into BUZAI_CHU values (1,3,5,'m',null,null)"});
        dm->IBT_dai.open();
        dm->IBT_chu.open();
    }
    // Statements on the product database, committed; then the member list reloaded.
    void product(const QStringList& statements)
    {
        WorkRig::product(statements);
        loads.Button4Click();
    }
    // Members of category major/middle: "名称|摘要|単位|備考|部材CD", empty parts NULL.
    void members(const QStringList& rows, int major = 3, int middle = 5)
    {
        QStringList values;
        for (const QString& r : rows) {
            QStringList v = r.split('|');
            v.resize(5);
            for (QString& p : v)
                p = p.isEmpty() ? QStringLiteral("null") : '\'' + p.replace('\'', "''") + '\'';
            values << QStringLiteral("%1,%2,%3,").arg(major).arg(middle).arg(values.size() + 1) + v.join(',');
        }
        product(inserts("MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01,NAME02,TANI,NAME03,B_CD)", values));
    }
    // Runs a replacement with the dialog's edits 1…14 from `edits`.
    bool run(const QStringList& edits, bool half = false)
    {
        for (int n = 1; n <= 14; ++n)
            replace.edit(n) = edits.value(n - 1);
        replace.halfWidth = half;
        return replace.run();
    }
};

const QString kNames = QStringLiteral("select BL_kubun, BM_kubun, NAME01 from MAS_BUZAI order by 1,2,BS_kubun");

TEST_F(TextReplacementTest, FirstOccurrenceInTheCategorysMembersAndScheduleRowsThenTheListReloads)
{
    members({"六角ボルト", "ナット"}, 3, 6);
    product(inserts("MAS_SIAGE02 (BUI,BL_kubun,BM_kubun,NAME_01)",
                    {"1,3,5,'六角ボルト'", "2,3,6,'六角ボルト'", "3,3,5,'ボルト外'"}));
    members({"六角ボルト", "ボルトボルト", "ナット", ""});
    EXPECT_TRUE(run({"ボルト", "ﾎﾞﾙﾄ"}));
    EXPECT_EQ(productRows(kNames),
              QStringList({"3|5|六角ﾎﾞﾙﾄ", "3|5|ﾎﾞﾙﾄボルト", "3|5|ナット", "3|5|∅", "3|6|六角ボルト", "3|6|ナット"}));
    // Schedule rows follow by value within the category; a value no member has stays.
    EXPECT_EQ(productRows("select BUI, NAME_01 from MAS_SIAGE02 order by BUI"),
              QStringList({"1|六角ﾎﾞﾙﾄ", "2|六角ボルト", "3|ボルト外"}));
}

// Texts reach the statements as data: quotes as typed, no wildcards; a value
// that becomes empty is NULL.
TEST_F(TextReplacementTest, TextsAreTakenLiterally)
{
    members({"消える", "O'Brien", "50%_off", "5_0off"});
    EXPECT_TRUE(run({"消える", ""}));
    EXPECT_TRUE(run({"'", "''"}));
    EXPECT_TRUE(run({"%_", "％"})); // 5_0off does not match
    EXPECT_EQ(productRows(kNames), QStringList({"3|5|∅", "3|5|O''Brien", "3|5|50％off", "3|5|5_0off"}));
}

// Values go to the database in batches: two full ones and a part all change.
TEST_F(TextReplacementTest, EveryOneOfManyDistinctValuesChanges)
{
    QStringList names;
    for (int i = 1; i <= 250; ++i)
        names << QStringLiteral("ボルト%1").arg(i);
    members(names);
    ASSERT_TRUE(run({"ボルト", "B"}));
    EXPECT_EQ(productRows("select count(*) from MAS_BUZAI where NAME01 = 'B' || BS_kubun"), QStringList{"250"});
}

// Opened from the name column: the current row's name and 摘要 fill the pair
// step, which changes only members with both texts.
TEST_F(TextReplacementTest, OpenedFromTheNameColumnThePairStepChangesOnlyMembersWithBothTexts)
{
    product(inserts("MAS_SIAGE02 (BUI,BL_kubun,BM_kubun,NAME_01,NAME_02)",
                    {"1,3,5,'六角ボルト','M10'", "2,3,5,'六角ボルト','M12'"}));
    members({"六角ボルト|M10||備考", "六角ボルト|M12||備考", "ナット|M10||備考", "六角ボルト|M10"});
    dm->IBT_bu.setRecNo(1);
    screen.inDialog = [&] {
        if (screen.shown.size() > 1)
            return false; // the second showing is cancelled
        EXPECT_EQ(replace.edit(1) + '|' + replace.edit(4), "六角ボルト|M10");
        replace.edit(2) = "六角ﾎﾞﾙﾄ";
        replace.edit(5) = "備考"; // ignored by the pair step
        replace.edit(6) = "X";
        return replace.run();
    };
    replace.open();
    EXPECT_EQ(productRows("select NAME01, NAME02, NAME03 from MAS_BUZAI order by BS_kubun"),
              QStringList({"六角ﾎﾞﾙﾄ|M10|備考", "六角ボルト|M12|備考", "ナット|M10|備考", "六角ﾎﾞﾙﾄ|M10|∅"}));
    EXPECT_EQ(productRows("select NAME_01 from MAS_SIAGE02 order by BUI"), QStringList({"六角ﾎﾞﾙﾄ", "六角ボルト"}));
}

// Nothing to search for, a value that would not fit its column, or a failing
// statement change no table.
TEST_F(TextReplacementTest, RefusedOrFailedReplacementsChangeNothing)
{
    const QString longest = QString(19, QChar(u'長')) + "ボ"; // 40 bytes, the column's width
    product({"insert into MAS_SIAGE02 (BUI,BL_kubun,BM_kubun,NAME_01) values (1,3,5,'ボルト')"});
    members({"ボルト", longest});
    EXPECT_FALSE(run({"", "X"}));
    EXPECT_FALSE(run({"ボ", "ボボ"}));
    EXPECT_EQ(screen.confirm.messages.size(), 1);
    product({"create exception NO_UPDATE 'refused'",
             "create trigger MAS_BUZAI_NO for MAS_BUZAI before update as begin exception NO_UPDATE; end"});
    EXPECT_ANY_THROW(run({"ボルト", "X"}));
    EXPECT_EQ(productRows(kNames), QStringList({"3|5|ボルト", "3|5|" + longest}));
    EXPECT_EQ(productRows("select NAME_01 from MAS_SIAGE02"), QStringList{"ボルト"});
}

// A list that is the product's copy takes the change in place (the quick way), and
// ends as a reload would leave it: new values cut as the load cuts them, NULL for
// empty. A list with an edit not registered, or texts the load cuts, is loaded again.
TEST_F(TextReplacementTest, ChangesTheListInPlaceExactlyAsAReloadWould)
{
    members({"六角ボルト|M10|本|備考|3-1", "六角ボルト|M12|本||3-2", "ナット|M10|個|備考|3-3", "|||"});
    // Edits 1…n of the dialog and an edit of the list first.
    const std::pair<QStringList, const char*> cases[] = {
        {{"ボルト", "ﾎﾞﾙﾄ"}, nullptr},
        {{"", "", "", "", "備考", ""}, nullptr},
        {{"", "", "", "", "", "", "", "", "", "", "", "", "3-", "S-"}, nullptr},
        {{"六角ﾎﾞﾙﾄ", "六角ﾎﾞﾙﾄ", "M12", "M16"}, nullptr}, // the pair step
        {{"", "", "", "", "", "", "", "", "六角", "6"}, "update BUZAI_S set NAME03='編集' where CNT=1"},
        {{"", "", "", "", "", "", "本", "ｾ ｯﾄ"}, nullptr}, // the load takes the blank out
        {{"ナット", "N\r\n2行目"}, nullptr},
    };
    for (const auto& [edits, listEdit] : cases) {
        SCOPED_TRACE(edits.join('/').toStdString());
        if (listEdit)
            execCommitted(*connectTestDatabase(conn.IBDatabase2.databaseName(), QStringLiteral("edit")), {listEdit});
        ASSERT_TRUE(run(edits));
        const QStringList changed = workRows("select * from BUZAI_S order by CNT");
        loads.Button4Click();
        EXPECT_EQ(changed, workRows("select * from BUZAI_S order by CNT"));
    }
    EXPECT_EQ(workRows("select NAME01, NAME02, NAME03, TANI, B_CD from BUZAI_S order by CNT"),
              QStringList({"6ﾎﾞﾙﾄ|M10|∅|ｾｯﾄ|S-1", "6ﾎﾞﾙﾄ|M16|∅|ｾｯﾄ|S-2", "N|M10|∅|個|S-3", "∅|∅|∅|∅|∅"}));
}

TEST_F(TextReplacementTest, RenameMatchesAnEmptyTextAsNullInEveryCategoryAndWritesQuotesAsTyped)
{
    members({"六角ボルト||本"}, 4, 1);
    product(inserts("MAS_SIAGE02 (BUI,BL_kubun,BM_kubun,NAME_01,NAME_02,TAN)",
                    {"1,7,7,'六角ボルト',null,'本'", "2,3,5,'六角ボルト','M10','本'"}));
    members({"ナット|M8|個", "六角ボルト||本", "六角ボルト|M10|本"});
    dm->IBT_bu.setRecNo(2);
    screen.inDialog = [&] {
        EXPECT_EQ(rename.before[0] + '|' + rename.before[1], "六角ボルト|");
        rename.after[0] = "O'Neil";
        rename.after[2] = "個";
        return rename.run();
    };
    rename.open();
    EXPECT_EQ(productRows("select BL_kubun, NAME01, NAME02, TANI from MAS_BUZAI order by BL_kubun, BS_kubun"),
              QStringList({"3|ナット|M8|個", "3|O'Neil|∅|個", "3|六角ボルト|M10|本", "4|O'Neil|∅|個"}));
    EXPECT_EQ(productRows("select NAME_01, TAN from MAS_SIAGE02 order by BUI"),
              QStringList({"O'Neil|個", "六角ボルト|本"}));
    EXPECT_EQ(workRows("select NAME01 from BUZAI_S order by CNT"), QStringList({"ナット", "O'Neil", "六角ボルト"}));

    // Emptying a text stores NULL.
    screen.inDialog = [&] {
        rename.after[2] = "";
        return rename.run();
    };
    rename.open();
    EXPECT_EQ(productRows("select count(*) from MAS_BUZAI where NAME01='O''Neil' and TANI is null"), QStringList{"2"});
}

// While the grid is narrowed: a rename reaches the parked list too, a
// replacement widens the grid and works on the whole category, and a load gives
// the parked list up. None of them brings an old member back.
TEST_F(TextReplacementTest, NarrowedGridGetsNoOldMemberBack)
{
    members({"ナット|M8|個", "六角ボルト|M10|本", "座金|M10|個"});
    MemberSearch search(*dm);
    screen.search = &search;
    const QString list = "select NAME01 from BUZAI_S order by CNT";
    search.search("ボルト", "");
    dm->IBT_bu.setRecNo(1);
    screen.inDialog = [&] {
        rename.after[0] = "六角ボルト改";
        return rename.run();
    };
    rename.open();
    search.reset();
    EXPECT_EQ(workRows(list), QStringList({"ナット", "六角ボルト改", "座金"}));

    search.search("ナット", "");
    EXPECT_TRUE(run({"ボルト", "BOLT"}));
    EXPECT_FALSE(search.narrowed());
    EXPECT_EQ(productRows(kNames), QStringList({"3|5|ナット", "3|5|六角BOLT改", "3|5|座金"}));
    EXPECT_EQ(workRows(list), QStringList({"ナット", "六角BOLT改", "座金"}));

    search.search("座金", "");
    product({"update MAS_BUZAI set NAME01='ワッシャー' where NAME01='座金'"});
    EXPECT_FALSE(search.narrowed());
    EXPECT_EQ(workRows(list), QStringList({"ナット", "六角BOLT改", "ワッシャー"}));
}

TEST_F(TextReplacementTest, RenameANameTooLongForItsColumnIsRefusedAndAFailureChangesNeitherMaster)
{
    product({"insert into MAS_SIAGE02 (BUI,NAME_01,TAN) values (1,'ボルト','本')"});
    members({"ボルト||本"});
    rename.before[0] = "ボルト";
    rename.before[2] = "本";
    rename.after[0] = QString(21, QChar(u'長'));
    rename.after[2] = "本";
    EXPECT_FALSE(rename.run());
    EXPECT_EQ(screen.confirm.messages.size(), 1);

    product({"create exception NO_UPDATE 'refused'",
             "create trigger SIAGE_NO for MAS_SIAGE02 before update as begin exception NO_UPDATE; end"});
    rename.after[0] = "ナット";
    EXPECT_ANY_THROW(rename.run());
    EXPECT_EQ(productRows("select NAME01 from MAS_BUZAI"), QStringList{"ボルト"});
    EXPECT_EQ(workRows("select NAME01 from BUZAI_S"), QStringList{"ボルト"});
}

TEST_F(TextReplacementTest, UnitReplacesTheUnitEverywhereAndRebuildsTheUnitListFromTheMembers)
{
    members({"A||本", "B||m", "C||坪", "D||式"}, 4, 1);
    product(inserts("MAS_SIAGE02 (BUI,TAN)", {"1,'本'"}) + inserts("DAT_SIAGE02 (ID,TAN)", {"1,'本'", "2,'枚'"}));
    members({"E||本", "F"});
    work({"insert into TANI values (1,'本')"});
    dm->IBT_TANI.open();
    screen.tab = Tab::Unit;
    screen.inDialog = [&] {
        EXPECT_EQ(unitReplace.before, "本");
        EXPECT_FALSE(unitReplace.run()); // no new unit yet: the dialog stays open
        unitReplace.after = "個'";
        return unitReplace.run();
    };
    unitReplace.open();
    EXPECT_EQ(productRows("select count(*) from MAS_BUZAI where TANI='本'"), QStringList{"0"});
    EXPECT_EQ(productRows("select TAN from MAS_SIAGE02 union all select TAN from DAT_SIAGE02"),
              QStringList({"個'", "個'", "枚"}));
    // 式 first, then m, then 坪; the rest in reverse order of the grouped units.
    EXPECT_EQ(workRows("select CD, NAME from TANI order by CD"), QStringList({"1|式", "2|m", "3|坪", "4|個'", "5|"}));

    unitReplace.after = "長すぎる単位";
    screen.inDialog = [&] { return unitReplace.run(); };
    unitReplace.open();
    EXPECT_EQ(productRows("select count(*) from MAS_BUZAI where TANI='個'''"), QStringList{"2"});
}

} // namespace
