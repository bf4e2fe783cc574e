#include "DataModule.h"

#include "Helpers.h"
#include "MemberImage.h"
#include "RebuildTransaction.h"
#include "SjisCodec.h"

#include <algorithm>
#include <functional>

namespace {

// How a rebuild writes a row back: integers as their value (0 when empty),
// texts only when not empty, amounts only when not empty.
struct RowLayout {
    QString table;
    QString position; // CNT or CD
    QStringList integers;
    QStringList texts;
    QStringList amounts;
};

const RowLayout kMajor{QStringLiteral("BUZAI_DAI"), QStringLiteral("CNT"), {"BL_KUBUN"}, {"NAME01", "NAME02"}, {}};
// KU_KAMOKU travels with its middle category, so that registering again keeps it.
const RowLayout kMiddle{QStringLiteral("BUZAI_CHU"),
                        QStringLiteral("CNT"),
                        {"BL_KUBUN", "BM_KUBUN", "KU_KAMOKU"},
                        {"NAME01", "NAME02"},
                        {}};
const RowLayout kUnit{QStringLiteral("TANI"), QStringLiteral("CD"), {}, {"NAME"}, {}};

using Row = QHash<QString, QVariant>;

QVector<Row> readRows(Query& q, const RowLayout& layout)
{
    q.clearSql();
    q.addSql(QStringLiteral("select * from ") + layout.table);
    q.addSql(QStringLiteral("order by ") + layout.position);
    q.open();
    QVector<Row> rows;
    rows.reserve(q.recordCount());
    for (const auto& r : q.rows()) {
        Row row;
        for (int c = 0; c < q.fieldNames().size(); ++c)
            row.insert(q.fieldNames().at(c), r.at(c));
        rows << row;
    }
    q.close();
    return rows;
}

// Empties the table and writes the rows back with positions 1, 2, 3 … in one
// transaction step, then commits so the other connections see the new order.
void writeBack(Query& q, const RowLayout& layout, const QVector<Row>& rows)
{
    TDM2::execCommit(q, QStringLiteral("DELETE FROM ") + layout.table);
    QStringList cols{layout.position};
    cols << layout.integers << layout.texts << layout.amounts;
    QStringList params;
    for (const QString& c : cols)
        params << ':' + c;
    q.clearSql();
    q.addSql(QStringLiteral("insert Into ") + layout.table);
    q.addSql('(' + cols.join(',') + ')');
    q.addSql(QStringLiteral("values"));
    q.addSql('(' + params.join(',') + ')');
    int n = 0;
    for (const Row& row : rows) {
        q.clearParams();
        q.setParam(layout.position, ++n);
        for (const QString& c : layout.integers)
            q.setParam(c, Helpers::toIntOrZero(valueText(row.value(c))));
        for (const QString& c : layout.texts) {
            const QString t = valueText(row.value(c));
            if (!t.isEmpty())
                q.setParam(c, t);
        }
        for (const QString& c : layout.amounts) {
            const QString t = valueText(row.value(c));
            if (!t.isEmpty())
                q.setParam(c, Helpers::parseAmount(t));
        }
        q.exec();
    }
    q.run(QStringLiteral("COMMIT"));
}

int maxOf(Query& q, const QString& table, const QString& column)
{
    q.clearSql();
    q.addSql(QStringLiteral("select max(%1) as %1 from %2").arg(column, table));
    q.open();
    const int v = Helpers::toIntOrZero(q.text(column));
    q.close();
    return v;
}

// Cuts whole characters from the end until the Shift-JIS form fits.
QString fitBytes(const QString& text, int limit)
{
    QString t = text;
    while (!t.isEmpty() && SjisCodec::byteLength(t) > limit) {
        t.chop(1);
        if (!t.isEmpty() && t.back().isHighSurrogate())
            t.chop(1);
    }
    return t;
}

void limitWidth(TableDataset& ds, const QString& field, int bytes)
{
    const QVariant v = ds.value(field);
    if (!v.isValid())
        return;
    const QString text = v.toString();
    const QString cut = fitBytes(text, bytes);
    if (cut != text)
        ds.setValue(field, cut);
}

// The saved row number of the member list's end: the member rebuilds place a
// row after the last one for it, however long the list.
constexpr int kMembersEnd = 99999;

int recNoForInsert(const TableDataset& ds)
{
    return ds.eof() ? ds.recNo() + 1 : ds.recNo();
}

} // namespace

