#include "TableDataset.h"

#include "Database.h"
#include "DbError.h"
#include "Helpers.h"
#include "Query.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>
#include <vector>

namespace {

QString keyParam()
{
    return QStringLiteral("DBKEY__");
}

// Posts bind the value of column c as parameter "P<c>".
QString columnParam(int c)
{
    return QStringLiteral("P%1").arg(c);
}

} // namespace

QString formatNumber(const QVariant& value, const QString& format)
{
    if (!value.isValid() || value.isNull())
        return {};
    bool ok = false;
    const double v = value.toDouble(&ok);
    if (!ok)
        return value.toString();
    if (format.isEmpty())
        return valueText(value);
    const QStringList sections = format.split(';');
    QString sec = sections.at(0);
    bool literalSign = false;
    if (v < 0 && sections.size() > 1) {
        sec = sections.at(1);
        literalSign = true; // the negative section writes its own sign
    } else if (v == 0 && sections.size() > 2) {
        sec = sections.at(2);
    }
    static const QString digits = QStringLiteral("#0.,");
    qsizetype first = -1, lastPos = -1;
    for (qsizetype i = 0; i < sec.size(); ++i)
        if (digits.contains(sec.at(i))) {
            if (first < 0)
                first = i;
            lastPos = i;
        }
    if (first < 0)
        return sec;
    const QString prefix = sec.left(first);
    const QString suffix = sec.mid(lastPos + 1);
    const QString body = sec.mid(first, lastPos - first + 1);
    const qsizetype dot = body.indexOf('.');
    const QString intPart = dot < 0 ? body : body.left(dot);
    const QString fracPart = dot < 0 ? QString() : body.mid(dot + 1);
    const int maxDec = static_cast<int>(fracPart.count('#') + fracPart.count('0'));
    const int minDec = static_cast<int>(fracPart.count('0'));
    const int minInt = static_cast<int>(intPart.count('0'));
    const bool thousands = intPart.contains(',');

    double a = std::fabs(v);
    QString num = QString::number(a, 'f', maxDec);
    QString ip = num, fp;
    if (const qsizetype d = num.indexOf('.'); d >= 0) {
        ip = num.left(d);
        fp = num.mid(d + 1);
    }
    while (fp.size() > minDec && fp.endsWith('0'))
        fp.chop(1);
    if (ip == QLatin1String("0") && minInt == 0)
        ip.clear();
    while (ip.size() < minInt)
        ip.prepend('0');
    if (thousands && ip.size() > 3) {
        QString grouped;
        for (qsizetype i = 0; i < ip.size(); ++i) {
            if (i > 0 && (ip.size() - i) % 3 == 0)
                grouped += ',';
            grouped += ip.at(i);
        }
        ip = grouped;
    }
    QString out = ip;
    if (!fp.isEmpty())
        out += '.' + fp;
    if (out.isEmpty() && prefix.isEmpty() && suffix.isEmpty())
        return {};
    const bool negative = v < 0 && !literalSign && !out.isEmpty();
    return (negative ? QStringLiteral("-") : QString()) + prefix + out + suffix;
}

TableDataset::TableDataset(Database* db, const QString& tableName, const QString& orderColumn, QObject* parent)
    : QObject(parent), m_db(db), m_table(tableName), m_order(orderColumn),
      m_query(std::make_unique<Query>(db, tableName + QStringLiteral("__dataset")))
{
    if (m_db)
        m_db->registerDataset(this);
}

TableDataset::~TableDataset()
{
    if (m_db)
        m_db->unregisterDataset(this);
}

void TableDataset::detachFromDatabase()
{
    m_state = Inactive;
    m_rows.clear();
    m_keys.clear();
    m_versions.clear();
    m_held = Rows();
    m_prepared.reset();
    m_db = nullptr;
    m_query->setDatabase(nullptr);
}

void TableDataset::setState(State s)
{
    if (m_state == s)
        return;
    m_state = s;
    emit stateChanged(s);
}

