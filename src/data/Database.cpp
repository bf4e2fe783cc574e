#include "Database.h"

#include "DbError.h"
#include "FbApi.h"
#include "Query.h"
#include "TableDataset.h"

#include <QFile>
#include <QHash>

#include <ibase.h>

using namespace Firebird;

struct AttachmentShare {
    IAttachment* att = nullptr;
    QString path;
    int users = 0;
    QSet<Database*> members;
};

// ---------------------------------------------------------------- Transaction

Transaction::Transaction(Database* db, const QString& name) : m_db(db), m_name(name) {}

Transaction::~Transaction()
{
    if (m_tra) {
        FbApi::StatusGuard st;
        try {
            m_tra->rollback(st.get());
        } catch (const FbException&) {
            m_tra->release();
        }
        m_tra = nullptr;
        m_id = 0;
    }
}

void Transaction::start()
{
    if (m_tra)
        return;
    static const QHash<QString, unsigned char> tags{
        {QStringLiteral("read_committed"), isc_tpb_read_committed},
        {QStringLiteral("rec_version"), isc_tpb_rec_version},
        {QStringLiteral("no_rec_version"), isc_tpb_no_rec_version},
        {QStringLiteral("nowait"), isc_tpb_nowait},
        {QStringLiteral("wait"), isc_tpb_wait},
        {QStringLiteral("concurrency"), isc_tpb_concurrency},
        {QStringLiteral("consistency"), isc_tpb_consistency},
    };
    IAttachment* att = m_db->attachment();
    FbApi::StatusGuard status;
    ThrowStatusWrapper* st = status.get();
    try {
        const FbApi::Disposable<IXpbBuilder> tpb(FbApi::util()->getXpbBuilder(st, IXpbBuilder::TPB, nullptr, 0));
        tpb->insertTag(st, isc_tpb_write);
        for (const QString& p : m_params)
            if (const auto tag = tags.constFind(p.trimmed().toLower()); tag != tags.cend())
                tpb->insertTag(st, *tag);
        m_tra = att->startTransaction(st, tpb->getBufferLength(st), tpb->getBuffer(st));
    } catch (const FbException& e) {
        FbApi::rethrow(e, QStringLiteral("START TRANSACTION (%1)").arg(m_name));
    }
}

// Ending a transaction closes the datasets that read through it, as the
// dataset components of the suite always did.
static void closeDatasetsOf(Database* db)
{
    const auto sets = db->datasets();
    for (TableDataset* d : sets)
        d->close();
}

// A rollback that fails gives the handle up: the transaction is gone with the
// connection that broke.
void Transaction::end(bool commit)
{
    FbApi::StatusGuard st;
    try {
        if (commit)
            m_tra->commit(st.get());
        else
            m_tra->rollback(st.get());
    } catch (const FbException& e) {
        if (!commit) {
            m_tra->release();
            m_tra = nullptr;
            m_id = 0;
        }
        FbApi::rethrow(e, QStringLiteral("%1 (%2)").arg(QLatin1String(commit ? "COMMIT" : "ROLLBACK"), m_name));
    }
    m_tra = nullptr;
    m_id = 0;
}

void Transaction::commit()
{
    if (!m_tra)
        return;
    closeDatasetsOf(m_db);
    end(true);
}

void Transaction::rollback()
{
    if (!m_tra)
        return;
    closeDatasetsOf(m_db);
    end(false);
}

void Transaction::commitAndRestart()
{
    // The datasets stay open: they hold their rows.
    if (m_tra)
        end(true);
    start();
}

void Transaction::runWhole(const std::function<void()>& body)
{
    commitAndRestart();
    try {
        body();
        commit();
    } catch (DbError& e) {
        bool undone = true;
        try {
            rollback();
        } catch (...) {
            undone = false; // the error that caused the rollback is the one to report
        }
        if (undone)
            e.setNothingChanged();
        throw;
    } catch (...) {
        try {
            rollback();
        } catch (...) {
            // The error that caused the rollback is the one to report.
        }
        throw;
    }
}

ITransaction* Transaction::handle()
{
    start();
    return m_tra;
}

qint64 Transaction::id()
{
    ITransaction* tra = handle();
    if (m_id != 0)
        return m_id;
    const unsigned char items[] = {isc_info_tra_id, isc_info_end};
    unsigned char buf[32] = {};
    FbApi::StatusGuard st;
    try {
        tra->getInfo(st.get(), sizeof items, items, sizeof buf, buf);
    } catch (const FbException& e) {
        FbApi::rethrow(e, QStringLiteral("TRANSACTION INFO (%1)").arg(m_name));
    }
    if (buf[0] == isc_info_tra_id) {
        const unsigned len = buf[1] | (unsigned(buf[2]) << 8);
        qint64 v = 0;
        for (unsigned i = 0; i < len && i < 8; ++i)
            v |= qint64(buf[3 + i]) << (8 * i);
        m_id = v;
    }
    return m_id;
}

