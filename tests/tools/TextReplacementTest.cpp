#include "TextToolsRig.h"

#include <gtest/gtest.h>

namespace {

const QString kNames = QStringLiteral("select BL_kubun, BM_kubun, NAME01 from MAS_BUZAI order by 1,2,BS_kubun");

// Runs a replacement of the 名称 column from the first row of the dialog.
bool replaceName(TextToolsRig& rig, const QString& search, const QString& by, bool half = false)
{
    for (int n = 1; n <= 14; ++n)
        rig.replace.edit(n) = n == 1 ? search : n == 2 ? by : QString();
    rig.replace.halfWidth = half;
    return rig.replace.run();
}

} // namespace

TEST(TextReplacement, FirstOccurrenceInTheCategorysMembersAndScheduleRowsThenTheListReloads)
{
    TextToolsRig rig;
    rig.members({"六角ボルト", "ナット"}, 3, 6);
    rig.product(rig.inserts("MAS_SIAGE02 (BUI,BL_kubun,BM_kubun,NAME_01)",
                            {"1,3,5,'六角ボルト'", "2,3,6,'六角ボルト'", "3,3,5,'ボルト外'"}));
    rig.members({"六角ボルト", "ボルトボルト", "ナット", ""});

    EXPECT_TRUE(replaceName(rig, "ボルト", "ﾎﾞﾙﾄ"));
    EXPECT_EQ(rig.productRows(kNames),
              QStringList({"3|5|六角ﾎﾞﾙﾄ", "3|5|ﾎﾞﾙﾄボルト", "3|5|ナット", "3|5|∅", "3|6|六角ボルト", "3|6|ナット"}));
    // Schedule rows follow by value within the category; a value no member has stays.
    EXPECT_EQ(rig.productRows("select BUI, NAME_01 from MAS_SIAGE02 order by BUI"),
              QStringList({"1|六角ﾎﾞﾙﾄ", "2|六角ボルト", "3|ボルト外"}));
    EXPECT_EQ(rig.workRows("select NAME01 from BUZAI_S where NAME01 is not null order by CNT"),
              QStringList({"六角ﾎﾞﾙﾄ", "ﾎﾞﾙﾄボルト", "ナット"}));
    EXPECT_TRUE(rig.dm->IBT_bu.active());
}

TEST(TextReplacement, TextsAreTakenLiterallyAndHalfWidthAppliesToTheInsertedTextOnly)
{
    TextToolsRig rig;
    rig.members({"部材ＸＹＺ", "消える", "O'Brien", "50%_off", "5_0off", "波～形"});
    EXPECT_TRUE(replaceName(rig, "ＸＹＺ", "ＡＢＣ１２３", true)); // only the inserted text turns half-width
    EXPECT_TRUE(replaceName(rig, "消える", ""));                   // a value that becomes empty is NULL
    EXPECT_TRUE(replaceName(rig, "'", "''"));
    EXPECT_TRUE(replaceName(rig, "%_", "％")); // no wildcards: 5_0off does not match
    EXPECT_TRUE(replaceName(rig, "〜", "−"));  // look-alikes as the database stores them
    EXPECT_EQ(rig.productRows(kNames),
              QStringList({"3|5|部材ABC123", "3|5|∅", "3|5|O''Brien", "3|5|50％off", "3|5|5_0off", "3|5|波－形"}));
}

TEST(TextReplacement, EveryOneOfManyDistinctValuesChanges)
{
    TextToolsRig rig;
    QStringList names;
    for (int i = 1; i <= 250; ++i) // two full batches of pairs and a part
        names << QStringLiteral("ボルト%1").arg(i);
    rig.members(names);
    ASSERT_TRUE(replaceName(rig, "ボルト", "B"));
    EXPECT_EQ(rig.productRows("select count(*) from MAS_BUZAI where NAME01 = 'B' || BS_kubun"), QStringList{"250"});
}

TEST(TextReplacement, OpenedFromTheNameColumnThePairStepChangesOnlyMembersWithBothTexts)
{
    TextToolsRig rig;
    rig.product(rig.inserts("MAS_SIAGE02 (BUI,BL_kubun,BM_kubun,NAME_01,NAME_02)",
                            {"1,3,5,'六角ボルト','M10'", "2,3,5,'六角ボルト','M12'"}));
    rig.members({"六角ボルト|M10||備考", "六角ボルト|M12||備考", "ナット|M10||備考", "六角ボルト|M10"});
    rig.dm->IBT_bu.setRecNo(1);
    int runs = 0;
    rig.screen.inDialog = [&] {
        if (runs++ > 0)
            return false; // the second showing is cancelled
        EXPECT_EQ(rig.replace.edit(1), "六角ボルト");
        EXPECT_EQ(rig.replace.edit(4), "M10");
        rig.replace.edit(2) = "六角ﾎﾞﾙﾄ";
        rig.replace.edit(5) = "備考"; // ignored by the pair step
        rig.replace.edit(6) = "X";
        return rig.replace.run();
    };
    rig.replace.open();
    EXPECT_EQ(rig.screen.shown.size(), 2);
    EXPECT_EQ(rig.screen.confirm.messages, QStringList{"文字列の置き換えは、マスターに即時更新されます。"});
    EXPECT_EQ(rig.productRows("select NAME01, NAME02, NAME03 from MAS_BUZAI order by BS_kubun"),
              QStringList({"六角ﾎﾞﾙﾄ|M10|備考", "六角ボルト|M12|備考", "ナット|M10|備考", "六角ﾎﾞﾙﾄ|M10|∅"}));
    EXPECT_EQ(rig.productRows("select NAME_01 from MAS_SIAGE02 order by BUI"), QStringList({"六角ﾎﾞﾙﾄ", "六角ボルト"}));
}

