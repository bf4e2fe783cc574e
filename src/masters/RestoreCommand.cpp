#include "RestoreCommand.h"

#include "DataModule.h"
#include "DbError.h"
#include "MasterLoads.h"
#include "ProgramState.h"
#include "Query.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace {

const QString kFreshPrefix = QStringLiteral("RESTORING-");
const QString kFreshSuffix = QStringLiteral(".FDB.tmp");

QString shownTime(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

std::filesystem::path fsPath(const QString& path)
{
    const QByteArray utf8 = QDir::toNativeSeparators(path).toUtf8();
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.constData()), utf8.size()));
}

// A reason for the user: the sentence the error mapping gives, else the engine's text.
QString reasonOf(const DbError& e)
{
    const QString advice = e.advice();
    return advice.isEmpty() ? e.message() : advice + QStringLiteral("\n") + e.message();
}

// A step after a failure, which must not hide the failure's own message.
template <typename Step>
void quietly(Step step)
{
    try {
        step();
    } catch (...) {
    }
}

} // namespace

QString RestoreCommand::freshName(const QDateTime& now)
{
    return kFreshPrefix + now.toString(QStringLiteral("yyyyMMdd-HHmmsszzz")) + kFreshSuffix;
}

bool RestoreCommand::isFreshName(const QString& fileName)
{
    return fileName.startsWith(kFreshPrefix) && fileName.endsWith(kFreshSuffix);
}

RestoreCommand::Place RestoreCommand::place() const
{
    const Database& product = m_ctx.dm.conn.IBDatabase1;
    Place p;
    p.login = serviceLoginOf(product);
    p.database = pathOnEngine(product.databaseName());
    p.backupFolder = Backups::folderFor(product.databaseName());
    // A backup folder shared from a server is not enough: the swap is a rename
    // of the database file itself. (A local file that is missing is reported by
    // the connection instead.)
    p.reachable = p.login.server.isEmpty() ||
                  (backupFolderHere(product.databaseName()) == p.backupFolder && QFileInfo(p.database).isFile());
    return p;
}

RestoreCommand::Outcome RestoreCommand::run()
{
    Confirmation& ask = m_ctx.screen.confirmation();
    const Place where = place();
    if (!where.reachable) {
        ask.ask(Confirmation::Notice, serverOnlyMessage(where.login.server.section('/', 0, 0), where.backupFolder));
        return Outcome::Refused;
    }
    const QList<BackupFile> files = Backups(where.backupFolder).list();
    if (files.isEmpty()) {
        ask.ask(Confirmation::Notice, noBackupsMessage(where.backupFolder));
        return Outcome::Cancelled;
    }
    QList<BackupListing> shown;
    for (const BackupFile& f : files)
        shown << BackupListing{f.taken, f.computer, f.what, f.bytes};
    const int chosen = picker ? picker->pick(shown, QDir::toNativeSeparators(where.backupFolder)) : -1;
    if (chosen < 0 || chosen >= files.size())
        return Outcome::Cancelled;
    return restore(files.at(chosen));
}

