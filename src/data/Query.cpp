#include "Query.h"

#include "Database.h"
#include "DbError.h"
#include "FbApi.h"
#include "QueryMessages.h"
#include "SjisCodec.h"

#include <QRegularExpression>

#include <cmath>

using namespace Firebird;
using namespace QueryMessages;

namespace {

constexpr unsigned kDialect = 3;

// Statements that change metadata must not find the table held by a compiled request.
bool isDdl(const QString& sql)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(DROP|ALTER|CREATE|RECREATE)\\b"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(sql).hasMatch();
}

// "COMMIT", "commit work;" and the like; `verb` in upper case.
bool isTransactionEnd(const QString& sql, const QString& verb)
{
    // Every statement passes here; a long one is never a bare COMMIT.
    if (sql.size() > 40)
        return false;
    const QString s = sql.trimmed().toUpper().remove(';').simplified();
    return s == verb || s == verb + QStringLiteral(" WORK");
}

} // namespace

QString valueText(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::Double: {
        const double d = v.toDouble();
        if (d == std::floor(d) && std::fabs(d) < 1e15)
            return QString::number(static_cast<qint64>(d));
        return QString::number(d, 'g', 15);
    }
    case QMetaType::QDate: return v.toDate().toString(QStringLiteral("yyyy/MM/dd"));
    case QMetaType::QDateTime: return v.toDateTime().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    case QMetaType::QByteArray: return QString::fromLatin1(v.toByteArray().toHex());
    default: return v.toString();
    }
}

QString substituteParams(const QString& sql, QStringList& names)
{
    names.clear();
    QString out;
    out.reserve(sql.size());
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            out += c;
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            out += c;
            continue;
        }
        if (c == ':' && i + 1 < sql.size() && (sql.at(i + 1).isLetter() || sql.at(i + 1) == '_')) {
            qsizetype j = i + 1;
            while (j < sql.size() && (sql.at(j).isLetterOrNumber() || sql.at(j) == '_' || sql.at(j) == '$'))
                ++j;
            names << sql.mid(i + 1, j - i - 1).toUpper();
            out += '?';
            i = j - 1;
            continue;
        }
        out += c;
    }
    return out;
}

Query::Query(Database* db, const QString& name) : m_name(name)
{
    setDatabase(db);
}

Query::~Query()
{
    releaseStatement();
    if (m_db)
        m_db->unregisterQuery(this);
}

void Query::setDatabase(Database* db)
{
    if (m_db == db)
        return;
    close();
    releaseStatement();
    if (m_db)
        m_db->unregisterQuery(this);
    m_db = db;
    if (m_db)
        m_db->registerQuery(this);
}

void Query::detachFromDatabase()
{
    releaseStatement();
    m_db = nullptr;
}

void Query::clearSql()
{
    close();
    m_lines.clear();
    m_values.clear();
}

void Query::addSql(const QString& line)
{
    close();
    m_lines << line;
    m_values.clear();
}

void Query::setSql(const QString& text)
{
    setSql(text.split('\n'));
}

void Query::setSql(const QStringList& lines)
{
    clearSql();
    m_lines = lines;
}

void Query::setParam(const QString& name, const QVariant& value)
{
    m_values.insert(name.toUpper(), value);
}

int Query::fieldIndex(const QString& name) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant Query::value(int column) const
{
    if (eof() || column < 0 || column >= m_columns.size())
        return {};
    return m_rows.at(m_pos).at(column);
}

QVariant Query::value(const QString& name) const
{
    const int i = fieldIndex(name);
    if (i < 0 && m_open) {
        DbError e = DbError::columnMissing(name, sql());
        e.setRole(m_db ? m_db->role() : QString());
        throw e;
    }
    return value(i);
}

QString Query::text(const QString& name) const
{
    return valueText(value(name));
}

void Query::releaseStatement()
{
    if (!m_stmt)
        return;
    FbApi::StatusGuard status;
    try {
        m_stmt->free(status.get());
    } catch (const FbException&) {
        m_stmt->release();
    }
    m_stmt = nullptr;
    m_preparedText.clear();
}

void Query::close()
{
    m_open = false;
    m_rows.clear();
    m_columns.clear();
    m_types.clear();
    m_pos = 0;
}

