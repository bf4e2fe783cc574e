#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

#include <functional>
#include <stdexcept>

// Small conversions shared by many commands: character width, amounts, rounding,
// SQL date literals, directories and the hex-encoded texts of the suite's files.
namespace Helpers {

// A text that should have been a number was not one.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Full-width ASCII, ideographic space, "￥" and katakana to their half-width forms;
// voiced katakana split into base + ﾞ/ﾟ. "￥" becomes "\\", which is what Shift-JIS
// byte 0x5C (the half-width yen) reads back as.
QString toHalfWidth(const QString& text);
// The reverse, with "¥" to "￥"; a half-width kana followed by ﾞ/ﾟ is joined into
// one character.
QString toFullWidth(const QString& text);
// Hiragana to katakana; everything else unchanged.
QString toKatakana(const QString& text);

// Amount text as typed, stored or written by Excel: "," ignored, "▲", "△", "-" or
// parentheses for a minus, a yen sign ("￥", "¥" or "\\") in front, full-width
// digits and signs, double quotes and blanks ignored, empty is 0. Throws ConversionError.
double parseAmount(const QString& text);

// mode: 0 none, -1 toward zero, 1 away from zero, 2 half away from zero.
// unit > 0 rounds to a multiple of unit; 0 to an integer; -10, -100 … to 1, 2 …
// decimal places. Never returns -0.
double roundValue(double value, int mode, int unit);

// The column Enter moves to in a grid of `columnCount` columns: the next one to the
// right, with `skipReadOnly` passing over columns for which `readOnly` holds but
// never beyond the last; from the last column back to column 0, read-only or not.
// -1 when there are no columns. The caller posts the row's edit before moving.
int nextGridColumn(int columnCount, int current, bool skipReadOnly, const std::function<bool(int)>& readOnly);

// "M/D/YYYY" (optionally in single quotes) for SQL text; empty for no date.
QString dateLiteral(const QDate& date, bool quoted);

int currentMonth();

// Creates the directory and its missing parents; 0 on success, 1 on failure.
// Both "/" and "\" separate components.
int makeDirectories(const QString& path);
void changeToDirectory(const QString& path);

// Two hex digits per Shift-JIS byte, as the suite writes the company name. A lone
// last digit is ignored; decoding stops at the first pair that is not hex.
QString decodeHexText(const QString& hex);

// Integer of the trimmed text; 0 when empty or not an integer.
int toIntOrZero(const QString& text);
// Text up to the first CR or LF.
QString firstLine(const QString& text);
// The text as a value to bind: NULL when it is empty.
QVariant textOrNull(const QString& text);
// A unit name as stored: first line without any ASCII or ideographic blanks.
QString unitText(const QString& text);

} // namespace Helpers
