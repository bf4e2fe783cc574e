#pragma once

#include "FbApi.h"
#include "Query.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <vector>

// The messages a Query exchanges with the engine: the input message built
// from the bound values, the output message described once per statement and
// its rows read into QVariants.
namespace QueryMessages {

struct InputMessage {
    FbApi::Ref<Firebird::IMessageMetadata> meta;
    std::vector<unsigned char> buffer;
};

// Where one column sits in the output buffer, asked once per statement rather
// than for every value of every row.
struct OutputColumn {
    unsigned type = 0;
    unsigned offset = 0;
    unsigned nullOffset = 0;
    unsigned length = 0;
    unsigned charSet = 0;
    int subType = 0;
};

struct OutputMessage {
    FbApi::Ref<Firebird::IMessageMetadata> meta; // empty when the statement returns nothing
    std::vector<unsigned char> buffer;
    unsigned count = 0;
    QStringList columns;
    QVector<FieldType> types;
    std::vector<OutputColumn> layout;
};

// `names` are the statement's parameters in order; a name never set binds NULL.
InputMessage bindInput(Firebird::IStatement* stmt, Firebird::ThrowStatusWrapper* st, const QStringList& names,
                       const QHash<QString, QVariant>& values, const QString& statement);
OutputMessage describeOutput(Firebird::IStatement* stmt, Firebird::ThrowStatusWrapper* st);
QVector<QVariant> readRow(const OutputMessage& out, Firebird::ThrowStatusWrapper* st, Firebird::IAttachment* att,
                          Firebird::ITransaction* tra);

} // namespace QueryMessages