void TDM2::installEvents()
{
    installFields();
    installInsertAndDelete();

    // Names are cut to what the product masters accept.
    IBT_dai.beforePost = [](TableDataset& d) { limitWidth(d, QStringLiteral("NAME01"), 40); };
    IBT_chu.beforePost = [](TableDataset& d) { limitWidth(d, QStringLiteral("NAME01"), 40); };
    IBT_bu.beforePost = [](TableDataset& d) {
        limitWidth(d, QStringLiteral("NAME01"), 40);
        limitWidth(d, QStringLiteral("NAME02"), 40);
        limitWidth(d, QStringLiteral("NAME03"), 20);
        limitWidth(d, QStringLiteral("TANI"), 6);
    };
}

void TDM2::installFields()
{
    // Row number on every grid; the profit rate on the member grid.
    for (TableDataset* ds : {&IBT_dai, &IBT_chu, &IBT_bu, &IBT_TANI}) {
        ds->addCalculatedField(QStringLiteral("№"));
        ds->calcFields = [](TableDataset::CalcRow& r) { r.values.insert(QStringLiteral("№"), r.recNo); };
    }
    IBT_bu.addCalculatedField(QStringLiteral("利益率"));
    IBT_bu.calcFields = [](TableDataset::CalcRow& r) {
        r.values.insert(QStringLiteral("№"), r.recNo);
        double price = 0, cost = 0;
        try {
            price = Helpers::parseAmount(valueText(r.value(QStringLiteral("KIN_02"))));
            cost = Helpers::parseAmount(valueText(r.value(QStringLiteral("KIN_01"))));
        } catch (const std::exception&) {
            return;
        }
        if (price != 0)
            r.values.insert(QStringLiteral("利益率"), (price - cost) / price * 100.0);
    };
    IBT_bu.setDisplayFormat(QStringLiteral("S_CD"), QStringLiteral("#"));
    // Amounts are edited in full (see TableDataset::editText).
    for (const char* f : {"KIN_01", "KIN_02", "KIN_06"})
        IBT_bu.setDisplayFormat(QString::fromLatin1(f), QStringLiteral("#,###"));
    IBT_bu.setDisplayFormat(QStringLiteral("利益率"), QStringLiteral("0.00;-0.00;#"));
    // The decimal places of a member's quantity.
    IBT_bu.setRange(QStringLiteral("KETA"), 0, 9);
}

