#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class DbError;

namespace Firebird {
class IStatement;
class ThrowStatusWrapper;
} // namespace Firebird

class Database;

// What a result column holds, as far as editing cares: numbers are checked
// before they reach the database, integers against their column's range.
struct FieldType {
    enum Kind { Other, Text, Integer, Number };
    Kind kind = Other;
    qint64 minimum = 0; // Integer only
    qint64 maximum = 0;
    bool numeric() const { return kind == Integer || kind == Number; }
};

// A statement object as the commands use it: SQL text built from lines, named
// parameters (":NAME"), execute, or open and walk the result.
//
// A result is fetched completely when opened and the cursor is closed at once,
// so that no open cursor ever keeps a work table from being dropped. A
// "COMMIT" statement commits the connection's transaction and starts the next.
// A statement that fails leaves the query closed, with no rows.
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
    void setSql(const QStringList& lines);
    QString sql() const { return m_lines.join('\n'); }

    // Named parameters, without the colon. An invalid QVariant binds NULL; a
    // parameter that is never set stores NULL too.
    void setParam(const QString& name, const QVariant& value);
    void clearParams() { m_values.clear(); }

    void exec();
    // Runs exec() and reports failure instead of throwing, for the statements
    // whose failure is expected ("drop table" of a missing table, an existing column).
    bool execIgnoringError();
    void open();
    void close();

    // What every command step does: close, replace the SQL text with `lines`
    // (which clears the parameters) and execute.
    void run(const QStringList& lines);
    void run(const QString& statement) { run(QStringList{statement}); }

    // Walking the fetched rows.
    int recordCount() const { return static_cast<int>(m_rows.size()); }
    bool eof() const { return !m_open || m_pos >= m_rows.size(); }
    void first() { m_pos = 0; }
    void next()
    {
        if (m_pos < m_rows.size())
            ++m_pos;
    }

    const QStringList& fieldNames() const { return m_columns; }
    const QVector<FieldType>& fieldTypes() const { return m_types; }
    QVariant value(const QString& name) const; // QVariant() for NULL
    QVariant value(int column) const;
    QString text(const QString& name) const; // "" for NULL
    bool isNull(const QString& name) const { return !value(name).isValid(); }
    const QVector<QVector<QVariant>>& rows() const { return m_rows; }

    // Used by the connection when it frees its statements.
    void releaseStatement();
    void detachFromDatabase();

private:
    // Names the parameter whose text a truncation error is about.
    void nameTooLongValue(DbError& error) const;
    int fieldIndex(const QString& name) const; // case-insensitive, -1 when absent
    void prepare();
    void execute(bool fetch);
    void executePrepared(Firebird::ThrowStatusWrapper* st, bool fetch);

    Database* m_db = nullptr;
    QString m_name;
    QStringList m_lines;
    QHash<QString, QVariant> m_values; // keys upper-case

    // Prepared form of the current text.
    QString m_preparedText;
    QStringList m_paramOrder;
    Firebird::IStatement* m_stmt = nullptr;

    bool m_open = false;
    QStringList m_columns;
    QVector<FieldType> m_types;
    QVector<QVector<QVariant>> m_rows;
    qsizetype m_pos = 0;
};

// Text of a value as the grids and commands read it: integers in decimal,
// amounts in the shortest form ("1234.5", "1000"), dates as yyyy/MM/dd, NULL empty.
QString valueText(const QVariant& v);

// Splits SQL at ":NAME" parameters outside quotes; returns the text with "?".
QString substituteParams(const QString& sql, QStringList& names);