RestoreCommand::Outcome RestoreCommand::restore(const BackupFile& chosen)
{
    Confirmation& ask = m_ctx.screen.confirmation();
    const Place where = place();
    if (!where.reachable) {
        ask.ask(Confirmation::Notice, serverOnlyMessage(where.login.server.section('/', 0, 0), where.backupFolder));
        return Outcome::Refused;
    }
    if (othersAttached())
        return Outcome::Refused;
    if (ask.ask(Confirmation::Question, firstQuestion(chosen)) != Confirmation::Ok ||
        ask.ask(Confirmation::Question, secondQuestion(chosen)) != Confirmation::Ok)
        return Outcome::Cancelled;
    // Asked last: "いいえ" above must leave the lists as they were too.
    if (mayReplaceLists && !mayReplaceLists())
        return Outcome::Cancelled;

    // Files of restores that were killed: nobody is attached, so none is in use.
    const QDir folder = QFileInfo(where.database).absoluteDir();
    for (const QString& name : folder.entryList(QDir::Files))
        if (isFreshName(name))
            QFile::remove(folder.filePath(name));

    ProgressSink& bar = m_ctx.screen.progress();
    bar.start(progressEstimate());
    const FbServices::Progress onLine = [&bar](const QString&) {
        bar.step();
        return !bar.cancelled();
    };
    const QString fresh = folder.filePath(freshName(QDateTime::currentDateTime()));
    QString keptAs;
    bool swapped = false;
    try {
        FbServices::restore(where.login, chosen.path, fresh, onLine);
        FbServices::validate(where.login, fresh);
        // Someone may have started a program while the restore ran.
        if (othersAttached()) {
            QFile::remove(fresh);
            bar.finish();
            return Outcome::Refused;
        }
        keptAs = keepReplaced(where, onLine);
        closeProduct();
        std::error_code error;
        std::filesystem::rename(fsPath(fresh), fsPath(where.database), error);
        if (error)
            throw DbError(QStringLiteral("戻したデータベースを製品データベースの場所に置けませんでした（%1）。")
                              .arg(QString::fromLocal8Bit(error.message().c_str())));
        swapped = true;
        openProduct();
    } catch (const DbError& e) {
        bar.finish();
        if (swapped)
            throw; // the product database is the restored one; only the reconnection failed
        QFile::remove(fresh);
        quietly([this] { openProduct(); });
        ask.ask(Confirmation::Notice, failedMessage(reasonOf(e)));
        return Outcome::Failed;
    }
    bar.finish();
    reloadLists();
    ask.ask(Confirmation::Notice, doneMessage(chosen, keptAs));
    return Outcome::Restored;
}

bool RestoreCommand::othersAttached()
{
    Connections& conn = m_ctx.dm.conn;
    openProduct();
    // The engine's list of attachments stays as it was when a transaction first read it.
    conn.IBTransaction1().restart();
    QList<Database*> ours{&conn.IBDatabase1};
    if (conn.IBDatabase5.databaseName() == conn.IBDatabase1.databaseName())
        ours << &conn.IBDatabase5;
    const QList<OtherAttachment> others = otherAttachments(conn.IBDatabase1, ours, own);
    if (others.isEmpty())
        return false;
    m_ctx.screen.confirmation().ask(Confirmation::Notice, othersMessage(others));
    return true;
}

// About one line of the engine's output per table and index, once for the
// restore and once for the backup of the replaced database.
int RestoreCommand::progressEstimate()
{
    int objects = 0;
    quietly([&] {
        Query q(&m_ctx.dm.conn.IBDatabase1);
        q.setSql(QStringLiteral("select (select count(*) from RDB$RELATIONS where RDB$SYSTEM_FLAG = 0) + "
                                "(select count(*) from RDB$INDICES where coalesce(RDB$SYSTEM_FLAG, 0) = 0) "
                                "from RDB$DATABASE"));
        q.open();
        objects = q.value(0).toInt();
    });
    return 4 * objects + 20;
}