void TableDataset::open()
{
    if (active())
        return;
    if (!m_db)
        throw DbError(QStringLiteral("データベースが設定されていません。"), m_table);
    if (m_prepared) {
        std::unique_ptr<Rows> prepared = std::move(m_prepared);
        showRows(std::move(*prepared));
        return;
    }
    m_query->clearSql();
    m_query->addSql(
        QStringLiteral("select RDB$DB_KEY as DBKEY__, case when RDB$RECORD_VERSION<>CURRENT_TRANSACTION then "
                       "RDB$RECORD_VERSION else 0 end as DBVER__, t.* from %1 t")
            .arg(m_table));
    if (!m_order.isEmpty())
        m_query->addSql(QStringLiteral("order by t.%1").arg(m_order));
    m_query->open();
    Rows read;
    read.columns = m_query->fieldNames().mid(2);
    read.types = m_query->fieldTypes().mid(2);
    read.rows.reserve(m_query->recordCount());
    read.keys.reserve(m_query->recordCount());
    read.versions.reserve(m_query->recordCount());
    for (const auto& r : m_query->rows()) {
        read.keys << r.at(0).toByteArray();
        read.versions << r.at(1).toLongLong();
        read.rows << QVector<QVariant>(r.begin() + 2, r.end());
    }
    m_query->close();
    showRows(std::move(read));
}

void TableDataset::showRows(Rows&& rows)
{
    m_columns = std::move(rows.columns);
    m_types = std::move(rows.types);
    m_rows = std::move(rows.rows);
    m_keys = std::move(rows.keys);
    m_versions = std::move(rows.versions);
    m_held = Rows();
    m_columnOf.clear();
    m_cur = 0;
    m_bof = true;
    m_eof = m_rows.isEmpty();
    m_modified = false;
    setState(Browse);
    emit reset();
    emit currentChanged(recNo());
}

void TableDataset::prepareReopen(bool positionsOnly)
{
    m_prepared.reset();
    // A read that fails here only costs the full read at open().
    try {
        prepareFrom(positionsOnly);
    } catch (const DbError&) {
        m_prepared.reset();
    }
    m_shift.reset();
}

void TableDataset::expectShift(const Shift& shift)
{
    m_shift = shift;
}

namespace {

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

} // namespace

// Reads only what this transaction wrote, when the rows it did not write are
// provably the held ones: as many of them, with the same record versions.
// Held rows posted since their read have no known version and are read by key,
// when few. Returns false when that cannot be shown.
bool TableDataset::prepareFromWritten(bool positionsOnly, int order, const QHash<QByteArray, int>& heldAt,
                                      const Tally& tally)
{
    constexpr int kFew = 8;
    const QString written = QStringLiteral("RDB$RECORD_VERSION=CURRENT_TRANSACTION");
    Query w(m_db, m_table + QStringLiteral("__written"));
    w.setSql(QStringLiteral("select RDB$DB_KEY, RDB$RECORD_VERSION, %1 from %2 where %3")
                 .arg(positionsOnly ? m_order : m_held.columns.join(','), m_table, written));
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
    const auto readByKey = [&](const QByteArray& key) {
        ++reads;
        return readRow(one, key);
    };

    auto next = std::make_unique<Rows>();
    next->columns = m_held.columns;
    next->types = m_held.types;
    const qsizetype capacity = m_held.rows.size() + wrote.size();
    next->rows.reserve(capacity);
    next->keys.reserve(capacity);
    next->versions.reserve(capacity);
    qint64 others = 0;
    qint64 versionSum = 0;
    for (int i = 0; i < m_held.rows.size(); ++i) {
        const QByteArray& key = m_held.keys.at(i);
        if (key.isEmpty() || wroteKeys.contains(key))
            continue;
        ++others;
        if (!keepHeldRow(i, *next, one, reads, versionSum))
            return false;
    }
    if (others != tally.rows - tally.written || versionSum != tally.otherVersions || wrote.size() != tally.written)
        return false;
    for (const auto& r : wrote) {
        const QByteArray key = r.at(0).toByteArray();
        if (positionsOnly) {
            const auto held = heldAt.constFind(key);
            if (held != heldAt.constEnd()) {
                next->rows << m_held.rows.at(*held);
                next->rows.last()[order] = r.at(2);
            } else {
                if (reads >= kFew)
                    return false;
                auto fresh = readByKey(key);
                if (!fresh)
                    return false;
                next->rows << std::move(fresh->second);
            }
        } else {
            next->rows << QVector<QVariant>(r.begin() + 2, r.end());
        }
        next->keys << key;
        next->versions << r.at(1).toLongLong();
    }
    keepSorted(std::move(next), order);
    return true;
}

std::optional<std::pair<qint64, QVector<QVariant>>> TableDataset::readRow(Query& one, const QByteArray& key)
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

