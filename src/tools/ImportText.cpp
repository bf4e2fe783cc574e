#include "ImportText.h"

#include "ErrorText.h"
#include "Helpers.h"
#include "SjisCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>
#include <cmath>

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");
const QByteArray kUtf16Bom("\xFF\xFE");

bool isBreak(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

QStringList splitIntoLines(const QString& text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

// 1-based line of the character at `index`, for the message about a bad byte.
qsizetype lineOf(const QString& text, qsizetype index)
{
    qsizetype line = 1;
    for (qsizetype i = 0; i < index; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\n') ||
            (c == QLatin1Char('\r') && (i + 1 >= text.size() || text.at(i + 1) != QLatin1Char('\n'))))
            ++line;
    }
    return line;
}

int unitsOf(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xFF61 && u <= 0xFF9F))
        return 1;
    return c.isLowSurrogate() ? 0 : 2;
}

bool inWord(QChar c)
{
    return c.unicode() > 0x20 && c.unicode() < 0x80;
}

// A field named in a message: long ones cut, so that one line stays readable.
QString shortened(const QString& field)
{
    constexpr int kShown = 30;
    return field.size() <= kShown ? field : field.left(kShown) + QStringLiteral("…");
}

} // namespace

namespace ImportText {

FileLines decodeLines(const QByteArray& bytes, const QString& shownName)
{
    FileLines out;
    if (bytes.startsWith(kUtf16Bom)) {
        // Excel's "Unicode text": written again as UTF-8 with its mark.
        out.utf8 = true;
        QStringDecoder decoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
        const QString text = decoder.decode(QByteArrayView(bytes).sliced(kUtf16Bom.size()));
        if (decoder.hasError() || text.contains(QChar(QChar::ReplacementCharacter)) || text.contains(QChar(0))) {
            out.error = QStringLiteral("ファイル「%1」はUTF-16のテキストとして読めません。").arg(shownName);
            return out;
        }
        out.lines = splitIntoLines(text);
        return out;
    }
    if (bytes.contains('\0')) {
        out.error = QStringLiteral("ファイル「%1」はテキストファイルではありません。").arg(shownName);
        return out;
    }
    QString text;
    qsizetype bad = -1;
    if (bytes.startsWith(kUtf8Bom)) {
        out.utf8 = true;
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = decoder.decode(QByteArrayView(bytes).sliced(kUtf8Bom.size()));
        if (decoder.hasError())
            bad = text.indexOf(QChar(QChar::ReplacementCharacter));
        if (decoder.hasError() && bad < 0)
            bad = text.size();
    } else {
        text = SjisCodec::decode(bytes);
        // The codec stands in U+FFFD, or SUB for a lone bad byte, for what it cannot read.
        bad = text.indexOf(QChar(QChar::ReplacementCharacter));
        if (bad < 0 && !bytes.contains('\x1A'))
            bad = text.indexOf(QChar(0x1A));
    }
    if (bad >= 0) {
        out.error = QStringLiteral("ファイル「%1」の%2行目に%3として読めない文字があります。")
                        .arg(shownName)
                        .arg(lineOf(text, std::min(bad, text.size())))
                        .arg(out.utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Shift-JIS"));
        return out;
    }
    out.lines = splitIntoLines(text);
    return out;
}

FileLines readLines(const QString& path)
{
    QFile file(path);
    const QString shown = QDir::toNativeSeparators(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        FileLines out;
        out.error = QStringLiteral("ファイル「%1」を読めません。\n%2").arg(shown, ErrorText::forErrno(errno));
        return out;
    }
    return decodeLines(file.readAll(), shown);
}

bool writeLines(const QString& path, const FileLines& file, QString* error)
{
    QString text;
    for (const QString& line : file.lines)
        text += line + QLatin1String("\r\n");
    QFile out(path);
    errno = 0;
    bool ok = out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    int failure = errno;
    if (ok) {
        ok = file.utf8 ? out.write(kUtf8Bom + text.toUtf8()) >= 0 : out.write(SjisCodec::encode(text)) >= 0;
        out.close();
        ok = ok && out.error() == QFileDevice::NoError;
        failure = errno;
    }
    if (!ok && error)
        *error = QStringLiteral("ファイル「%1」に書き込めません。\n%2")
                     .arg(QDir::toNativeSeparators(path), ErrorText::forErrno(failure));
    return ok;
}

QStringList splitLine(const QString& text)
{
    QStringList fields;
    const auto isSeparator = [](QChar c) { return c == QLatin1Char(','); };
    QString line = text;
    line.replace(QLatin1Char('\t'), QLatin1Char(','));
    const qsizetype n = line.size();
    if (n == 0)
        return fields;
    qsizetype i = 0;
    for (;;) {
        QString field;
        if (line.at(i) == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                const QChar c = line.at(i++);
                if (c != QLatin1Char('"')) {
                    field += c;
                } else if (i < n && line.at(i) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    break;
                }
            }
            // Text after the closing quote stays with its field: nothing is lost.
            while (i < n && !isSeparator(line.at(i)))
                field += line.at(i++);
        } else {
            const qsizetype from = i;
            while (i < n && !isSeparator(line.at(i)))
                ++i;
            field = line.mid(from, i - from);
        }
        fields << field;
        if (i >= n)
            break;
        ++i; // the separator
        if (i == n) {
            fields << QString();
            break;
        }
    }
    return fields;
}

QStringList splitTitleLine(const QString& line)
{
    QString titles = line;
    titles.remove(QLatin1Char(' '));
    return splitLine(titles);
}

namespace {

// One scan of a text into records.
class Splitter {
public:
    Splitter(const QString& text, QChar separator)
        : m_text(text), m_separator(separator), m_tabs(separator == QLatin1Char('\t')), m_n(text.size()),
          m_d(text.constData())
    {
    }

