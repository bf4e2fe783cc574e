#include "HeldRows.h"

#include "Database.h"
#include "DbError.h"

#include <QSet>

#include <algorithm>
#include <functional>
#include <numeric>
#include <vector>

namespace {

// Rows read one by one, by key, when at most this many are missing; more are
// read by the span of positions they take or, failing that, the whole table.
constexpr int kFew = 8;

QString writtenHere()
{
    return QStringLiteral("RDB$RECORD_VERSION=CURRENT_TRANSACTION");
}

// Rows before the rows of no position, then by position; equal positions keep
// their order.
void sortByPosition(QList<int>& order, const std::function<const QVariant&(int)>& positionOf)
{
    // Converted once: a comparison of variants costs more than the sort itself.
    std::vector<std::pair<bool, qint64>> position(order.size());
    for (int i : order) {
        const QVariant& v = positionOf(i);
        position[i] = std::pair{v.isValid() && !v.isNull(), v.toLongLong()};
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return position[a] < position[b]; });
}

void reserve(DatasetRows& rows, qsizetype capacity)
{
    rows.rows.reserve(capacity);
    rows.keys.reserve(capacity);
    rows.versions.reserve(capacity);
}

// A result row that starts with key and version, then the columns.
void appendKeyed(DatasetRows& rows, const QVector<QVariant>& r)
{
    rows.keys << r.at(0).toByteArray();
    rows.versions << r.at(1).toLongLong();
    rows.rows << QVector<QVariant>(r.begin() + 2, r.end());
}

} // namespace

HeldRows::HeldRows(Database* db, const QString& table, const QString& order)
    : m_db(db), m_table(table), m_order(order), m_read(std::make_unique<Query>(db, table + QStringLiteral("__dataset")))
{
}

HeldRows::~HeldRows() = default;

void HeldRows::setDatabase(Database* db)
{
    m_db = db;
    m_read->setDatabase(db);
    m_held = DatasetRows();
    m_prepared.reset();
    m_confirmed = false;
}

// The table holds as many rows as are held, with the same record versions;
// rows written through the dataset since the read (version unknown) are asked
// for theirs, a few at most.
void HeldRows::confirm()
{
    m_confirmed = false;
    if (!m_db || m_held.columns.isEmpty())
        return;
    qint64 count = 0, versions = 0;
    QList<QByteArray> unknown;
    for (int i = 0; i < m_held.keys.size(); ++i) {
        if (m_held.keys.at(i).isEmpty())
            continue;
        ++count;
        if (m_held.versions.at(i) == 0)
            unknown << m_held.keys.at(i);
        versions += m_held.versions.at(i);
    }
    if (unknown.size() > kFew)
        return;
    Query q(m_db, m_table + QStringLiteral("__confirm"));
    q.setSql(QStringLiteral("select count(*), coalesce(sum(RDB$RECORD_VERSION),0) from ") + m_table);
    q.open();
    const qint64 rows = q.value(0).toLongLong(), sum = q.value(1).toLongLong();
    q.setSql(QStringLiteral("select RDB$RECORD_VERSION from %1 where RDB$DB_KEY=:K").arg(m_table));
    for (const QByteArray& key : unknown) {
        q.setParam(QStringLiteral("K"), key);
        q.open();
        if (q.recordCount() != 1)
            return;
        versions += q.value(0).toLongLong();
    }
    q.close();
    m_confirmed = rows == count && sum == versions;
}

DatasetRows HeldRows::take()
{
    m_held = DatasetRows();
    m_confirmed = false;
    if (m_prepared) {
        const std::unique_ptr<DatasetRows> prepared = std::move(m_prepared);
        return std::move(*prepared);
    }
    Query& q = *m_read;
    q.clearSql();
    q.addSql(QStringLiteral("select RDB$DB_KEY as DBKEY__, case when RDB$RECORD_VERSION<>CURRENT_TRANSACTION then "
                            "RDB$RECORD_VERSION else 0 end as DBVER__, t.* from %1 t")
                 .arg(m_table));
    if (!m_order.isEmpty())
        q.addSql(QStringLiteral("order by t.%1").arg(m_order));
    q.open();
    DatasetRows read;
    read.columns = q.fieldNames().mid(2);
    read.types = q.fieldTypes().mid(2);
    reserve(read, q.recordCount());
    for (const auto& r : q.rows())
        appendKeyed(read, r);
    q.close();
    return read;
}

