#include "TextToolsRig.h"

#include <gtest/gtest.h>

namespace {

const QString kNames = QStringLiteral("select BL_kubun, BM_kubun, NAME01 from MAS_BUZAI order by 1,2,BS_kubun");

// Counts the member loads that run.
class CountingLoads : public MasterLoads {
public:
    using MasterLoads::MasterLoads;
    int members = 0;
    void Button4Click() override
    {
        ++members;
        MasterLoads::Button4Click();
    }
};

class TextReplacementTest : public ::testing::Test, public TextToolsRig {
protected:
    // Runs a replacement with the dialog's edits 1…14 from `edits`.
    bool run(const QStringList& edits, bool half = false) { return run(replace, edits, half); }
    static bool run(TextReplacement& r, const QStringList& edits, bool half = false)
    {
        for (int n = 1; n <= 14; ++n)
            r.edit(n) = edits.value(n - 1);
        r.halfWidth = half;
        return r.run();
    }
};

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

// Each value changes once, by the first row of the dialog that finds it; the
// code row changes nothing while it is hidden.
TEST_F(TextReplacementTest, EachValueChangesOnceByTheFirstRowThatFindsIt)
{
    members({"六角ボルト||||3-1-1", "六角ナット||||3-1-2"});
    ASSERT_TRUE(run({"ボルト", "B", "", "", "", "", "", "", "六角", "6", "", "", "3-"}));
    EXPECT_EQ(productRows("select NAME01, B_CD from MAS_BUZAI order by BS_kubun"),
              QStringList({"六角B|3-1-1", "6ナット|3-1-2"}));
    const QStringList code{"", "", "", "", "", "", "", "", "", "", "", "", "3-", "S"};
    replace.codeRowVisible = false;
    ASSERT_TRUE(run(code));
    EXPECT_EQ(productRows("select B_CD from MAS_BUZAI order by BS_kubun"), QStringList({"3-1-1", "3-1-2"}));
    replace.codeRowVisible = true;
    ASSERT_TRUE(run(code));
    EXPECT_EQ(productRows("select B_CD from MAS_BUZAI order by BS_kubun"), QStringList({"S1-1", "S1-2"}));
}

TEST_F(TextReplacementTest, TextsAreTakenLiterallyAndHalfWidthAppliesToTheInsertedTextOnly)
{
    members({"部材ＸＹＺ", "消える", "O'Brien", "50%_off", "5_0off", "波～形"});
    EXPECT_TRUE(run({"ＸＹＺ", "ＡＢＣ１２３"}, true)); // only the inserted text turns half-width
    EXPECT_TRUE(run({"消える", ""}));                   // a value that becomes empty is NULL
    EXPECT_TRUE(run({"'", "''"}));
    EXPECT_TRUE(run({"%_", "％"})); // no wildcards: 5_0off does not match
    EXPECT_TRUE(run({"〜", "−"}));  // look-alikes as the database stores them
    EXPECT_EQ(productRows(kNames),
              QStringList({"3|5|部材ABC123", "3|5|∅", "3|5|O''Brien", "3|5|50％off", "3|5|5_0off", "3|5|波－形"}));
}

TEST_F(TextReplacementTest, EveryOneOfManyDistinctValuesChanges)
{
    QStringList names;
    for (int i = 1; i <= 250; ++i) // two full batches of pairs and a part
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

// A list that is the product's copy takes the change in place, and ends as a
// reload would leave it: new values cut as the load cuts them, NULL for empty.
// A list with an edit not registered, or texts the load has cut, is loaded again.
TEST_F(TextReplacementTest, ChangesTheListInPlaceExactlyAsAReloadWould)
{
    CountingLoads loads(*dm, screen);
    TextReplacement counted(*dm, screen, loads);
    counted.codeRowVisible = true;
    members({"六角ボルト|M10|本|備考|3-1", "六角ボルト|M12|本||3-2", "ナット|M10|個|備考|3-3", "|||"});
    loads.Button4Click();
    // Edits 1…n of the dialog, whether the list is changed in place, an edit of the list first.
    const std::tuple<QStringList, bool, const char*> cases[] = {
        {{"ボルト", "ﾎﾞﾙﾄ"}, true, nullptr},
        {{"", "", "", "", "備考", ""}, true, nullptr},
        {{"", "", "", "", "", "", "", "", "", "", "", "", "3-", "S-"}, true, nullptr},
        {{"六角ﾎﾞﾙﾄ", "六角ﾎﾞﾙﾄ", "M12", "M16"}, true, nullptr}, // the pair step
        {{"", "", "", "", "", "", "", "", "六角", "6"}, false, "update BUZAI_S set NAME03='編集' where CNT=1"},
        {{"", "", "", "", "", "", "本", "ｾ ｯﾄ"}, true, nullptr}, // the load takes the blank out
        {{"ナット", "N\r\n2行目"}, false, nullptr},
    };
    for (const auto& [edits, inPlace, listEdit] : cases) {
        SCOPED_TRACE(edits.join('/').toStdString());
        if (listEdit)
            execCommitted(*connectTestDatabase(conn.IBDatabase2.databaseName(), QStringLiteral("edit")), {listEdit});
        const int before = loads.members;
        ASSERT_TRUE(run(counted, edits));
        EXPECT_EQ(loads.members - before, inPlace ? 0 : 1);
        const QStringList changed = workRows("select * from BUZAI_S order by CNT");
        loads.Button4Click();
        EXPECT_EQ(changed, workRows("select * from BUZAI_S order by CNT"));
    }
    EXPECT_EQ(workRows("select NAME01, NAME02, NAME03, TANI, B_CD from BUZAI_S order by CNT"),
              QStringList({"6ﾎﾞﾙﾄ|M10|∅|ｾｯﾄ|S-1", "6ﾎﾞﾙﾄ|M16|∅|ｾｯﾄ|S-2", "N|M10|∅|個|S-3", "∅|∅|∅|∅|∅"}));
}

} // namespace