void Query::prepare()
{
    const QString text = sql();
    if (m_stmt && text == m_preparedText)
        return;
    releaseStatement();
    const QString marked = substituteParams(text, m_paramOrder);
    QByteArray bytes;
    QString bad;
    if (!SjisCodec::tryEncode(marked, bytes, &bad))
        throw DbError(QStringLiteral("文字「%1」はデータベースに保存できません。").arg(bad), text);
    IAttachment* att = m_db->attachment();
    FbApi::StatusGuard status;
    try {
        m_stmt = att->prepare(status.get(), m_db->transaction().handle(), static_cast<unsigned>(bytes.size()),
                              bytes.constData(), kDialect, IStatement::PREPARE_PREFETCH_METADATA);
    } catch (const FbException& e) {
        m_stmt = nullptr;
        FbApi::rethrow(e, text, m_db->role());
    }
    m_preparedText = text;
}

void Query::nameTooLongValue(DbError& error) const
{
    const ErrorText::Failure& f = error.failure();
    if (f.reason != ErrorText::Reason::ValueTooLong || !f.subject.isEmpty() || f.actual <= 0)
        return;
    // The engine does not say which value was too long, only its length in
    // characters or in bytes: the first text of that length is the one.
    for (const QString& name : m_paramOrder) {
        const QVariant v = m_values.value(name.toUpper());
        QByteArray bytes;
        if (v.typeId() == QMetaType::QString && SjisCodec::tryEncode(v.toString(), bytes, nullptr) &&
            (bytes.size() == f.actual || v.toString().size() == f.actual)) {
            error.setColumn(name);
            return;
        }
    }
}

void Query::exec()
{
    execute(false);
}

bool Query::execIgnoringError()
{
    try {
        execute(false);
        return true;
    } catch (const DbError&) {
        return false;
    }
}

void Query::open()
{
    execute(true);
}

void Query::run(const QStringList& lines)
{
    setSql(lines);
    exec();
}

void Query::execute(bool fetch)
{
    if (!m_db)
        throw DbError(QStringLiteral("データベースが設定されていません。"), sql());
    close();
    const QString text = sql();
    if (isTransactionEnd(text, QStringLiteral("COMMIT"))) {
        m_db->transaction().commitAndRestart();
        return;
    }
    if (isTransactionEnd(text, QStringLiteral("ROLLBACK"))) {
        m_db->transaction().rollback();
        m_db->transaction().start();
        return;
    }
    if (isDdl(text))
        m_db->releaseAllStatements();
    prepare();
    FbApi::StatusGuard status;
    try {
        executePrepared(status.get(), fetch);
    } catch (const FbException& e) {
        close();
        try {
            FbApi::rethrow(e, text, m_db->role());
        } catch (DbError& error) {
            nameTooLongValue(error);
            throw;
        }
    } catch (...) {
        close();
        throw;
    }
    if (fetch)
        m_open = true;
}

// A statement with output is open afterwards, whether or not its rows were
// fetched; exec() of a select leaves it open and empty.
void Query::executePrepared(ThrowStatusWrapper* st, bool fetch)
{
    InputMessage in = bindInput(m_stmt, st, m_paramOrder, m_values, sql());
    OutputMessage out = describeOutput(m_stmt, st);
    ITransaction* tra = m_db->transaction().handle();
    if (!out.meta) {
        m_stmt->execute(st, tra, in.meta.get(), in.buffer.data(), nullptr, nullptr);
        return;
    }
    m_columns = out.columns;
    m_types = out.types;
    IAttachment* att = m_db->attachment();
    if (m_stmt->getFlags(st) & IStatement::FLAG_HAS_CURSOR) {
        FbApi::Closable<IResultSet> cursor(
            m_stmt->openCursor(st, tra, in.meta.get(), in.buffer.data(), out.meta.get(), 0));
        while (fetch && cursor->fetchNext(st, out.buffer.data()) == IStatus::RESULT_OK)
            m_rows.push_back(readRow(out, st, att, tra));
        FbApi::closeNow(cursor, st);
    } else {
        // INSERT … RETURNING and procedures: one row of output.
        m_stmt->execute(st, tra, in.meta.get(), in.buffer.data(), out.meta.get(), out.buffer.data());
        m_rows.push_back(readRow(out, st, att, tra));
    }
    m_open = true;
}
