#include "TableDataset.h"

#include "Database.h"
#include "DbError.h"
#include "Helpers.h"
#include "Query.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

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
    : QObject(parent), m_db(db), m_table(tableName), m_order(orderColumn), m_cache(db, tableName, orderColumn)
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
    m_db = nullptr;
    m_cache.setDatabase(nullptr);
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
    showRows(m_cache.take());
}

void TableDataset::showRows(DatasetRows&& rows)
{
    m_columns = std::move(rows.columns);
    m_types = std::move(rows.types);
    m_rows = std::move(rows.rows);
    m_keys = std::move(rows.keys);
    m_versions = std::move(rows.versions);
    m_columnOf.clear();
    m_cur = 0;
    m_eof = m_rows.isEmpty();
    m_modified = false;
    setState(Browse);
    emit reset();
    emit currentChanged(recNo());
}

void TableDataset::prepareReopen(bool positionsOnly, const RowShift* shift)
{
    if (!active() && m_db)
        m_cache.prepare(positionsOnly, shift);
}

void TableDataset::confirmHeld()
{
    if (!active() && m_db)
        m_cache.confirm();
}

void TableDataset::dropPrepared()
{
    m_cache.drop();
}

void TableDataset::close()
{
    if (!active())
        return;
    // Held for the next re-read; a row not yet in the table is left out.
    if (m_state == Insert && m_cur < m_rows.size() && m_keys.at(m_cur).isEmpty()) {
        m_rows.removeAt(m_cur);
        m_keys.removeAt(m_cur);
        m_versions.removeAt(m_cur);
    }
    m_cache.hold(DatasetRows{m_columns, m_types, std::move(m_rows), std::move(m_keys), std::move(m_versions)});
    m_rows.clear();
    m_keys.clear();
    m_versions.clear();
    m_buffer.clear();
    m_modified = false;
    m_cur = 0;
    m_eof = true;
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
    m_eof = false;
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
        m_eof = true;
        return;
    }
    index = std::clamp(index, 0, static_cast<int>(m_rows.size()) - 1);
    const bool moved = index != m_cur;
    m_cur = index;
    m_eof = false;
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
        return;
    }
    moveTo(m_cur - 1);
}
