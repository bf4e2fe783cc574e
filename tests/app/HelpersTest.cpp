#include "Helpers.h"
#include "SjisCodec.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>

using namespace Helpers;

namespace {

// The exact answer for a value of `cents` / 100, by integer arithmetic on cents.
long long exactCents(long long cents, int mode, int unit)
{
    // step: the rounding position; cut: the digit below it that rounding away from
    // zero still looks at (1201 rounds to 1200 at 100, 12.01 to 12 at 1).
    long long step = 0, cut = 0;
    if (unit >= 1) {
        step = 100LL * unit;
        cut = 100LL * std::max(1, unit / 10);
    } else {
        const long long f = unit == 0 ? 1 : -unit;
        step = 100 / f;
        cut = std::max(1LL, 100 / (f * 10));
    }
    const long long a = std::llabs(cents);
    long long r = a;
    if (mode == -1)
        r = a / step * step;
    else if (mode == 1)
        r = (a / cut * cut + step - 1) / step * step;
    else if (mode == 2)
        r = (a + step / 2) / step * step;
    return cents < 0 ? -r : r;
}

// The shortest text that reads back as the same double; "-0" for negative zero.
std::string shortest(double v)
{
    char buf[32];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// Amounts are typed with at most two decimals, whose binary forms are rarely exact:
// 1.1 × 100 is 110.00000000000001, 81.71 × 100 is 8170.999999999999. Every cent
// is checked in every mode and unit; the table adds more decimals, a larger value
// and an unknown mode (0 none, -1 toward zero, 1 away from zero, 2 half away).
TEST(RoundValue, ExactInEveryModeAndUnit)
{
    for (const int mode : {0, -1, 1, 2}) {
        for (const int unit : {-100, -10, 0, 1, 10, 100, 1000}) {
            int wrong = 0;
            for (int cents = -10000; cents <= 10000; ++cents) {
                const double want = double(exactCents(cents, mode, unit)) / 100.0;
                const double got = roundValue(cents / 100.0, mode, unit);
                if (shortest(got) != shortest(want) && ++wrong <= 5)
                    ADD_FAILURE() << "mode " << mode << ", unit " << unit << ": " << shortest(cents / 100.0) << " → "
                                  << shortest(got) << ", want " << shortest(want);
            }
        }
        EXPECT_EQ("0", shortest(roundValue(-0.0, mode, 0))) << "mode " << mode;
    }
    const char* cases[] = {
        // value mode unit expected
        "1234.567 0 100 1234.567", "7.5 3 0 7.5",         "1.2345 -1 -100 1.23",  "-1.2345 -1 -100 -1.23",
        "1.235 2 -100 1.24",       "-1.235 2 -100 -1.24", "1.2349 2 -100 1.23",   "1.231 1 -100 1.24",
        "-1.231 1 -100 -1.24",     "1.2301 1 -100 1.23",  "-1.2301 1 -100 -1.23",
    };
    for (const char* c : cases) {
        const QStringList f = QString::fromLatin1(c).split(' ');
        EXPECT_DOUBLE_EQ(f[3].toDouble(), roundValue(f[0].toDouble(), f[1].toInt(), f[2].toInt())) << c;
    }
}

TEST(ParseAmount, AcceptsTheSuitesNotationsAndRejectsTheRest)
{
    // text=amount
    for (const char* c : {"▲1,234=-1234", "\"12 345\"=12345", "=0", "-0.25=-0.25", " 7 =7", "1,234,567.89=1234567.89",
                          "+3=3", ".5=0.5", "1e3=1000", "▲ 0.5=-0.5"}) {
        const QString text = QString::fromUtf8(c).section('=', 0, 0), amount = QString::fromUtf8(c).section('=', 1);
        EXPECT_DOUBLE_EQ(amount.toDouble(), parseAmount(text)) << c;
    }
    for (const char* text : {"abc", "1.2.3", "-", "inf", "nan", "12円", "1-2", "\"\""})
        EXPECT_THROW(parseAmount(QString::fromUtf8(text)), ConversionError) << text;
}

// Well-formed names are read with SYSTEM.DAT; here the broken ones.
TEST(DecodeHexText, StopsAtBrokenPairsAndTheByteLimit)
{
    const char* cases[][2] = {
        {"878AB6DE", "㈱ｶﾞ"},
        {"4142434", "ABC"}, // a lone last digit has no partner and is dropped
        {"41ZZ42", "A"},    // decoding stops at the first pair that is not hex
        {"41 242", "A"},
    };
    for (const auto& [hex, expected] : cases)
        EXPECT_EQ(QString::fromUtf8(expected), decodeHexText(QString::fromLatin1(hex))) << hex;
    EXPECT_EQ(QString(2047, QLatin1Char('A')), decodeHexText(QStringLiteral("41").repeated(2100))) << "byte limit";
}

// Full-width text and its half-width form, both ways.
TEST(WidthConversion, MixedTextBothWays)
{
    const char* cases[][2] = {{"Ａ１　ー「テスト」、。・＼～！＂", "A1 ｰ｢ﾃｽﾄ｣､｡･\\~!\""},
                              {"ガギパピヴ゛゜", "ｶﾞｷﾞﾊﾟﾋﾟｳﾞﾞﾟ"},
                              {"漢字とひらがな", "漢字とひらがな"}};
    for (const auto& [full, half] : cases) {
        EXPECT_EQ(QString::fromUtf8(half), toHalfWidth(QString::fromUtf8(full))) << full;
        EXPECT_EQ(QString::fromUtf8(full), toFullWidth(QString::fromUtf8(half))) << half;
    }
    // Marks that cannot join their neighbour stay separate.
    const char* marks[][2] = {{"ｱﾞ", "ア゛"}, {"ｶﾟ", "カ゜"}, {"ﾞｶ", "゛カ"}, {"ｶﾞﾞ", "ガ゛"}};
    for (const auto& [half, full] : marks)
        EXPECT_EQ(QString::fromUtf8(full), toFullWidth(QString::fromUtf8(half))) << half;

    EXPECT_EQ(QStringLiteral("ヒラガナトカタカナ、ヴヽヾ漢字ーabcｶ"),
              toKatakana(QStringLiteral("ひらがなとカタカナ、ゔゝゞ漢字ーabcｶ")));

    // Shift-JIS byte 0x5C is the yen sign of Japanese text and reads back as "\\";
    // names compared by their half-width forms must meet the stored byte.
    const QString yen = toHalfWidth(QStringLiteral("￥１００"));
    EXPECT_EQ(QStringLiteral("\\100"), yen);
    EXPECT_EQ(QByteArray("\\100"), SjisCodec::encode(yen)) << "a single byte 0x5C";
    EXPECT_EQ(yen, SjisCodec::decode(SjisCodec::encode(yen)));
    EXPECT_EQ(QStringLiteral("￥"), toFullWidth(QStringLiteral("¥")));
}

TEST(WidthConversion, EveryKatakanaRoundTrips)
{
    const QString noHalfForm = QStringLiteral("ヮヰヱヵヶ");
    for (char16_t c = 0x30A1; c <= 0x30F6; ++c) {
        const QString full(QChar{c}), half = toHalfWidth(full);
        if (noHalfForm.contains(full)) {
            EXPECT_EQ(full, half);
            continue;
        }
        EXPECT_TRUE(half.at(0).unicode() >= 0xFF61 && half.at(0).unicode() <= 0xFF9F) << int(c);
        EXPECT_EQ(full, toFullWidth(half)) << int(c);
    }
    for (char16_t c = 0xFF61; c <= 0xFF9F; ++c)
        EXPECT_EQ(QString(QChar{c}), toHalfWidth(toFullWidth(QString(QChar{c})))) << int(c);
}

TEST(NextGridColumn, MovesRightOverReadOnlyColumnsAndWrapsFromTheLast)
{
    const std::tuple<const char*, int, int> cases[] = {
        // one letter per column, 'r' read-only; current; expected
        {"..rrr", 1, 4}, // read-only up to the end: stops on the last
        {"r...r", 4, 0}, // column 0 is taken even when read-only
        {"rr..", -1, 2}, // no current column yet
        {"r", 0, 0},     // the only column, read-only
        {"...", 7, 0},   // beyond the last
        {"", 0, -1},     // no columns at all
    };
    for (const auto& [columns, current, expected] : cases) {
        const int n = int(std::strlen(columns));
        const auto readOnly = [&, columns = columns](int column) {
            EXPECT_TRUE(column >= 0 && column < n) << "asked about column " << column;
            return column >= 0 && column < n && columns[column] == 'r';
        };
        EXPECT_EQ(expected, nextGridColumn(n, current, true, readOnly)) << columns << " from " << current;
    }
}

TEST(ValueConversions, DatesIntegersFirstLineAndUnit)
{
    EXPECT_EQ(QStringLiteral("4/1/2021"), dateLiteral(QDate(2021, 4, 1), false));
    EXPECT_EQ(QStringLiteral("'12/31/1899'"), dateLiteral(QDate(1899, 12, 31), true));
    // 1899-12-30 is day zero of the stored dates, i.e. no date.
    EXPECT_EQ(QString(), dateLiteral(QDate(1899, 12, 30), true));
    EXPECT_EQ(QString(), dateLiteral(QDate(), true));

    const std::tuple<const char*, int, const char*, const char*> cases[] = {
        // text, integer, first line, unit
        {" -12 ", -12, " -12 ", "-12"}, {"1.5", 0, "1.5", "1.5"}, {"ｍ 2\r\nx", 0, "ｍ 2", "ｍ2"},
        {"　本 \nx", 0, "　本 ", "本"}, {"7\rx", 0, "7", "7"},    {"99999999999", 0, "99999999999", "99999999999"},
    };
    for (const auto& [text, integer, line, unit] : cases) {
        EXPECT_EQ(integer, toIntOrZero(QString::fromUtf8(text))) << text;
        EXPECT_EQ(QString::fromUtf8(line), firstLine(QString::fromUtf8(text))) << text;
        EXPECT_EQ(QString::fromUtf8(unit), unitText(QString::fromUtf8(text))) << text;
    }
}

TEST(MakeDirectories, CreatesParentsUpToTenLevels)
{
    QTemporaryDir tmp;
    EXPECT_EQ(0, makeDirectories(tmp.path() + QStringLiteral("/a\\b/c"))); // either separator
    EXPECT_TRUE(QDir(tmp.path() + QStringLiteral("/a/b/c")).exists());
    EXPECT_EQ(1, makeDirectories(tmp.path() + QStringLiteral("/a/b/c"))) << "an existing directory fails";

    const QString nine = QStringLiteral("/d2/d3/d4/d5/d6/d7/d8/d9/d10"),
                  eleven = tmp.path() + QStringLiteral("/eleven");
    EXPECT_EQ(0, makeDirectories(tmp.path() + QStringLiteral("/ten") + nine));
    EXPECT_EQ(1, makeDirectories(eleven + nine + QStringLiteral("/d11")));
    EXPECT_FALSE(QDir(eleven).exists());
    // The failed attempt must not leave the nesting counter raised.
    EXPECT_EQ(0, makeDirectories(tmp.path() + QStringLiteral("/after/x")));
}

} // namespace
