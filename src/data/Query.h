#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace Firebird {
class IStatement;
}

class Database;

// A statement object as the commands use it: SQL text built from lines, named
// parameters (":NAME"), execute, or open and walk the result.
//
// A result is fetched completely when opened and the cursor is closed at once,
// so that no open cursor ever keeps a work table from being dropped. A
// "COMMIT" statement commits the connection's transaction and starts the next.
class Query {
public:
    explicit Query(Database* db = nullptr, const QString& name = {});
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    const QString& name() const { return m_name; }
    void setDatabase(Database* db);
    Database* database() const { return m_db; }

    // SQL text; changing it clears the parameter values.
    void clearSql();
    void addSql(const QString& line);
    void setSql(const QString& text);
    QString sql() const { return m_lines.join('\n'); }

    // Named parameters, without the colon. An invalid QVariant binds NULL; a
    // parameter that is never set stores NULL too.
    void setParam(const QString& name, const QVariant& value);
    void setNull(const QString& name) { setParam(name, QVariant()); }
    void clearParams() { m_values.clear(); }
    QStringList paramNames();

    void exec();
    // Runs exec() and reports failure instead of throwing, for the statements
    // whose failure is expected ("drop table" of a missing table, an existing column).
    bool execIgnoringError();
    void open();
    void close();
    bool isOpen() const { return m_open; }

    int rowsAffected() const { return m_rowsAffected; }

    // Walking the fetched rows.
    int recordCount() const { return static_cast<int>(m_rows.size()); }
    bool eof() const { return !m_open || m_pos >= m_rows.size(); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    void first() { m_pos = 0; }
    void next() { if (m_pos < m_rows.size()) ++m_pos; }
    int recNo() const { return static_cast<int>(m_pos) + 1; }

    const QStringList& fieldNames() const { return m_columns; }
    int fieldIndex(const QString& name) const;  // case-insensitive, -1 when absent
    QVariant value(const QString& name) const;  // QVariant() for NULL
    QVariant value(int column) const;
    QString text(const QString& name) const;    // "" for NULL
    bool isNull(const QString& name) const { return !value(name).isValid(); }
    const QVector<QVector<QVariant>>& rows() const { return m_rows; }

    // Used by the connection when it frees its statements.
    void releaseStatement();
    void detachFromDatabase();

private:
    void prepare();
    void run(bool fetch);

    Database* m_db = nullptr;
    QString m_name;
    QStringList m_lines;
    QHash<QString, QVariant> m_values;  // keys upper-case

    // Prepared form of the current text.
    QString m_preparedText;
    QStringList m_paramOrder;
    Firebird::IStatement* m_stmt = nullptr;

    bool m_open = false;
    QStringList m_columns;
    QVector<QVector<QVariant>> m_rows;
    qsizetype m_pos = 0;
    int m_rowsAffected = 0;
};

// Text of a value as the grids and commands read it: integers in decimal,
// amounts in the shortest form ("1234.5", "1000"), dates as yyyy/MM/dd, NULL empty.
QString valueText(const QVariant& v);

// Splits SQL at ":NAME" parameters outside quotes; returns the text with "?".
QString substituteParams(const QString& sql, QStringList& names);
