#include "MemberImport.h"

#include "DbError.h"
#include "Helpers.h"
#include "ImportText.h"
#include "Query.h"
#include "Schema.h"
#include "SjisCodec.h"
#include "UiSeams.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <functional>

namespace {

const QString kColumnsTable = QStringLiteral(
    "CREATE TABLE CMV_01 (CD SMALLINT, NAME01 VARCHAR(60), NAME02 VARCHAR(60), NAME03 VARCHAR(60), CD2 SMALLINT)");
const QString kTargetsTable = QStringLiteral(
    "CREATE TABLE CMV_02 (CD SMALLINT, NAME01 VARCHAR(60), NAME02 VARCHAR(20), NAME03 VARCHAR(60), CD2 SMALLINT)");
const QString kSavedTable = QStringLiteral("CREATE TABLE CMV_M (CD SMALLINT, CD2 SMALLINT)");

// No member list has more columns; a line with more fields keeps the first ones.
constexpr int kMaxColumns = 1000;
// Titles and examples are VARCHAR(60).
constexpr int kShownLength = 60;

const QStringList kConvertedColumns = {"CNT",    "NAME01", "NAME02", "NAME03", "B_CD",   "TAN",
                                       "J_KAZU", "M_KAZU", "KIN_01", "KIN_02", "KIN_03", "KIN_04",
                                       "KAMOKU", "S_CD",   "S_NAME", "KIN_06", "KETA"};

// Titles and examples as CMV_01 can hold them: a character Shift-JIS cannot
// store shows as "?" there (the import names it on its line).
QString storable(const QString& text)
{
    return SjisCodec::decode(SjisCodec::encode(text.left(kShownLength)));
}

using Row = QVector<QVariant>;

// Inserts converted rows into BUSAI_CNV or BUSAI_SEL naming only the columns
// that can hold a value (`used`, positions in kConvertedColumns): the others
// stay NULL all the same, and every bound parameter costs its share.
void prepareInsert(Query& q, const QString& table, const QVector<int>& used)
{
    QStringList columns, params;
    for (int c : used) {
        columns << kConvertedColumns.at(c);
        params << QLatin1Char(':') + kConvertedColumns.at(c);
    }
    q.setSql(QStringList{QStringLiteral("insert into %1").arg(table), QStringLiteral("(%1)").arg(columns.join(',')),
                         QStringLiteral("values"), QStringLiteral("(%1)").arg(params.join(','))});
}

// `emptyIsNull`: a value whose text is empty goes in as NULL.
void bindRow(Query& q, const Row& row, const QVector<int>& used, bool emptyIsNull)
{
    q.clearParams();
    for (int c : used) {
        const QVariant& v = row.at(c);
        if (v.isValid() && !(emptyIsNull && valueText(v).isEmpty()))
            q.setParam(kConvertedColumns.at(c), v);
    }
}

void commit(Query& q)
{
    q.run(QStringLiteral("COMMIT"));
}

} // namespace

MemberImport::MemberImport(Database& work, ProgressSink& progress) : m_work(work), m_progress(progress)
{
    for (Database* db : {&m_import, &m_product}) {
        db->setParams(Database::defaultParams());
        db->transaction().setParams({QStringLiteral("concurrency"), QStringLiteral("nowait")});
    }
    // Scratch: its tables are rebuilt at every showing of the dialog.
    m_import.setForcedWrites(false);
}

void MemberImport::makeStartCurrent() const
{
    if (!m_start.isEmpty())
        Helpers::changeToDirectory(m_start);
}

QVector<ImportText::Record> MemberImport::workCopyRecords() const
{
    makeStartCurrent();
    if (!QFileInfo::exists(workCopyName()))
        return {};
    const QString text = ImportText::readLines(workCopyName()).lines.join(QLatin1Char('\n'));
    return ImportText::splitRecords(text,
                                    m_separator.isNull() ? ImportText::detectSeparator(text, QString()) : m_separator);
}

void MemberImport::connect()
{
    makeStartCurrent();
    const QString importPath = QFileInfo(importDatabasePath()).absoluteFilePath();
    try {
        if (!QFileInfo::exists(importPath)) {
            QDir().mkpath(QFileInfo(importPath).absolutePath());
            Database::createScratchDatabase(importPath);
        }
    } catch (const DbError&) {
        // The first statement on the import database reports it.
    }
    m_import.close();
    m_product.close();
    m_import.setDatabaseName(importPath);
    m_product.setDatabaseName(m_productPath);
    for (Database* db : {&m_import, &m_product}) {
        try {
            db->open();
            db->transaction().start();
        } catch (const DbError&) {
            // As above: reported by the first statement that needs the connection.
        }
    }
}