bool TableDataset::keepHeldRow(int i, Rows& next, Query& one, int& reads, qint64& versionSum)
{
    constexpr int kFew = 8;
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

void TableDataset::keepSorted(std::unique_ptr<Rows> next, int order)
{
    QList<int> sorted(next->rows.size());
    std::iota(sorted.begin(), sorted.end(), 0);
    sortByPosition(sorted, [&](int i) -> const QVariant& { return next->rows.at(i).at(order); });
    auto out = std::make_unique<Rows>();
    out->columns = std::move(next->columns);
    out->types = std::move(next->types);
    out->rows.reserve(sorted.size());
    out->keys.reserve(sorted.size());
    out->versions.reserve(sorted.size());
    for (int i : sorted) {
        out->rows << std::move(next->rows[i]);
        out->keys << std::move(next->keys[i]);
        out->versions << next->versions.at(i);
    }
    m_prepared = std::move(out);
}

// The rows as the declared shift left them, taken from the held ones; only the
// added rows are read. The tally proves the table holds exactly that: the
// same rows untouched, and the written ones as many, at the same positions.
bool TableDataset::prepareFromShift(const Shift& shift, int order, const Tally& tally)
{
    const qint64 ours = m_db->transaction().id();
    Query one(m_db, m_table + QStringLiteral("__row"));
    int reads = 0;
    auto next = std::make_unique<Rows>();
    next->columns = m_held.columns;
    next->types = m_held.types;
    const qsizetype capacity = m_held.rows.size() + std::max<qint64>(0, shift.addedTo - shift.addedFrom + 1);
    next->rows.reserve(capacity);
    next->keys.reserve(capacity);
    next->versions.reserve(capacity);
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
        if (by != 0) {
            next->rows << m_held.rows.at(i);
            next->rows.last()[order] = position + by;
            next->versions << ours;
            ++written;
            writtenAt += position + by;
            next->keys << key;
        } else {
            if (!keepHeldRow(i, *next, one, reads, versionSum))
                return false;
            ++others;
        }
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
            next->keys << r.at(0).toByteArray();
            next->versions << r.at(1).toLongLong();
            next->rows << QVector<QVariant>(r.begin() + 2, r.end());
            ++written;
            writtenAt += next->rows.last().at(order).toLongLong();
        }
    }
    if (others != tally.rows - tally.written || versionSum != tally.otherVersions || written != tally.written ||
        writtenAt != tally.writtenPositions)
        return false;
    keepSorted(std::move(next), order);
    return true;
}

