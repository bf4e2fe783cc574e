#include "TextReplacement.h"

#include "DataModule.h"
#include "DbError.h"
#include "Helpers.h"
#include "ImportText.h"
#include "ListGuard.h"
#include "MasterLoads.h"
#include "ReplacementPlan.h"
#include "Schema.h"
#include "SjisCodec.h"
#include "TextTools.h"

#include <QHash>
#include <QSet>
#include <QVector>

#include <algorithm>
#include <functional>
#include <iterator>

namespace {

const QString kNotice = QStringLiteral("文字列の置き換えは、マスターに即時更新されます。");

// Pairs of old and new values, private to the transaction that fills them.
const QString kMapTable = QStringLiteral("MAS_MENT_TEXT_MAP");

using Plan = ReplacementPlan;

QVariant textOrNull(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

void ensureMapTable(Database& db)
{
    Query q(&db, QStringLiteral("IBQ_touroku"));
    q.setSql(QStringLiteral("select count(*) from RDB$RELATIONS where RDB$RELATION_NAME='%1'").arg(kMapTable));
    q.open();
    if (q.value(0).toInt() > 0)
        return;
    q.run(QStringLiteral("CREATE GLOBAL TEMPORARY TABLE %1 (OLD_V VARCHAR(40), NEW_V VARCHAR(40)) "
                         "ON COMMIT DELETE ROWS")
              .arg(kMapTable));
    db.transaction().commitAndRestart();
    q.run(QStringLiteral("CREATE INDEX %1_O ON %1 (OLD_V)").arg(kMapTable));
    db.transaction().commitAndRestart();
}

// The pairs into the map table, a hundred rows to a statement: one execution
// per pair would cost more than the updates that use them.
void fillMap(Query& q, const QStringList& olds, const QHash<QString, QString>& map)
{
    constexpr int kPerStatement = 100;
    int prepared = 0;
    for (qsizetype from = 0; from < olds.size(); from += kPerStatement) {
        const int n = static_cast<int>(std::min<qsizetype>(kPerStatement, olds.size() - from));
        if (n != prepared) {
            QStringList rows;
            for (int i = 0; i < n; ++i)
                rows << QStringLiteral("select cast(:O%1 as varchar(40)), cast(:N%1 as varchar(40)) from rdb$database")
                            .arg(i);
            q.setSql(QStringLiteral("insert into %1 (OLD_V,NEW_V) ").arg(kMapTable) +
                     rows.join(QStringLiteral(" union all ")));
            prepared = n;
        }
        for (int i = 0; i < n; ++i) {
            const QString& old = olds.at(from + i);
            q.setParam(QStringLiteral("O%1").arg(i), old);
            q.setParam(QStringLiteral("N%1").arg(i), textOrNull(map.value(old)));
        }
        q.exec();
    }
}

// Two values alike as the work table holds them: NULL only like NULL, numbers by value.
bool same(const QVariant& a, const QVariant& b)
{
    if (a.isValid() != b.isValid())
        return false;
    if (!a.isValid())
        return true;
    const bool textA = a.typeId() == QMetaType::QString, textB = b.typeId() == QMetaType::QString;
    if (textA || textB)
        return textA == textB && a.toString() == b.toString();
    return a.toDouble() == b.toDouble();
}

// The member list's columns, upper-case, CNT first.
QStringList memberListColumns()
{
    QStringList columns;
    for (const QString& declared : Schema::workColumns(QStringLiteral("BUZAI_S")))
        columns << declared.section(' ', 0, 0).toUpper();
    return columns;
}

// Whether the member list (`rows` of `columns`, in their order) holds exactly
// what the member load would make of the product's members now, and each text
// exactly as the product stores it. Then a change the product takes, made to
// the list in place, gives what a reload gives.
bool listIsProductCopy(Database& product, const QStringList& columns, const QVector<QVector<QVariant>>& rows, int major,
                       int middle)
{
    Query src(&product, QStringLiteral("IBQ_touroku"));
    src.setSql(MasterLoads::memberSource(major, middle));
    src.open();
    // An empty category loads as one empty row.
    if (rows.size() != std::max(1, src.recordCount()))
        return false;
    const QStringList& loaded = MasterLoads::memberColumns();
    QVector<int> at; // where each loaded column sits in a list row
    for (const QString& c : loaded)
        at << static_cast<int>(columns.indexOf(c.toUpper()));
    QVector<int> texts; // the text columns the replacement matches, in `loaded`
    for (const Plan::Column& c : Plan::kColumns)
        texts << static_cast<int>(loaded.indexOf(QLatin1String(c.member)));
    const QVector<QVariant> none(loaded.size());
    src.first();
    for (int n = 1; n <= rows.size(); ++n, src.next()) {
        const QVector<QVariant>& row = rows.at(n - 1);
        if (row.at(0).toLongLong() != n)
            return false;
        const QVector<QVariant> expected = src.eof() ? none : MasterLoads::memberRow(src);
        QVector<bool> checked(row.size());
        checked[0] = true;
        for (int i = 0; i < loaded.size(); ++i) {
            if (!same(row.at(at.at(i)), expected.at(i)))
                return false;
            checked[at.at(i)] = true;
        }
        for (int c = 0; c < row.size(); ++c)
            if (!checked.at(c) && row.at(c).isValid())
                return false;
        if (!src.eof())
            for (int i : texts)
                if (valueText(src.value(i)) != valueText(row.at(at.at(i))))
                    return false;
    }
    return true;
}

// A table a replacement changes, with the member columns or the schedule's.
struct Target {
    QString table;
    bool member;
};
// The value a new value becomes in the table written (per column).
using News = std::function<QString(int, const QString&)>;

// One database's part of applying a plan: the statement, the category limit
// (" and …" or nothing) and the new values as that database takes them.
struct Writing {
    Query& q;
    const ReplacementPlan& plan;
    QString limit;
    News news;

    QString column(int c, const Target& t) const
    {
        const Plan::Column& col = Plan::kColumns[static_cast<size_t>(c)];
        return QLatin1String(t.member ? col.member : col.schedule);
    }

    // Members holding both texts of the pair change together.
    void pair(const QList<Target>& targets)
    {
        for (const Target& t : targets) {
            const QString c1 = column(0, t), c2 = column(1, t);
            q.setSql({QStringLiteral("UPDATE ") + t.table, QStringLiteral("set %1=:N1,%2=:N2").arg(c1, c2),
                      QStringLiteral("where %1=:O1 and %2=:O2").arg(c1, c2) + limit});
            q.setParam(QStringLiteral("N1"), textOrNull(news(0, plan.after(0, plan.typed(1)))));
            q.setParam(QStringLiteral("N2"), textOrNull(news(1, plan.after(1, plan.typed(3)))));
            q.setParam(QStringLiteral("O1"), plan.typed(1));
            q.setParam(QStringLiteral("O2"), plan.typed(3));
            q.exec();
        }
    }

    // The values of column `c` that `olds` names, through the map table.
    void byPairs(int c, const QStringList& olds, const QList<Target>& targets)
    {
        QHash<QString, QString> map;
        for (const QString& old : olds)
            map.insert(old, news(c, plan.newValue(c, old)));
        q.run(QStringLiteral("delete from ") + kMapTable);
        fillMap(q, olds, map);
        for (const Target& t : targets)
            q.run({QStringLiteral("UPDATE %1 set %2=(select first 1 NEW_V from %3 where OLD_V=%1.%2)")
                       .arg(t.table, column(c, t), kMapTable),
                   QStringLiteral("where %1 in (select OLD_V from %2)").arg(column(c, t), kMapTable) + limit});
    }

    // The database replaces the search text in the members itself. Schedule rows
    // follow the members' old values: the few that hold the search text and one
    // of those values, by their pairs.
    void byTexts(int c, const QList<Target>& targets)
    {
        const Plan::Step& step = Plan::kSteps[static_cast<size_t>(plan.byTexts(c))];
        const QString search = QStringLiteral("cast(:S as varchar(255))");
        const QString& replacement = plan.inserted(step.replace);
        const QString by = replacement.isEmpty() ? QStringLiteral("''") : QStringLiteral("cast(:R as varchar(255))");
        for (const Target& t : targets) {
            const QString col = column(c, t);
            if (!t.member) {
                q.setSql(
                    QStringLiteral("select distinct %1 from %2 where position(%3 in %1)>0").arg(col, t.table, search) +
                    limit);
                q.setParam(QStringLiteral("S"), plan.typed(step.search));
                q.open();
                QStringList olds;
                for (q.first(); !q.eof(); q.next())
                    if (const QString v = valueText(q.value(0)); plan.changes(c, v))
                        olds << v;
                q.close();
                if (!olds.isEmpty())
                    byPairs(c, olds, {t});
                continue;
            }
            q.setSql({QStringLiteral("UPDATE %1 set %2=nullif(overlay(%2 placing %3 from position(%4 in %2) "
                                     "for char_length(%4)),'')")
                          .arg(t.table, col, by, search),
                      QStringLiteral("where position(%1 in %2)>0").arg(search, col) + limit});
            q.setParam(QStringLiteral("S"), plan.typed(step.search));
            if (!replacement.isEmpty())
                q.setParam(QStringLiteral("R"), replacement);
            q.exec();
        }
    }
};

// Writes the plan to `targets` of `db`; `where` limits it to the category. With
// `byTexts`, the list is the product's copy and a column one row of the dialog
// changes is changed by the database from the two texts.
void writePlan(Database& db, const ReplacementPlan& plan, const QList<Target>& targets, const QString& where,
               bool byTexts, const News& news)
{
    Query q(&db, QStringLiteral("IBQ_touroku"));
    Writing w{q, plan, where.isEmpty() ? QString() : QStringLiteral(" and ") + where, news};
    if (plan.pair()) {
        w.pair(targets);
        return;
    }
    for (int c = 0; c < Plan::kColumnCount; ++c) {
        if (plan.olds(c).isEmpty())
            continue;
        if (byTexts && plan.byTexts(c) >= 0)
            w.byTexts(c, targets);
        else
            w.byPairs(c, plan.olds(c), targets);
    }
}

} // namespace

TextReplacement::TextReplacement(TDM2& dm, MainScreen& screen, MasterLoads& loads)
    : m_dm(dm), m_screen(screen), m_loads(loads)
{
}

void TextReplacement::prefill()
{
    TableDataset& bu = m_dm.IBT_bu;
    if (!bu.active() || bu.recordCount() == 0)
        return;
    const QString column = m_screen.memberGridColumn().toUpper();
    if (column == QLatin1String("NAME01") || column == QLatin1String("NAME02")) {
        edit(1) = edit(2) = bu.text(QStringLiteral("NAME01"));
        edit(3) = edit(4) = bu.text(QStringLiteral("NAME02"));
    } else if (column == QLatin1String("TANI")) {
        edit(7) = bu.text(QStringLiteral("TANI"));
    } else if (column == QLatin1String("NAME03")) {
        edit(5) = bu.text(QStringLiteral("NAME03"));
    } else if (column == QLatin1String("B_CD")) {
        edit(13) = bu.text(QStringLiteral("B_CD"));
    }
}

void TextReplacement::reopenMembers()
{
    m_dm.conn.IBTransaction4().restart();
    m_dm.IBT_bu.close();
    m_dm.IBT_bu.open();
}

void TextReplacement::open()
{
    m_screen.showMainToolbar();
    if (m_screen.activeTab() != Tab::Member)
        return;
    for (int n = 1; n <= 13; ++n)
        edit(n).clear();
    try {
        prefill();
    } catch (...) {
        // A row that cannot be read leaves the fields empty.
    }
    m_screen.confirmation().ask(Confirmation::Notice, kNotice);
    m_screen.showTextDialog(TextDialog::Replace);
    m_screen.showTextDialog(TextDialog::Replace);
    reopenMembers();
}

bool TextReplacement::run()
{
    if (m_screen.activeTab() != Tab::Member)
        return true;
    if (!ReplacementPlan::anySearch(m_edits)) {
        reopenMembers();
        return false;
    }
    const int major = Helpers::toIntOrZero(m_dm.IBT_chu.text(QStringLiteral("BL_KUBUN")));
    const int middle = Helpers::toIntOrZero(m_dm.IBT_chu.text(QStringLiteral("BM_KUBUN")));

    // The replacement works on the whole list of the category: a narrowed
    // grid is widened first.
    if (m_screen.memberGridNarrowed())
        m_screen.endNarrowing();
    // The members as the list holds them, pending edits included.
    TableDataset& bu = m_dm.IBT_bu;
    if (bu.active())
        bu.checkBrowseMode();
    bu.close();
    m_dm.conn.IBTransaction4().commitAndRestart();
    // Every column: the rows also tell whether the list is the product's copy.
    const QStringList listColumns = memberListColumns();
    Query list(bu.database(), QStringLiteral("IBQ_FB4"));
    list.setSql(QStringLiteral("select %1 from BUZAI_S order by CNT").arg(listColumns.join(',')));
    list.open();
    QVector<ReplacementPlan::Member> members;
    std::array<int, Plan::kColumnCount> at{};
    for (int c = 0; c < Plan::kColumnCount; ++c)
        at[c] = static_cast<int>(listColumns.indexOf(QLatin1String(Plan::kColumns[c].member)));
    for (list.first(); !list.eof(); list.next()) {
        ReplacementPlan::Member m;
        for (int c = 0; c < Plan::kColumnCount; ++c)
            m[c] = valueText(list.value(at[c]));
        members << m;
    }

    const ReplacementPlan plan(m_edits, halfWidth, codeRowVisible, members);
    if (const QString problem = plan.fitProblem(); !problem.isEmpty()) {
        m_screen.confirmation().ask(Confirmation::Notice, problem);
        reopenMembers();
        return false;
    }
    return apply(plan, listColumns, list.rows(), major, middle);
}

bool TextReplacement::apply(const ReplacementPlan& plan, const QStringList& listColumns,
                            const QVector<QVector<QVariant>>& listRows, int major, int middle)
{
    Database& product = m_dm.conn.IBDatabase1;
    Database& work = *m_dm.IBT_bu.database();
    // The list can take the change in place, rather than be loaded again, when
    // it is the complete copy of the product's members of the category changed.
    bool inPlace = m_loads.completed(Tab::Member) && m_dm.IBT_dai.active() && m_dm.IBT_chu.active() &&
                   m_dm.currentMajorCode() == major && m_dm.currentMiddleCode() == middle;
    // The members changed are those of the category the list was loaded from;
    // after the change the list stands for the product's rows as they are then.
    ListOrigin origin = m_loads.origin(Tab::Member);
    const auto asTyped = [](int, const QString& value) { return value; };
    const bool changed = ListGuard::changeOrNotify(
        m_screen, Tab::Member,
        [&] {
            if (plan.anyChange() && !plan.pair())
                ensureMapTable(product);
            product.transaction().runWhole([&] {
                ListGuard::verify(product, Tab::Member, origin);
                inPlace = inPlace && listIsProductCopy(product, listColumns, listRows, major, middle);
                if (plan.anyChange())
                    writePlan(product, plan,
                              {{QStringLiteral("MAS_SIAGE02"), false}, {QStringLiteral("MAS_BUZAI"), true}},
                              QStringLiteral("BL_kubun=%1 and BM_kubun=%2").arg(major).arg(middle), inPlace, asTyped);
                if (origin.known)
                    origin = ListGuard::read(product, Tab::Member, origin, false);
            });
        },
        [&] { reopenMembers(); });
    if (!changed)
        return false;
    if (inPlace && plan.anyChange()) {
        try {
            bool byPairs = false;
            for (int c = 0; c < Plan::kColumnCount; ++c)
                byPairs = byPairs || (!plan.olds(c).isEmpty() && plan.byTexts(c) < 0);
            if (!plan.pair() && byPairs)
                ensureMapTable(work);
            work.transaction().runWhole([&] {
                writePlan(work, plan, {{QStringLiteral("BUZAI_S"), true}}, QString(), true, &Plan::asLoaded);
            });
        } catch (const DbError&) {
            inPlace = false; // the load brings the same rows
        }
    }
    if (inPlace) {
        m_loads.setOrigin(Tab::Member, origin);
        work.transaction().restart();
        m_dm.IBT_bu.open();
        return true;
    }
    // The list shows the product's members again.
    m_dm.conn.IBTransaction4().restart();
    m_loads.Button4Click();
    return true;
}
