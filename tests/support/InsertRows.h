#pragma once

#include <QStringList>

// "insert into <table> values (<tuple>)" for each tuple.
inline QStringList insertRows(const QString& table, const QStringList& tuples)
{
    QStringList out;
    for (const QString& t : tuples)
        out << QStringLiteral("insert into %1 values (%2)").arg(table, t);
    return out;
}