void TableDataset::prepareFrom(bool positionsOnly)
{
    if (active() || !m_db || m_held.columns.isEmpty() || m_order.isEmpty())
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
    const QString written = QStringLiteral("RDB$RECORD_VERSION=CURRENT_TRANSACTION");
    Query q(m_db, m_table + QStringLiteral("__refresh"));
    q.setSql(QStringLiteral("select count(*), coalesce(sum(case when %1 then 1 else 0 end),0), "
                            "coalesce(sum(case when %1 then 0 else RDB$RECORD_VERSION end),0), "
                            "coalesce(sum(case when %1 then cast(%3 as bigint) else 0 end),0) from %2")
                 .arg(written, m_table, m_order));
    q.open();
    const Tally tally{q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toLongLong(),
                      q.value(3).toLongLong()};
    q.close();
    if (positionsOnly && m_shift && prepareFromShift(*m_shift, order, tally))
        return;
    // When most rows were written a plain read at open() costs less.
    if (!positionsOnly && tally.written > tally.rows / 2)
        return;
    if (prepareFromWritten(positionsOnly, order, heldAt, tally))
        return;
    // Every row as key, version and position, sorted here (cheaper than in the
    // engine); then whole the rows this transaction wrote, unless only their
    // positions changed.
    q.setSql(QStringLiteral("select RDB$DB_KEY, RDB$RECORD_VERSION, case when %1 then 1 else 0 end, %2 from %3")
                 .arg(written, m_order, m_table));
    q.open();
    const auto& all = q.rows();
    int writtenRows = 0;
    for (const auto& r : all)
        writtenRows += r.at(2).toInt();
    QHash<QByteArray, QVector<QVariant>> writtenValues;
    if (!positionsOnly && writtenRows > 0) {
        Query w(m_db, m_table + QStringLiteral("__written"));
        w.setSql(
            QStringLiteral("select RDB$DB_KEY, %1 from %2 where %3").arg(m_held.columns.join(','), m_table, written));
        w.open();
        writtenValues.reserve(w.recordCount());
        for (const auto& r : w.rows())
            writtenValues.insert(r.at(0).toByteArray(), QVector<QVariant>(r.begin() + 1, r.end()));
    }
    QList<int> sorted(q.recordCount());
    std::iota(sorted.begin(), sorted.end(), 0);
    sortByPosition(sorted, [&](int i) -> const QVariant& { return all.at(i).at(3); });

    auto next = std::make_unique<Rows>();
    next->columns = m_held.columns;
    next->types = m_held.types;
    next->rows.reserve(q.recordCount());
    next->keys.reserve(q.recordCount());
    next->versions.reserve(q.recordCount());
    // Rows that cannot be taken from the held ones (new, or written elsewhere
    // since the last read) are read by key when few, else by the span of
    // positions they take when it holds little else; otherwise the whole table
    // is read at open().
    constexpr int kFew = 8;
    QList<int> missing;
    for (int i : sorted) {
        const auto& r = all.at(i);
        const QByteArray key = r.at(0).toByteArray();
        const qint64 version = r.at(1).toLongLong();
        const bool ours = r.at(2).toInt() == 1;
        next->keys << key;
        next->versions << version;
        if (ours && !positionsOnly) {
            const auto w = writtenValues.constFind(key);
            if (w == writtenValues.constEnd())
                return;
            next->rows << *w;
            continue;
        }
        const auto held = heldAt.constFind(key);
        if (held != heldAt.constEnd() && (ours || (m_held.versions.at(*held) == version && version != 0))) {
            next->rows << m_held.rows.at(*held);
            next->rows.last()[order] = r.at(3);
        } else {
            missing << static_cast<int>(next->rows.size());
            next->rows << QVector<QVariant>();
        }
    }
    if (missing.size() > kFew) {
        // `sorted` runs in position order, and so does `missing`.
        const QVariant& low = all.at(sorted.at(missing.first())).at(3);
        const QVariant& high = all.at(sorted.at(missing.last())).at(3);
        if (!low.isValid() || low.isNull() || high.toLongLong() - low.toLongLong() + 1 > 2 * missing.size())
            return;
        Query span(m_db, m_table + QStringLiteral("__span"));
        span.setSql(QStringLiteral("select RDB$DB_KEY, %1 from %2 where %3 between %4 and %5")
                        .arg(next->columns.join(','), m_table, m_order, QString::number(low.toLongLong()),
                             QString::number(high.toLongLong())));
        span.open();
        QHash<QByteArray, int> spanAt;
        for (int i = 0; i < span.recordCount(); ++i)
            spanAt.insert(span.rows().at(i).at(0).toByteArray(), i);
        for (int i : missing) {
            const auto f = spanAt.constFind(next->keys.at(i));
            if (f == spanAt.constEnd())
                return;
            const auto& r = span.rows().at(*f);
            next->rows[i] = QVector<QVariant>(r.begin() + 1, r.end());
        }
    } else {
        Query one(m_db, m_table + QStringLiteral("__row"));
        one.setSql(QStringLiteral("select %1 from %2 t where RDB$DB_KEY=:K").arg(next->columns.join(','), m_table));
        for (int i : missing) {
            one.setParam(QStringLiteral("K"), next->keys.at(i));
            one.open();
            if (one.recordCount() != 1 || one.fieldNames().size() != next->columns.size())
                return;
            next->rows[i] = one.rows().at(0);
            one.close();
        }
    }
    m_prepared = std::move(next);
}

void TableDataset::dropPrepared()
{
    m_prepared.reset();
    m_shift.reset();
}

void TableDataset::close()
{
    if (!active())
        return;
    // Kept for prepareReopen(); a row not yet in the table is left out.
    if (m_state == Insert && m_cur < m_rows.size() && m_keys.at(m_cur).isEmpty()) {
        m_rows.removeAt(m_cur);
        m_keys.removeAt(m_cur);
        m_versions.removeAt(m_cur);
    }
    m_held = Rows{m_columns, m_types, std::move(m_rows), std::move(m_keys), std::move(m_versions)};
    m_rows.clear();
    m_keys.clear();
    m_versions.clear();
    m_buffer.clear();
    m_modified = false;
    m_cur = 0;
    m_eof = m_bof = true;
    setState(Inactive);
    emit reset();
}

