#include "ImportText.h"
#include "Helpers.h"
#include "SjisCodec.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <random>

using namespace ImportText;

namespace {

QString problemOf(int code, const QString& field)
{
    return convert(*target(code), field).problem;
}

// Titles suggest targets, the captions of the member grid's export included;
// later rules win over earlier ones.
TEST(ImportText, TitlesSuggestTargets)
{
    const std::pair<const char*, int> cases[] = {
        {"数量", 5},    {"単価（税抜）", 7}, {"原　価", 8}, {"部材ＣＤ", 11}, {"発注先名", 12}, {"部材CD", 13},
        {"業者CD", 11}, {"定　価", 14},      {"桁", 15},    {"利益率", 0},    {"名称 ", 0},     {"単位", 4}};
    for (const auto& [title, code] : cases) {
        const auto match = matchTitle(QString::fromUtf8(title));
        EXPECT_EQ(match ? match->code : 0, code) << title;
    }
}

// Amounts as people and Excel write them; what still cannot be read is named.
TEST(ImportText, ReadsAmountsAsAPersonWould)
{
    const std::pair<const char*, double> amounts[] = {{"￥1,200", 1200},
                                                      {"¥1,200", 1200},
                                                      {"\\1,200", 1200},
                                                      {"１２００", 1200},
                                                      {"１，２３４．５", 1234.5},
                                                      {"▲500", -500},
                                                      {"△1,500", -1500},
                                                      {"(1,200)", -1200},
                                                      {"（１２００）", -1200},
                                                      {" 12.5 ", 12.5},
                                                      {"－３", -3},
                                                      {"−3", -3},
                                                      {"-￥300", -300},
                                                      {"￥-300", -300},
                                                      {"\"1,234\"", 1234},
                                                      {"　７　", 7},
                                                      {"1,234,567.89", 1234567.89}};
    for (const auto& [text, value] : amounts) {
        const Converted c = convert(*target(7), QString::fromUtf8(text));
        EXPECT_TRUE(c.problem.isEmpty()) << text << " " << c.problem.toStdString();
        EXPECT_DOUBLE_EQ(c.value.toDouble(), value) << text;
    }
    for (const char* bad : {"abc", "1.2.3", "▲-5", "(▲5)", "￥￥5", "1e999", "-", "12円", "inf"}) {
        const QString problem = problemOf(7, QString::fromUtf8(bad));
        EXPECT_TRUE(problem.contains(QStringLiteral("金額として読めません"))) << bad << problem.toStdString();
    }
    // An empty or blank field is NULL, as an emptied grid cell is.
    for (const char* empty : {"", "  ", "　"})
        EXPECT_FALSE(convert(*target(7), QString::fromUtf8(empty)).value.isValid()) << empty;
}

// Numbers are whole and in their column's range; texts are kept whole and
// refused, with the reason, where the member list cannot hold them.
TEST(ImportText, NumbersAndTextsForTheMemberList)
{
    EXPECT_EQ(convert(*target(10), QStringLiteral("１２")).value, QVariant(12));
    EXPECT_EQ(convert(*target(11), QStringLiteral("1,234,567")).value, QVariant(1234567));
    EXPECT_FALSE(convert(*target(15), QString()).value.isValid());
    EXPECT_TRUE(problemOf(10, QStringLiteral("x1")).contains(QStringLiteral("整数として読めません")));
    EXPECT_TRUE(problemOf(10, QStringLiteral("1.5")).contains(QStringLiteral("整数として読めません")));
    EXPECT_TRUE(problemOf(10, QStringLiteral("40000")).contains(QStringLiteral("-32768から32767")));
    EXPECT_TRUE(problemOf(15, QStringLiteral("-5")).contains(QStringLiteral("0から32767")));
    EXPECT_FALSE(convert(*target(1), QStringLiteral("1")).value.isValid());

    // 40 full-width characters fit 名称; the line break of a cell becomes a blank.
    const QString forty = QString(38, QChar(u'髙')) + QStringLiteral("ｶﾞ");
    EXPECT_EQ(convert(*target(2), forty).value, QVariant(forty));
    EXPECT_EQ(convert(*target(2), QStringLiteral("合板\r\n９ｍｍ\t厚")).value,
              QVariant(QStringLiteral("合板 ９ｍｍ 厚")));
    EXPECT_TRUE(problemOf(2, forty + QLatin1Char('x')).contains(QStringLiteral("41文字あります。名称は40文字まで")));
    EXPECT_TRUE(problemOf(4, QStringLiteral("ABCDEFG")).contains(QStringLiteral("単位は6文字まで")));
    EXPECT_EQ(problemOf(2, QStringLiteral("板😀")),
              QStringLiteral("「😀」（U+1F600）はShift-JISで保存できない文字です。"));
    EXPECT_TRUE(problemOf(3, QStringLiteral("€5")).contains(QStringLiteral("U+20AC")));
    EXPECT_TRUE(problemOf(9, QStringLiteral("a\x01")).contains(QStringLiteral("制御文字（U+0001）")));
    // The look-alikes a Linux input method types are stored as code page 932's.
    EXPECT_TRUE(problemOf(2, QStringLiteral("〜−㈱①")).isEmpty());
}

QStringList fieldsOf(const QVector<Record>& records)
{
    QStringList out;
    for (const Record& r : records)
        out << QString::number(r.line) + QLatin1Char(':') + r.fields.join(QLatin1Char('|'));
    return out;
}

// Records as RFC 4180 has them, each with the line it starts on; a TAB file
// keeps commas and the quotes that belong to its text.
TEST(ImportText, SplitsRecords)
{
    const std::tuple<const char*, char, QStringList> cases[] = {
        {"a,\"b,c\",\"x\"\"y\"\r\nd,,\r\n", ',', {"1:a|b,c|x\"y", "2:d||"}},
        // Alt+Enter in a cell: one record over three lines; the next starts on line 4.
        {"名称,摘要\n\"合板\n９ｍｍ\r\n厚\",z\n釘,w", ',', {"1:名称|摘要", "2:合板\n９ｍｍ\r\n厚|z", "5:釘|w"}},
        {"\"ab\"cd,e", ',', {"1:abcd|e"}},               // text after the closing quote stays
        {"\"abc,def\nx,y", ',', {"1:abc,def", "2:x|y"}}, // a quote left open ends with its line
        {"\n\nx", ',', {"1:", "2:", "3:x"}},
        {"a,b\tc,\"d\"\t12\"\t\"ABC\" type\t\"x\ty\"\t\"p\"\"q\"", '\t', {"1:a,b|c,\"d\"|12\"|\"ABC\" type|x\ty|p\"q"}},
        {"\"open\tb\nc\td", '\t', {"1:\"open|b", "2:c|d"}},
    };
    for (const auto& [text, sep, expected] : cases)
        EXPECT_EQ(fieldsOf(splitRecords(QString::fromUtf8(text), QLatin1Char(sep))), expected) << text;
}

// The separator comes from the title line, and from the extension in any case
// when the line holds both or neither.
TEST(ImportText, TellsTabsFromCommas)
{
    const std::tuple<const char*, const char*, char> cases[] = {
        {"名称\t単価", "data.Csv", '\t'},
        {"名称,単価", "price.tsv", ','},
        {"\"a\tb\",c", "x", ','},
        {"名称\t単価(円,税抜)", "list.TXT", '\t'},
        {"名称\t単価(円,税抜)", "list.CSV", ','},
        {"名称", "price.TSV", '\t'},
        {"名称", "noextension", ','},
        {"a\tb\tc,d", "noextension", '\t'},
    };
    for (const auto& [text, name, sep] : cases)
        EXPECT_EQ(detectSeparator(QString::fromUtf8(text), QString::fromUtf8(name)), QChar(QLatin1Char(sep)))
            << text << " " << name;
}

// Shift-JIS, UTF-8 or UTF-16 with their marks; any line end; bad bytes named by line.
TEST(ImportText, DecodesTheFilesOfAnOffice)
{
    const QString text = QStringLiteral("名称,単価\r\n㈱板,\\1\n①～,2\r");
    const QStringList lines{"名称,単価", "㈱板,\\1", "①～,2"};
    EXPECT_EQ(decodeLines(SjisCodec::encode(text), "f").lines, lines);
    EXPECT_EQ(decodeLines("\xEF\xBB\xBF" + text.toUtf8(), "f").lines, lines);
    QByteArray utf16("\xFF\xFE");
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    const FileLines wide = decodeLines(utf16, "f");
    EXPECT_EQ(wide.lines, lines);
    EXPECT_TRUE(wide.utf8);
    for (const QByteArray& bytes : {QByteArray("ok\n\xA0\xFF"), QByteArray("\xEF\xBB\xBFok\n\xC3")}) {
        const FileLines f = decodeLines(bytes, QStringLiteral("in.csv"));
        EXPECT_TRUE(f.lines.isEmpty() && f.error.contains(QStringLiteral("2行目"))) << f.error.toStdString();
    }
}

// Generated hostile texts through the splitter and every conversion for a
// bounded time: random bytes, cut double-byte characters, unbalanced quotes,
// NUL bytes, 10,000 columns, a 1 MB line. Nothing may crash or hang; every
// record has a line of its own, in order, inside the text; every field either
// converts or is refused with a reason; outside quotes nothing is lost.
TEST(ImportText, SurvivesHostileFiles)
{
    const QByteArray alphabet =
        SjisCodec::encode(QStringLiteral(",,\t\"\" a1.-e▲板ｱ㈱￥\r\n\\'")) + QByteArray("\x01\0\x81", 3);
    std::mt19937 random(20261206);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    QElapsedTimer timer;
    timer.start();
    int files = 0;
    while (timer.elapsed() < 3000 || files < 50) {
        QByteArray bytes;
        if (files == 0) { // a 1 MB line with a quote somewhere
            bytes = QByteArray(1 << 20, 'x');
            bytes[pick(1 << 20)] = '"';
        } else if (files == 1) { // 10,000 columns, then an unbalanced quote
            bytes = QByteArray(10000, ',') + "\r\n" + QByteArray(9999, ',') + "\"";
        } else if (files % 3 == 0) { // random bytes
            for (int n = pick(400); n > 0; --n)
                bytes += static_cast<char>(random());
        } else { // lines of the alphabet, cut anywhere
            for (int n = pick(files % 5 == 0 ? 3000 : 120); n > 0; --n)
                bytes += alphabet.at(pick(static_cast<int>(alphabet.size())));
        }
        if (pick(4) == 0)
            bytes.prepend("\xEF\xBB\xBF");
        const FileLines file = decodeLines(bytes, QStringLiteral("x"));
        ASSERT_TRUE(file.error.isEmpty() || file.lines.isEmpty());
        const QString text = file.lines.join(QLatin1Char('\n'));
        for (QChar sep : {QChar(QLatin1Char(',')), QChar(QLatin1Char('\t'))}) {
            const QVector<Record> records = splitRecords(text, sep);
            int last = 0;
            for (const Record& r : records) {
                ASSERT_GT(r.line, last);
                ASSERT_LE(r.line, std::max<qsizetype>(1, file.lines.size()));
                last = r.line;
                ASSERT_FALSE(r.fields.isEmpty());
                for (int f = 0; f < std::min<qsizetype>(r.fields.size(), 20); ++f)
                    for (const Target& t : targets()) {
                        const Converted c = convert(t, r.fields.at(f));
                        ASSERT_TRUE(c.problem.isEmpty() || !c.value.isValid());
                        if (t.conversion == Conversion::Text && c.value.isValid()) {
                            ASSERT_LE(c.value.toString().size(), t.maxLength);
                        }
                    }
            }
            if (!text.contains(QLatin1Char('"'))) {
                QStringList joined;
                for (const Record& r : records)
                    joined << r.fields.join(sep);
                ASSERT_EQ(joined.join(QLatin1Char('\n')), text.endsWith(QLatin1Char('\n')) ? text.chopped(1) : text);
            }
        }
        ++files;
    }
    EXPECT_GE(files, 50);
}

} // namespace
