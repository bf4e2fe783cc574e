#include "SystemConfig.h"

#include "Helpers.h"
#include "SjisCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace {

// The suite's lists match keys without regard to ASCII case only.
QString asciiLower(const QString& text)
{
    QString out = text;
    for (QChar& ch : out) {
        if (ch.unicode() >= 'A' && ch.unicode() <= 'Z')
            ch = QChar(char16_t(ch.unicode() + 32));
    }
    return out;
}

QStringList readSjisLines(const QString& filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = SjisCodec::decode(file.readAll()).split(lineBreak);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the break after the last line does not open another
    return lines;
}

class KeyValueLines {
public:
    explicit KeyValueLines(const QStringList& lines) : m_lines(lines) {}

    // The value of the first line whose key matches; "" when there is none.
    QString value(const QString& key) const
    {
        const QString wanted = asciiLower(key);
        for (const QString& line : m_lines) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq >= 0 && asciiLower(line.left(eq)) == wanted)
                return line.mid(eq + 1);
        }
        return QString();
    }

    int strictInt(const QString& key) const
    {
        const QString text = value(key);
        bool ok = false;
        const int result = text.trimmed().toInt(&ok);
        if (!ok) {
            throw ConfigError(QStringLiteral("SYSTEM.DAT: %1 の値 '%2' は整数ではありません"
                                             " (%1 = '%2' is not an integer)")
                                  .arg(key, text)
                                  .toStdString());
        }
        return result;
    }

    int intOrZero(const QString& key) const { return Helpers::toIntOrZero(value(key)); }

private:
    QStringList m_lines;
};

} // namespace

bool systemDatPresent(const QString& filePath)
{
    const QFileInfo info(filePath);
    return info.exists() && info.isFile() && info.size() > 0;
}

void readSystemDat(const QString& filePath, SystemConfig& cfg)
{
    cfg.startDirectory = QDir::currentPath();
    if (!systemDatPresent(filePath))
        return;
    const KeyValueLines dat(readSjisLines(filePath));

    cfg.x0 = dat.strictInt(QStringLiteral("X0"));
    cfg.y0 = dat.strictInt(QStringLiteral("Y0"));
    cfg.height = dat.strictInt(QStringLiteral("Height"));
    cfg.width = dat.strictInt(QStringLiteral("Width"));

    cfg.catchCopy1 = dat.value(QStringLiteral("会社キャッチコピー"));
    cfg.catchCopy2 = dat.value(QStringLiteral("会社キャッチコピー２"));
    cfg.companyName = Helpers::decodeHexText(dat.value(QStringLiteral("会社名１")));
    cfg.address1 = dat.value(QStringLiteral("会社住所1"));
    cfg.address2 = dat.value(QStringLiteral("会社住所2"));
    cfg.address3 = dat.value(QStringLiteral("会社住所3"));
    cfg.address4 = dat.value(QStringLiteral("会社住所4"));
    cfg.closingDay = dat.intOrZero(QStringLiteral("自社締日"));
    cfg.paymentDay = dat.intOrZero(QStringLiteral("自社支払日"));
    cfg.taxRate = Helpers::parseAmount(dat.value(QStringLiteral("消費税率")));
    cfg.fiscalMonth = dat.intOrZero(QStringLiteral("決算月"));
    cfg.koushuMode = dat.intOrZero(QStringLiteral("工種"));
    cfg.bugakariTanka = dat.value(QStringLiteral("歩掛元金単価"));
    cfg.bugakariGenka = dat.value(QStringLiteral("歩掛元金原価"));
    cfg.shiireUriage = dat.intOrZero(QStringLiteral("仕入売上連動"));
    cfg.tankaKeta = dat.intOrZero(QStringLiteral("単価桁数"));
    cfg.genkaKeta = dat.intOrZero(QStringLiteral("原価桁数"));
    cfg.dbpathLocal = dat.value(QStringLiteral("DBPATH_LOCAL"));
    cfg.dbpathMaster = dat.value(QStringLiteral("DBPATH_MASTER"));
    cfg.dbpathData = dat.value(QStringLiteral("DBPATH_DATA"));
    cfg.password = dat.value(QStringLiteral("PASWORD"));
    cfg.password2 = dat.value(QStringLiteral("PASWORD2"));
    cfg.in17 = dat.value(QStringLiteral("IN_17"));
    // Keeping none would delete the backup just taken; a missing or unusable
    // value keeps the default.
    if (const int kept = dat.intOrZero(QStringLiteral("バックアップ世代数")); kept > 0)
        cfg.backupsKept = kept;
    cfg.backupShare = dat.value(QStringLiteral("バックアップ共有フォルダー")).trimmed();
}

QStringList readFirstLines(const QString& filePath, int count, qint64 maxBytes)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    QByteArray line;
    bool skipping = false; // past maxBytes: the rest of the line is read in chunks and dropped
    char chunk[4096];
    char previous = 0;
    while (lines.size() < count) {
        const qint64 n = file.read(chunk, sizeof chunk);
        if (n <= 0)
            break;
        for (qint64 i = 0; i < n && lines.size() < count; ++i) {
            const char c = chunk[i];
            const bool afterCr = previous == '\r';
            previous = c;
            if (c == '\r' || c == '\n') {
                // CR LF is one break: the LF that follows a CR ends nothing.
                if (c == '\n' && afterCr)
                    continue;
                lines << SjisCodec::decode(line);
                line.clear();
                skipping = false;
            } else if (!skipping) {
                line += c;
                skipping = line.size() >= maxBytes;
            }
        }
    }
    if (lines.size() < count && !line.isEmpty())
        lines << SjisCodec::decode(line);
    return lines;
}

QString readProductTitle(const QString& dir)
{
    const QStringList lines = readFirstLines(QDir(dir).filePath(QStringLiteral("pro_title.inf")), 1);
    if (lines.isEmpty() || lines.first().isEmpty())
        return QStringLiteral("TREVOLAN Ver 2021");
    return lines.first().left(MaxTitleLength);
}

QString applicationTitle(const QString& productTitle)
{
    return QStringLiteral("部材マスター登録 ") + productTitle;
}