int TableDataset::column(const QString& field) const
{
    if (const auto it = m_columnOf.constFind(field); it != m_columnOf.cend())
        return *it;
    int found = -1;
    for (int i = 0; i < m_columns.size() && found < 0; ++i)
        if (m_columns.at(i).compare(field, Qt::CaseInsensitive) == 0)
            found = i;
    m_columnOf.insert(field, found);
    return found;
}

bool TableDataset::hasField(const QString& name) const
{
    return column(name) >= 0 || isCalculated(name);
}

void TableDataset::addCalculatedField(const QString& name)
{
    if (!m_calculated.contains(name))
        m_calculated << name;
}

bool TableDataset::isCalculated(const QString& name) const
{
    return m_calculated.contains(name);
}

QVariant TableDataset::storedValueAt(int row, const QString& field) const
{
    const int c = column(field);
    if (c < 0 || row < 0 || row >= m_rows.size())
        return {};
    if (row == m_cur && (m_state == Edit || m_state == Insert) && !m_buffer.isEmpty())
        return m_buffer.at(c);
    return m_rows.at(row).at(c);
}

QVariant TableDataset::calculated(int row, const QString& field) const
{
    if (!calcFields)
        return {};
    CalcRow r{this, row, row + 1, {}};
    calcFields(r);
    return r.values.value(field);
}

QVariant TableDataset::valueAt(int row, const QString& field) const
{
    const int c = column(field);
    if (c < 0) {
        if (isCalculated(field))
            return calculated(row, field);
        if (active())
            throw DbError(QStringLiteral("フィールド '%1' が見つかりません").arg(field), m_table);
        return {};
    }
    if (row < 0 || row >= m_rows.size())
        return {};
    if (row == m_cur && (m_state == Edit || m_state == Insert) && !m_buffer.isEmpty())
        return m_buffer.at(c);
    return m_rows.at(row).at(c);
}

QString TableDataset::displayText(int row, const QString& field) const
{
    const QVariant v = valueAt(row, field);
    auto fmt = m_displayFormats.constFind(field);
    if (fmt == m_displayFormats.cend())
        fmt = m_displayFormats.constFind(field.toUpper());
    if (fmt != m_displayFormats.cend() && !fmt->isEmpty())
        return formatNumber(v, *fmt);
    return valueText(v);
}

QString TableDataset::editText(int row, const QString& field) const
{
    // Amounts are edited in full: an edit format that drops decimals would lose them.
    return valueText(valueAt(row, field));
}

QVariant TableDataset::value(const QString& field) const
{
    if (m_rows.isEmpty())
        return {};
    return valueAt(m_cur, field);
}

QString TableDataset::text(const QString& field) const
{
    return valueText(value(field));
}

FieldType TableDataset::fieldType(const QString& field) const
{
    const int c = column(field);
    return c >= 0 && c < m_types.size() ? m_types.at(c) : FieldType();
}

QVariant TableDataset::valueFromText(const QString& field, const QString& text) const
{
    const FieldType type = fieldType(field);
    if (!type.numeric())
        return text.isEmpty() ? QVariant() : QVariant(text);
    if (text.trimmed().isEmpty())
        return {};
    const QString name = m_columns.value(column(field), field);
    double v = 0;
    try {
        v = Helpers::parseAmount(text);
    } catch (const Helpers::ConversionError&) {
        throw DbError::aboutField(name, QStringLiteral("「%1」には数値を入力してください。"));
    }
    if (type.kind == FieldType::Number)
        return v;
    if (v != std::floor(v))
        throw DbError::aboutField(name, QStringLiteral("「%1」には整数を入力してください。"));
    qint64 minimum = type.minimum;
    qint64 maximum = type.maximum;
    if (const auto range = m_ranges.constFind(field.toUpper()); range != m_ranges.cend()) {
        minimum = std::max(minimum, range->first);
        maximum = std::min(maximum, range->second);
    }
    // Against maximum + 1 (2^15, 2^31, 2^63), which a double holds exactly.
    if (v < static_cast<double>(minimum) || v >= static_cast<double>(maximum) + 1.0)
        throw DbError::aboutField(name, QStringLiteral("「%1」には") + QString::number(minimum) +
                                            QStringLiteral("から") + QString::number(maximum) +
                                            QStringLiteral("までの整数を入力してください。"));
    return static_cast<qlonglong>(v);
}

