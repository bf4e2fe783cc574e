#include "Helpers.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace Helpers;

namespace {

struct RoundCase {
    double value;
    int mode;
    int unit;
    double expected;
};

void PrintTo(const RoundCase& c, std::ostream* os) {
    *os << "(" << c.value << ", " << c.mode << ", " << c.unit << ")";
}

class RoundValueTest : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundValueTest, MatchesTable) {
    const RoundCase& c = GetParam();
    EXPECT_DOUBLE_EQ(c.expected, roundValue(c.value, c.mode, c.unit));
}

INSTANTIATE_TEST_SUITE_P(None, RoundValueTest,
                         ::testing::Values(RoundCase{1234.567, 0, 100, 1234.567}, RoundCase{-5.55, 0, -10, -5.55},
                                           RoundCase{7.5, 3, 0, 7.5})); // unknown modes leave the value alone

INSTANTIATE_TEST_SUITE_P(TowardZero, RoundValueTest,
                         ::testing::Values(RoundCase{1299, -1, 100, 1200}, RoundCase{-1299, -1, 100, -1200},
                                           RoundCase{12.9, -1, 0, 12}, RoundCase{-12.9, -1, 0, -12},
                                           RoundCase{1.2345, -1, -100, 1.23}, RoundCase{-1.2345, -1, -100, -1.23},
                                           // 0.29 × 100 is 28.999999999999996 in binary; the margin keeps 0.29
                                           RoundCase{0.29, -1, -100, 0.29}, RoundCase{-0.29, -1, -100, -0.29},
                                           RoundCase{0, -1, 10, 0}));

INSTANTIATE_TEST_SUITE_P(HalfAwayFromZero, RoundValueTest,
                         ::testing::Values(RoundCase{1234.5, 2, 0, 1235}, RoundCase{-1234.5, 2, 0, -1235},
                                           RoundCase{1234.4, 2, 0, 1234}, RoundCase{-1234.4, 2, 0, -1234},
                                           RoundCase{1250, 2, 100, 1300}, RoundCase{-1250, 2, 100, -1300},
                                           RoundCase{1249, 2, 100, 1200}, RoundCase{-1249, 2, 100, -1200},
                                           RoundCase{1.235, 2, -100, 1.24}, RoundCase{-1.235, 2, -100, -1.24},
                                           RoundCase{1.2349, 2, -100, 1.23}, RoundCase{2.45, 2, -10, 2.5}));

INSTANTIATE_TEST_SUITE_P(AwayFromZero, RoundValueTest,
                         ::testing::Values(RoundCase{1234, 1, 100, 1300}, RoundCase{1201, 1, 100, 1200},
                                           RoundCase{1210, 1, 100, 1300}, RoundCase{-1210, 1, 100, -1300},
                                           RoundCase{-1201, 1, 100, -1200}, RoundCase{1201, 1, 10, 1210},
                                           RoundCase{0, 1, 10, 0}, RoundCase{1300, 1, 100, 1300},
                                           RoundCase{12.01, 1, 0, 12}, RoundCase{12.1, 1, 0, 13},
                                           RoundCase{-12.1, 1, 0, -13}, RoundCase{1.231, 1, -100, 1.24},
                                           RoundCase{-1.231, 1, -100, -1.24}, RoundCase{1.2301, 1, -100, 1.23},
                                           // 1.1 × 100 is 110.00000000000001; the text round trip keeps 1.1
                                           RoundCase{1.1, 1, -100, 1.1}));

TEST(ParseAmount, AcceptsTheSuitesNotations) {
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"▲1,234", -1234}, {"\"12 345\"", 12345},        {"", 0},   {"1.5", 1.5}, {"-0.25", -0.25},
        {" 7 ", 7},        {"1,234,567.89", 1234567.89}, {"+3", 3}, {".5", 0.5},  {"1e3", 1000},
        {"▲ 0.5", -0.5},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(c.expected, parseAmount(QString::fromUtf8(c.text))) << c.text;
}