void TDM2::installInsertAndDelete()
{
    // Insert and delete positions.
    for (TableDataset* ds : {&IBT_dai, &IBT_chu, &IBT_TANI}) {
        ds->beforeInsert = [this](TableDataset& d) { savedRowNumber = recNoForInsert(d); };
        ds->beforeDelete = [this](TableDataset& d) { savedRowNumber = recNoForInsert(d); };
    }
    IBT_bu.beforeInsert = [this](TableDataset& d) {
        if (memberNumberingSkip == 1)
            return;
        // Position 1 stands for the first row; a list imported into an empty one
        // starts at 0, and its row at 1 is the second.
        const int c = Helpers::toIntOrZero(d.text(QStringLiteral("CNT")));
        if (c == 1 && d.recNo() == 1)
            savedRowNumber = d.recordCount() == 1 ? kMembersEnd : 0;
        else
            savedRowNumber = d.eof() ? kMembersEnd : d.recNo() - 1;
    };
    IBT_bu.beforeDelete = [this](TableDataset& d) { savedRowNumber = d.eof() ? kMembersEnd : d.recNo(); };

    IBT_dai.afterInsert = [this](TableDataset&) { insertCategoryRow(IBT_dai, IBQ_FB2, false); };
    IBT_chu.afterInsert = [this](TableDataset&) { insertCategoryRow(IBT_chu, IBQ_FB3, true); };
    IBT_TANI.afterInsert = [this](TableDataset&) {
        const int p = savedRowNumber;
        QVector<Row> rows = readRows(IBQ_FB2, kUnit);
        IBT_TANI.close();
        rows.insert(std::clamp(p - 1, 0, static_cast<int>(rows.size())), Row());
        writeBack(IBQ_FB2, kUnit, rows);
        IBT_TANI.open();
        IBT_TANI.setRecNo(p);
    };
    IBT_bu.afterInsert = [this](TableDataset&) {
        if (memberNumberingSkip == 1)
            return;
        insertMemberRow();
    };

    // Each category and unit delete closes its dataset, gives its connection a
    // fresh transaction (the major connection is even reconnected, before and
    // after), writes the rows back with dense positions and lands on position p.
    const auto afterDelete = [this](TableDataset& ds, Query& q, const RowLayout& layout,
                                    const std::function<void()>& freshTransaction, bool again) {
        ds.close();
        freshTransaction();
        writeBack(q, layout, readRows(q, layout));
        if (again)
            freshTransaction();
        ds.open();
        ds.setRecNo(savedRowNumber);
    };
    const auto reconnectMajor = [this] {
        conn.IBTransaction2().stop();
        conn.IBDatabase2.reconnect();
        conn.IBTransaction2().start();
    };
    IBT_dai.afterDelete = [=, this](TableDataset& d) { afterDelete(d, IBQ_FB2, kMajor, reconnectMajor, true); };
    IBT_chu.afterDelete = [=, this](TableDataset& d) {
        afterDelete(
            d, IBQ_FB3, kMiddle, [this] { conn.IBTransaction3().restart(); }, false);
    };
    IBT_TANI.afterDelete = [=, this](TableDataset& d) {
        afterDelete(
            d, IBQ_FB2, kUnit, [this] { conn.IBTransaction2().restart(); }, false);
    };
    IBT_bu.afterDelete = [this](TableDataset&) { rewriteMembersFromScratch(); };
}

void TDM2::insertCategoryRow(TableDataset& ds, Query& q, bool middle)
{
    const auto& layout = middle ? kMiddle : kMajor;
    const int p = savedRowNumber;
    QVector<Row> rows = readRows(q, layout);
    ds.close();
    Row fresh;
    if (middle) {
        fresh.insert(QStringLiteral("BL_KUBUN"), currentMajorCode());
        fresh.insert(QStringLiteral("BM_KUBUN"), maxOf(q, layout.table, QStringLiteral("BM_KUBUN")) + 1);
    } else {
        fresh.insert(QStringLiteral("BL_KUBUN"), maxOf(q, layout.table, QStringLiteral("BL_KUBUN")) + 1);
    }
    // The rows the grid shows above the cursor, the new row, then the others.
    // Counted in rows, not compared with positions: positions may have gaps.
    rows.insert(std::clamp(p - 1, 0, static_cast<int>(rows.size())), fresh);
    writeBack(q, layout, rows);
    ds.open();
    ds.setRecNo(p);
}

