#include "FbServices.h"

#include "Database.h"
#include "DbError.h"
#include "ErrorText.h"
#include "FbApi.h"
#include "Query.h"
#include "SjisCodec.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QThread>

#include <cerrno>
#include <ibase.h>
#include <vector>

using namespace Firebird;

namespace {

// What a job is, for the user's messages.
enum class Job { Backup, Restore, Validate };

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The engine's report taken apart: its text, the system error it names and the
// error codes, which tell the failures the user can do something about.
struct Report {
    QString text;
    int osError = 0;
    QList<long> codes;
};

Report reportOf(const FbException& e)
{
    Report r;
    char buf[4096];
    FbApi::util()->formatStatus(buf, sizeof buf, e.getStatus());
    // File names come back as they were sent (UTF-8); the engine's own text may
    // quote the connection character set.
    const QByteArray bytes(buf);
    r.text = QString::fromUtf8(bytes);
    if (r.text.contains(QChar::ReplacementCharacter))
        r.text = SjisCodec::decode(bytes);
    const intptr_t* errors = e.getStatus()->getErrors();
    for (const intptr_t* p = errors; p && *p != isc_arg_end; p += 2) {
        if (*p == isc_arg_gds)
            r.codes << static_cast<long>(p[1]);
        else if (*p == isc_arg_unix)
            r.osError = static_cast<int>(p[1]);
        else if (*p == isc_arg_cstring)
            ++p;
    }
    return r;
}

bool mentions(const Report& r, const char* text)
{
    return r.text.contains(QLatin1String(text), Qt::CaseInsensitive);
}

// Why a file in `folder` could not be written, as far as this computer can
// tell: the engine's report rarely carries the system's reason.
int folderProblem(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.exists())
        return ENOENT;
    if (!info.isDir())
        return ENOTDIR;
    const QStorageInfo storage(folder);
    if (storage.isValid() && storage.isReadOnly())
        return EROFS;
    if (!info.isWritable())
        return EACCES;
    if (storage.isValid() && storage.bytesAvailable() < 64 * 1024)
        return ENOSPC;
    return 0;
}

[[noreturn]] void fail(const QString& happened, const QString& todo, const Report& r, const QString& statement)
{
    const QString details = statement.isEmpty() ? r.text : r.text + QStringLiteral("\n\n") + statement;
    const long gds = r.codes.isEmpty() ? 0 : r.codes.first();
    const QString user = todo.isEmpty() ? happened : happened + u'\n' + todo;
    throw DbError(user + QStringLiteral("\n\n【詳細】\n") + details, {}, 0, gds);
}

