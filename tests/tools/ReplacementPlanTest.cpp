#include "ReplacementPlan.h"

#include <gtest/gtest.h>

namespace {

using Member = ReplacementPlan::Member;

// Members from "名称|摘要|備考|単位|ＣＤ".
QVector<Member> members(const QStringList& rows)
{
    QVector<Member> out;
    for (const QString& r : rows) {
        const QStringList v = r.split('|');
        Member m;
        for (int c = 0; c < ReplacementPlan::kColumnCount; ++c)
            m[c] = v.value(c);
        out << m;
    }
    return out;
}

// The dialog's fields 1…14 from a list, field n at n − 1.
ReplacementPlan::Edits edits(const QStringList& fields)
{
    ReplacementPlan::Edits e;
    for (int n = 1; n < int(e.size()); ++n)
        e[n] = fields.value(n - 1);
    return e;
}

// Every change of a plan as "column:old>new", columns in order.
QStringList changes(const ReplacementPlan& plan)
{
    QStringList out;
    for (int c = 0; c < ReplacementPlan::kColumnCount; ++c)
        for (const QString& old : plan.olds(c))
            out << QStringLiteral("%1:%2>%3").arg(c).arg(old, plan.newValue(c, old));
    return out;
}

TEST(ReplacementPlan, ChangesEachValueOnceByTheFirstRowThatFindsIt)
{
    const QString tooWide = QString(27, QChar(u'ボ')); // past the working box's first line
    const struct {
        const char* what;
        QStringList fields;
        bool half, codeRow;
        QStringList rows, expected;
    } cases[] = {
        {"first occurrence only; a value held twice changes once",
         {"ボルト", "ﾎﾞﾙﾄ"},
         false,
         true,
         {"六角ボルト", "ボルトボルト", "六角ボルト", "ナット", ""},
         {"0:六角ボルト>六角ﾎﾞﾙﾄ", "0:ボルトボルト>ﾎﾞﾙﾄボルト"}},
        {"the second 名称 row finds a value by its text before the first replacement",
         {"ボルト", "B", "", "", "", "", "", "", "六角", "6"},
         false,
         true,
         {"六角ボルト", "六角ナット"},
         {"0:六角ボルト>六角B", "0:六角ナット>6ナット"}},
        {"the ＣＤ row acts only while shown",
         {"", "", "", "", "", "", "", "", "", "", "", "", "3-", "S"},
         false,
         false,
         {"A||||3-1"},
         {}},
        {"the ＣＤ row acts only with a replacement",
         {"", "", "", "", "", "", "", "", "", "", "", "", "3-", ""},
         false,
         true,
         {"A||||3-1"},
         {}},
        {"the ＣＤ row",
         {"", "", "", "", "", "", "", "", "", "", "", "", "3-", "S"},
         false,
         true,
         {"A||||3-1"},
         {"4:3-1>S1"}},
        {"half width for the inserted text only",
         {"ＸＹＺ", "ＡＢＣ１２３"},
         true,
         true,
         {"部材ＸＹＺ"},
         {"0:部材ＸＹＺ>部材ABC123"}},
        {"look-alikes as the database stores them", {"〜", "−"}, false, true, {"波～形"}, {"0:波～形>波－形"}},
        {"an empty replacement removes the text", {"消える", ""}, false, true, {"消える"}, {"0:消える>"}},
        {"a value wider than the box's first line is not found", {"ボ", "B"}, false, true, {tooWide}, {}},
        {"the pair: both texts whole, the other rows ignored",
         {"六角ボルト", "六角ﾎﾞﾙﾄ", "M10", "M10", "備考", "X"},
         false,
         true,
         {"六角ボルト|M10|備考", "六角ボルト|M12|備考", "ナット|M10|備考"},
         {"0:六角ボルト>六角ﾎﾞﾙﾄ", "1:M10>M10"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ReplacementPlan plan(edits(c.fields), c.half, c.codeRow, members(c.rows));
        EXPECT_EQ(changes(plan), c.expected);
        EXPECT_EQ(plan.anyChange(), !c.expected.isEmpty());
    }
    EXPECT_FALSE(ReplacementPlan::anySearch(edits({"", "X"})));
}

// A new value that does not fit its column refuses the whole replacement and
// names the first member holding the old value.
TEST(ReplacementPlan, RefusesAValueTooWideForItsColumn)
{
    const QString longest = QString(19, QChar(u'長')) + "ボ"; // 40 bytes, the column's width
    const ReplacementPlan fits(edits({"ボ", "ﾎﾞ"}), false, true, members({longest}));
    EXPECT_EQ(fits.fitProblem(), QString());
    const ReplacementPlan wide(edits({"", "", "", "", "", "", "本", "ｾｯﾄｾｯﾄｾｯﾄ"}), false, true,
                               members({"ボルト|||本", "ナット|||本"}));
    EXPECT_TRUE(wide.fitProblem().contains("部材「ボルト」の単位")) << wide.fitProblem().toStdString();
}

// A column one row changes in every value holding its search text, with a
// replacement the load keeps, is changed by the database from the texts.
TEST(ReplacementPlan, ChangesByTheTextsOnlyWhatTheTextsDescribe)
{
    const struct {
        QStringList fields;
        QStringList rows;
        int name, unit;
    } cases[] = {
        {{"ボルト", "B"}, {"ボルト", "六角ボルト"}, 0, -1},
        {{"ボルト", "B"}, {"ボルト", QString(25, QChar(u'長')) + "ボルト"}, -1, -1},    // one holder is not found
        {{"ボルト", "B", "", "", "", "", "", "", "六角", "6"}, {"六角ボルト"}, -1, -1}, // two rows act
        {{"ボルト", "B\r\n2"}, {"ボルト"}, -1, -1},                                     // the load cuts the line
        {{"", "", "", "", "", "", "本", "ｾ ｯﾄ"}, {"A|||本"}, -1, -1},                   // the load takes the blank out
        {{"", "", "", "", "", "", "本", "個"}, {"A|||本"}, -1, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fields.join('/').toStdString());
        const ReplacementPlan plan(edits(c.fields), false, true, members(c.rows));
        EXPECT_EQ(plan.byTexts(0), c.name);
        EXPECT_EQ(plan.byTexts(3), c.unit);
    }
}

} // namespace
