#include "Backups.h"

#include "ErrorText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>

#include <algorithm>
#include <numeric>

namespace {

const QString kTimeFormat = QStringLiteral("yyyyMMdd-HHmmss");
const QString kSuffix = QStringLiteral(".fbk");
constexpr int kMaxWhat = 40;

// The separator of a path as its own system writes it: a Windows server's
// folder keeps its backslashes.
QChar separatorOf(const QString& path)
{
    return path.contains(u'\\') && !path.contains(u'/') ? u'\\' : u'/';
}

// Characters no file system of the suite takes in a name become "-"; the
// computer name loses "_" too, which separates the parts of the name.
QString safe(const QString& text, bool part)
{
    QString out;
    for (const QChar c : text.trimmed()) {
        const bool bad =
            c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c) || (part && c == u'_') || c.isSpace();
        out += bad ? u'-' : c;
    }
    return out.isEmpty() ? QStringLiteral("-") : out;
}

const QRegularExpression& namePattern()
{
    static const QRegularExpression re(QStringLiteral("^(\\d{8}-\\d{6})(?:-(\\d+))?_([^_]+)_(.+)\\.fbk$"));
    return re;
}

QString serverHost(const QString& name)
{
    QString host = name.left(name.indexOf(u':'));
    if (const qsizetype port = host.indexOf(u'/'); port >= 0)
        host.truncate(port);
    return host;
}

bool thisComputer(const QString& host)
{
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0 ||
        host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0)
        return true;
    return host.startsWith(QStringLiteral("127.")) || host == QStringLiteral("::1") || host == QStringLiteral("[::1]");
}

} // namespace

QString Backups::folderFor(const QString& productDatabaseName)
{
    if (ErrorText::isRemote(productDatabaseName)) {
        const QString path = productDatabaseName.mid(productDatabaseName.indexOf(u':') + 1);
        const QChar sep = separatorOf(path);
        const qsizetype cut = path.lastIndexOf(sep);
        return (cut >= 0 ? path.left(cut + 1) : QString()) + QStringLiteral("BACKUP");
    }
    return QDir(QFileInfo(productDatabaseName).absolutePath()).filePath(QStringLiteral("BACKUP"));
}

Backups::Backups(QString folder) : m_folder(std::move(folder)) {}

const QString& Backups::folder() const
{
    return m_folder;
}

QString Backups::nameFor(const QDateTime& taken, const QString& computer, const QString& what) const
{
    const QChar sep = separatorOf(m_folder);
    const QString folder = m_folder.endsWith(sep) ? m_folder : m_folder + sep;
    const QString tail = u'_' + safe(computer, true) + u'_' + safe(what, false).left(kMaxWhat) + kSuffix;
    // Two backups in one second (a restore straight after another) must not meet
    // one name: the engine refuses to write over a file, and the second would fail.
    QString path = folder + taken.toString(kTimeFormat) + tail;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder + taken.toString(kTimeFormat) + u'-' + QString::number(n) + tail;
    return path;
}

QList<BackupFile> Backups::list() const
{
    QList<BackupFile> out;
    // Of two in one second, the later was written later and, named alike, has the higher number.
    QList<QPair<QDateTime, int>> written;
    if (m_folder.isEmpty())
        return out;
    const QFileInfoList files =
        QDir(m_folder).entryInfoList({QStringLiteral("*") + kSuffix}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& f : files) {
        const QRegularExpressionMatch m = namePattern().match(f.fileName());
        if (!m.hasMatch())
            continue;
        const QDateTime taken = QDateTime::fromString(m.captured(1), kTimeFormat);
        if (!taken.isValid())
            continue;
        out.append({f.absoluteFilePath(), taken, m.captured(3), m.captured(4), f.size()});
        written.append({f.lastModified(), m.captured(2).isEmpty() ? 1 : m.captured(2).toInt()});
    }
    // Newest first.
    QList<qsizetype> order(out.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return out[a].taken != out[b].taken ? out[a].taken > out[b].taken : written[a] > written[b];
    });
    QList<BackupFile> sorted;
    for (qsizetype i : order)
        sorted.append(out[i]);
    return sorted;
}

void Backups::prune(int keep)
{
    const QList<BackupFile> files = list();
    for (qsizetype i = std::max(keep, 0); i < files.size(); ++i)
        QFile::remove(files.at(i).path);
}

QString backupFolderHere(const QString& productDatabaseName, const QString& shared)
{
    if (!ErrorText::isRemote(productDatabaseName) || thisComputer(serverHost(productDatabaseName)))
        return Backups::folderFor(productDatabaseName);
    return shared;
}