// The failure of a job in the user's words. `target` is the file the job writes
// (the backup, the new database), `source` the one it reads.
[[noreturn]] void jobFailed(Job job, const FbException& e, const QString& source, const QString& target, bool local,
                            const QString& statement)
{
    const Report r = reportOf(e);
    const QString what = job == Job::Backup    ? QStringLiteral("バックアップ")
                         : job == Job::Restore ? QStringLiteral("復元")
                                               : QStringLiteral("データベースの検査");
    const QString cannot = job == Job::Validate ? QStringLiteral("データベースを検査できませんでした。")
                                                : what + QStringLiteral("できませんでした。");
    // The network, the login, the database read: as for any attachment.
    try {
        FbApi::rethrow(e, QStringLiteral("CONNECT %1").arg(source));
    } catch (const DbError& attach) {
        using R = ErrorText::Reason;
        const R reason = attach.failure().reason;
        // A restore reads a backup file, not a database.
        const bool aboutSource = job != Job::Restore &&
                                 (reason == R::FileMissing || reason == R::FileDamaged || reason == R::FileInUse) &&
                                 r.text.contains(source);
        const R kind = attach.kind();
        if (kind == R::Unreachable || kind == R::LoginRefused || kind == R::ConnectionLost || aboutSource)
            fail(cannot + attach.advice(), QString(), r, statement);
    }
    int os = r.osError;
    if (job == Job::Restore && (mentions(r, "already exists") || os == EEXIST))
        fail(QStringLiteral("「%1」はすでにあるため、復元できませんでした。").arg(shown(target)),
             QStringLiteral("既にあるファイルは置き換えません。別の名前を指定してください。"), r, statement);
    if (job != Job::Validate && local && os == 0)
        os = folderProblem(QFileInfo(target).absolutePath());
    if (job != Job::Validate &&
        (os == ENOSPC || os == EDQUOT || mentions(r, "No space left") || mentions(r, "disk space exhausted")))
        fail(QStringLiteral("ディスクの空きがないため、「%1」を書き終えられませんでした。%2は中止しました。")
                 .arg(shown(target), what),
             QStringLiteral("不要なファイルを削除して空きを作ってから、もう一度実行してください。"), r, statement);
    if (job != Job::Validate && (os == EACCES || os == EPERM || os == EROFS || mentions(r, "Read-only file system") ||
                                 mentions(r, "Permission denied")))
        fail(QStringLiteral("フォルダー「%1」に書き込めないため、%2できませんでした。")
                 .arg(shown(QFileInfo(target).absolutePath()), what),
             QStringLiteral("フォルダーの権限（読み取り専用になっていないか）を確認するか、管理者に書き込めるように"
                            "してもらってから、もう一度実行してください。"),
             r, statement);
    if (job != Job::Validate && (os == ENOENT || os == ENOTDIR) && local && !QFileInfo::exists(source))
        fail(QStringLiteral("「%1」がないため、%2できませんでした。").arg(shown(source), what),
             QStringLiteral("ファイルの場所と名前を確認してください。"), r, statement);
    if (job != Job::Validate && (os == ENOENT || os == ENOTDIR))
        fail(QStringLiteral("フォルダー「%1」がないため、%2できませんでした。")
                 .arg(shown(QFileInfo(target).absolutePath()), what),
             QStringLiteral("フォルダーを作ってから、もう一度実行してください。"), r, statement);
    if (job == Job::Backup && mentions(r, "cannot open backup file"))
        fail(QStringLiteral("バックアップ「%1」を作れませんでした。フォルダー「%2」がないか、書き込めません。")
                 .arg(shown(target), shown(QFileInfo(target).absolutePath())),
             QStringLiteral("フォルダーがあるか、書き込めるかを確認してから、もう一度実行してください。"), r,
             statement);
    if (job == Job::Restore &&
        (mentions(r, "expected backup") || mentions(r, "not a valid") || mentions(r, "unexpected end of file")))
        fail(QStringLiteral("「%1」はバックアップとして読めません。壊れているか、バックアップではないファイルです。")
                 .arg(shown(source)),
             QStringLiteral("別のバックアップを選んでください。"), r, statement);
    fail(cannot, QStringLiteral("詳細の内容を管理者に伝えて相談してください。"), r, statement);
}

// The services manager has no way to stop a job: the output is only dropped
// when the caller goes away, and the job runs to its end. What does stop it is
// ending the job's own attachment to the database, which it treats as a failure:
// gbak then removes the backup file it was writing.
class JobAttachments {
public:
    JobAttachments(const ServiceLogin& login, const QString& database) : m_db(QStringLiteral("services"))
    {
        m_db.setDatabaseName(login.server.isEmpty() ? database : login.server + u':' + database);
        m_db.setParams({QStringLiteral("user_name=") + login.user, QStringLiteral("password=") + login.password});
    }
    // Keeps the database open while the job runs: the engine then neither opens
    // nor shuts the database down for the job alone, which is quicker and keeps
    // the embedded engine's service thread from racing the shutdown.
    void hold()
    {
        try {
            m_db.open();
        } catch (const DbError&) {
            // The job itself tells what is wrong with the database.
        }
    }