    QVector<Record> records()
    {
        QVector<Record> out;
        while (m_i < m_n) {
            Record record;
            record.line = m_line;
            for (;;) {
                QString field;
                if (!(m_i < m_n && m_d[m_i] == QLatin1Char('"') && quotedField(field)))
                    field = plainField();
                record.fields << field;
                if (m_i < m_n && m_d[m_i] == m_separator) {
                    ++m_i;
                    continue;
                }
                break;
            }
            out << record;
            if (m_i < m_n) {
                m_i = breakEnd(m_i);
                ++m_line;
            }
        }
        return out;
    }

private:
    qsizetype breakEnd(qsizetype k) const
    {
        return m_d[k] == QLatin1Char('\r') && k + 1 < m_n && m_d[k + 1] == QLatin1Char('\n') ? k + 2 : k + 1;
    }

    // At an opening quote: the field up to its closing quote, which may span
    // lines. False, and nothing read, when the quote does not enclose a field.
    bool quotedField(QString& field)
    {
        qsizetype j = m_i + 1;
        int breaks = 0;
        bool closed = false;
        while (j < m_n) {
            const QChar c = m_d[j];
            if (c == QLatin1Char('"')) {
                if (j + 1 < m_n && m_d[j + 1] == QLatin1Char('"')) {
                    field += c;
                    j += 2;
                    continue;
                }
                closed = true;
                ++j;
                break;
            }
            if (isBreak(c)) {
                if (!m_spanLines)
                    break;
                const qsizetype e = breakEnd(j);
                field += m_text.mid(j, e - j);
                ++breaks;
                j = e;
                continue;
            }
            field += c;
            ++j;
        }
        if (!closed && j >= m_n)
            m_spanLines = false;
        // In a TAB-separated file quotes that do not enclose the whole field are its text.
        if (closed && m_tabs && j < m_n && m_d[j] != m_separator && !isBreak(m_d[j]))
            closed = false;
        if (!closed) {
            field.clear();
            return false;
        }
        // Text after the closing quote stays with its field: nothing is lost.
        while (j < m_n && m_d[j] != m_separator && !isBreak(m_d[j]))
            field += m_d[j++];
        m_line += breaks;
        m_i = j;
        return true;
    }

    QString plainField()
    {
        qsizetype j = m_i;
        if (!m_tabs && m_i < m_n && m_d[m_i] == QLatin1Char('"')) {
            // A quote left open: the rest of the line is its field.
            ++m_i;
            while (j < m_n && !isBreak(m_d[j]))
                ++j;
        } else {
            while (j < m_n && m_d[j] != m_separator && !isBreak(m_d[j]))
                ++j;
        }
        const QString field = m_text.mid(m_i, j - m_i);
        m_i = j;
        return field;
    }

