#pragma once

#include "ErrorText.h"

#include <QList>
#include <QPair>
#include <QString>

#include <stdexcept>

// A failed database operation: the statement that failed and the database's own
// message. Thrown by the data layer; only the forms show it to the user.
//
// An error about one value also knows the field it was meant for, so that a form
// can name the column as the user sees it instead of the name the data layer uses.
// Login clauses (USER '…', PASSWORD '…') never reach the message or the statement.
class DbError : public std::runtime_error {
public:
    DbError(const QString& message, const QString& statement = {}, int sqlCode = 0, long gdsCode = 0);

    // `pattern` holds "%1" where the field's name goes.
    static DbError aboutField(const QString& field, const QString& pattern, const QString& statement = {});
    // The same complaint about another field; the statement is dropped, since
    // its parameters mean nothing once the field is named.
    DbError forField(const QString& field) const;

    const QString& message() const { return m_message; }
    const QString& statement() const { return m_statement; }
    int sqlCode() const { return m_sqlCode; }
    long gdsCode() const { return m_gdsCode; }
    // Message followed by the statement, as the error dialog shows it; for the
    // failures of a network installation the user's message comes first and
    // Firebird's text and the statement follow under a details heading.
    QString text() const;

    // Tells the failure apart by the status vector, which also names the file,
    // column or system error concerned.
    void explain(const ErrorText::Status& status);
    // The failure of a network installation the error codes alone show.
    ErrorText::Reason kind() const { return m_kind; }
    const ErrorText::Failure& failure() const { return m_failure; }
    // The database the failure happened in, as the user knows it ("製品データベース");
    // the first one set stays.
    void setRole(const QString& role);
    // The work was rolled back: the user's message says that nothing was changed.
    void setNothingChanged() { m_unchanged = true; }
    // The column whose value the failure is about (a text too long for it).
    void setColumn(const QString& column);
    // The user's message; empty when Firebird's text is all there is.
    QString advice() const;
    // A column this program reads is missing from a result: the database is older.
    static DbError columnMissing(const QString& column, const QString& statement);
    // A text() split into what the error box shows and its details part (empty
    // when the text has none).
    static QPair<QString, QString> splitDetails(const QString& text);

    // Empty unless the error is about one field's value.
    const QString& field() const { return m_field; }
    // The message with `shownName` in place of the field's name.
    QString messageNaming(const QString& shownName) const;

private:
    // `text` without the login clauses of a CONNECT or CREATE DATABASE statement.
    static QString withoutCredentials(const QString& text);

    QString m_message;
    QString m_statement;
    int m_sqlCode;
    long m_gdsCode;
    QString m_field;
    QString m_pattern;
    ErrorText::Reason m_kind = ErrorText::Reason::None;
    ErrorText::Failure m_failure;
    QString m_role;
    bool m_unchanged = false;
};
