#include "ImportText.h"
#include "Helpers.h"
#include "SjisCodec.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <random>

using namespace ImportText;

namespace {

// Titles suggest targets (the plain ones are checked by the import; here the rules
// that compare parts); amounts and codes are read; texts are cut at the first line
// of their box: 45, 23 and 14 half-width units, full-width counting two, ASCII
// words wrapped whole.
TEST(ImportText, TitlesAndFieldsForTheirTargets)
{
    const std::pair<const char*, int> cases[] = {{"数量", 5},      {"単価（税抜）", 7}, {"原　価", 8}, {"部材ＣＤ", 11},
                                                 {"発注先名", 12}, {"部材CD", 13},      {"業者CD", 0}, {"名称 ", 0}};
    for (const auto& [title, code] : cases) {
        const auto match = matchTitle(QString::fromUtf8(title));
        EXPECT_EQ(match ? match->code : 0, code) << title;
    }
    const auto value = [](int code, const char* field) { return convert(*target(code), QString::fromUtf8(field)); };
    EXPECT_EQ(value(6, " 12.5 ").toDouble(), 12.5);
    EXPECT_THROW(value(7, "abc"), Helpers::ConversionError);
    EXPECT_THROW(value(7, "1e999"), Helpers::ConversionError);
    EXPECT_EQ(value(11, "x1"), QVariant(0));
    EXPECT_FALSE(value(1, "1").isValid());
    EXPECT_EQ(value(2, "合板 ９ｍｍ"), QVariant(QStringLiteral("合板 ９ｍｍ")));
    EXPECT_EQ(convert(*target(2), QString(30, QChar(u'板'))).toString(), QString(22, QChar(u'板')));
    EXPECT_EQ(convert(*target(4), QString(20, 'x')).toString(), QString(14, 'x'));
    EXPECT_EQ(convert(*target(9), QStringLiteral("ｶﾞﾗｽ 12345678901234567890")).toString(), QStringLiteral("ｶﾞﾗｽ"));
    EXPECT_EQ(firstLineCut(QStringLiteral("ab cd ef"), 7), QStringLiteral("ab cd"));
    EXPECT_EQ(firstLineCut(QStringLiteral("abcdefgh"), 4), QStringLiteral("abcd"));
    EXPECT_EQ(firstLineCut(QStringLiteral("板a板"), 4), QStringLiteral("板a"));
    EXPECT_EQ(firstLineCut(QStringLiteral("ab\r\ncd"), 45), QStringLiteral("ab"));
}

// Quoted fields (lines without quotes are split in SurvivesHostileLines), read
// from Shift-JIS or UTF-8.
TEST(ImportText, ReadsAndSplitsLines)
{
    const std::pair<const char*, QStringList> cases[] = {
        {"\"x\"\"y\",z", {"x\"y", "z"}},
        {"\"abc,def", {"abc,def"}},    // unbalanced: the rest of the line
        {"\"ab\"cd,e", {"abcd", "e"}}, // text after the closing quote stays
    };
    for (const auto& [line, fields] : cases)
        EXPECT_EQ(splitLine(QString::fromUtf8(line)), fields) << line;
    EXPECT_EQ(splitTitleLine(QStringLiteral("名 称,\"単 価\"\t備考")), (QStringList{"名称", "単価", "備考"}));

    // Shift-JIS, or UTF-8 with its mark; any line end.
    const QString text = QStringLiteral("名称,単価\r\n㈱板,1\n①～,2\r");
    EXPECT_EQ(decodeLines(SjisCodec::encode(text), "f").lines, (QStringList{"名称,単価", "㈱板,1", "①～,2"}));
    EXPECT_EQ(decodeLines("\xEF\xBB\xBF" + text.toUtf8(), "f").lines, (QStringList{"名称,単価", "㈱板,1", "①～,2"}));

    // Bad bytes are named by line; nothing is read from such a file. Files the
    // import refuses as a whole are in its BadFiles.
    for (const QByteArray& bytes : {QByteArray("ok\n\xA0\xFF"), QByteArray("\xEF\xBB\xBFok\n\xC3")}) {
        const FileLines f = decodeLines(bytes, QStringLiteral("in.csv"));
        EXPECT_TRUE(f.lines.isEmpty() && f.error.contains(QStringLiteral("2行目"))) << f.error.toStdString();
    }
}

// Seeded hostile lines through the splitter and every conversion, for a bounded
// time: nothing may crash, hang or lose text outside quotes.
TEST(ImportText, SurvivesHostileLines)
{
    const QString alphabet = QStringLiteral(",,\t\"\" a1.-e▲板ｱ㈱\r\n\\'\x01");
    std::mt19937 random(20261206);
    QElapsedTimer timer;
    timer.start();
    int lines = 0;
    while (timer.elapsed() < 3000) {
        std::uniform_int_distribution<int> length(0, random() % 8 == 0 ? 3000 : 60);
        QString line;
        for (int n = length(random); n > 0; --n)
            line += alphabet.at(static_cast<int>(random() % alphabet.size()));
        const QStringList fields = splitLine(line);
        if (!line.contains('"')) {
            EXPECT_EQ(fields, line.isEmpty() ? QStringList{} : QString(line).replace('\t', ',').split(','));
        }
        for (const QString& field : fields)
            for (const Target& t : targets()) {
                try {
                    const QVariant v = convert(t, field);
                    EXPECT_TRUE(t.conversion != Conversion::Text || !v.isValid() ||
                                widthUnits(v.toString()) <= t.boxUnits);
                } catch (const Helpers::ConversionError&) {
                }
            }
        QByteArray bytes = line.toUtf8();
        for (char& b : bytes)
            b = static_cast<char>(b ^ static_cast<char>(random() % 4 == 0 ? random() : 0));
        const FileLines f = decodeLines(bytes, "x");
        EXPECT_TRUE(f.error.isEmpty() || f.lines.isEmpty());
        ++lines;
    }
    EXPECT_GT(lines, 100);
}

} // namespace