void HeldRows::prepare(bool positionsOnly, const RowShift* shift)
{
    m_prepared.reset();
    if (!m_confirmed) {
        positionsOnly = false;
        shift = nullptr;
    }
    m_confirmed = false;
    // A read that fails here only costs the full read at take().
    try {
        prepareFrom(positionsOnly, shift);
    } catch (const DbError&) {
        m_prepared.reset();
    }
}

DatasetRows HeldRows::emptyLikeHeld(qsizetype capacity) const
{
    DatasetRows next;
    next.columns = m_held.columns;
    next.types = m_held.types;
    reserve(next, capacity);
    return next;
}

HeldRows::Tally HeldRows::tally(Query& q) const
{
    q.setSql(QStringLiteral("select count(*), coalesce(sum(case when %1 then 1 else 0 end),0), "
                            "coalesce(sum(case when %1 then 0 else RDB$RECORD_VERSION end),0), "
                            "coalesce(sum(case when %1 then cast(%3 as bigint) else 0 end),0) from %2")
                 .arg(writtenHere(), m_table, m_order));
    q.open();
    const Tally t{q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toLongLong(), q.value(3).toLongLong()};
    q.close();
    return t;
}

void HeldRows::prepareFrom(bool positionsOnly, const RowShift* shift)
{
    if (!m_db || m_held.columns.isEmpty() || m_order.isEmpty())
        return;
    const int order =
        static_cast<int>(std::find_if(m_held.columns.begin(), m_held.columns.end(),
                                      [&](const QString& c) { return c.compare(m_order, Qt::CaseInsensitive) == 0; }) -
                         m_held.columns.begin());
    if (order >= m_held.columns.size())
        return;
    QHash<QByteArray, int> heldAt;
    heldAt.reserve(m_held.keys.size());
    for (int i = 0; i < m_held.keys.size(); ++i)
        if (!m_held.keys.at(i).isEmpty())
            heldAt.insert(m_held.keys.at(i), i);
    Query q(m_db, m_table + QStringLiteral("__refresh"));
    const Tally counted = tally(q);
    if (positionsOnly && shift && prepareFromShift(*shift, order, counted))
        return;
    // When most rows were written a plain read at take() costs less.
    if (!positionsOnly && counted.written > counted.rows / 2)
        return;
    if (prepareFromWritten(positionsOnly, order, heldAt, counted))
        return;
    prepareFromPositions(positionsOnly, order, heldAt);
}

// Reads only what this transaction wrote, when the rows it did not write are
// provably the held ones: as many of them, with the same record versions.
// Held rows posted since their read have no known version and are read by key,
// when few. Returns false when that cannot be shown.
bool HeldRows::prepareFromWritten(bool positionsOnly, int order, const QHash<QByteArray, int>& heldAt,
                                  const Tally& tally)
{
    Query w(m_db, m_table + QStringLiteral("__written"));
    w.setSql(QStringLiteral("select RDB$DB_KEY, RDB$RECORD_VERSION, %1 from %2 where %3")
                 .arg(positionsOnly ? m_order : m_held.columns.join(','), m_table, writtenHere()));
    w.open();
    const auto& wrote = w.rows();
    if (!positionsOnly && wrote.size() > 0 && wrote.at(0).size() != m_held.columns.size() + 2)
        return false;
    QSet<QByteArray> wroteKeys;
    wroteKeys.reserve(wrote.size());
    for (const auto& r : wrote)
        wroteKeys.insert(r.at(0).toByteArray());

    Query one(m_db, m_table + QStringLiteral("__row"));
    int reads = 0;
    DatasetRows next = emptyLikeHeld(m_held.rows.size() + wrote.size());
    qint64 others = 0;
    qint64 versionSum = 0;
    for (int i = 0; i < m_held.rows.size(); ++i) {
        const QByteArray& key = m_held.keys.at(i);
        if (key.isEmpty() || wroteKeys.contains(key))
            continue;
        ++others;
        if (!keepHeldRow(i, next, one, reads, versionSum))
            return false;
    }
    if (others != tally.rows - tally.written || versionSum != tally.otherVersions || wrote.size() != tally.written)
        return false;
    for (const auto& r : wrote) {
        if (!positionsOnly) {
            appendKeyed(next, r);
            continue;
        }
        const QByteArray key = r.at(0).toByteArray();
        const auto held = heldAt.constFind(key);
        if (held != heldAt.constEnd()) {
            next.rows << m_held.rows.at(*held);
            next.rows.last()[order] = r.at(2);
        } else {
            if (reads++ >= kFew)
                return false;
            auto fresh = readRow(one, key);
            if (!fresh)
                return false;
            next.rows << std::move(fresh->second);
        }
        next.keys << key;
        next.versions << r.at(1).toLongLong();
    }
    keepSorted(std::move(next), order);
    return true;
}

