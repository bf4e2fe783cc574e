#include "QueryMessages.h"

#include "DbError.h"
#include "FbApi.h"
#include "SjisCodec.h"

#include <QDate>
#include <QDateTime>

#include <cmath>
#include <cstring>
#include <limits>

using namespace Firebird;

namespace QueryMessages {

namespace {

constexpr unsigned kCharsetOctets = 1;

bool isTextType(unsigned t)
{
    return t == SQL_TEXT || t == SQL_VARYING;
}

template <typename T>
void put(unsigned char* buf, unsigned off, T v)
{
    std::memcpy(buf + off, &v, sizeof v);
}
template <typename T>
T get(const unsigned char* buf, unsigned off)
{
    T v;
    std::memcpy(&v, buf + off, sizeof v);
    return v;
}

template <typename I>
FieldType integerType()
{
    return {FieldType::Integer, std::numeric_limits<I>::min(), std::numeric_limits<I>::max()};
}

FieldType fieldType(unsigned sqlType, int scale)
{
    switch (sqlType) {
    case SQL_SHORT: return scale == 0 ? integerType<qint16>() : FieldType{FieldType::Number}; // else NUMERIC / DECIMAL
    case SQL_LONG: return scale == 0 ? integerType<qint32>() : FieldType{FieldType::Number};
    case SQL_INT64: return scale == 0 ? integerType<qint64>() : FieldType{FieldType::Number};
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT: return {FieldType::Number};
    case SQL_TEXT:
    case SQL_VARYING: return {FieldType::Text};
    default: return {};
    }
}

// ---- input message: one field per parameter, typed by its bound value

// A parameter's value as it travels: NULL (invalid) or a value, texts encoded.
struct Param {
    QString name;
    QVariant value;
    QByteArray bytes;
};

void declare(IMetadataBuilder* b, ThrowStatusWrapper* st, unsigned i, unsigned type, unsigned length)
{
    b->setType(st, i, type | 1);
    b->setLength(st, i, length);
    b->setScale(st, i, 0);
}

unsigned textLength(const QByteArray& bytes)
{
    return static_cast<unsigned>(std::max<qsizetype>(1, bytes.size()));
}

// The engine converts each value from the type declared here to its column's.
void declareParam(IMetadataBuilder* b, IMessageMetadata* described, ThrowStatusWrapper* st, unsigned i, Param& p,
                  const QString& statement)
{
    const unsigned columnType = described->getType(st, i);
    if (!p.value.isValid()) {
        b->setType(st, i, columnType | 1);
        return;
    }
    switch (p.value.typeId()) {
    case QMetaType::QString: {
        QString bad;
        if (!SjisCodec::tryEncode(p.value.toString(), p.bytes, &bad))
            throw DbError::aboutField(
                p.name, QStringLiteral("「%1」に保存できない文字「") + bad + QStringLiteral("」があります。"),
                statement);
        declare(b, st, i, SQL_VARYING, textLength(p.bytes));
        b->setCharSet(st, i, isTextType(columnType) ? described->getCharSet(st, i) : 0);
        b->setSubType(st, i, 0);
        break;
    }
    case QMetaType::QByteArray:
        p.bytes = p.value.toByteArray();
        declare(b, st, i, SQL_TEXT, textLength(p.bytes));
        b->setCharSet(st, i, kCharsetOctets);
        break;
    case QMetaType::Double:
    case QMetaType::Float: declare(b, st, i, SQL_DOUBLE, sizeof(double)); break;
    case QMetaType::QDate: declare(b, st, i, SQL_TYPE_DATE, sizeof(ISC_DATE)); break;
    case QMetaType::QDateTime: declare(b, st, i, SQL_TIMESTAMP, sizeof(ISC_TIMESTAMP)); break;
    default: // integers and booleans
        declare(b, st, i, SQL_INT64, sizeof(ISC_INT64));
        break;
    }
}

void writeParam(IMessageMetadata* meta, ThrowStatusWrapper* st, unsigned i, const Param& p, unsigned char* buf)
{
    const QVariant& v = p.value;
    put<ISC_SHORT>(buf, meta->getNullOffset(st, i), v.isValid() ? 0 : -1);
    if (!v.isValid())
        return;
    unsigned char* at = buf + meta->getOffset(st, i);
    IUtil* util = FbApi::util();
    switch (meta->getType(st, i) & ~1u) {
    case SQL_VARYING:
        put<ISC_USHORT>(at, 0, static_cast<ISC_USHORT>(p.bytes.size()));
        std::memcpy(at + 2, p.bytes.constData(), p.bytes.size());
        break;
    case SQL_TEXT:
        std::memset(at, 0, meta->getLength(st, i));
        std::memcpy(at, p.bytes.constData(), p.bytes.size());
        break;
    case SQL_DOUBLE: put<double>(at, 0, v.toDouble()); break;
    case SQL_TYPE_DATE: {
        const QDate d = v.toDate();
        put<ISC_DATE>(at, 0, util->encodeDate(d.year(), d.month(), d.day()));
        break;
    }
    case SQL_TIMESTAMP: {
        const QDateTime dt = v.toDateTime();
        ISC_TIMESTAMP ts;
        ts.timestamp_date = util->encodeDate(dt.date().year(), dt.date().month(), dt.date().day());
        ts.timestamp_time =
            util->encodeTime(dt.time().hour(), dt.time().minute(), dt.time().second(), dt.time().msec() * 10);
        put<ISC_TIMESTAMP>(at, 0, ts);
        break;
    }
    default: put<ISC_INT64>(at, 0, v.toLongLong()); break;
    }
}

} // namespace

InputMessage bindInput(IStatement* stmt, ThrowStatusWrapper* st, const QStringList& names,
                       const QHash<QString, QVariant>& values, const QString& statement)
{
    const FbApi::Ref<IMessageMetadata> described(stmt->getInputMetadata(st));
    const unsigned count = described->getCount(st);
    std::vector<Param> params(count);
    const FbApi::Ref<IMetadataBuilder> builder(described->getBuilder(st));
    for (unsigned i = 0; i < count; ++i) {
        Param& p = params[i];
        p.name = i < static_cast<unsigned>(names.size()) ? names.at(i) : QString();
        p.value = values.value(p.name);
        if (p.value.isValid() && p.value.isNull())
            p.value = QVariant();
        declareParam(builder.get(), described.get(), st, i, p, statement);
    }
    InputMessage in;
    in.meta.reset(builder->getMetadata(st));
    in.buffer.resize(in.meta->getMessageLength(st));
    for (unsigned i = 0; i < count; ++i)
        writeParam(in.meta.get(), st, i, params[i], in.buffer.data());
    return in;
}

// ---- output message: every column in a form that is simple to read

OutputMessage describeOutput(IStatement* stmt, ThrowStatusWrapper* st)
{
    const FbApi::Ref<IMessageMetadata> described(stmt->getOutputMetadata(st));
    OutputMessage out;
    out.count = described->getCount(st);
    if (out.count == 0)
        return out;
    const FbApi::Ref<IMetadataBuilder> builder(described->getBuilder(st));
    for (unsigned i = 0; i < out.count; ++i) {
        const unsigned t = described->getType(st, i) & ~1u;
        const int scale = described->getScale(st, i);
        const bool integral = t == SQL_SHORT || t == SQL_LONG || t == SQL_INT64;
        if (integral && scale == 0) {
            builder->setType(st, i, SQL_INT64 | 1);
            builder->setLength(st, i, sizeof(ISC_INT64));
        } else if (integral || t == SQL_FLOAT || t == SQL_D_FLOAT) {
            builder->setType(st, i, SQL_DOUBLE | 1);
            builder->setLength(st, i, sizeof(double));
            builder->setScale(st, i, 0);
        } else {
            builder->setType(st, i, t | 1);
        }
    }
    out.meta.reset(builder->getMetadata(st));
    out.buffer.resize(out.meta->getMessageLength(st));
    out.layout.resize(out.count);
    for (unsigned i = 0; i < out.count; ++i) {
        OutputColumn& c = out.layout[i];
        c.type = out.meta->getType(st, i) & ~1u;
        c.offset = out.meta->getOffset(st, i);
        c.nullOffset = out.meta->getNullOffset(st, i);
        c.length = out.meta->getLength(st, i);
        c.charSet = out.meta->getCharSet(st, i);
        c.subType = out.meta->getSubType(st, i);
    }
    for (unsigned i = 0; i < out.count; ++i) {
        out.columns << QString::fromUtf8(described->getAlias(st, i)).toUpper();
        out.types << fieldType(described->getType(st, i) & ~1u, described->getScale(st, i));
    }
    return out;
}

namespace {

QByteArray readBlob(IAttachment* att, ITransaction* tra, ThrowStatusWrapper* st, ISC_QUAD id)
{
    FbApi::Closable<IBlob> blob(att->openBlob(st, tra, &id, 0, nullptr));
    QByteArray data;
    char chunk[8192];
    unsigned got = 0;
    for (;;) {
        const int r = blob->getSegment(st, sizeof chunk, chunk, &got);
        if (r != IStatus::RESULT_OK && r != IStatus::RESULT_SEGMENT)
            break;
        data.append(chunk, got);
    }
    FbApi::closeNow(blob, st);
    return data;
}

QVariant readText(const OutputColumn& c, const unsigned char* at, bool varying)
{
    const unsigned len = varying ? get<ISC_USHORT>(at, 0) : c.length;
    const char* bytes = reinterpret_cast<const char*>(at + (varying ? 2 : 0));
    if (c.charSet == kCharsetOctets)
        return QByteArray(bytes, static_cast<qsizetype>(len));
    if (len == 0)
        return QString();
    // Shift-JIS below 0x80 is ASCII: such texts (codes, numbers) need no converter.
    bool ascii = true;
    for (unsigned k = 0; k < len && ascii; ++k)
        ascii = static_cast<unsigned char>(bytes[k]) < 0x80;
    if (ascii)
        return QString::fromLatin1(bytes, static_cast<qsizetype>(len));
    return SjisCodec::decode(QByteArray::fromRawData(bytes, static_cast<qsizetype>(len)));
}

QDate readDate(ISC_DATE date)
{
    unsigned y, m, d;
    FbApi::util()->decodeDate(date, &y, &m, &d);
    return QDate(int(y), int(m), int(d));
}

QTime readTime(ISC_TIME time)
{
    unsigned h, mi, s, f;
    FbApi::util()->decodeTime(time, &h, &mi, &s, &f);
    return QTime(int(h), int(mi), int(s), int(f / 10));
}

// Column i of the row in the output buffer; QVariant() for NULL.
QVariant readValue(const OutputMessage& out, ThrowStatusWrapper* st, unsigned i, IAttachment* att, ITransaction* tra)
{
    const OutputColumn& c = out.layout[i];
    const unsigned char* buf = out.buffer.data();
    if (get<ISC_SHORT>(buf, c.nullOffset))
        return {};
    const unsigned char* at = buf + c.offset;
    switch (c.type) {
    case SQL_VARYING:
    case SQL_TEXT: return readText(c, at, c.type == SQL_VARYING);
    case SQL_INT64: return static_cast<qlonglong>(get<ISC_INT64>(at, 0));
    case SQL_DOUBLE: return get<double>(at, 0);
    case SQL_TYPE_DATE: return readDate(get<ISC_DATE>(at, 0));
    case SQL_TIMESTAMP: {
        const auto ts = get<ISC_TIMESTAMP>(at, 0);
        return QDateTime(readDate(ts.timestamp_date), readTime(ts.timestamp_time));
    }
    case SQL_TYPE_TIME: return readTime(get<ISC_TIME>(at, 0));
    case SQL_BOOLEAN: return *at != 0;
    case SQL_BLOB: {
        const QByteArray data = readBlob(att, tra, st, get<ISC_QUAD>(at, 0));
        if (c.subType == 1)
            return SjisCodec::decode(data);
        return data;
    }
    default: return {};
    }
}

} // namespace

QVector<QVariant> readRow(const OutputMessage& out, ThrowStatusWrapper* st, IAttachment* att, ITransaction* tra)
{
    QVector<QVariant> row(out.count);
    for (unsigned i = 0; i < out.count; ++i)
        row[i] = readValue(out, st, i, att, tra);
    return row;
}

} // namespace QueryMessages
