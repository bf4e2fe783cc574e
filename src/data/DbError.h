#pragma once

#include <QString>

#include <stdexcept>

// A failed database operation: the statement that failed and the database's own
// message. Thrown by the data layer; only the forms show it to the user.
class DbError : public std::runtime_error {
public:
    DbError(const QString& message, const QString& statement = {}, int sqlCode = 0, long gdsCode = 0);

    const QString& message() const { return m_message; }
    const QString& statement() const { return m_statement; }
    int sqlCode() const { return m_sqlCode; }
    long gdsCode() const { return m_gdsCode; }
    // Message followed by the statement, as the error dialog shows it.
    QString text() const;

private:
    QString m_message;
    QString m_statement;
    int m_sqlCode;
    long m_gdsCode;
};