void MemberImport::rebuildTables()
{
    QFile::remove(QStringLiteral("部材CSV.OK"));
    m_import.releaseAllStatements();
    Query q(&m_import, QStringLiteral("IBQ_CMV"));
    q.setSql(QStringLiteral("Drop TABLE CMV_01"));
    if (q.execIgnoringError())
        commit(q);
    q.setSql(kColumnsTable);
    if (q.execIgnoringError()) {
        commit(q);
    } else {
        q.run(QStringLiteral("Delete from CMV_01"));
        commit(q);
    }
    Query product(&m_product, QStringLiteral("IBQ_CMVM"));
    product.setSql(kSavedTable);
    if (product.execIgnoringError())
        commit(product);
    q.setSql(kTargetsTable);
    if (q.execIgnoringError()) {
        commit(q);
    } else {
        q.run(QStringLiteral("Delete from CMV_02"));
        commit(q);
    }
}

void MemberImport::fillTargets()
{
    makeStartCurrent();
    m_import.releaseAllStatements();
    Query q(&m_import, QStringLiteral("IBQ_CMV"));
    q.setSql(QStringLiteral("DROP TABLE BUSAI_CNV"));
    if (q.execIgnoringError())
        commit(q);
    q.setSql(Schema::createWorkTableSql(QStringLiteral("BUSAI_CNV")));
    if (q.execIgnoringError())
        commit(q);
    q.run(QStringLiteral("delete from CMV_02"));
    q.setSql(QStringList{"insert into CMV_02", "(CD,NAME01,NAME02,NAME03)", "values", "(:CD,:NAME01,:NAME02,:NAME03)"});
    for (const ImportText::Target& t : ImportText::targets()) {
        q.clearParams();
        q.setParam(QStringLiteral("CD"), t.code);
        q.setParam(QStringLiteral("NAME01"), t.name);
        q.setParam(QStringLiteral("NAME02"), t.column);
        q.setParam(QStringLiteral("NAME03"), t.kind);
        q.exec();
    }
    commit(q);
}

void MemberImport::analyseTitles()
{
    const QVector<ImportText::Record> lines = workCopyRecords();
    if (lines.isEmpty())
        return;
    Query q(&m_import, QStringLiteral("IBQ_CMV"));
    q.setSql(QStringList{"insert into CMV_01", "(CD,NAME01,NAME02,NAME03,CD2)", "values",
                         "(:CD,:NAME01,:NAME02,:NAME03,:CD2)"});
    QStringList titles = lines.at(0).fields.mid(0, kMaxColumns);
    for (QString& title : titles)
        title.remove(QLatin1Char(' '));
    for (int i = 0; i < titles.size(); ++i) {
        const auto match = ImportText::matchTitle(titles.at(i));
        q.clearParams();
        q.setParam(QStringLiteral("CD"), i + 1);
        q.setParam(QStringLiteral("NAME01"), storable(titles.at(i)));
        if (match) {
            q.setParam(QStringLiteral("CD2"), match->code);
            q.setParam(QStringLiteral("NAME03"), match->name);
        }
        q.exec();
    }
    // The examples commit the titles with them.
    if (lines.size() >= 2)
        showExamples(lines.at(1).fields, false);
    else
        commit(q);
    m_label = QStringLiteral("レコード№=1/%1").arg(lines.size() - 1);
    m_browsed = 1;
}

void MemberImport::showExamples(const QStringList& fields, bool nullForEmpty)
{
    Query q(&m_import, QStringLiteral("IBQ_CMV"));
    const int count = static_cast<int>(std::min<qsizetype>(fields.size(), kMaxColumns));
    for (int i = 0; i < count; ++i) {
        const QString& field = fields.at(i);
        QStringList sql{QStringLiteral("UPDATE CMV_01 set CD=%1").arg(i + 1)};
        if (!field.isEmpty())
            sql << QStringLiteral(",NAME02=:NAME02");
        else if (nullForEmpty)
            sql << QStringLiteral(",NAME02=null");
        sql << QStringLiteral("where CD=%1").arg(i + 1);
        q.setSql(sql);
        if (!field.isEmpty())
            q.setParam(QStringLiteral("NAME02"), storable(field));
        q.exec();
    }
    commit(q);
}

void MemberImport::show()
{
    m_report = {};
    connect();
    rebuildTables();
    fillTargets();
    analyseTitles();
}

void MemberImport::close()
{
    makeStartCurrent();
    QFile::remove(QStringLiteral("buzai_con.TXT"));
    m_product.transaction().stop();
}