namespace {

// The columns a member rebuild writes, CNT left out, and their values: integers
// 0 when empty, texts NULL when empty; the columns not listed stay NULL.
// The row's place in the parked list goes along unchanged, so that a narrowed
// grid's rows find their places again when it is reset.
const QStringList kRebuiltMembers{"BL_kubun", "BM_kubun", "BS_kubun", "KU_KAMOKU", "NAME01", "NAME02", "NAME03", "TANI",
                                  "KIN_01",   "KIN_02",   "KIN_06",   "B_CD",      "S_CD",   "KETA",   "S2_CNT"};
const QString kRebuiltValues = QStringLiteral(
    "coalesce(BL_kubun,0), coalesce(BM_kubun,0), coalesce(BS_kubun,0), coalesce(KU_KAMOKU,0), nullif(NAME01,''), "
    "nullif(NAME02,''), nullif(NAME03,''), nullif(TANI,''), KIN_01, KIN_02, KIN_06, nullif(B_CD,''), "
    "coalesce(S_CD,0), coalesce(KETA,0), S2_CNT");
// The same columns as they are stored, for the source of a rebuild.
const QString kRawMembers = QStringLiteral(
    "t.BL_kubun, t.BM_kubun, t.BS_kubun, t.KU_KAMOKU, t.NAME01, t.NAME02, t.NAME03, t.TANI, t.KIN_01, t.KIN_02, "
    "t.KIN_06, t.B_CD, t.S_CD, t.KETA, t.S2_CNT");

// The normal form of a member row and the test for rows not in it.
struct Normal {
    QString sets, differs;
};

const QStringList kZeroed{"BL_kubun", "BM_kubun", "BS_kubun", "KU_KAMOKU", "S_CD", "KETA"};
const QStringList kTexts{"NAME01", "NAME02", "NAME03", "TANI", "B_CD"};
const QStringList kCleared{"KIN_04", "KIN_05", "G_RITU", "T_RITU", "K_RITU", "TAX_KU", "e_date01"};

const Normal& normalForm()
{
    static const Normal n = [] {
        const QStringList& zeroed = kZeroed;
        const QStringList& texts = kTexts;
        const QStringList& cleared = kCleared;
        QStringList sets, differs;
        for (const QString& c : zeroed) {
            sets << QStringLiteral("%1=coalesce(%1,0)").arg(c);
            differs << c + QStringLiteral(" is null");
        }
        // A text equals '' when it holds only blanks; comparing only those
        // saves the collation on every row.
        for (const QString& c : texts) {
            sets << QStringLiteral("%1=nullif(%1,'')").arg(c);
            differs << QStringLiteral("(octet_length(%1)=0 or (%1 starting with ' ' and %1=''))").arg(c);
        }
        for (const QString& c : cleared) {
            sets << c + QStringLiteral("=null");
            differs << c + QStringLiteral(" is not null");
        }
        return Normal{sets.join(','), differs.join(QStringLiteral(" or "))};
    }();
    return n;
}

// Writes the rebuilt values into rows that do not hold them yet; rows already
// in that form are not touched.
void normaliseMembers(Query& q, Rebuild::Positions& positions)
{
    q.run({QStringLiteral("update BUZAI_S set ") + normalForm().sets, QStringLiteral("where ") + normalForm().differs});
    positions.rewrote();
}

// Positions of the member list: count, lowest and highest, and how many rows
// are not in the normal form, in one pass.
struct Span {
    int count = 0, low = 0, high = 0, abnormal = 0;
    qint64 sum = 0;
};

// Rows not written since `since` are in the normal form already: testing the
// texts is most of the pass.
Span spanOf(Query& q, const WriteMark& since)
{
    q.setSql(QStringLiteral("select count(*), coalesce(min(CNT),0), coalesce(max(CNT),0), "
                            "coalesce(sum(case when %1 and (%2) then 1 else 0 end),0), "
                            "coalesce(sum(cast(CNT as bigint)),0) from BUZAI_S")
                 .arg(since.writtenSince(), normalForm().differs));
    q.open();
    const Span s{q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt(), q.value(3).toInt(),
                 q.value(4).toLongLong()};
    q.close();
    return s;
}

} // namespace

QString TDM2::normalMembersMark()
{
    return QStringLiteral("BUZAI_S normal");
}

bool TDM2::inNormalForm(const QStringList& columns, const QVector<QVariant>& row)
{
    const auto valueOf = [&](const QString& c) {
        for (int i = 0; i < columns.size() && i < row.size(); ++i)
            if (columns.at(i).compare(c, Qt::CaseInsensitive) == 0)
                return row.at(i);
        return QVariant();
    };
    const auto empty = [](const QVariant& v) { return !v.isValid() || v.isNull(); };
    for (const QString& c : kZeroed)
        if (empty(valueOf(c)))
            return false;
    for (const QString& c : kCleared)
        if (!empty(valueOf(c)))
            return false;
    // The engine compares texts padded with blanks: one of blanks only equals ''.
    for (const QString& c : kTexts) {
        const QVariant v = valueOf(c);
        if (!empty(v) && v.toString().count(QLatin1Char(' ')) == v.toString().size())
            return false;
    }
    return true;
}

