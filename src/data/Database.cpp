#include "Database.h"

#include "DbError.h"
#include "FbApi.h"
#include "Query.h"
#include "SjisCodec.h"
#include "TableDataset.h"

#include <QFile>

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
        ThrowStatusWrapper st(FbApi::master()->getStatus());
        try {
            m_tra->rollback(&st);
        } catch (const FbException&) {
            m_tra->release();
        }
        st.dispose();
        m_tra = nullptr;
    }
}

void Transaction::start()
{
    if (m_tra)
        return;
    IAttachment* att = m_db->attachment();
    ThrowStatusWrapper st(FbApi::master()->getStatus());
    try {
        IXpbBuilder* tpb = FbApi::util()->getXpbBuilder(&st, IXpbBuilder::TPB, nullptr, 0);
        tpb->insertTag(&st, isc_tpb_write);
        for (const QString& p : m_params) {
            const QString k = p.trimmed().toLower();
            if (k == QLatin1String("read_committed"))
                tpb->insertTag(&st, isc_tpb_read_committed);
            else if (k == QLatin1String("rec_version"))
                tpb->insertTag(&st, isc_tpb_rec_version);
            else if (k == QLatin1String("no_rec_version"))
                tpb->insertTag(&st, isc_tpb_no_rec_version);
            else if (k == QLatin1String("nowait"))
                tpb->insertTag(&st, isc_tpb_nowait);
            else if (k == QLatin1String("wait"))
                tpb->insertTag(&st, isc_tpb_wait);
            else if (k == QLatin1String("concurrency"))
                tpb->insertTag(&st, isc_tpb_concurrency);
            else if (k == QLatin1String("consistency"))
                tpb->insertTag(&st, isc_tpb_consistency);
        }
        m_tra = att->startTransaction(&st, tpb->getBufferLength(&st), tpb->getBuffer(&st));
        tpb->dispose();
        st.dispose();
    } catch (const FbException& e) {
        st.dispose();
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

void Transaction::commit()
{
    if (!m_tra)
        return;
    closeDatasetsOf(m_db);
    ThrowStatusWrapper st(FbApi::master()->getStatus());
    try {
        m_tra->commit(&st);
        m_tra = nullptr;
        st.dispose();
    } catch (const FbException& e) {
        st.dispose();
        FbApi::rethrow(e, QStringLiteral("COMMIT (%1)").arg(m_name));
    }
}

void Transaction::rollback()
{
    if (!m_tra)
        return;
    closeDatasetsOf(m_db);
    ThrowStatusWrapper st(FbApi::master()->getStatus());
    try {
        m_tra->rollback(&st);
        m_tra = nullptr;
        st.dispose();
    } catch (const FbException& e) {
        st.dispose();
        m_tra->release();
        m_tra = nullptr;
        FbApi::rethrow(e, QStringLiteral("ROLLBACK (%1)").arg(m_name));
    }
}

void Transaction::commitAndRestart()
{
    if (m_tra) {
        ThrowStatusWrapper st(FbApi::master()->getStatus());
        try {
            m_tra->commit(&st);
            m_tra = nullptr;
            st.dispose();
        } catch (const FbException& e) {
            st.dispose();
            FbApi::rethrow(e, QStringLiteral("COMMIT"));
        }
    }
    start();
}

ITransaction* Transaction::handle()
{
    start();
    return m_tra;
}

// ---------------------------------------------------------------- Database

Database::Database(const QString& name)
    : m_name(name), m_share(std::make_shared<AttachmentShare>()), m_transaction(this, QString(name).replace("IBDatabase", "IBTransaction"))
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
    return {QStringLiteral("user_name=sysdba"), QStringLiteral("password=tollgates"), QStringLiteral("lc_ctype=CP943C")};
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

void Database::open()
{
    if (m_connected)
        return;
    if (m_share->att && m_share->path != m_path)
        throw DbError(QStringLiteral("共有接続のデータベースが異なります: %1").arg(m_path));
    if (!m_share->att) {
        ThrowStatusWrapper st(FbApi::master()->getStatus());
        try {
            IXpbBuilder* dpb = FbApi::util()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
            const QString user = paramValue(m_params, QStringLiteral("user_name"));
            const QString pass = paramValue(m_params, QStringLiteral("password"));
            const QString ctype = paramValue(m_params, QStringLiteral("lc_ctype"));
            if (!user.isEmpty())
                dpb->insertString(&st, isc_dpb_user_name, user.toUtf8().constData());
            if (!pass.isEmpty())
                dpb->insertString(&st, isc_dpb_password, pass.toUtf8().constData());
            if (!ctype.isEmpty())
                dpb->insertString(&st, isc_dpb_lc_ctype, ctype.toUtf8().constData());
            // The engine's background garbage collector reads tables through an
            // attachment of its own, and a table it is reading cannot be dropped;
            // collecting garbage in the attachments themselves keeps drops reliable.
            dpb->insertString(&st, isc_dpb_config, "GCPolicy = cooperative");
            const QByteArray path = QFile::encodeName(m_path);
            m_share->att = FbApi::provider()->attachDatabase(&st, path.constData(), dpb->getBufferLength(&st),
                                                             dpb->getBuffer(&st));
            dpb->dispose();
            st.dispose();
        } catch (const FbException& e) {
            st.dispose();
            FbApi::rethrow(e, QStringLiteral("CONNECT %1").arg(m_path));
        }
        m_share->path = m_path;
    }
    ++m_share->users;
    m_connected = true;
}

void Database::close()
{
    if (!m_connected)
        return;
    // Stop the transaction first; a failing commit must not leave the attachment half closed.
    try {
        m_transaction.stop();
    } catch (const DbError&) {
        m_transaction.rollback();
    }
    for (TableDataset* d : std::as_const(m_datasets))
        d->close();
    releaseOwnStatements();
    m_connected = false;
    if (--m_share->users == 0 && m_share->att) {
        // Statements of other sharing connections still hold the attachment.
        releaseAllStatements();
        ThrowStatusWrapper st(FbApi::master()->getStatus());
        try {
            m_share->att->detach(&st);
        } catch (const FbException&) {
            m_share->att->release();
        }
        st.dispose();
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
    const QString sql = QStringLiteral("CREATE DATABASE '%1' USER '%2' PASSWORD '%3' default character set CP943C")
                            .arg(quoted, user, password);
    const QByteArray bytes = QFile::encodeName(sql);
    ThrowStatusWrapper st(FbApi::master()->getStatus());
    try {
        IAttachment* att = FbApi::util()->executeCreateDatabase(&st, static_cast<unsigned>(bytes.size()),
                                                                bytes.constData(), 3, nullptr);
        att->detach(&st);
        st.dispose();
    } catch (const FbException& e) {
        st.dispose();
        FbApi::rethrow(e, sql);
    }
}

void Database::shutdownEngine()
{
    fb_shutdown(0, fb_shutrsn_app_stopped);
}