QVector<MemberImport::Column> MemberImport::columns()
{
    QVector<Column> out;
    if (!m_import.connected())
        return out;
    Query q(&m_import, QStringLiteral("IBQ_CMV"));
    q.setSql(QStringLiteral("select CD,NAME01,NAME02,NAME03,CD2 from CMV_01 order by CD"));
    q.open();
    for (q.first(); !q.eof(); q.next()) {
        Column c;
        c.number = q.value(0).toInt();
        c.title = q.text(QStringLiteral("NAME01"));
        c.example = q.text(QStringLiteral("NAME02"));
        c.matched = q.text(QStringLiteral("NAME03"));
        if (!q.isNull(QStringLiteral("CD2")))
            c.code = q.value(QStringLiteral("CD2")).toInt();
        out << c;
    }
    return out;
}

void MemberImport::setCode(int number, std::optional<int> code)
{
    Query q(&m_import, QStringLiteral("IBQ_CMV"));
    q.setSql(QStringLiteral("UPDATE CMV_01 set CD2=:CD2 where CD=:CD"));
    q.setParam(QStringLiteral("CD"), number);
    q.setParam(QStringLiteral("CD2"), code ? QVariant(*code) : QVariant());
    q.exec();
    commit(q);
}

bool MemberImport::hasColumns()
{
    if (!m_import.connected())
        return false;
    Query q(&m_import, QStringLiteral("IBQ_CMV"));
    q.setSql(QStringLiteral("select count(*) from CMV_01"));
    q.open();
    return q.value(0).toInt() > 0;
}

QString MemberImport::problemText(const Problem& p)
{
    QString where = QStringLiteral("%1行目").arg(p.line);
    if (p.column > 0)
        where += p.title.isEmpty() ? QStringLiteral(" %1列目").arg(p.column)
                                   : QStringLiteral(" %1列目（%2）").arg(p.column).arg(p.title);
    return where + QStringLiteral(": ") + p.reason;
}

