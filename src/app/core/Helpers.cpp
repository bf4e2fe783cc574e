#include "Helpers.h"

#include "SjisCodec.h"

#include <QDir>
#include <QLocale>
#include <QRegularExpression>

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace {

// Full-width forms of U+FF61 … U+FF9F, in order.
constexpr char16_t kHalfKanaToFull[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2,                 // ｡｢｣､･ｦ
    0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5, 0x30E7, // ｧｨｩｪｫｬｭｮ
    0x30C3, 0x30FC,                                                 // ｯｰ
    0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA,                         // ｱ行
    0x30AB, 0x30AD, 0x30AF, 0x30B1, 0x30B3,                         // ｶ行
    0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD,                         // ｻ行
    0x30BF, 0x30C1, 0x30C4, 0x30C6, 0x30C8,                         // ﾀ行
    0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE,                         // ﾅ行
    0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB,                         // ﾊ行
    0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2,                         // ﾏ行
    0x30E4, 0x30E6, 0x30E8,                                         // ﾔﾕﾖ
    0x30E9, 0x30EA, 0x30EB, 0x30EC, 0x30ED,                         // ﾗ行
    0x30EF, 0x30F3, 0x309B, 0x309C,                                 // ﾜﾝﾞﾟ
};
constexpr char16_t kHalfKanaFirst = 0xFF61;
constexpr char16_t kHalfKanaLast = 0xFF9F;
static_assert(std::size(kHalfKanaToFull) == kHalfKanaLast - kHalfKanaFirst + 1);

constexpr char16_t kHalfVoiced = 0xFF9E;
constexpr char16_t kHalfSemiVoiced = 0xFF9F;

bool takesVoicedMark(char16_t full)
{
    static const QString bases = QStringLiteral("ウカキクケコサシスセソタチツテトハヒフヘホ");
    return full != 0 && bases.contains(QChar(full));
}

bool takesSemiVoicedMark(char16_t full)
{
    static const QString bases = QStringLiteral("ハヒフヘホ");
    return full != 0 && bases.contains(QChar(full));
}

char16_t voicedForm(char16_t full)
{
    return full == 0x30A6 ? char16_t(0x30F4) : char16_t(full + 1); // ウ → ヴ
}

// Half-width index (0-based from U+FF61) of a full-width character, or -1.
int halfKanaIndex(char16_t full)
{
    for (int i = 0; i < int(std::size(kHalfKanaToFull)); ++i) {
        if (kHalfKanaToFull[i] == full)
            return i;
    }
    return -1;
}

std::optional<QString> transliterate(const char* id, const QString& text)
{
    UErrorCode err = U_ZERO_ERROR;
    UParseError parseError;
    std::unique_ptr<icu::Transliterator> tr(
        icu::Transliterator::createInstance(icu::UnicodeString::fromUTF8(id), UTRANS_FORWARD, parseError, err));
    if (U_FAILURE(err) || !tr)
        return std::nullopt;
    icu::UnicodeString u(reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
    tr->transliterate(u);
    return QString(reinterpret_cast<const QChar*>(u.getBuffer()), u.length());
}

int hexDigit(QChar ch)
{
    const char16_t c = ch.unicode();
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Nesting of makeDirectories, so that a runaway path cannot recurse without end.
int s_makeDirectoriesDepth = 0;

} // namespace

namespace Helpers {

QString toHalfWidth(const QString& text)
{
    QString out;
    out.reserve(text.size() * 2);
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c >= 0xFF01 && c <= 0xFF5E) {
            out += QChar(char16_t(c - 0xFF01 + 0x21));
        } else if (c == 0x3000) {
            out += QLatin1Char(' ');
        } else if (c == 0xFFE5) {
            // Byte 0x5C is the half-width yen of Shift-JIS text and reads back as a
            // backslash; "¥" (U+00A5) would not compare equal to a stored name.
            out += QLatin1Char('\\');
        } else if (c == 0x3099 || c == 0x309A) {
            // combining marks, as typed by some input methods
            out += QChar(c == 0x3099 ? kHalfVoiced : kHalfSemiVoiced);
        } else if (const int i = halfKanaIndex(c); i >= 0) {
            out += QChar(char16_t(kHalfKanaFirst + i));
        } else if (c == 0x30F4) {
            out += QChar(char16_t(kHalfKanaFirst + halfKanaIndex(0x30A6)));
            out += QChar(kHalfVoiced);
        } else if (takesVoicedMark(char16_t(c - 1))) {
            out += QChar(char16_t(kHalfKanaFirst + halfKanaIndex(char16_t(c - 1))));
            out += QChar(kHalfVoiced);
        } else if (takesSemiVoicedMark(char16_t(c - 2))) {
            out += QChar(char16_t(kHalfKanaFirst + halfKanaIndex(char16_t(c - 2))));
            out += QChar(kHalfSemiVoiced);
        } else {
            out += ch;
        }
    }
    return out;
}

QString toFullWidth(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c >= 0x21 && c <= 0x7E) {
            out += QChar(char16_t(c - 0x21 + 0xFF01));
        } else if (c == 0x20) {
            out += QChar(char16_t(0x3000));
        } else if (c == 0xA5) {
            out += QChar(char16_t(0xFFE5)); // "\\" stays "＼", the Unicode full-width form
        } else if (c >= kHalfKanaFirst && c <= kHalfKanaLast) {
            const char16_t full = kHalfKanaToFull[c - kHalfKanaFirst];
            const char16_t next = i + 1 < text.size() ? text.at(i + 1).unicode() : 0;
            if (next == kHalfVoiced && takesVoicedMark(full)) {
                out += QChar(voicedForm(full));
                ++i;
            } else if (next == kHalfSemiVoiced && takesSemiVoicedMark(full)) {
                out += QChar(char16_t(full + 2));
                ++i;
            } else {
                out += QChar(full);
            }
        } else {
            out += QChar(c);
        }
    }
    return out;
}

