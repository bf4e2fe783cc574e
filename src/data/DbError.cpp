#include "DbError.h"

DbError::DbError(const QString& message, const QString& statement, int sqlCode, long gdsCode)
    : std::runtime_error((statement.isEmpty() ? message : message + "\n" + statement).toStdString()),
      m_message(message), m_statement(statement), m_sqlCode(sqlCode), m_gdsCode(gdsCode)
{
}

QString DbError::text() const
{
    return m_statement.isEmpty() ? m_message : m_message + QStringLiteral("\n\n") + m_statement;
}
