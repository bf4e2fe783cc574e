#include "Query.h"

#include "Database.h"
#include "DbError.h"
#include "FbApi.h"
#include "SjisCodec.h"

#include <QRegularExpression>

#include <cmath>
#include <cstring>
#include <vector>

using namespace Firebird;

namespace {

constexpr unsigned kDialect = 3;
constexpr unsigned kCharsetOctets = 1;

bool isTextType(unsigned t) { return t == SQL_TEXT || t == SQL_VARYING; }

QString upperTrim(const QString& s) { return s.trimmed().toUpper(); }

// Statements that change metadata must not find the table held by a compiled request.
bool isDdl(const QString& sql)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(DROP|ALTER|CREATE|RECREATE)\\b"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(sql).hasMatch();
}

bool isCommit(const QString& sql)
{
    const QString s = upperTrim(sql).remove(';').simplified();
    return s == QLatin1String("COMMIT") || s == QLatin1String("COMMIT WORK");
}

bool isRollback(const QString& sql)
{
    const QString s = upperTrim(sql).remove(';').simplified();
    return s == QLatin1String("ROLLBACK") || s == QLatin1String("ROLLBACK WORK");
}

struct StatusGuard {
    ThrowStatusWrapper st{FbApi::master()->getStatus()};
    ~StatusGuard() { st.dispose(); }
};

template <typename T> void put(unsigned char* buf, unsigned off, T v) { std::memcpy(buf + off, &v, sizeof v); }
template <typename T> T get(const unsigned char* buf, unsigned off)
{
    T v;
    std::memcpy(&v, buf + off, sizeof v);
    return v;
}

QString shortestDouble(double d)
{
    if (d == std::floor(d) && std::fabs(d) < 1e15)
        return QString::number(static_cast<qint64>(d));
    return QString::number(d, 'g', 15);
}

} // namespace

QString valueText(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::Double:
        return shortestDouble(v.toDouble());
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("yyyy/MM/dd"));
    case QMetaType::QDateTime:
        return v.toDateTime().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    case QMetaType::QByteArray:
        return QString::fromLatin1(v.toByteArray().toHex());
    default:
        return v.toString();
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
    clearSql();
    m_lines = text.split('\n');
}

void Query::setParam(const QString& name, const QVariant& value)
{
    m_values.insert(name.toUpper(), value);
}