    const QString& m_text;
    const QChar m_separator;
    const bool m_tabs;
    const qsizetype m_n;
    const QChar* m_d;
    // Once a quote ran to the end of the text unclosed, quotes close on their own
    // line or not at all: one scan to the end per text, not one per stray quote.
    bool m_spanLines = true;
    qsizetype m_i = 0;
    int m_line = 1;
};

} // namespace

QVector<Record> splitRecords(const QString& text, QChar separator)
{
    return Splitter(text, separator).records();
}

QChar detectSeparator(const QString& text, const QString& fileName)
{
    int tabs = 0, commas = 0;
    bool inQuotes = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            inQuotes = !inQuotes;
        else if (inQuotes)
            continue;
        else if (isBreak(c))
            break;
        else if (c == QLatin1Char('\t'))
            ++tabs;
        else if (c == QLatin1Char(','))
            ++commas;
    }
    if (tabs > 0 && commas == 0)
        return QLatin1Char('\t');
    if (commas > 0 && tabs == 0)
        return QLatin1Char(',');
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("tsv") || suffix == QLatin1String("txt"))
        return QLatin1Char('\t');
    if (suffix == QLatin1String("csv") || tabs == 0)
        return QLatin1Char(',');
    return tabs > commas ? QLatin1Char('\t') : QLatin1Char(',');
}

const QVector<Target>& targets()
{
    using C = Conversion;
    // Box widths of the dialog (364, 188 and 116 pixels at 8 pixels a half-width
    // character); lengths and ranges those of the member list (BUZAI_S).
    constexpr qint64 kSmall = 32767, kInt = 2147483647;
    static const QVector<Target> list = {
        {1, "№", "№", "文字列半角10", C::None, 0, 0, 0, 0},
        {2, "名称", "NAME01", "文字列半角40", C::Text, 45, 40, 0, 0},
        {3, "摘要", "NAME02", "文字列半角40", C::Text, 45, 40, 0, 0},
        {4, "単位", "TAN", "文字列半角12", C::Text, 14, 6, 0, 0},
        {5, "見積数量", "M_KAZU", "金額型", C::Amount, 0, 0, 0, 0},
        {6, "実行数量", "J_KAZU", "金額型", C::Amount, 0, 0, 0, 0},
        {7, "単価", "KIN_02", "金額型", C::Amount, 0, 0, 0, 0},
        {8, "原価", "KIN_01", "金額型", C::Amount, 0, 0, 0, 0},
        {9, "備考", "NAME03", "文字列半角20", C::Text, 23, 20, 0, 0},
        {10, "科目", "KAMOKU", "数値型", C::Integer, 0, 0, -kSmall - 1, kSmall},
        {11, "発注先ＣＤ", "S_CD", "数値型", C::Integer, 0, 0, -kInt - 1, kInt},
        {12, "発注先名", "S_NAME", "文字列半角40", C::Text, 45, 20, 0, 0},
        {13, "部材CD", "B_CD", "文字列半角40", C::Text, 23, 20, 0, 0},
        {14, "定価", "KIN_06", "金額型", C::Amount, 0, 0, 0, 0},
        {15, "桁", "KETA", "数値型", C::Integer, 0, 0, 0, kSmall},
    };
    return list;
}

const Target* target(int code)
{
    for (const Target& t : targets())
        if (t.code == code)
            return &t;
    return nullptr;
}

std::optional<TitleMatch> matchTitle(const QString& title)
{
    const auto has = [&](const char* s) { return title.contains(QString::fromUtf8(s)); };
    const auto is = [&](const char* s) { return title == QString::fromUtf8(s); };
    std::optional<TitleMatch> match;
    const auto set = [&](int code, const char* name) { match = TitleMatch{code, QString::fromUtf8(name)}; };
    if (is("№"))
        set(1, "№");
    if (is("名称"))
        set(2, "名称");
    if (is("摘要"))
        set(3, "摘要");
    if (is("単位"))
        set(4, "単位");
    if (is("見積数量") || is("数量"))
        set(5, "見積数量");
    if (is("実行数量"))
        set(6, "実行数量");
    if (has("単") && has("価"))
        set(7, "単価");
    if (has("原") && has("価"))
        set(8, "原価");
    if (is("備考"))
        set(9, "備考");
    if (is("科目"))
        set(10, "科目");
    if (has("発注先") || has("ＣＤ"))
        set(11, "発注先ＣＤ");
    if (has("発注先名"))
        set(12, "発注先名");
    if (is("部材CD"))
        set(13, "部材CD");
    // The captions the member grid exports under, so that an exported list comes back by itself.
    if (is("業者CD"))
        set(11, "発注先ＣＤ");
    if (has("定") && has("価"))
        set(14, "定価");
    if (is("桁"))
        set(15, "桁");
    return match;
}

