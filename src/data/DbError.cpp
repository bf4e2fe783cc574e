#include "DbError.h"

#include <QRegularExpression>

namespace {

QString joined(const QString& message, const QString& statement)
{
    return statement.isEmpty() ? message : message + "\n" + statement;
}

QString named(const QString& pattern, const QString& name)
{
    // Not arg(): the pattern may quote a user's text that contains "%".
    return QString(pattern).replace(QStringLiteral("%1"), name);
}

} // namespace

DbError::DbError(const QString& message, const QString& statement, int sqlCode, long gdsCode)
    : std::runtime_error(joined(withoutCredentials(message), withoutCredentials(statement)).toStdString()),
      m_message(withoutCredentials(message)), m_statement(withoutCredentials(statement)), m_sqlCode(sqlCode),
      m_gdsCode(gdsCode)
{
}

DbError DbError::aboutField(const QString& field, const QString& pattern, const QString& statement)
{
    DbError e(named(pattern, field), statement);
    e.m_field = field;
    e.m_pattern = pattern;
    return e;
}

DbError DbError::forField(const QString& field) const
{
    if (m_pattern.isEmpty())
        return *this;
    DbError e = aboutField(field, m_pattern);
    e.m_sqlCode = m_sqlCode;
    e.m_gdsCode = m_gdsCode;
    return e;
}

namespace {
const QString kDetails = QStringLiteral("\n\n【詳細】\n");
} // namespace

QString DbError::text() const
{
    // A complaint about one field names it as the user sees it.
    const QString message = m_pattern.isEmpty() ? m_message : named(m_pattern, ErrorText::columnCaption(m_field));
    const QString raw = m_statement.isEmpty() ? message : message + QStringLiteral("\n\n") + m_statement;
    const QString user = advice();
    return user.isEmpty() ? raw : user + kDetails + raw;
}

void DbError::explain(const ErrorText::Status& status)
{
    m_kind = ErrorText::networkReason(status.codes(), m_statement);
    m_failure = ErrorText::classify(status, m_statement);
}

void DbError::setRole(const QString& role)
{
    if (m_role.isEmpty())
        m_role = role;
}

void DbError::setColumn(const QString& column)
{
    m_failure.subject = column;
}

QString DbError::advice() const
{
    ErrorText::Failure f = m_failure;
    if (f.reason == ErrorText::Reason::ValueTooLong || f.reason == ErrorText::Reason::CharacterNotStored)
        f.subject = f.subject.isEmpty() ? QString() : ErrorText::columnCaption(f.subject);
    const QString user = ErrorText::sentence(f, m_role, m_unchanged);
    if (!user.isEmpty())
        return user;
    return ErrorText::networkMessage(m_kind);
}

DbError DbError::columnMissing(const QString& column, const QString& statement)
{
    DbError e(QStringLiteral("フィールド '%1' が見つかりません").arg(column), statement);
    e.m_failure = {ErrorText::Reason::ColumnMissing, column, 0};
    return e;
}

QPair<QString, QString> DbError::splitDetails(const QString& text)
{
    const qsizetype at = text.indexOf(kDetails);
    if (at < 0)
        return {text, {}};
    return {text.left(at), text.mid(at + kDetails.size())};
}

QString DbError::messageNaming(const QString& shownName) const
{
    return m_pattern.isEmpty() ? m_message : named(m_pattern, shownName);
}

QString DbError::withoutCredentials(const QString& text)
{
    // USER 'name' and PASSWORD 'secret', with quotes doubled inside.
    static const QRegularExpression clause(QStringLiteral("\\s*\\b(USER|PASSWORD)\\s+'(?:[^']|'')*'"),
                                           QRegularExpression::CaseInsensitiveOption);
    return QString(text).remove(clause);
}