TEST(ParseAmount, RejectsWhatIsNotANumber) {
    for (const char* text : {"abc", "1.2.3", "-", "inf", "nan", "12円", "1-2", "\"\""})
        EXPECT_THROW(parseAmount(QString::fromUtf8(text)), ConversionError) << text;
}

TEST(ParseAmount, ErrorNamesTheText) {
    try {
        parseAmount(QStringLiteral("abc"));
        FAIL() << "no exception";
    } catch (const ConversionError& e) {
        EXPECT_EQ(std::string("'abc' は有効な数値ではありません"), e.what());
    }
}

TEST(DecodeHexText, DecodesShiftJisPairs) {
    const struct {
        const char* hex;
        const char* expected;
    } cases[] = {
        {"414243", "ABC"},  {"616263", "abc"}, // lower-case digits too
        {"4142434", "ABC"},                    // a lone last digit has no partner and is dropped
        {"", ""},           {"82A0", "あ"},    {"8ABF8E9A", "漢字"},
        {"878A", "㈱"},     {"41ZZ42", "A"}, // decoding stops at the first pair that is not hex
        {"41 242", "A"},    {"B6DE", "ｶﾞ"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QString::fromUtf8(c.expected), decodeHexText(QString::fromLatin1(c.hex))) << c.hex;
}

TEST(DecodeHexText, StopsAt2047Bytes) {
    EXPECT_EQ(QString(2047, QLatin1Char('A')), decodeHexText(QStringLiteral("41").repeated(2100)));
}

TEST(WidthConversion, MixedText) {
    const struct {
        const char* full;
        const char* half;
    } cases[] = {
        {"Ａ１　ー「テスト」、。・", "A1 ｰ｢ﾃｽﾄ｣､｡･"},
        {"ガギパピヴ", "ｶﾞｷﾞﾊﾟﾋﾟｳﾞ"},
        {"ッャァヲン", "ｯｬｧｦﾝ"},
        {"゛゜", "ﾞﾟ"},
        {"＼～！＂", "\\~!\""},
        {"漢字とひらがな", "漢字とひらがな"},
        {"ヅバブプ", "ﾂﾞﾊﾞﾌﾞﾌﾟ"},
        {"ＡＢＣ　ｘｙｚ", "ABC xyz"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QString::fromUtf8(c.half), toHalfWidth(QString::fromUtf8(c.full))) << c.full;
        EXPECT_EQ(QString::fromUtf8(c.full), toFullWidth(QString::fromUtf8(c.half))) << c.half;
    }
}

TEST(WidthConversion, MarksThatCannotJoinStaySeparate) {
    const struct {
        const char* half;
        const char* full;
    } cases[] = {
        {"ｱﾞ", "ア゛"},
        {"ｶﾟ", "カ゜"},
        {"ﾞｶ", "゛カ"},
        {"ｶﾞﾞ", "ガ゛"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QString::fromUtf8(c.full), toFullWidth(QString::fromUtf8(c.half))) << c.half;
}

TEST(WidthConversion, EveryKatakanaRoundTrips) {
    const QString noHalfForm = QStringLiteral("ヮヰヱヵヶ");
    for (char16_t c = 0x30A1; c <= 0x30F6; ++c) {
        const QString full(QChar{c});
        const QString half = toHalfWidth(full);
        if (noHalfForm.contains(full)) {
            EXPECT_EQ(full, half);
            continue;
        }
        EXPECT_TRUE(half.at(0).unicode() >= 0xFF61 && half.at(0).unicode() <= 0xFF9F) << int(c);
        EXPECT_EQ(full, toFullWidth(half)) << int(c);
    }
    for (char16_t c = 0xFF61; c <= 0xFF9F; ++c) {
        const QString half(QChar{c});
        EXPECT_EQ(half, toHalfWidth(toFullWidth(half))) << int(c);
    }
}

TEST(ToKatakana, ConvertsHiraganaOnly) {
    EXPECT_EQ(QStringLiteral("ヒラガナトカタカナ、ヴヽヾ漢字ーabcｶ"),
              toKatakana(QStringLiteral("ひらがなとカタカナ、ゔゝゞ漢字ーabcｶ")));
    EXPECT_EQ(QString(), toKatakana(QString()));
}

TEST(DateLiteral, MonthFirstWithoutLeadingZeros) {
    EXPECT_EQ(QStringLiteral("4/1/2021"), dateLiteral(QDate(2021, 4, 1), false));
    EXPECT_EQ(QStringLiteral("'4/1/2021'"), dateLiteral(QDate(2021, 4, 1), true));
    EXPECT_EQ(QStringLiteral("12/31/1999"), dateLiteral(QDate(1999, 12, 31), false));
    EXPECT_EQ(QString(), dateLiteral(QDate(1899, 12, 30), false));
    EXPECT_EQ(QString(), dateLiteral(QDate(1899, 12, 30), true));
    EXPECT_EQ(QString(), dateLiteral(QDate(), true));
    EXPECT_EQ(QStringLiteral("12/31/1899"), dateLiteral(QDate(1899, 12, 31), false));
}

TEST(ValueConversions, IntegerFirstLineAndUnit) {
    const struct {
        const char* text;
        int integer;
        const char* line;
        const char* unit;
    } cases[] = {
        {" 12 ", 12, " 12 ", "12"},     {"", 0, "", ""},          {"1.5", 0, "1.5", "1.5"},
        {"-3", -3, "-3", "-3"},         {"abc", 0, "abc", "abc"}, {"ｍ 2\r\nx", 0, "ｍ 2", "ｍ2"},
        {"　本 \nx", 0, "　本 ", "本"}, {"7\rx", 0, "7", "7"},    {"99999999999", 0, "99999999999", "99999999999"},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(c.integer, toIntOrZero(text)) << c.text;
        EXPECT_EQ(QString::fromUtf8(c.line), firstLine(text)) << c.text;
        EXPECT_EQ(QString::fromUtf8(c.unit), unitText(text)) << c.text;
    }
}

TEST(MakeDirectories, CreatesMissingParentsWithEitherSeparator) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    EXPECT_EQ(0, makeDirectories(tmp.path() + QStringLiteral("/a\\b/c")));
    EXPECT_TRUE(QDir(tmp.path() + QStringLiteral("/a/b/c")).exists());
    EXPECT_EQ(0, makeDirectories(tmp.path() + QStringLiteral("/a/b/d")));
    // Creating an existing directory fails, as the suite's helper always did.
    EXPECT_EQ(1, makeDirectories(tmp.path() + QStringLiteral("/a/b/d")));
    EXPECT_EQ(1, makeDirectories(QStringLiteral("")));
}

TEST(MakeDirectories, NestingIsLimitedToTenLevels) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    QString ten = tmp.path() + QStringLiteral("/ten");
    for (int i = 2; i <= 10; ++i)
        ten += QStringLiteral("/d%1").arg(i);
    EXPECT_EQ(0, makeDirectories(ten));
    EXPECT_TRUE(QDir(ten).exists());

    QString eleven = tmp.path() + QStringLiteral("/eleven");
    for (int i = 2; i <= 11; ++i)
        eleven += QStringLiteral("/d%1").arg(i);
    EXPECT_EQ(1, makeDirectories(eleven));
    EXPECT_FALSE(QDir(tmp.path() + QStringLiteral("/eleven")).exists());
    // The failed attempt must not leave the nesting counter raised.
    EXPECT_EQ(0, makeDirectories(tmp.path() + QStringLiteral("/after/x")));
}

TEST(ChangeToDirectory, MakesThePathCurrent) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString before = QDir::currentPath();
    QDir(tmp.path()).mkdir(QStringLiteral("sub"));
    changeToDirectory(tmp.path() + QStringLiteral("\\sub"));
    EXPECT_EQ(QDir(tmp.path() + QStringLiteral("/sub")).canonicalPath(), QDir::current().canonicalPath());
    QDir::setCurrent(before);
}

} // namespace