QString WriteMark::writtenSince() const
{
    if (!valid())
        return QStringLiteral("(1=1)");
    QString test = QStringLiteral("(RDB$RECORD_VERSION>%1 and RDB$RECORD_VERSION<>%2)").arg(before).arg(by);
    if (!active.isEmpty()) {
        QStringList ids;
        for (qint64 a : active)
            ids << QString::number(a);
        test = QStringLiteral("(%1 or RDB$RECORD_VERSION in (%2))").arg(test, ids.join(','));
    }
    return test;
}

// ---------------------------------------------------------------- Database

Database::Database(const QString& name)
    : m_name(name), m_share(std::make_shared<AttachmentShare>()),
      m_transaction(this, QString(name).replace("IBDatabase", "IBTransaction"))
{
    m_share->members.insert(this);
}

Database::~Database()
{
    try {
        close();
    } catch (const DbError&) {
        // Nothing sensible to do while tearing down.
    }
    for (Query* q : std::as_const(m_queries))
        q->detachFromDatabase();
    for (TableDataset* d : std::as_const(m_datasets))
        d->detachFromDatabase();
    m_share->members.remove(this);
}

QStringList Database::defaultParams()
{
    return {QStringLiteral("user_name=sysdba"), QStringLiteral("password=tollgates"),
            QStringLiteral("lc_ctype=CP943C")};
}

void Database::shareAttachmentWith(Database& other)
{
    if (m_share == other.m_share)
        return;
    close();
    m_share->members.remove(this);
    m_share = other.m_share;
    m_share->members.insert(this);
}

bool Database::connected() const
{
    return m_connected;
}