TEST(TextReplacement, EachValueChangesOnceByTheFirstRowThatFindsItAndTheCodeRowNeedsItsReplacement)
{
    TextToolsRig rig;
    rig.members({"六角ボルト||||3-1-1", "六角ナット||||3-1-2"});
    rig.replace.edit(1) = "ボルト";
    rig.replace.edit(2) = "B";
    rig.replace.edit(9) = "六角";
    rig.replace.edit(10) = "6";
    rig.replace.edit(13) = "3-";
    ASSERT_TRUE(rig.replace.run());
    EXPECT_EQ(rig.productRows("select NAME01, B_CD from MAS_BUZAI order by BS_kubun"),
              QStringList({"六角B|3-1-1", "6ナット|3-1-2"}));

    for (int n : {1, 2, 9, 10})
        rig.replace.edit(n).clear();
    rig.replace.edit(14) = "S";
    rig.replace.codeRowVisible = false;
    ASSERT_TRUE(rig.replace.run());
    EXPECT_EQ(rig.productRows("select B_CD from MAS_BUZAI order by BS_kubun"), QStringList({"3-1-1", "3-1-2"}));
    rig.replace.codeRowVisible = true;
    ASSERT_TRUE(rig.replace.run());
    EXPECT_EQ(rig.productRows("select B_CD from MAS_BUZAI order by BS_kubun"), QStringList({"S1-1", "S1-2"}));
}

TEST(TextReplacement, NothingToSearchOrAValueThatWouldNotFitChangesNothing)
{
    TextToolsRig rig;
    const QString longest = QString(19, QChar(u'長')) + "ボ"; // 40 bytes, the column's width
    rig.members({"ボルト", longest});
    EXPECT_FALSE(replaceName(rig, "", "X"));
    EXPECT_FALSE(replaceName(rig, "ボ", "ボボ"));
    ASSERT_EQ(rig.screen.confirm.messages.size(), 1);
    EXPECT_TRUE(rig.screen.confirm.messages.at(0).contains("部材「" + longest + "」の名称"))
        << rig.screen.confirm.messages.at(0).toStdString();
    EXPECT_EQ(rig.productRows(kNames), QStringList({"3|5|ボルト", "3|5|" + longest}));
    EXPECT_TRUE(rig.dm->IBT_bu.active());
}

TEST(TextReplacement, AFailingStatementLeavesEveryTableAsItWas)
{
    TextToolsRig rig;
    rig.product({"insert into MAS_SIAGE02 (BUI,BL_kubun,BM_kubun,NAME_01) values (1,3,5,'ボルト')"});
    rig.members({"ボルト"});
    execCommitted(rig.conn.IBDatabase1,
                  {"create exception NO_UPDATE 'refused'", "create trigger MAS_BUZAI_NO for MAS_BUZAI before update as "
                                                           "begin exception NO_UPDATE; end"});
    EXPECT_ANY_THROW(replaceName(rig, "ボルト", "X"));
    EXPECT_EQ(rig.productRows("select NAME_01 from MAS_SIAGE02"), QStringList{"ボルト"});
    EXPECT_EQ(rig.productRows(kNames), QStringList{"3|5|ボルト"});
    EXPECT_TRUE(rig.dm->IBT_bu.active());
}

namespace {

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

} // namespace

// A list that is the product's copy takes the change in place, and ends as a
// reload would leave it: new values cut as the load cuts them, NULL for empty.
// A list with an edit not registered, or texts the load has cut, is loaded again.
TEST(TextReplacement, ChangesTheListInPlaceExactlyAsAReloadWould)
{
    TextToolsRig rig;
    CountingLoads loads(*rig.dm, rig.screen);
    TextReplacement replace(*rig.dm, rig.screen, loads);
    replace.codeRowVisible = true;
    rig.members({"六角ボルト|M10|本|備考|3-1", "六角ボルト|M12|本||3-2", "ナット|M10|個|備考|3-3", "|||"});
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
        for (int n = 1; n <= 14; ++n)
            replace.edit(n) = edits.value(n - 1);
        if (listEdit)
            execCommitted(*connectTestDatabase(rig.conn.IBDatabase2.databaseName(), QStringLiteral("edit")),
                          {listEdit});
        const int before = loads.members;
        ASSERT_TRUE(replace.run());
        EXPECT_EQ(loads.members - before, inPlace ? 0 : 1);
        const QStringList changed = rig.workRows("select * from BUZAI_S order by CNT");
        loads.Button4Click();
        EXPECT_EQ(changed, rig.workRows("select * from BUZAI_S order by CNT"));
        EXPECT_TRUE(rig.dm->IBT_bu.active());
    }
    EXPECT_EQ(rig.workRows("select NAME01, NAME02, NAME03, TANI, B_CD from BUZAI_S order by CNT"),
              QStringList({"6ﾎﾞﾙﾄ|M10|∅|ｾｯﾄ|S-1", "6ﾎﾞﾙﾄ|M16|∅|ｾｯﾄ|S-2", "N|M10|∅|個|S-3", "∅|∅|∅|∅|∅"}));
}