    // Ends the attachments of a job started at `since`: a server's services
    // attach through the network without the client version every client
    // program sends; on the embedded engine, where only this program attaches,
    // they are the ones made since the job started.
    void end(const QDateTime& since)
    {
        Query q(&m_db);
        q.run(QStringLiteral("delete from MON$ATTACHMENTS where MON$SYSTEM_FLAG=0 and "
                             "MON$ATTACHMENT_ID<>CURRENT_CONNECTION and "
                             "(MON$REMOTE_PROTOCOL is not null and MON$CLIENT_VERSION is null or "
                             "MON$REMOTE_PROTOCOL is null and MON$TIMESTAMP>='%1')")
                  .arg(since.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))));
        m_db.transaction().commit();
    }

private:
    Database m_db;
};

class ServiceJob {
public:
    using Progress = FbServices::Progress;

    ServiceJob(const ServiceLogin& login, Job job) : m_job(job), m_local(login.server.isEmpty())
    {
        ThrowStatusWrapper* st = m_status.get();
        m_name = m_local ? QStringLiteral("service_mgr") : login.server + QStringLiteral(":service_mgr");
        try {
            const FbApi::Disposable<IXpbBuilder> spb(
                FbApi::util()->getXpbBuilder(st, IXpbBuilder::SPB_ATTACH, nullptr, 0));
            if (!login.user.isEmpty())
                spb->insertString(st, isc_spb_user_name, login.user.toUtf8().constData());
            if (!login.password.isEmpty())
                spb->insertString(st, isc_spb_password, login.password.toUtf8().constData());
            spb->insertInt(st, isc_spb_connect_timeout, Database::ConnectTimeoutSeconds);
            // File names go as UTF-8; a server converts them to its own system's.
            spb->insertTag(st, isc_spb_utf8_filename);
            const QByteArray name = m_name.toUtf8();
            m_service.reset(FbApi::provider()->attachServiceManager(st, name.constData(), spb->getBufferLength(st),
                                                                    spb->getBuffer(st)));
        } catch (const FbException& e) {
            FbApi::rethrow(e, QStringLiteral("CONNECT %1").arg(m_name), QStringLiteral("データベースサーバー"));
        }
    }
    ~ServiceJob()
    {
        if (m_service) {
            FbApi::StatusGuard st;
            try {
                m_service->detach(st.get());
                (void)m_service.release();
            } catch (const FbException&) {
                // released by the owner
            }
        }
    }
    ServiceJob(const ServiceJob&) = delete;
    ServiceJob& operator=(const ServiceJob&) = delete;

    bool local() const { return m_local; }
    QByteArray path(const QString& p) const { return p.toUtf8(); }

    // Starts the job `build` describes and hands its output on line by line.
    // False when `progress` stopped it; `stop` then ends the job, and the output
    // is read on to the job's end, whose failure is the stop's.
    bool run(const std::function<void(IXpbBuilder*, ThrowStatusWrapper*)>& build, const Progress& progress,
             const QString& source, const QString& target, const QString& statement,
             const std::function<void()>& stop = {})
    {
        ThrowStatusWrapper* st = m_status.get();
        bool stopped = false;
        try {
            const FbApi::Disposable<IXpbBuilder> spb(
                FbApi::util()->getXpbBuilder(st, IXpbBuilder::SPB_START, nullptr, 0));
            build(spb.get(), st);
            m_service->start(st, spb->getBufferLength(st), spb->getBuffer(st));
            read(progress, st, stop, stopped);
            waitForEnd(st);
        } catch (const FbException& e) {
            if (!stopped)
                jobFailed(m_job, e, source, target, m_local, statement);
        }
        return !stopped;
    }

    // The job's whole output.
    QStringList lines;

private:
    // The output ends a moment before the job does; the engine must not be left
    // (the service detached) while the job's thread still finishes.
    void waitForEnd(ThrowStatusWrapper* st)
    {
        const unsigned char receive[] = {isc_info_svc_running};
        unsigned char buf[16];
        for (int i = 0; i < 3000; ++i) {
            m_service->query(st, 0, nullptr, sizeof receive, receive, sizeof buf, buf);
            if (buf[0] != isc_info_svc_running || (buf[1] | buf[2] | buf[3] | buf[4]) == 0)
                return;
            QThread::msleep(2);
        }
    }