// Written under a name the list does not show until the backup is whole.
QString RestoreCommand::keepReplaced(const Place& where, const FbServices::Progress& onLine)
{
    const Backups store(where.backupFolder);
    const QString name =
        QFileInfo(store.nameFor(QDateTime::currentDateTime(), m_ctx.state.computerName, replacedWhat())).fileName();
    const QString target = QDir(store.folder()).filePath(name);
    const QString partial = target + QStringLiteral(".part");
    QFile::remove(partial);
    try {
        FbServices::backup(where.login, where.database, partial, onLine);
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
    if (!QFile::rename(partial, target)) {
        QFile::remove(partial);
        throw DbError(QStringLiteral("戻す前の製品データベースのバックアップを「%1」に保存できませんでした。")
                          .arg(QDir::toNativeSeparators(target)));
    }
    return QFileInfo(target).fileName();
}

// Every connection of the program to the product database lets go of the file.
void RestoreCommand::closeProduct()
{
    Connections& conn = m_ctx.dm.conn;
    if (conn.IBDatabase5.databaseName() == conn.IBDatabase1.databaseName())
        conn.IBDatabase5.close();
    if (releaseProduct)
        releaseProduct();
    conn.IBDatabase1.close();
}

void RestoreCommand::openProduct()
{
    Connections& conn = m_ctx.dm.conn;
    conn.IBDatabase1.open();
    conn.IBTransaction1().start();
}

// Every list on screen was loaded from the replaced database: the major load
// rebuilds the category and member lists, then the active tab is shown again.
void RestoreCommand::reloadLists()
{
    for (Tab tab : {Tab::Major, Tab::Middle, Tab::Member, Tab::Unit})
        m_ctx.loads.invalidate(tab);
    const Tab active = m_ctx.screen.activeTab();
    m_ctx.screen.showTab(Tab::Major);
    if (active != Tab::Major)
        m_ctx.screen.showTab(active);
}

QString RestoreCommand::noBackupsMessage(const QString& folder)
{
    return QStringLiteral("戻せるバックアップがありません。\n"
                          "バックアップは、過去の明細を変換する登録や工種を削除する登録の前に、\n"
                          "「%1」に作られます。")
        .arg(QDir::toNativeSeparators(folder));
}

QString RestoreCommand::serverOnlyMessage(const QString& server, const QString& folder)
{
    return QStringLiteral(
               "製品データベースはサーバー「%1」にあり、このコンピューターからはそのフォルダーを開けません。\n"
               "バックアップから戻す作業は、サーバー「%1」で行ってください。\n"
               "バックアップファイルは、サーバーの「%2」にあります。")
        .arg(server, folder);
}

QString RestoreCommand::othersMessage(const QList<OtherAttachment>& others)
{
    QStringList lines;
    for (const OtherAttachment& a : others)
        lines << QStringLiteral("・%1　%2（プロセス番号 %3）")
                     .arg(a.host.isEmpty() ? QStringLiteral("このコンピューター") : a.host,
                          a.program.isEmpty() ? QStringLiteral("（プログラム名不明）") : a.program)
                     .arg(a.processId);
    return QStringLiteral("次のプログラムが製品データベースを使用中のため、バックアップから戻せません。\n%1\n"
                          "これらのプログラムを終了してから、もう一度実行してください。")
        .arg(lines.join('\n'));
}

QString RestoreCommand::firstQuestion(const BackupFile& chosen)
{
    return QStringLiteral("製品データベースを、次のバックアップの時点に戻しますか？\n%1　%2　%3")
        .arg(shownTime(chosen.taken), chosen.computer, chosen.what);
}

QString RestoreCommand::secondQuestion(const BackupFile& chosen)
{
    return QStringLiteral("%1 より後に製品データベースに書き込まれたものは、すべて失われます。\n"
                          "（どのコンピューターでの登録や、見積・発注・仕入の入力も含みます。）\n"
                          "今の製品データベースは「%2」のバックアップとして残します。\n"
                          "本当に戻しますか？")
        .arg(shownTime(chosen.taken), replacedWhat());
}

QString RestoreCommand::failedMessage(const QString& reason)
{
    return QStringLiteral("バックアップから戻せませんでした。製品データベースは元のままです。\n\n%1").arg(reason);
}

QString RestoreCommand::doneMessage(const BackupFile& chosen, const QString& keptAs)
{
    return QStringLiteral("製品データベースを %1 のバックアップの時点に戻しました。\n"
                          "戻す前の製品データベースは「%2」のバックアップとして残しました。\n"
                          "（%3）")
        .arg(shownTime(chosen.taken), replacedWhat(), keptAs);
}
