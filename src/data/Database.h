#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace Firebird {
class IAttachment;
class ITransaction;
} // namespace Firebird

class Database;
class DbError;
class Query;
class TableDataset;
struct AttachmentShare;

// One transaction of a connection (IBTransaction1 … IBTransaction5). Its
// parameters are the classic ones ("read_committed", "rec_version",
// "concurrency", "nowait"). Stopping commits, as the work transactions'
// automatic stop action does.
class Transaction {
public:
    explicit Transaction(Database* db, const QString& name);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    const QString& name() const { return m_name; }
    void setParams(const QStringList& params) { m_params = params; }
    const QStringList& params() const { return m_params; }

    bool active() const { return m_tra != nullptr; }
    void start();             // no-op when active
    void commit();            // no-op when not active
    void rollback();          // no-op when not active
    void stop() { commit(); } // the automatic stop action
    void restart()
    {
        stop();
        start();
    }
    // What a "COMMIT" statement does: commit and begin the next transaction.
    void commitAndRestart();
    // Runs `body` as one transaction: committed when it succeeds, rolled back (and
    // the error passed on) when it fails. Whatever was pending is committed first.
    void runWhole(const std::function<void()>& body);

    Firebird::ITransaction* handle(); // starts on demand
    // The engine's number of the running transaction (started on demand): what
    // RDB$RECORD_VERSION holds for the rows it writes.
    qint64 id();

private:
    void end(bool commit);

    Database* m_db;
    QString m_name;
    QStringList m_params;
    Firebird::ITransaction* m_tra = nullptr;
    qint64 m_id = 0;
};

// What a transaction can vouch for about the rows of a table after it has
// checked or rewritten all of them: rows written later, and rows of the
// transactions it could not see, carry other record versions. Taken by
// Database::markBefore() in the transaction before the checking one starts.
struct WriteMark {
    qint64 before = 0;    // the transaction that took the mark
    QList<qint64> active; // other transactions running then, unseen by the next one
    qint64 by = 0;        // the transaction that checked every row
    bool valid() const { return by > 0; }
    // SQL test "this row may have been written since the mark"; always true
    // without a valid mark.
    QString writtenSince() const;
};

// A connection (IBDatabase1 … IBDatabase5) with its one transaction.
//
// Connections to the same work database can share one attachment: Firebird
// refuses to drop a table that another attachment has ever used until that
// attachment detaches, while inside one attachment a drop only waits for the
// cursors to close and the other transactions to end. Each sharing connection
// keeps its own transaction, which is the separation the tabs need.
class Database {
public:
    explicit Database(const QString& name);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const QString& name() const { return m_name; }
    void setDatabaseName(const QString& path) { m_path = path; }
    const QString& databaseName() const { return m_path; }
    // The database as the user knows it ("製品データベース", "作業用データベース",
    // "第２データベース"), by the connection's name; empty for other connections.
    QString role() const;
    // "user_name=…", "password=…", "lc_ctype=…"
    void setParams(const QStringList& params) { m_params = params; }
    const QStringList& params() const { return m_params; }
    // For a scratch database whose contents may be lost with the machine: the
    // engine stops waiting for the disk at every commit. Set before open(); the
    // setting stays with the file.
    void setForcedWrites(bool on) { m_forcedWrites = on; }

    // Make this connection use the same attachment as `other` (same database file).
    void shareAttachmentWith(Database& other);

    bool connected() const;
    void open();  // no-op when connected
    void close(); // stops the transaction, frees this connection's statements
    void reconnect()
    {
        close();
        open();
    }

    Transaction& transaction() { return m_transaction; }

    // Frees every prepared statement on this connection's attachment, of every
    // sharing connection: a DROP must not find the table held by a compiled request.
    void releaseAllStatements();

    Firebird::IAttachment* attachment();

    // A mark for the transaction that starts next (see WriteMark); fill in
    // `by` once it runs. Taken in the running transaction.
    WriteMark markBefore();
    // Marks kept by name while the connection stays open.
    void setMark(const QString& name, const WriteMark& mark) { m_marks.insert(name, mark); }
    WriteMark mark(const QString& name) const { return m_marks.value(name); }

    // Creates a database file with SQL dialect 3 and the default character set CP943C.
    static void createDatabase(const QString& path, const QString& user = QStringLiteral("sysdba"),
                               const QString& password = QStringLiteral("tollgates"));

    // The same for a scratch database: created with forced writes off, so that
    // neither its creation nor its commits wait for the disk.
    static void createScratchDatabase(const QString& path, const QString& user = QStringLiteral("sysdba"),
                                      const QString& password = QStringLiteral("tollgates"));

    // Stops the embedded engine's threads; call once before the process exits.
    static void shutdownEngine();

    // Standard parameter lines of every connection of the program.
    static QStringList defaultParams();

    // How long an attachment waits for a server that does not answer.
    static constexpr int ConnectTimeoutSeconds = 6;
    // After a server did not answer, further attempts fail at once for this long
    // instead of freezing the window again and again.
    static constexpr int UnreachableRetrySeconds = 30;

    // Registration of the statements and datasets that use this connection.
    void registerQuery(Query* q) { m_queries.insert(q); }
    void unregisterQuery(Query* q) { m_queries.remove(q); }
    void registerDataset(TableDataset* d) { m_datasets.insert(d); }
    void unregisterDataset(TableDataset* d) { m_datasets.remove(d); }
    const QSet<TableDataset*>& datasets() const { return m_datasets; }

private:
    friend class Transaction;
    void releaseOwnStatements();

    QString m_name;
    QString m_path;
    QStringList m_params;
    std::shared_ptr<AttachmentShare> m_share;
    std::optional<bool> m_forcedWrites;
    bool m_connected = false;
    std::shared_ptr<DbError> m_unreachable; // the last "no answer", while it stands
    QElapsedTimer m_unreachableSince;
    Transaction m_transaction;
    QHash<QString, WriteMark> m_marks;
    QSet<Query*> m_queries;
    QSet<TableDataset*> m_datasets;
};