QStringList Query::paramNames()
{
    QStringList names;
    substituteParams(sql(), names);
    return names;
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
    if (i < 0 && m_open)
        throw DbError(QStringLiteral("フィールド '%1' が見つかりません").arg(name), sql());
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
    StatusGuard g;
    try {
        m_stmt->free(&g.st);
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
    StatusGuard g;
    try {
        m_stmt = att->prepare(&g.st, m_db->transaction().handle(), static_cast<unsigned>(bytes.size()),
                              bytes.constData(), kDialect, IStatement::PREPARE_PREFETCH_METADATA);
    } catch (const FbException& e) {
        m_stmt = nullptr;
        FbApi::rethrow(e, text);
    }
    m_preparedText = text;
}

void Query::exec()
{
    run(false);
}

bool Query::execIgnoringError()
{
    try {
        run(false);
        return true;
    } catch (const DbError&) {
        return false;
    }
}

void Query::open()
{
    run(true);
}

void Query::run(bool fetch)
{
    if (!m_db)
        throw DbError(QStringLiteral("データベースが設定されていません。"), sql());
    close();
    const QString text = sql();
    if (isCommit(text)) {
        m_db->transaction().commitAndRestart();
        return;
    }
    if (isRollback(text)) {
        m_db->transaction().rollback();
        m_db->transaction().start();
        return;
    }
    if (isDdl(text))
        m_db->releaseAllStatements();
    prepare();

    IUtil* util = FbApi::util();
    StatusGuard g;
    IMessageMetadata* inMeta = nullptr;
    IMessageMetadata* outMeta = nullptr;
    IMetadataBuilder* builder = nullptr;
    IResultSet* rs = nullptr;
    auto cleanup = [&] {
        if (rs) {
            try { rs->close(&g.st); } catch (const FbException&) { rs->release(); }
            rs = nullptr;
        }
        if (builder) builder->release();
        if (inMeta) inMeta->release();
        if (outMeta) outMeta->release();
        builder = nullptr;
        inMeta = outMeta = nullptr;
    };

    try {
        // ---- input message: one field per parameter, typed by its bound value
        IMessageMetadata* described = m_stmt->getInputMetadata(&g.st);
        const unsigned inCount = described->getCount(&g.st);
        std::vector<QByteArray> encoded(inCount);
        std::vector<QVariant> values(inCount);
        builder = described->getBuilder(&g.st);
        for (unsigned i = 0; i < inCount; ++i) {
            const QString pname = i < static_cast<unsigned>(m_paramOrder.size()) ? m_paramOrder.at(i) : QString();
            QVariant v = m_values.value(pname);
            if (v.isValid() && v.isNull())
                v = QVariant();
            values[i] = v;
            const unsigned dtype = described->getType(&g.st, i);
            if (!v.isValid()) {
                builder->setType(&g.st, i, dtype | 1);
                continue;
            }
            switch (v.typeId()) {
            case QMetaType::QString: {
                QString bad;
                if (!SjisCodec::tryEncode(v.toString(), encoded[i], &bad))
                    throw DbError(QStringLiteral("「%1」に保存できない文字「%2」があります。").arg(pname, bad), text);
                builder->setType(&g.st, i, SQL_VARYING | 1);
                builder->setLength(&g.st, i, static_cast<unsigned>(std::max<qsizetype>(1, encoded[i].size())));
                builder->setCharSet(&g.st, i, isTextType(dtype) ? described->getCharSet(&g.st, i) : 0);
                builder->setScale(&g.st, i, 0);
                builder->setSubType(&g.st, i, 0);
                break;
            }
            case QMetaType::QByteArray:
                encoded[i] = v.toByteArray();
                builder->setType(&g.st, i, SQL_TEXT | 1);
                builder->setLength(&g.st, i, static_cast<unsigned>(std::max<qsizetype>(1, encoded[i].size())));
                builder->setCharSet(&g.st, i, kCharsetOctets);
                builder->setScale(&g.st, i, 0);
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                builder->setType(&g.st, i, SQL_DOUBLE | 1);
                builder->setLength(&g.st, i, sizeof(double));
                builder->setScale(&g.st, i, 0);
                break;
            case QMetaType::QDate:
                builder->setType(&g.st, i, SQL_TYPE_DATE | 1);
                builder->setLength(&g.st, i, sizeof(ISC_DATE));
                builder->setScale(&g.st, i, 0);
                break;
            case QMetaType::QDateTime:
                builder->setType(&g.st, i, SQL_TIMESTAMP | 1);
                builder->setLength(&g.st, i, sizeof(ISC_TIMESTAMP));
                builder->setScale(&g.st, i, 0);
                break;
            default: // integers and booleans
                builder->setType(&g.st, i, SQL_INT64 | 1);
                builder->setLength(&g.st, i, sizeof(ISC_INT64));
                builder->setScale(&g.st, i, 0);
                break;
            }
        }
        described->release();
        inMeta = builder->getMetadata(&g.st);
        builder->release();
        builder = nullptr;

        std::vector<unsigned char> inBuf(inMeta->getMessageLength(&g.st));
        for (unsigned i = 0; i < inCount; ++i) {
            const unsigned off = inMeta->getOffset(&g.st, i);
            const unsigned nullOff = inMeta->getNullOffset(&g.st, i);
            const QVariant& v = values[i];
            put<ISC_SHORT>(inBuf.data(), nullOff, v.isValid() ? 0 : -1);
            if (!v.isValid())
                continue;
            switch (inMeta->getType(&g.st, i) & ~1u) {
            case SQL_VARYING:
                put<ISC_USHORT>(inBuf.data(), off, static_cast<ISC_USHORT>(encoded[i].size()));
                std::memcpy(inBuf.data() + off + 2, encoded[i].constData(), encoded[i].size());
                break;
            case SQL_TEXT:
                std::memset(inBuf.data() + off, 0, inMeta->getLength(&g.st, i));
                std::memcpy(inBuf.data() + off, encoded[i].constData(), encoded[i].size());
                break;
            case SQL_DOUBLE:
                put<double>(inBuf.data(), off, v.toDouble());
                break;
            case SQL_TYPE_DATE: {
                const QDate d = v.toDate();
                put<ISC_DATE>(inBuf.data(), off, util->encodeDate(d.year(), d.month(), d.day()));
                break;
            }
            case SQL_TIMESTAMP: {
                const QDateTime dt = v.toDateTime();
                ISC_TIMESTAMP ts;
                ts.timestamp_date = util->encodeDate(dt.date().year(), dt.date().month(), dt.date().day());
                ts.timestamp_time = util->encodeTime(dt.time().hour(), dt.time().minute(), dt.time().second(),
                                                     dt.time().msec() * 10);
                put<ISC_TIMESTAMP>(inBuf.data(), off, ts);
                break;
            }
            default:
                put<ISC_INT64>(inBuf.data(), off, v.toLongLong());
                break;
            }
        }

        // ---- output message: every column in a form that is simple to read
        IMessageMetadata* outDescribed = m_stmt->getOutputMetadata(&g.st);
        const unsigned outCount = outDescribed->getCount(&g.st);
        const bool hasCursor = outCount > 0 && (m_stmt->getFlags(&g.st) & IStatement::FLAG_HAS_CURSOR);
        const bool hasResult = outCount > 0;
        if (hasResult) {
            builder = outDescribed->getBuilder(&g.st);
            for (unsigned i = 0; i < outCount; ++i) {
                const unsigned t = outDescribed->getType(&g.st, i) & ~1u;
                const int scale = outDescribed->getScale(&g.st, i);
                if ((t == SQL_SHORT || t == SQL_LONG || t == SQL_INT64) && scale == 0) {
                    builder->setType(&g.st, i, SQL_INT64 | 1);
                    builder->setLength(&g.st, i, sizeof(ISC_INT64));
                } else if (t == SQL_SHORT || t == SQL_LONG || t == SQL_INT64 || t == SQL_FLOAT || t == SQL_D_FLOAT) {
                    builder->setType(&g.st, i, SQL_DOUBLE | 1);
                    builder->setLength(&g.st, i, sizeof(double));
                    builder->setScale(&g.st, i, 0);
                } else {
                    builder->setType(&g.st, i, t | 1);
                }
            }
            outMeta = builder->getMetadata(&g.st);
            builder->release();
            builder = nullptr;
            m_columns.clear();
            for (unsigned i = 0; i < outCount; ++i)
                m_columns << QString::fromUtf8(outDescribed->getAlias(&g.st, i)).toUpper();
        }
        outDescribed->release();

        ITransaction* tra = m_db->transaction().handle();
        if (hasResult) {
            std::vector<unsigned char> outBuf(outMeta->getMessageLength(&g.st));
            int singleton = 0;
            if (hasCursor)
                rs = m_stmt->openCursor(&g.st, tra, inMeta, inBuf.data(), outMeta, 0);
            else {
                // INSERT … RETURNING and procedures: one row of output.
                m_stmt->execute(&g.st, tra, inMeta, inBuf.data(), outMeta, outBuf.data());
                m_rowsAffected = static_cast<int>(m_stmt->getAffectedRecords(&g.st));
                singleton = 1;
            }
            if (fetch || singleton) {
                while (singleton-- > 0 || (rs && rs->fetchNext(&g.st, outBuf.data()) == IStatus::RESULT_OK)) {
                    QVector<QVariant> row(outCount);
                    for (unsigned i = 0; i < outCount; ++i) {
                        if (get<ISC_SHORT>(outBuf.data(), outMeta->getNullOffset(&g.st, i)))
                            continue;
                        const unsigned off = outMeta->getOffset(&g.st, i);
                        const unsigned t = outMeta->getType(&g.st, i) & ~1u;
                        switch (t) {
                        case SQL_VARYING:
                        case SQL_TEXT: {
                            const bool varying = t == SQL_VARYING;
                            const unsigned len = varying ? get<ISC_USHORT>(outBuf.data(), off)
                                                         : outMeta->getLength(&g.st, i);
                            QByteArray raw(reinterpret_cast<const char*>(outBuf.data() + off + (varying ? 2 : 0)),
                                           static_cast<qsizetype>(len));
                            if (outMeta->getCharSet(&g.st, i) == kCharsetOctets)
                                row[i] = raw;
                            else
                                row[i] = SjisCodec::decode(raw);
                            break;
                        }
                        case SQL_INT64:
                            row[i] = static_cast<qlonglong>(get<ISC_INT64>(outBuf.data(), off));
                            break;
                        case SQL_DOUBLE:
                            row[i] = get<double>(outBuf.data(), off);
                            break;
                        case SQL_TYPE_DATE: {
                            unsigned y, m, d;
                            util->decodeDate(get<ISC_DATE>(outBuf.data(), off), &y, &m, &d);
                            row[i] = QDate(int(y), int(m), int(d));
                            break;
                        }
                        case SQL_TIMESTAMP: {
                            const auto ts = get<ISC_TIMESTAMP>(outBuf.data(), off);
                            unsigned y, m, d, h, mi, s, f;
                            util->decodeDate(ts.timestamp_date, &y, &m, &d);
                            util->decodeTime(ts.timestamp_time, &h, &mi, &s, &f);
                            row[i] = QDateTime(QDate(int(y), int(m), int(d)), QTime(int(h), int(mi), int(s), int(f / 10)));
                            break;
                        }
                        case SQL_TYPE_TIME: {
                            unsigned h, mi, s, f;
                            util->decodeTime(get<ISC_TIME>(outBuf.data(), off), &h, &mi, &s, &f);
                            row[i] = QTime(int(h), int(mi), int(s), int(f / 10));
                            break;
                        }
                        case SQL_BOOLEAN:
                            row[i] = outBuf[off] != 0;
                            break;
                        case SQL_BLOB: {
                            ISC_QUAD id = get<ISC_QUAD>(outBuf.data(), off);
                            IBlob* blob = m_db->attachment()->openBlob(&g.st, tra, &id, 0, nullptr);
                            QByteArray data;
                            char chunk[8192];
                            unsigned got = 0;
                            for (;;) {
                                const int r = blob->getSegment(&g.st, sizeof chunk, chunk, &got);
                                if (r == IStatus::RESULT_OK || r == IStatus::RESULT_SEGMENT)
                                    data.append(chunk, got);
                                else
                                    break;
                            }
                            blob->close(&g.st);
                            if (outMeta->getSubType(&g.st, i) == 1)
                                row[i] = SjisCodec::decode(data);
                            else
                                row[i] = data;
                            break;
                        }
                        default:
                            break;
                        }
                    }
                    m_rows.push_back(std::move(row));
                }
            }
            if (rs) {
                rs->close(&g.st);
                rs = nullptr;
                m_rowsAffected = 0;
            }
            m_open = true;
        } else {
            m_stmt->execute(&g.st, tra, inMeta, inBuf.data(), nullptr, nullptr);
            m_rowsAffected = static_cast<int>(m_stmt->getAffectedRecords(&g.st));
        }
        cleanup();
    } catch (const FbException& e) {
        cleanup();
        FbApi::rethrow(e, text);
    } catch (...) {
        cleanup();
        throw;
    }
    m_pos = 0;
    if (fetch)
        m_open = true;
}