    void read(const Progress& progress, ThrowStatusWrapper* st, const std::function<void()>& stop, bool& stopped)
    {
        // A second's wait at most, so that a stop is seen while the job is quiet.
        const unsigned char send[] = {isc_info_svc_timeout, 4, 0, 1, 0, 0, 0};
        const unsigned char receive[] = {isc_info_svc_line};
        std::vector<unsigned char> buf(32 * 1024);
        for (;;) {
            m_service->query(st, sizeof send, send, sizeof receive, receive, static_cast<unsigned>(buf.size()),
                             buf.data());
            bool waiting = false;
            QString line;
            for (const unsigned char* p = buf.data(); p < buf.data() + buf.size() && *p != isc_info_end;) {
                const unsigned char tag = *p++;
                if (tag == isc_info_svc_line) {
                    const unsigned len = p[0] | (unsigned(p[1]) << 8);
                    line = QString::fromUtf8(reinterpret_cast<const char*>(p + 2), static_cast<qsizetype>(len));
                    p += 2 + len;
                } else if (tag == isc_info_svc_timeout || tag == isc_info_data_not_ready) {
                    waiting = true;
                } else {
                    break; // isc_info_truncated and anything unknown end this answer
                }
            }
            if (line.isEmpty() && !waiting)
                return;
            if (!line.isEmpty())
                lines << line;
            if (stopped || !progress || progress(line))
                continue;
            stopped = true;
            if (!stop)
                return;
            try {
                stop();
            } catch (const DbError&) {
                // The job may have ended meanwhile; reading on tells.
            }
        }
    }

    Job m_job;
    bool m_local;
    QString m_name;
    FbApi::StatusGuard m_status;
    FbApi::Ref<IService> m_service;
};

} // namespace

namespace {

[[noreturn]] void stoppedJob(const QString& what)
{
    throw DbError(QStringLiteral("%1を中止しました。").arg(what));
}

// A database file made by a job that was stopped.
void dropDatabase(const ServiceLogin& login, const QString& database)
{
    FbApi::StatusGuard status;
    ThrowStatusWrapper* st = status.get();
    try {
        const FbApi::Disposable<IXpbBuilder> dpb(FbApi::util()->getXpbBuilder(st, IXpbBuilder::DPB, nullptr, 0));
        dpb->insertString(st, isc_dpb_user_name, login.user.toUtf8().constData());
        dpb->insertString(st, isc_dpb_password, login.password.toUtf8().constData());
        dpb->insertTag(st, isc_dpb_utf8_filename);
        const QByteArray name = (login.server.isEmpty() ? database : login.server + u':' + database).toUtf8();
        IAttachment* att =
            FbApi::provider()->attachDatabase(st, name.constData(), dpb->getBufferLength(st), dpb->getBuffer(st));
        try {
            att->dropDatabase(st);
        } catch (const FbException&) {
            FbApi::StatusGuard again;
            try {
                att->detach(again.get());
            } catch (const FbException&) {
                att->release();
            }
        }
    } catch (const FbException&) {
        // Never made, or not a database: nothing to drop.
    }
}

} // namespace

void FbServices::backup(const ServiceLogin& login, const QString& database, const QString& backupFile,
                        const Progress& progress)
{
    JobAttachments attachments(login, database);
    attachments.hold();
    ServiceJob job(login, Job::Backup);
    const QDateTime started = QDateTime::currentDateTime();
    const bool done = job.run(
        [&](IXpbBuilder* spb, ThrowStatusWrapper* st) {
            spb->insertTag(st, isc_action_svc_backup);
            spb->insertString(st, isc_spb_dbname, job.path(database).constData());
            spb->insertString(st, isc_spb_bkp_file, job.path(backupFile).constData());
            if (progress)
                spb->insertTag(st, isc_spb_verbose);
        },
        progress, database, backupFile, QStringLiteral("BACKUP %1 TO %2").arg(database, backupFile),
        [&] { attachments.end(started); });
    if (!done) {
        // gbak removes what it wrote when it fails; a file left all the same is half a backup.
        if (job.local())
            QFile::remove(backupFile);
        stoppedJob(QStringLiteral("バックアップ"));
    }
}