namespace {

// Where the new member row sorts among rows ordered by twice their position:
// directly after the p-th row of the grid (before the first for p < 1, after
// the last when there is no p-th row). Positions may have gaps (an import
// leaves them), so the p-th row is found by counting, not by its position.
QString newRowOrder(int p)
{
    if (p < 1)
        return QStringLiteral("(select coalesce(min(cast(CNT as bigint)),0)*2-1 from BUZAI_S)");
    return QStringLiteral("coalesce((select cast(CNT as bigint)*2+1 from BUZAI_S order by CNT rows %1 to %1), "
                          "(select coalesce(max(cast(CNT as bigint)),0)*2+1 from BUZAI_S))")
        .arg(p);
}

} // namespace

void TDM2::insertMemberRow()
{
    // Done in the database: a middle category may hold ten thousand members.
    // Positions are unique (BUZAI_S is keyed on CNT), so opening the gap one
    // above p puts the new row directly after the rows at or before p.
    const int p = savedRowNumber;
    const QString major = QString::number(currentMajorCode());
    const QString middle = QString::number(currentMiddleCode());
    rebuildMembers(
        [&](Query& q, const WriteMark& since, Rebuild::Positions& positions) {
            // Positions 1 … n already: the rows from the new row's place on
            // move up by one, and the new row takes the place after p.
            const Span span = spanOf(q, since);
            if (span.count != span.high || (span.count > 0 && span.low != 1))
                return false;
            const int at = std::clamp(p, 0, span.count) + 1;
            positions.move(q, {{at - 1, 1}});
            if (span.abnormal > 0)
                normaliseMembers(q, positions);
            positions.add(q,
                          {QStringLiteral("insert into BUZAI_S (CNT,BL_kubun,BM_kubun,BS_kubun,KU_KAMOKU,S_CD,KETA) "
                                          "values (%1,%2,%3,0,0,0,0)")
                               .arg(QString::number(at), major, middle)},
                          at, at);
            return true;
        },
        QStringLiteral("select %1 as K, cast(t.CNT as bigint)*2 as C, %2 "
                       "from BUZAI_S t union all select %3, %4, %5, %6, null, null, null, null, null, "
                       "null, null, null, null, null, null, null, null from RDB$DATABASE")
            .arg(MemberImage::keyOf(QStringLiteral("t")), kRawMembers, MemberImage::noKey(), newRowOrder(p), major,
                 middle),
        p + 1);
}

void TDM2::rebuildMembers(const std::function<bool(Query&, const WriteMark&, Rebuild::Positions&)>& quick,
                          const QString& source, int showRow)
{
    Query& q = IBQ_touroku4;
    Database& db = *q.database();
    MemberImage::prepare(db);
    // Called from the grid's own insert and delete: it is closed, not posted.
    IBT_bu.close();
    // Every rebuild leaves all rows in the normal form.
    Rebuild::inOneTransaction(
        db, IBT_bu,
        [&](Rebuild::Positions& positions) {
            if (!quick(q, db.mark(normalMembersMark()), positions)) {
                q.run({MemberImage::insertLine(kRebuiltMembers),
                       QStringLiteral("select K, row_number() over (order by C), %1 from (%2) s")
                           .arg(kRebuiltValues, source)});
                MemberImage::apply(q, kRebuiltMembers);
            }
            return showRow;
        },
        normalMembersMark());
}

void TDM2::rewriteMembersFromScratch()
{
    rebuildMembers(
        [this](Query& q, const WriteMark& since, Rebuild::Positions& positions) {
            // Positions 1 … n with the deleted row's place missing: the rows
            // above it move down by one.
            const Span span = spanOf(q, since);
            if ((span.count > 0 && span.low != 1) || span.high - span.count > 1)
                return false;
            if (span.high - span.count == 1) {
                // Positions are unique: the one missing from 1 … high is what
                // their sum lacks.
                const qint64 gap = qint64(span.high) * (span.high + 1) / 2 - span.sum;
                positions.move(q, {{gap, -1}});
            }
            if (span.abnormal > 0)
                normaliseMembers(q, positions);
            return true;
        },
        QStringLiteral("select %1 as K, t.CNT as C, %2 from BUZAI_S t")
            .arg(MemberImage::keyOf(QStringLiteral("t")), kRawMembers),
        savedRowNumber);
}