std::optional<std::pair<qint64, QVector<QVariant>>> HeldRows::readRow(Query& one, const QByteArray& key)
{
    if (one.sql().isEmpty())
        one.setSql(QStringLiteral("select RDB$RECORD_VERSION, %1 from %2 where RDB$DB_KEY=:K")
                       .arg(m_held.columns.join(','), m_table));
    one.setParam(QStringLiteral("K"), key);
    one.open();
    if (one.recordCount() != 1 || one.fieldNames().size() != m_held.columns.size() + 1)
        return std::nullopt;
    const auto& r = one.rows().at(0);
    auto out = std::pair{r.at(0).toLongLong(), QVector<QVariant>(r.begin() + 1, r.end())};
    one.close();
    return out;
}

bool HeldRows::keepHeldRow(int i, DatasetRows& next, Query& one, int& reads, qint64& versionSum)
{
    qint64 version = m_held.versions.at(i);
    if (version == 0) {
        // Posted since the read: its version is needed for the tally.
        if (reads++ >= kFew)
            return false;
        auto again = readRow(one, m_held.keys.at(i));
        if (!again)
            return false;
        version = again->first;
        next.rows << std::move(again->second);
    } else {
        next.rows << m_held.rows.at(i);
    }
    next.keys << m_held.keys.at(i);
    next.versions << version;
    versionSum += version;
    return true;
}

void HeldRows::keepSorted(DatasetRows&& next, int order)
{
    QList<int> sorted(next.rows.size());
    std::iota(sorted.begin(), sorted.end(), 0);
    sortByPosition(sorted, [&](int i) -> const QVariant& { return next.rows.at(i).at(order); });
    auto out = std::make_unique<DatasetRows>();
    out->columns = std::move(next.columns);
    out->types = std::move(next.types);
    reserve(*out, sorted.size());
    for (int i : sorted) {
        out->rows << std::move(next.rows[i]);
        out->keys << std::move(next.keys[i]);
        out->versions << next.versions.at(i);
    }
    m_prepared = std::move(out);
}

// The rows as the declared shift left them, taken from the held ones; only the
// added rows are read. The tally proves the table holds exactly that: the
// same rows untouched, and the written ones as many, at the same positions.
bool HeldRows::prepareFromShift(const RowShift& shift, int order, const Tally& tally)
{
    const qint64 ours = m_db->transaction().id();
    Query one(m_db, m_table + QStringLiteral("__row"));
    int reads = 0;
    DatasetRows next = emptyLikeHeld(m_held.rows.size() + std::max<qint64>(0, shift.addedTo - shift.addedFrom + 1));
    qint64 others = 0, versionSum = 0, written = 0, writtenAt = 0;
    for (int i = 0; i < m_held.rows.size(); ++i) {
        const QByteArray& key = m_held.keys.at(i);
        if (key.isEmpty())
            continue;
        const QVariant& at = m_held.rows.at(i).at(order);
        if (!at.isValid() || at.isNull())
            return false;
        const qint64 position = at.toLongLong();
        if (std::any_of(shift.removed.begin(), shift.removed.end(),
                        [&](const auto& r) { return position >= r.first && position <= r.second; }))
            continue;
        qint64 by = 0;
        for (const auto& [above, move] : shift.moves)
            if (position > above)
                by += move;
        if (by == 0) {
            if (!keepHeldRow(i, next, one, reads, versionSum))
                return false;
            ++others;
            continue;
        }
        next.rows << m_held.rows.at(i);
        next.rows.last()[order] = position + by;
        next.versions << ours;
        next.keys << key;
        ++written;
        writtenAt += position + by;
    }
    if (shift.addedTo >= shift.addedFrom) {
        Query added(m_db, m_table + QStringLiteral("__added"));
        added.setSql(QStringLiteral("select RDB$DB_KEY, RDB$RECORD_VERSION, %1 from %2 where %3 between %4 and %5")
                         .arg(m_held.columns.join(','), m_table, m_order, QString::number(shift.addedFrom),
                              QString::number(shift.addedTo)));
        added.open();
        if (added.recordCount() > 0 && added.fieldNames().size() != m_held.columns.size() + 2)
            return false;
        for (const auto& r : added.rows()) {
            appendKeyed(next, r);
            ++written;
            writtenAt += next.rows.last().at(order).toLongLong();
        }
    }
    if (others != tally.rows - tally.written || versionSum != tally.otherVersions || written != tally.written ||
        writtenAt != tally.writtenPositions)
        return false;
    keepSorted(std::move(next), order);
    return true;
}