void FbServices::restore(const ServiceLogin& login, const QString& backupFile, const QString& newDatabase,
                         const Progress& progress)
{
    ServiceJob job(login, Job::Restore);
    const QDateTime started = QDateTime::currentDateTime();
    const bool done = job.run(
        [&](IXpbBuilder* spb, ThrowStatusWrapper* st) {
            spb->insertTag(st, isc_action_svc_restore);
            spb->insertString(st, isc_spb_bkp_file, job.path(backupFile).constData());
            spb->insertString(st, isc_spb_dbname, job.path(newDatabase).constData());
            spb->insertInt(st, isc_spb_options, isc_spb_res_create);
            if (progress)
                spb->insertTag(st, isc_spb_verbose);
        },
        progress, backupFile, newDatabase, QStringLiteral("RESTORE %1 TO %2").arg(backupFile, newDatabase),
        [&] {
            // The new file is the job's alone.
            JobAttachments(login, newDatabase).end(started);
        });
    if (!done) {
        dropDatabase(login, newDatabase);
        stoppedJob(QStringLiteral("復元"));
    }
}

void FbServices::validate(const ServiceLogin& login, const QString& database)
{
    // The online validation reads every table and index while the database stays
    // usable; gfix's validation would need it to itself.
    JobAttachments attachments(login, database);
    attachments.hold();
    ServiceJob job(login, Job::Validate);
    job.run(
        [&](IXpbBuilder* spb, ThrowStatusWrapper* st) {
            spb->insertTag(st, isc_action_svc_validate);
            spb->insertString(st, isc_spb_dbname, job.path(database).constData());
        },
        {}, database, database, QStringLiteral("VALIDATE %1").arg(database));
    // "Relation 128 (T) : 2 ERRORS found", after the lines "Error: Page 1523 …".
    static const QRegularExpression damaged(QStringLiteral("Relation \\d+ \\((.*)\\) : \\d+ ERRORS found"));
    QStringList tables;
    QStringList errors;
    for (const QString& line : std::as_const(job.lines)) {
        if (const QRegularExpressionMatch m = damaged.match(line); m.hasMatch())
            tables << m.captured(1).trimmed();
        if (line.contains(QLatin1String("Error:")) || line.contains(QLatin1String("ERRORS found")))
            errors << line.trimmed();
    }
    if (errors.isEmpty())
        return;
    const QString where =
        tables.isEmpty() ? QString() : QStringLiteral("（表 %1）").arg(tables.join(QStringLiteral("、")));
    throw DbError(QStringLiteral("「%1」に壊れているところがあります%2。このデータベースは使えません。\n"
                                 "別のバックアップを使うか、管理者に相談してください。\n\n【詳細】\n%3")
                      .arg(shown(database), where, errors.join(u'\n')));
}

ServiceLogin serviceLoginOf(const Database& db)
{
    ServiceLogin login;
    const QString name = db.databaseName();
    if (ErrorText::isRemote(name))
        login.server = name.left(name.indexOf(u':'));
    for (const QString& p : db.params()) {
        const qsizetype eq = p.indexOf(u'=');
        const QString key = p.left(eq).trimmed().toLower();
        if (key == QLatin1String("user_name"))
            login.user = p.mid(eq + 1).trimmed();
        else if (key == QLatin1String("password"))
            login.password = p.mid(eq + 1).trimmed();
    }
    return login;
}

QString pathOnEngine(const QString& databaseName)
{
    return ErrorText::isRemote(databaseName) ? databaseName.mid(databaseName.indexOf(u':') + 1) : databaseName;
}