QString toKatakana(const QString& text)
{
    // Filtered so that ICU leaves the prolonged sound mark and the digraph ゟ alone,
    // as the Windows mapping does.
    if (auto viaIcu = transliterate("[\\u3041-\\u3096\\u309D\\u309E] Hiragana-Katakana", text))
        return *viaIcu;
    QString out = text; // ICU data missing: the same mapping by code point
    for (QChar& ch : out) {
        const char16_t c = ch.unicode();
        if ((c >= 0x3041 && c <= 0x3096) || c == 0x309D || c == 0x309E)
            ch = QChar(char16_t(c + 0x60));
    }
    return out;
}

double parseAmount(const QString& text)
{
    if (text.isEmpty())
        return 0.0;
    // Written as people and Excel write amounts: full-width digits and signs,
    // blanks and thousands separators anywhere, a yen sign in front ("\\" is
    // byte 0x5C of Shift-JIS), and "▲", "△", "-" or parentheses for a negative.
    QString s;
    s.reserve(text.size());
    for (const QChar ch : text) {
        char16_t c = ch.unicode();
        if (c >= 0xFF01 && c <= 0xFF5E)
            c = char16_t(c - 0xFF01 + 0x21);
        switch (c) {
        case ',':
        case '"':
        case ' ':
        case '\t':
        case 0x3000:
        case 0x00A0: continue;
        case 0x2212:
        case 0x2010:
        case 0x2012:
        case 0x2013: c = '-'; break;
        case 0xFFE5:
        case 0x00A5: c = '\\'; break;
        default: break;
        }
        s += QChar(c);
    }
    const auto fail = [&]() -> double {
        throw ConversionError(QStringLiteral("'%1' は有効な数値ではありません").arg(text).toStdString());
    };
    bool negative = false;
    if (s.size() >= 2 && s.startsWith(QLatin1Char('(')) && s.endsWith(QLatin1Char(')'))) {
        negative = true;
        s = s.mid(1, s.size() - 2);
    }
    // At most one sign and one yen sign before the digits, in either order.
    bool hasSign = false, yen = false;
    qsizetype i = 0;
    for (; i < s.size(); ++i) {
        const QChar c = s.at(i);
        const bool minus = c == QLatin1Char('-') || c == QChar(u'▲') || c == QChar(u'△');
        if (minus || c == QLatin1Char('+')) {
            if (hasSign || negative)
                return fail();
            hasSign = true;
            negative = minus;
        } else if (c == QLatin1Char('\\')) {
            if (yen)
                return fail();
            yen = true;
        } else {
            break;
        }
    }
    s = s.mid(i);
    if (s.isEmpty())
        return fail();
    // Only plain decimal notation; QString::toDouble alone would also take "inf".
    static const QRegularExpression number(QStringLiteral("^([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    bool ok = false;
    const double value = number.match(s).hasMatch() ? QLocale::c().toDouble(s, &ok) : 0.0;
    if (!ok)
        return fail();
    return negative ? -value : value;
}

namespace {

// Fifteen significant digits, the precision of the suite's float-to-text, drop the
// binary residue of a product: 1.1 × 100 is 110.00000000000001 and 81.71 × 100 is
// 8170.999999999999, either of which would move a cut or a rounding by one step.
double withoutResidue(double x)
{
    return QString::number(x, 'g', 15).toDouble();
}

double roundRaw(double value, int mode, int unit)
{
    const double f = unit > 0 ? unit : unit == 0 ? 1.0 : -double(unit);
    const bool positive = value >= 0.0;
    const bool multiple = unit >= 1;
    switch (mode) {
    case -1:
        if (multiple)
            return (positive ? std::floor(value / f) : std::ceil(value / f)) * f;
        return positive ? std::floor(value * f + 0.0001) / f : std::ceil(value * f - 0.0001) / f;
    case 2:
        if (multiple) {
            return (positive ? std::floor(value / f + 0.5 + 0.00001) : std::ceil(value / f - 0.5 - 0.00001)) * f;
        }
        return positive ? std::floor(value * f + 0.5 + 0.00001) / f : std::ceil(value * f - 0.5 - 0.00001) / f;
    case 1:
        // Cut one digit below the rounding position first, so that noise further
        // down (1200.0000001) does not round up.
        if (multiple) {
            const double g = std::max(1.0, std::trunc(f / 10.0));
            if (positive)
                return std::ceil(std::floor(value / g) * g / f) * f;
            return std::floor(std::ceil(value / g) * g / f) * f;
        } else {
            const double g = std::max(1.0, std::trunc(f * 10.0));
            if (positive) {
                const double v = std::floor(withoutResidue(value * g)) / g;
                return std::ceil(withoutResidue(v * f)) / f;
            }
            const double v = std::ceil(withoutResidue(value * g)) / g;
            return std::floor(withoutResidue(v * f)) / f;
        }
    default: return value;
    }
}

} // namespace

double roundValue(double value, int mode, int unit)
{
    const double r = roundRaw(value, mode, unit);
    // ceil(-0.4) is -0, which the grid and the CSV file would show as "-0".
    return r == 0.0 ? 0.0 : r;
}

int nextGridColumn(int columnCount, int current, bool skipReadOnly, const std::function<bool(int)>& readOnly)
{
    if (columnCount <= 0)
        return -1;
    if (current >= columnCount - 1)
        return 0;
    int column = std::max(current, -1) + 1;
    while (skipReadOnly && column < columnCount - 1 && readOnly(column))
        ++column;
    return column;
}

QString dateLiteral(const QDate& date, bool quoted)
{
    if (!date.isValid() || date == QDate(1899, 12, 30))
        return QString();
    const QString text = QStringLiteral("%1/%2/%3").arg(date.month()).arg(date.day()).arg(date.year());
    return quoted ? QLatin1Char('\'') + text + QLatin1Char('\'') : text;
}

int currentMonth()
{
    return QDate::currentDate().month();
}

int makeDirectories(const QString& path)
{
    struct DepthGuard {
        DepthGuard() { ++s_makeDirectoriesDepth; }
        ~DepthGuard() { --s_makeDirectoriesDepth; }
    } guard;
    if (s_makeDirectoriesDepth > 10)
        return 1;

    QString native = path;
    native.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QDir().mkdir(native))
        return 0;
    const qsizetype cut = native.lastIndexOf(QLatin1Char('/'));
    if (cut < 0)
        return 1;
    const QString parent = native.left(cut);
    makeDirectories(parent);
    if (QDir(parent.isEmpty() ? QStringLiteral("/") : parent).exists() && QDir().mkdir(native))
        return 0;
    return 1;
}

void changeToDirectory(const QString& path)
{
    QString native = path;
    native.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QDir::setCurrent(native);
}

QString decodeHexText(const QString& hex)
{
    constexpr int maxBytes = 2047;
    QByteArray bytes;
    for (qsizetype i = 0; i + 1 < hex.size() && bytes.size() < maxBytes; i += 2) {
        const int high = hexDigit(hex.at(i));
        const int low = hexDigit(hex.at(i + 1));
        if (high < 0 || low < 0)
            break;
        bytes.append(char(high * 16 + low));
    }
    return SjisCodec::decode(bytes);
}

int toIntOrZero(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : 0;
}

QString firstLine(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("[\r\n]"));
    const qsizetype end = text.indexOf(lineBreak);
    return end < 0 ? text : text.left(end);
}

QVariant textOrNull(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QString unitText(const QString& text)
{
    QString s = firstLine(text);
    s.remove(QLatin1Char(' '));
    s.remove(QChar(0x3000));
    return s;
}

} // namespace Helpers