void TableDataset::setValue(const QString& field, const QVariant& value)
{
    const int c = column(field);
    if (c < 0)
        throw DbError(QStringLiteral("フィールド '%1' が見つかりません").arg(field), m_table);
    // Converted before the row changes state: a refused value leaves it as it was.
    const QVariant converted = value.typeId() == QMetaType::QString ? valueFromText(field, value.toString()) : value;
    if (m_state == Browse)
        edit();
    if (m_state != Edit && m_state != Insert)
        throw DbError(QStringLiteral("データセットが編集状態ではありません。"), m_table);
    m_buffer[c] = converted; // an emptied cell stores NULL
    m_changed[c] = true;
    m_modified = true;
    emit rowChanged(m_cur);
}

void TableDataset::edit()
{
    if (m_state == Edit || m_state == Insert)
        return;
    if (m_state != Browse)
        throw DbError(QStringLiteral("データセットが開いていません。"), m_table);
    if (m_rows.isEmpty()) {
        append();
        return;
    }
    m_buffer = m_rows.at(m_cur);
    m_changed = QVector<bool>(m_columns.size(), false);
    m_modified = false;
    setState(Edit);
}

void TableDataset::insertAt(int index)
{
    m_rows.insert(index, QVector<QVariant>(m_columns.size()));
    m_keys.insert(index, QByteArray());
    m_versions.insert(index, 0);
    m_cur = index;
    m_buffer = m_rows.at(index);
    m_changed = QVector<bool>(m_columns.size(), false);
    m_modified = false;
    m_eof = m_bof = false;
    setState(Insert);
    emit reset();
    emit currentChanged(recNo());
}

void TableDataset::insert()
{
    checkBrowseMode();
    if (!active())
        throw DbError(QStringLiteral("データセットが開いていません。"), m_table);
    if (beforeInsert)
        beforeInsert(*this);
    insertAt(m_rows.isEmpty() ? 0 : m_cur);
    if (afterInsert) {
        // The handler stores the new row at once.
        afterInsert(*this);
        setUnregistered(true);
    }
}

void TableDataset::append()
{
    checkBrowseMode();
    if (!active())
        throw DbError(QStringLiteral("データセットが開いていません。"), m_table);
    m_eof = true; // the before-insert handlers look at the end-of-table state
    if (beforeInsert)
        beforeInsert(*this);
    insertAt(static_cast<int>(m_rows.size()));
    m_eof = true;
    if (afterInsert) {
        // The handler stores the new row at once.
        afterInsert(*this);
        setUnregistered(true);
    }
}

void TableDataset::post()
{
    if (m_state != Edit && m_state != Insert)
        return;
    if (beforePost)
        beforePost(*this);
    // A value typed over with the same value changes nothing the user must register.
    bool changes = m_state == Insert;
    for (int c = 0; c < m_columns.size() && !changes; ++c)
        changes = m_changed.at(c) && m_buffer.at(c) != m_rows.at(m_cur).at(c);
    try {
        store();
    } catch (DbError& e) {
        // A value the database refused is reported by its field, not its parameter.
        static const QRegularExpression param(QStringLiteral("^P(\\d+)$"));
        const auto m = param.match(e.field());
        const int c = m.hasMatch() ? m.captured(1).toInt() : -1;
        if (c >= 0 && c < m_columns.size())
            throw e.forField(m_columns.at(c));
        const auto tooLong = param.match(e.failure().subject);
        const int t = tooLong.hasMatch() ? tooLong.captured(1).toInt() : -1;
        if (t >= 0 && t < m_columns.size())
            e.setColumn(m_columns.at(t));
        // The row keeps the values typed; the table has none of them.
        e.setNothingChanged();
        throw;
    }
    m_rows[m_cur] = m_buffer;
    m_buffer.clear();
    m_modified = false;
    setState(Browse);
    emit rowChanged(m_cur);
    if (changes)
        setUnregistered(true);
    if (afterPost)
        afterPost(*this);
}