int widthUnits(const QString& text)
{
    int units = 0;
    for (QChar c : text)
        units += unitsOf(c);
    return units;
}

QString firstLineCut(const QString& text, int units)
{
    const QString line = Helpers::firstLine(text);
    int used = 0;
    qsizetype end = 0;
    while (end < line.size()) {
        const int w = unitsOf(line.at(end));
        if (used + w > units)
            break;
        used += w;
        ++end;
    }
    if (end < line.size()) {
        if (line.at(end).isLowSurrogate())
            --end; // never split a pair
        // A word that does not fit goes to the next line whole, unless it alone fills the line.
        if (end > 0 && inWord(line.at(end)) && inWord(line.at(end - 1))) {
            qsizetype start = end;
            while (start > 0 && inWord(line.at(start - 1)))
                --start;
            if (start > 0)
                end = start;
        }
    }
    QString cut = line.left(end);
    while (cut.endsWith(QLatin1Char(' ')))
        cut.chop(1);
    return cut;
}

Converted convert(const Target& target, const QString& field)
{
    Converted out;
    if (target.conversion == Conversion::None)
        return out;
    if (target.conversion != Conversion::Text) {
        QString blank = field;
        blank.remove(QChar(0x3000));
        if (blank.trimmed().isEmpty())
            return out;
        // No amount a person writes is this long; a stray text need not be parsed.
        constexpr qsizetype kLongestNumber = 64;
        double number = 0;
        bool read = false;
        try {
            if (field.size() <= kLongestNumber) {
                number = Helpers::parseAmount(field);
                read = std::isfinite(number);
            }
        } catch (const Helpers::ConversionError&) {
        }
        if (target.conversion == Conversion::Amount) {
            if (!read)
                out.problem = QStringLiteral("「%1」を金額として読めません。").arg(shortened(field));
            else
                out.value = number;
            return out;
        }
        if (!read || number != std::floor(number))
            out.problem = QStringLiteral("「%1」を整数として読めません。").arg(shortened(field));
        else if (number < double(target.minimum) || number > double(target.maximum))
            out.problem = QStringLiteral("%1は%2から%3までの整数です（「%4」）。")
                              .arg(target.name)
                              .arg(target.minimum)
                              .arg(target.maximum)
                              .arg(shortened(field));
        else
            out.value = static_cast<int>(number); // every range lies within int
        return out;
    }
    // Line breaks of a cell (Alt+Enter) and TABs become one blank each: the
    // member list holds one line, and nothing of the text is lost.
    QString text;
    text.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field.at(i);
        if (c == QLatin1Char('\r') && i + 1 < field.size() && field.at(i + 1) == QLatin1Char('\n'))
            continue;
        text += isBreak(c) || c == QLatin1Char('\t') ? QChar(QLatin1Char(' ')) : c;
    }
    if (text.isEmpty())
        return out;
    for (const QChar c : std::as_const(text))
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            out.problem = QStringLiteral("制御文字（U+%1）が含まれています。")
                              .arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0')));
            return out;
        }
    const qsizetype length = text.size();
    if (length > target.maxLength) {
        out.problem =
            QStringLiteral("%1文字あります。%2は%3文字までです。").arg(length).arg(target.name).arg(target.maxLength);
        return out;
    }
    QByteArray encoded;
    QString bad;
    if (!SjisCodec::tryEncode(text, encoded, &bad)) {
        out.problem =
            QStringLiteral("「%1」（U+%2）はShift-JISで保存できない文字です。")
                .arg(bad)
                .arg(QString::number(bad.toUcs4().value(0), 16).toUpper().rightJustified(4, QLatin1Char('0')));
        return out;
    }
    out.value = text;
    return out;
}

} // namespace ImportText