// Every row as key, version and position, sorted here (cheaper than in the
// engine); then whole the rows this transaction wrote, unless only their
// positions changed.
void HeldRows::prepareFromPositions(bool positionsOnly, int order, const QHash<QByteArray, int>& heldAt)
{
    Query q(m_db, m_table + QStringLiteral("__refresh"));
    q.setSql(QStringLiteral("select RDB$DB_KEY, RDB$RECORD_VERSION, case when %1 then 1 else 0 end, %2 from %3")
                 .arg(writtenHere(), m_order, m_table));
    q.open();
    const auto& all = q.rows();
    int writtenRows = 0;
    for (const auto& r : all)
        writtenRows += r.at(2).toInt();
    QHash<QByteArray, QVector<QVariant>> writtenValues;
    if (!positionsOnly && writtenRows > 0) {
        Query w(m_db, m_table + QStringLiteral("__written"));
        w.setSql(QStringLiteral("select RDB$DB_KEY, %1 from %2 where %3")
                     .arg(m_held.columns.join(','), m_table, writtenHere()));
        w.open();
        writtenValues.reserve(w.recordCount());
        for (const auto& r : w.rows())
            writtenValues.insert(r.at(0).toByteArray(), QVector<QVariant>(r.begin() + 1, r.end()));
    }
    QList<int> sorted(q.recordCount());
    std::iota(sorted.begin(), sorted.end(), 0);
    sortByPosition(sorted, [&](int i) -> const QVariant& { return all.at(i).at(3); });

    DatasetRows next = emptyLikeHeld(q.recordCount());
    // Rows that cannot be taken from the held ones (new, or written elsewhere
    // since the last read) are filled in afterwards.
    QList<int> missing;
    for (int i : sorted) {
        const auto& r = all.at(i);
        const QByteArray key = r.at(0).toByteArray();
        const qint64 version = r.at(1).toLongLong();
        const bool ours = r.at(2).toInt() == 1;
        next.keys << key;
        next.versions << version;
        if (ours && !positionsOnly) {
            const auto w = writtenValues.constFind(key);
            if (w == writtenValues.constEnd())
                return;
            next.rows << *w;
            continue;
        }
        const auto held = heldAt.constFind(key);
        if (held != heldAt.constEnd() && (ours || (m_held.versions.at(*held) == version && version != 0))) {
            next.rows << m_held.rows.at(*held);
            next.rows.last()[order] = r.at(3);
        } else {
            missing << static_cast<int>(next.rows.size());
            next.rows << QVector<QVariant>();
        }
    }
    // `sorted` runs in position order, and so does `missing`.
    if (!missing.isEmpty() &&
        !readMissing(next, missing, all.at(sorted.at(missing.first())).at(3), all.at(sorted.at(missing.last())).at(3)))
        return;
    m_prepared = std::make_unique<DatasetRows>(std::move(next));
}

// By key when few, else by the span of positions they take when it holds
// little else; otherwise false, and the whole table is read at take().
bool HeldRows::readMissing(DatasetRows& next, const QList<int>& missing, const QVariant& low, const QVariant& high)
{
    if (missing.size() <= kFew) {
        Query one(m_db, m_table + QStringLiteral("__row"));
        one.setSql(QStringLiteral("select %1 from %2 t where RDB$DB_KEY=:K").arg(next.columns.join(','), m_table));
        for (int i : missing) {
            one.setParam(QStringLiteral("K"), next.keys.at(i));
            one.open();
            if (one.recordCount() != 1 || one.fieldNames().size() != next.columns.size())
                return false;
            next.rows[i] = one.rows().at(0);
            one.close();
        }
        return true;
    }
    if (!low.isValid() || low.isNull() || high.toLongLong() - low.toLongLong() + 1 > 2 * missing.size())
        return false;
    Query span(m_db, m_table + QStringLiteral("__span"));
    span.setSql(QStringLiteral("select RDB$DB_KEY, %1 from %2 where %3 between %4 and %5")
                    .arg(next.columns.join(','), m_table, m_order, QString::number(low.toLongLong()),
                         QString::number(high.toLongLong())));
    span.open();
    QHash<QByteArray, int> spanAt;
    for (int i = 0; i < span.recordCount(); ++i)
        spanAt.insert(span.rows().at(i).at(0).toByteArray(), i);
    for (int i : missing) {
        const auto f = spanAt.constFind(next.keys.at(i));
        if (f == spanAt.constEnd())
            return false;
        const auto& r = span.rows().at(*f);
        next.rows[i] = QVector<QVariant>(r.begin() + 1, r.end());
    }
    return true;
}
