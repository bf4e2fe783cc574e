#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <optional>

// The text side of the member import: reading a file as lines, splitting a line
// into fields, recognising column titles and converting a field for its target.
namespace ImportText {

// A file read as lines. `error` is set, and `lines` empty, when the file cannot
// be read or is not text in its encoding.
struct FileLines {
    QStringList lines;
    bool utf8 = false; // the file began with a UTF-8 byte-order mark
    QString error;
};

// Excel's "CSV UTF-8" files start with a byte-order mark and are read as UTF-8;
// every other file is Shift-JIS. Lines end at CR LF, LF or CR.
FileLines readLines(const QString& path);
FileLines decodeLines(const QByteArray& bytes, const QString& shownName);

// Writes lines with CR LF in the encoding they were read in; false when the file
// cannot be written, with the reason in `error`.
bool writeLines(const QString& path, const FileLines& file, QString* error = nullptr);

// Fields of a data line: TABs count as commas, a field in double quotes may hold
// commas and "" for a quote, empty fields are kept, blanks belong to the field.
QStringList splitLine(const QString& line);
// Fields of the title line: as splitLine() but without half-width blanks.
QStringList splitTitleLine(const QString& line);

// How a file value becomes a column value.
enum class Conversion { None, Text, Amount, Integer };

// One target of the mapping (the rows of CMV_02).
struct Target {
    int code;
    QString name;   // shown as 列名
    QString column; // column of BUSAI_CNV it feeds
    QString kind;   // shown as 種類
    Conversion conversion;
    int boxUnits; // Text only: half-width characters that fit on one line of its box
};
const QVector<Target>& targets();
const Target* target(int code);

// The target a column title suggests; later rules win over earlier ones.
struct TitleMatch {
    int code;
    QString name;
};
std::optional<TitleMatch> matchTitle(const QString& title);

// Half-width units of a text: full-width characters count two.
int widthUnits(const QString& text);
// The first line the text would fill in a word-wrapping box `units` half-width
// characters wide: an ASCII word that does not fit moves to the next line whole.
QString firstLineCut(const QString& text, int units);

// The value to bind for `field` in `target`'s column: NULL for empty text, the
// amount parser's reading for amounts, 0 for integers that are not integers.
// Throws Helpers::ConversionError for an amount that cannot be read.
QVariant convert(const Target& target, const QString& field);

} // namespace ImportText