QString MemberImport::reportText(const Report& report)
{
    QStringList lines{QStringLiteral("取り込んだ行: %1行").arg(report.imported),
                      QStringLiteral("取り込めなかった行: %1行").arg(report.refused), QString()};
    for (const Problem& p : report.problems)
        lines << problemText(p);
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

namespace {

// A field of the line that feeds a target column.
struct Mapping {
    int column; // 0-based field of the line
    const ImportText::Target* target;
    int slot; // where the target column sits in a converted row
};

// The saved mapping: which field of a line goes to which column.
QVector<Mapping> readMapping(Query& q)
{
    QVector<Mapping> mapping;
    q.setSql(QStringList{"SELECT a.CD,a.NAME02, a.NAME03, a.CD2,b.NAME02", "FROM CMV_01 a,CMV_02 b",
                         "where a.CD2>1 and a.CD2=b.CD", "order by a.CD2"});
    q.open();
    for (q.first(); !q.eof(); q.next())
        if (const ImportText::Target* t = ImportText::target(q.value(3).toInt()); t && t->code > 1) {
            const auto at = std::find_if(kConvertedColumns.begin(), kConvertedColumns.end(), [&](const QString& c) {
                return c.compare(t->column, Qt::CaseInsensitive) == 0;
            });
            if (at != kConvertedColumns.end())
                mapping << Mapping{q.value(0).toInt() - 1, t, static_cast<int>(at - kConvertedColumns.begin())};
        }
    return mapping;
}

// One line converted by the mapping, numbered from `next` on; `refuse` hears of
// every field that does not convert.
Row convertedRow(const ImportText::Record& record, const QVector<Mapping>& mapping, int& next,
                 const std::function<void(int column, const QString& reason)>& refuse)
{
    Row row(kConvertedColumns.size());
    for (const Mapping& m : mapping) {
        row[0] = next++;
        if (m.column < 0 || m.column >= record.fields.size()) {
            refuse(m.column, QStringLiteral("この行には%1列しかありません。").arg(record.fields.size()));
            continue;
        }
        ImportText::Converted value = ImportText::convert(*m.target, record.fields.at(m.column));
        if (!value.problem.isEmpty())
            refuse(m.column, value.problem);
        else
            row[m.slot] = std::move(value.value);
    }
    return row;
}

// The hand-off rows into BUSAI_SEL: all of them or, on an error or a stop, none.
// The number handed off, or -1 when stopped.
int handOff(Database& work, QVector<Row>& taken, const QVector<int>& used, ProgressSink& progress)
{
    Transaction& tra = work.transaction();
    Query sel(&work, QStringLiteral("IBQ_touroku2_2"));
    int k = 1;
    try {
        tra.commitAndRestart();
        prepareInsert(sel, QStringLiteral("BUSAI_SEL"), used);
        for (Row& row : taken) {
            row[0] = k++;
            bindRow(sel, row, used, true);
            sel.exec();
            progress.step(2);
            if (progress.cancelled()) {
                tra.rollback();
                tra.start();
                return -1;
            }
        }
        tra.commitAndRestart();
    } catch (...) {
        tra.rollback();
        tra.start();
        progress.finish();
        throw;
    }
    return k - 1;
}

} // namespace

MemberImport::Report MemberImport::importRows(ProgressSink* progressSink)
{
    ProgressSink& progress = progressSink ? *progressSink : m_progress;
    m_report = {};
    Report& report = m_report;
    const QVector<ImportText::Record> lines = workCopyRecords();
    const QStringList titles = lines.isEmpty() ? QStringList() : lines.at(0).fields;
    Query q(&m_import, QStringLiteral("IBQ_CMV"));
    // Emptied in the transaction that refills it.
    q.run(QStringLiteral("Delete from BUSAI_CNV"));
    const QVector<Mapping> mapping = readMapping(q);

    m_label = QStringLiteral("レコード№=%1/%2").arg(m_record).arg(lines.size() - 1);
    progress.start(static_cast<int>(lines.size()) * 2);

    // The rows BUSAI_CNV took, kept to be handed on without reading them back:
    // both tables have the same columns, so the database makes the same values
    // of them.
    QVector<Row> taken;
    taken.reserve(lines.size());
    QVector<int> used{0};
    for (const Mapping& m : mapping)
        if (!used.contains(m.slot))
            used << m.slot;
    prepareInsert(q, QStringLiteral("BUSAI_CNV"), used);
    const auto stop = [&] {
        report.cancelled = true;
        progress.finish();
        return report;
    };
    int sequence = 1;
    for (m_record = titleIsData ? 0 : 1; m_record < lines.size(); ++m_record) {
        progress.step();
        if (progress.cancelled()) {
            m_import.transaction().rollback();
            m_import.transaction().start();
            return stop();
        }
        const ImportText::Record& record = lines.at(m_record);
        const auto refuse = [&](int column, const QString& reason) {
            report.problems << Problem{record.line, column + 1, column >= 0 ? titles.value(column) : QString(), reason};
        };
        ++report.records;
        if (std::all_of(record.fields.begin(), record.fields.end(), [](const QString& f) { return f.isEmpty(); })) {
            refuse(-1, QStringLiteral("空の行です。"));
            ++report.refused;
            continue;
        }
        const qsizetype before = report.problems.size();
        int next = sequence;
        const Row row = convertedRow(record, mapping, next, refuse);
        if (report.problems.size() == before) {
            try {
                bindRow(q, row, used, false);
                q.exec();
                taken << row;
                sequence = next;
                continue;
            } catch (const DbError& e) {
                // Checked above; what the database still refuses is named without its statement.
                refuse(-1, QStringLiteral("データベースに書き込めませんでした（%1）。").arg(e.message().simplified()));
            }
        }
        ++report.refused;
    }
    commit(q);

    const int handedOff = handOff(m_work, taken, used, progress);
    if (handedOff < 0)
        return stop();
    progress.finish();
    report.imported = handedOff;
    return report;
}

void MemberImport::saveMapping()
{
    if (!hasColumns())
        return;
    const QVector<Column> cols = columns();
    Query q(&m_product, QStringLiteral("IBQ_CMVM"));
    q.run(QStringLiteral("Delete from CMV_M"));
    commit(q);
    q.setSql(QStringList{"INsert into CMV_M", "(CD,CD2)", "values", "(:CD,:CD2)"});
    for (const Column& c : cols) {
        q.clearParams();
        q.setParam(QStringLiteral("CD"), c.number);
        q.setParam(QStringLiteral("CD2"), c.code.value_or(0));
        q.exec();
    }
    commit(q);
}

void MemberImport::loadMapping()
{
    if (!hasColumns())
        return;
    Query saved(&m_product, QStringLiteral("IBQ_CMVM"));
    saved.setSql(QStringLiteral("select * from CMV_M"));
    saved.open();
    Query q(&m_import, QStringLiteral("IBQ_CMV"));
    for (saved.first(); !saved.eof(); saved.next())
        q.run(QStringLiteral("UPDATE CMV_01 set CD2=%1 where CD=%2")
                  .arg(Helpers::toIntOrZero(saved.text(QStringLiteral("CD2"))))
                  .arg(Helpers::toIntOrZero(saved.text(QStringLiteral("CD")))));
    commit(q);
}

void MemberImport::browse(int step)
{
    const QVector<ImportText::Record> lines = workCopyRecords();
    const int last = static_cast<int>(lines.size()) - 1;
    // Line 0 is the title line; the arrows stop at the first and the last line.
    const int to = std::clamp(m_browsed + (step < 0 ? -1 : 1), 1, std::max(1, last));
    if (last < 1 || to == m_browsed)
        return;
    m_browsed = to;
    m_label = QStringLiteral("レコード№=%1/%2").arg(m_browsed).arg(last);
    showExamples(lines.at(m_browsed).fields, true);
}