static QString paramValue(const QStringList& params, const QString& key)
{
    for (const QString& p : params) {
        const int eq = p.indexOf('=');
        if (eq > 0 && p.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return p.mid(eq + 1).trimmed();
    }
    return {};
}

QString Database::role() const
{
    if (m_name == QLatin1String("IBDatabase1"))
        return QStringLiteral("製品データベース");
    if (m_name == QLatin1String("IBDatabase5"))
        return QStringLiteral("第２データベース");
    if (m_name.startsWith(QLatin1String("IBDatabase")))
        return QStringLiteral("作業用データベース");
    return {};
}

void Database::open()
{
    if (m_connected)
        return;
    if (m_path.isEmpty())
        throw DbError(QStringLiteral("%1: 接続するデータベースファイルが設定されていません。").arg(m_name));
    if (m_share->att && m_share->path != m_path)
        throw DbError(QStringLiteral("共有接続のデータベースが異なります: %1").arg(m_path));
    if (m_unreachable && m_unreachableSince.isValid() &&
        m_unreachableSince.elapsed() < UnreachableRetrySeconds * 1000 && m_unreachable->statement().endsWith(m_path))
        throw *m_unreachable;
    m_unreachable.reset();
    if (!m_share->att) {
        FbApi::StatusGuard status;
        ThrowStatusWrapper* st = status.get();
        try {
            const FbApi::Disposable<IXpbBuilder> dpb(FbApi::util()->getXpbBuilder(st, IXpbBuilder::DPB, nullptr, 0));
            const QString user = paramValue(m_params, QStringLiteral("user_name"));
            const QString pass = paramValue(m_params, QStringLiteral("password"));
            const QString ctype = paramValue(m_params, QStringLiteral("lc_ctype"));
            if (!user.isEmpty())
                dpb->insertString(st, isc_dpb_user_name, user.toUtf8().constData());
            if (!pass.isEmpty())
                dpb->insertString(st, isc_dpb_password, pass.toUtf8().constData());
            if (!ctype.isEmpty())
                dpb->insertString(st, isc_dpb_lc_ctype, ctype.toUtf8().constData());
            // The engine's background garbage collector reads tables through an
            // attachment of its own, and a table it is reading cannot be dropped;
            // collecting garbage in the attachments themselves keeps drops reliable.
            dpb->insertString(st, isc_dpb_config, "GCPolicy = cooperative");
            // A server that does not answer must not freeze the window for minutes.
            dpb->insertInt(st, isc_dpb_connect_timeout, ConnectTimeoutSeconds);
            if (m_forcedWrites)
                dpb->insertInt(st, isc_dpb_force_write, *m_forcedWrites ? 1 : 0);
            const QByteArray path = QFile::encodeName(m_path);
            m_share->att =
                FbApi::provider()->attachDatabase(st, path.constData(), dpb->getBufferLength(st), dpb->getBuffer(st));
        } catch (const FbException& e) {
            try {
                FbApi::rethrow(e, QStringLiteral("CONNECT %1").arg(m_path), role());
            } catch (const DbError& error) {
                if (error.kind() == ErrorText::Reason::Unreachable) {
                    m_unreachable = std::make_shared<DbError>(error);
                    m_unreachableSince.start();
                }
                throw;
            }
        }
        m_share->path = m_path;
    }
    ++m_share->users;
    m_connected = true;
}

WriteMark Database::markBefore()
{
    // A transaction that started before this one and still runs may write rows
    // the next transaction cannot see; every later one has a higher number.
    // Concurrency transactions see the monitoring tables as they first read
    // them, which only adds transactions that have ended since.
    WriteMark m;
    try {
        m.before = m_transaction.id();
        Query q(this);
        // Every transaction that has begun and not ended, idle ones too.
        q.setSql(QStringLiteral("select MON$TRANSACTION_ID from MON$TRANSACTIONS"));
        q.open();
        for (const auto& row : q.rows())
            if (const qint64 id = row.at(0).toLongLong(); id != m.before)
                m.active << id;
    } catch (const DbError&) {
        // Only a shortcut is lost: without a mark every row is checked.
        return WriteMark{};
    }
    // Too many to list: no mark, every row is checked.
    if (m.active.size() > 64)
        return WriteMark{};
    return m;
}

void Database::close()
{
    if (!m_connected)
        return;
    m_marks.clear();
    // Stop the transaction first; a failing commit must not leave the attachment half closed.
    try {
        m_transaction.stop();
    } catch (const DbError&) {
        // A lost connection fails the rollback too; the transaction is gone with it.
        try {
            m_transaction.rollback();
        } catch (const DbError&) {
        }
    }
    for (TableDataset* d : std::as_const(m_datasets))
        d->close();
    releaseOwnStatements();
    m_connected = false;
    if (--m_share->users == 0 && m_share->att) {
        // Statements of other sharing connections still hold the attachment.
        releaseAllStatements();
        FbApi::StatusGuard st;
        try {
            m_share->att->detach(st.get());
        } catch (const FbException&) {
            m_share->att->release();
        }
        m_share->att = nullptr;
    }
}

IAttachment* Database::attachment()
{
    if (!m_connected)
        open();
    return m_share->att;
}

void Database::releaseOwnStatements()
{
    for (Query* q : std::as_const(m_queries))
        q->releaseStatement();
}

void Database::releaseAllStatements()
{
    for (Database* db : std::as_const(m_share->members))
        db->releaseOwnStatements();
}

void Database::createDatabase(const QString& path, const QString& user, const QString& password)
{
    QString quoted = path;
    quoted.replace('\'', QStringLiteral("''"));
    const QString shown = QStringLiteral("CREATE DATABASE '%1'").arg(quoted);
    const QString sql = shown + QStringLiteral(" USER '%1' PASSWORD '%2' default character set CP943C")
                                    .arg(QString(user).replace('\'', QStringLiteral("''")),
                                         QString(password).replace('\'', QStringLiteral("''")));
    const QByteArray bytes = QFile::encodeName(sql);
    FbApi::StatusGuard st;
    try {
        IAttachment* att = FbApi::util()->executeCreateDatabase(st.get(), static_cast<unsigned>(bytes.size()),
                                                                bytes.constData(), 3, nullptr);
        try {
            att->detach(st.get());
        } catch (const FbException&) {
            att->release();
            throw;
        }
    } catch (const FbException& e) {
        // The error dialog names the file; the login stays out of it.
        FbApi::rethrow(e, shown);
    }
}

void Database::createScratchDatabase(const QString& path, const QString& user, const QString& password)
{
    FbApi::StatusGuard status;
    ThrowStatusWrapper* st = status.get();
    try {
        const FbApi::Disposable<IXpbBuilder> dpb(FbApi::util()->getXpbBuilder(st, IXpbBuilder::DPB, nullptr, 0));
        dpb->insertString(st, isc_dpb_user_name, user.toUtf8().constData());
        dpb->insertString(st, isc_dpb_password, password.toUtf8().constData());
        dpb->insertInt(st, isc_dpb_sql_dialect, 3);
        dpb->insertString(st, isc_dpb_set_db_charset, "CP943C");
        dpb->insertInt(st, isc_dpb_force_write, 0);
        const QByteArray file = QFile::encodeName(path);
        IAttachment* att =
            FbApi::provider()->createDatabase(st, file.constData(), dpb->getBufferLength(st), dpb->getBuffer(st));
        try {
            att->detach(st);
        } catch (const FbException&) {
            att->release();
            throw;
        }
    } catch (const FbException& e) {
        FbApi::rethrow(e, QStringLiteral("CREATE DATABASE '%1'").arg(path));
    }
}

void Database::shutdownEngine()
{
    fb_shutdown(0, fb_shutrsn_app_stopped);
}
