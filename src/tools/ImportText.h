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
    bool utf8 = false; // the file began with a UTF-8 (or UTF-16) byte-order mark
    QString error;
};

// Excel's "CSV UTF-8" files start with a byte-order mark and are read as UTF-8,
// its "Unicode text" with a UTF-16 one; every other file is Shift-JIS. Lines end
// at CR LF, LF or CR.
FileLines readLines(const QString& path);
FileLines decodeLines(const QByteArray& bytes, const QString& shownName);

// One record of a file: its fields and the line of the file it starts on (from 1).
struct Record {
    QStringList fields;
    int line = 0;
};

// Splits a whole text into records as RFC 4180 has it: a field in double quotes
// may hold separators, "" for a quote and line breaks, and the record ends at the
// first line break outside quotes. A quote left open at the end of the text ends
// its field at the end of its line instead, so one stray quote swallows nothing.
// With TAB as the separator a quote is text unless it encloses the whole field.
QVector<Record> splitRecords(const QString& text, QChar separator);

// TAB or comma: the separator the first record holds outside quotes. When it
// holds both, or neither, the extension (any case) decides: "tsv" and "txt"
// are TAB-separated, others comma-separated.
QChar detectSeparator(const QString& text, const QString& fileName);

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
    int boxUnits;   // Text: half-width characters that fit on one line of its box
    int maxLength;  // Text: characters the member list holds
    qint64 minimum; // Integer: the range of its column
    qint64 maximum;
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

// The value to bind for `field` in `target`'s column, or why it cannot be
// imported (`problem`, in the user's words). An empty or blank field is NULL, as
// an emptied grid cell is; amounts and numbers are read as a person reads them;
// a text is kept whole, its line breaks and TABs turned into blanks, and refused
// when the member list cannot hold it (too long, a control character, a
// character Shift-JIS cannot store).
struct Converted {
    QVariant value;
    QString problem;
};
Converted convert(const Target& target, const QString& field);

} // namespace ImportText