void TableDataset::store()
{
    // Written since the read: a reopen after a rebuild reads the row again.
    m_versions[m_cur] = 0;
    Query q(m_db, m_table + QStringLiteral("__post"));
    if (m_state == Insert) {
        QStringList cols, params;
        for (int c = 0; c < m_columns.size(); ++c)
            if (m_buffer.at(c).isValid()) {
                cols << m_columns.at(c);
                params << ':' + columnParam(c);
            }
        if (cols.isEmpty())
            q.setSql(QStringLiteral("insert into %1 default values returning RDB$DB_KEY").arg(m_table));
        else
            q.setSql(QStringLiteral("insert into %1 (%2) values (%3) returning RDB$DB_KEY")
                         .arg(m_table, cols.join(','), params.join(',')));
        for (int c = 0; c < m_columns.size(); ++c)
            if (m_buffer.at(c).isValid())
                q.setParam(columnParam(c), m_buffer.at(c));
        q.open();
        m_keys[m_cur] = q.recordCount() > 0 ? q.value(0).toByteArray() : QByteArray();
    } else if (m_modified) {
        QStringList sets;
        for (int c = 0; c < m_columns.size(); ++c)
            if (m_changed.at(c))
                sets << m_columns.at(c) + QStringLiteral("=:") + columnParam(c);
        q.setSql(QStringLiteral("update %1 set %2 where RDB$DB_KEY=:%3").arg(m_table, sets.join(','), keyParam()));
        for (int c = 0; c < m_columns.size(); ++c)
            if (m_changed.at(c))
                q.setParam(columnParam(c), m_buffer.at(c));
        q.setParam(keyParam(), m_keys.at(m_cur));
        q.exec();
    }
}

void TableDataset::cancel()
{
    if (m_state == Insert) {
        m_rows.removeAt(m_cur);
        m_keys.removeAt(m_cur);
        m_versions.removeAt(m_cur);
        m_buffer.clear();
        m_modified = false;
        if (m_cur >= m_rows.size())
            m_cur = std::max(0, static_cast<int>(m_rows.size()) - 1);
        m_eof = m_rows.isEmpty();
        setState(Browse);
        emit reset();
        emit currentChanged(recNo());
    } else if (m_state == Edit) {
        m_buffer.clear();
        m_modified = false;
        setState(Browse);
        emit rowChanged(m_cur);
    }
}

void TableDataset::setUnregistered(bool on)
{
    if (m_unregistered == on)
        return;
    m_unregistered = on;
    emit unregisteredChanged(on);
}

void TableDataset::checkBrowseMode()
{
    if (m_state == Edit || m_state == Insert) {
        if (m_modified || m_state == Edit)
            post();
        else
            cancel();
    }
}

void TableDataset::remove()
{
    if (!active())
        throw DbError(QStringLiteral("データセットが開いていません。"), m_table);
    if (m_state == Insert) {
        cancel();
        return;
    }
    checkBrowseMode();
    if (m_rows.isEmpty())
        return;
    if (beforeDelete)
        beforeDelete(*this);
    if (!m_keys.at(m_cur).isEmpty()) {
        Query q(m_db, m_table + QStringLiteral("__delete"));
        q.setSql(QStringLiteral("delete from %1 where RDB$DB_KEY=:%2").arg(m_table, keyParam()));
        q.setParam(keyParam(), m_keys.at(m_cur));
        q.exec();
    }
    m_rows.removeAt(m_cur);
    m_keys.removeAt(m_cur);
    m_versions.removeAt(m_cur);
    if (m_cur >= m_rows.size())
        m_cur = std::max(0, static_cast<int>(m_rows.size()) - 1);
    m_eof = m_rows.isEmpty();
    setUnregistered(true);
    emit reset();
    emit currentChanged(recNo());
    if (afterDelete)
        afterDelete(*this);
}

void TableDataset::moveTo(int index)
{
    checkBrowseMode();
    if (m_rows.isEmpty()) {
        m_eof = m_bof = true;
        return;
    }
    index = std::clamp(index, 0, static_cast<int>(m_rows.size()) - 1);
    const bool moved = index != m_cur;
    m_cur = index;
    m_eof = false;
    m_bof = false;
    if (moved)
        emit currentChanged(recNo());
}

void TableDataset::setRecNo(int recNo)
{
    moveTo(recNo - 1);
}

void TableDataset::first()
{
    moveTo(0);
    m_bof = true;
}

void TableDataset::last()
{
    moveTo(static_cast<int>(m_rows.size()) - 1);
    m_eof = true;
}

void TableDataset::next()
{
    checkBrowseMode();
    if (m_cur + 1 >= m_rows.size()) {
        m_eof = true;
        return;
    }
    moveTo(m_cur + 1);
}

void TableDataset::prior()
{
    checkBrowseMode();
    if (m_cur == 0) {
        m_bof = true;
        return;
    }
    moveTo(m_cur - 1);
}
