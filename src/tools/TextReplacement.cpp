#include "TextReplacement.h"

#include "DataModule.h"
#include "DbError.h"
#include "Helpers.h"
#include "ImportText.h"
#include "ListGuard.h"
#include "MasterLoads.h"
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

// One row of the dialog: its fields, the member column, the schedule column.
struct Step {
    int search;
    int replace;
    int column; // index into kColumns
};

struct Column {
    const char* member;
    const char* schedule;
    const char* label;
    int bytes; // width of the member column
};

const Column kColumns[] = {{"NAME01", "NAME_01", "名称", 40},
                           {"NAME02", "NAME_02", "摘要", 40},
                           {"NAME03", "NAME_03", "備考", 20},
                           {"TANI", "TAN", "単位", 6},
                           {"B_CD", "B_CD", "ＣＤ", 20}};

// In the dialog's order; the ＣＤ row last.
const Step kSteps[] = {{1, 2, 0}, {9, 10, 0}, {3, 4, 1}, {11, 12, 1}, {5, 6, 2}, {7, 8, 3}, {13, 14, 4}};

struct Member {
    QString values[5];
};

// Replaces the first occurrence of `search` in `value`. The value is matched as
// the working box shows it: one that does not fit on the box's first line cannot
// be found by its text and is left alone.
std::optional<QString> replaced(const QString& value, const QString& search, const QString& replacement)
{
    if (search.isEmpty() || value.isEmpty())
        return std::nullopt;
    if (ImportText::firstLineCut(value, TextReplacement::kBoxUnits) != value)
        return std::nullopt;
    const qsizetype at = value.indexOf(search);
    if (at < 0)
        return std::nullopt;
    return value.left(at) + replacement + value.mid(at + search.size());
}

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
    for (const Column& c : kColumns)
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

// A new value as the member load would bring it into the list.
QVariant asLoaded(int column, const QString& value)
{
    return Helpers::textOrNull(QLatin1String(kColumns[column].member) == QLatin1String("TANI")
                                   ? Helpers::unitText(value)
                                   : Helpers::firstLine(value));
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
    bool anySearch = false;
    for (const Step& s : kSteps)
        anySearch = anySearch || !edit(s.search).isEmpty();
    TableDataset& bu = m_dm.IBT_bu;
    if (!anySearch) {
        reopenMembers();
        return false;
    }

    // Texts as the database reads them back, so that look-alikes match; what
    // goes in, in its half-width form when asked.
    QString typedTexts[15], insertedTexts[15];
    for (int n = 1; n <= 14; ++n) {
        typedTexts[n] = SjisCodec::normalize(edit(n));
        insertedTexts[n] = halfWidth && !typedTexts[n].isEmpty() ? Helpers::toHalfWidth(typedTexts[n]) : typedTexts[n];
    }
    const auto typed = [&](int n) -> const QString& { return typedTexts[n]; };
    const auto inserted = [&](int n) -> const QString& { return insertedTexts[n]; };
    const QString major = m_dm.IBT_chu.text(QStringLiteral("BL_KUBUN"));
    const QString middle = m_dm.IBT_chu.text(QStringLiteral("BM_KUBUN"));

    // The replacement works on the whole list of the category: a narrowed
    // grid is widened first.
    if (m_screen.memberGridNarrowed())
        m_screen.endNarrowing();
    // The members as the list holds them, pending edits included.
    if (bu.active())
        bu.checkBrowseMode();
    bu.close();
    m_dm.conn.IBTransaction4().commitAndRestart();
    // Every column: the rows also tell whether the list is the product's copy.
    const QStringList listColumns = memberListColumns();
    Query list(m_dm.IBT_bu.database(), QStringLiteral("IBQ_FB4"));
    list.setSql(QStringLiteral("select %1 from BUZAI_S order by CNT").arg(listColumns.join(',')));
    list.open();
    QVector<Member> members;
    {
        int at[5];
        for (int c = 0; c < 5; ++c)
            at[c] = static_cast<int>(listColumns.indexOf(QLatin1String(kColumns[c].member)));
        for (list.first(); !list.eof(); list.next()) {
            Member m;
            for (int c = 0; c < 5; ++c)
                m.values[c] = valueText(list.value(at[c]));
            members << m;
        }
    }

    // Per column: old value → new value, each value replaced once, by the first
    // row of the dialog that finds its text. `firstOf` keeps the member that
    // names a refusal.
    QHash<QString, QString> maps[5];
    QStringList order[5];
    QHash<QString, int> firstOf[5];
    const bool pair = !edit(1).isEmpty() && !edit(3).isEmpty();
    for (int i = 0; i < members.size(); ++i) {
        const Member& m = members.at(i);
        if (pair) {
            if (m.values[0] != typed(1) || m.values[1] != typed(3))
                continue;
            for (const auto& [c, s, r] : {std::tuple{0, 1, 2}, std::tuple{1, 3, 4}}) {
                const auto v = replaced(m.values[c], typed(s), inserted(r));
                if (v && !maps[c].contains(m.values[c])) {
                    maps[c].insert(m.values[c], *v);
                    order[c] << m.values[c];
                    firstOf[c].insert(m.values[c], i);
                }
            }
            continue;
        }
        for (const Step& s : kSteps) {
            const bool codeRow = s.column == 4;
            if (codeRow && (!codeRowVisible || edit(s.replace).isEmpty()))
                continue;
            const QString& value = m.values[s.column];
            if (maps[s.column].contains(value))
                continue;
            const auto v = replaced(value, typed(s.search), inserted(s.replace));
            if (!v || *v == value)
                continue;
            maps[s.column].insert(value, *v);
            order[s.column] << value;
            firstOf[s.column].insert(value, i);
        }
    }

    // All or nothing: a value that would not fit refuses the whole replacement.
    for (int c = 0; c < 5; ++c)
        for (const QString& old : std::as_const(order[c])) {
            const QString name = members.at(firstOf[c].value(old)).values[0];
            const QString problem =
                TextTools::fitProblem(maps[c].value(old), kColumns[c].bytes,
                                      QStringLiteral("部材「%1」の%2").arg(name, QString::fromUtf8(kColumns[c].label)));
            if (!problem.isEmpty()) {
                m_screen.confirmation().ask(Confirmation::Notice,
                                            problem + QStringLiteral("\n置き換えは行いませんでした。"));
                reopenMembers();
                return false;
            }
        }

    Database& product = m_dm.conn.IBDatabase1;
    Database& work = *bu.database();
    const int majorCode = Helpers::toIntOrZero(major), middleCode = Helpers::toIntOrZero(middle);
    bool anyChange = false;
    for (const auto& o : order)
        anyChange = anyChange || !o.isEmpty();

    // The list can take the change in place, rather than be loaded again, when
    // it is the complete copy of the product's members of the category changed.
    bool inPlace = m_loads.completed(Tab::Member) && m_dm.IBT_dai.active() && m_dm.IBT_chu.active() &&
                   m_dm.currentMajorCode() == majorCode && m_dm.currentMiddleCode() == middleCode;

    // A column that one row of the dialog changes, in every value that holds its
    // search text, with a replacement the member load keeps as it is: while the
    // list is the product's copy, the database makes the change itself from the
    // two texts (the row in kSteps; -1: by the pairs of old and new values).
    int byExpression[5] = {-1, -1, -1, -1, -1};
    if (!pair)
        for (int c = 0; c < 5; ++c) {
            int acting = 0;
            for (int i = 0; i < int(std::size(kSteps)); ++i) {
                const Step& step = kSteps[i];
                const bool codeRow = step.column == 4;
                if (step.column != c || edit(step.search).isEmpty() ||
                    (codeRow && (!codeRowVisible || edit(step.replace).isEmpty())))
                    continue;
                ++acting;
                byExpression[c] = i;
            }
            if (acting != 1) {
                byExpression[c] = -1;
                continue;
            }
            const Step& step = kSteps[byExpression[c]];
            QSet<QString> holding;
            for (const Member& m : std::as_const(members))
                if (!m.values[c].isEmpty() && m.values[c].contains(typed(step.search)))
                    holding.insert(m.values[c]);
            if (holding.size() != order[c].size() ||
                asLoaded(c, inserted(step.replace)).toString() != inserted(step.replace))
                byExpression[c] = -1;
        }

    // The same change on `tables` (table, member or schedule column flag) of `db`,
    // with the new values `news` gives; `where` limits it to the category.
    using Tables = QList<std::pair<QString, bool>>;
    const auto change = [&](Database& db, const Tables& tables, const QString& where,
                            const std::function<QString(int, const QString&)>& news) {
        Query q(&db, QStringLiteral("IBQ_touroku"));
        const QString limit = where.isEmpty() ? QString() : QStringLiteral(" and ") + where;
        if (pair) {
            for (const auto& [table, member] : tables) {
                const QString c1 = QLatin1String(member ? kColumns[0].member : kColumns[0].schedule);
                const QString c2 = QLatin1String(member ? kColumns[1].member : kColumns[1].schedule);
                q.setSql({QStringLiteral("UPDATE ") + table, QStringLiteral("set %1=:N1,%2=:N2").arg(c1, c2),
                          QStringLiteral("where %1=:O1 and %2=:O2").arg(c1, c2) + limit});
                q.setParam(QStringLiteral("N1"), textOrNull(news(0, maps[0].value(typed(1), typed(1)))));
                q.setParam(QStringLiteral("N2"), textOrNull(news(1, maps[1].value(typed(3), typed(3)))));
                q.setParam(QStringLiteral("O1"), typed(1));
                q.setParam(QStringLiteral("O2"), typed(3));
                q.exec();
            }
            return;
        }
        for (int c = 0; c < 5; ++c) {
            if (order[c].isEmpty())
                continue;
            if (inPlace && byExpression[c] >= 0) {
                const Step& step = kSteps[byExpression[c]];
                const QString search = QStringLiteral("cast(:S as varchar(255))");
                const QString by = inserted(step.replace).isEmpty() ? QStringLiteral("''")
                                                                    : QStringLiteral("cast(:R as varchar(255))");
                const QString member = QLatin1String(kColumns[c].member);
                for (const auto& [table, isMember] : tables) {
                    const QString col = isMember ? member : QLatin1String(kColumns[c].schedule);
                    if (!isMember) {
                        // Schedule rows follow the members' old values: the few that hold
                        // the search text and one of those values, by their pairs.
                        q.setSql(QStringLiteral("select distinct %1 from %2 where position(%3 in %1)>0")
                                     .arg(col, table, search) +
                                 limit);
                        q.setParam(QStringLiteral("S"), typed(step.search));
                        q.open();
                        QStringList olds;
                        QHash<QString, QString> map;
                        for (q.first(); !q.eof(); q.next())
                            if (const QString v = valueText(q.value(0)); maps[c].contains(v)) {
                                olds << v;
                                map.insert(v, news(c, maps[c].value(v)));
                            }
                        q.close();
                        if (olds.isEmpty())
                            continue;
                        q.run(QStringLiteral("delete from ") + kMapTable);
                        fillMap(q, olds, map);
                        q.run({QStringLiteral("UPDATE %1 set %2=(select first 1 NEW_V from %3 where OLD_V=%1.%2)")
                                   .arg(table, col, kMapTable),
                               QStringLiteral("where %1 in (select OLD_V from %2)").arg(col, kMapTable) + limit});
                        continue;
                    }
                    q.setSql({QStringLiteral("UPDATE %1 set %2=nullif(overlay(%2 placing %3 from position(%4 in %2) "
                                             "for char_length(%4)),'')")
                                  .arg(table, col, by, search),
                              QStringLiteral("where position(%1 in %2)>0").arg(search, col) + limit});
                    q.setParam(QStringLiteral("S"), typed(step.search));
                    if (!inserted(step.replace).isEmpty())
                        q.setParam(QStringLiteral("R"), inserted(step.replace));
                    q.exec();
                }
                continue;
            }
            QHash<QString, QString> map;
            for (const QString& old : std::as_const(order[c]))
                map.insert(old, news(c, maps[c].value(old)));
            q.run(QStringLiteral("delete from ") + kMapTable);
            fillMap(q, order[c], map);
            for (const auto& [table, member] : tables) {
                const QString col = QLatin1String(member ? kColumns[c].member : kColumns[c].schedule);
                q.run({QStringLiteral("UPDATE %1 set %2=(select first 1 NEW_V from %3 where OLD_V=%1.%2)")
                           .arg(table, col, kMapTable),
                       QStringLiteral("where %1 in (select OLD_V from %2)").arg(col, kMapTable) + limit});
            }
        }
    };

    // The members changed are those of the category the list was loaded from;
    // after the change the list stands for the product's rows as they are then.
    ListOrigin origin = m_loads.origin(Tab::Member);
    try {
        if (anyChange && !pair)
            ensureMapTable(product);
        product.transaction().runWhole([&] {
            ListGuard::verify(product, Tab::Member, origin);
            inPlace = inPlace && listIsProductCopy(product, listColumns, list.rows(), majorCode, middleCode);
            if (anyChange)
                change(product, {{QStringLiteral("MAS_SIAGE02"), false}, {QStringLiteral("MAS_BUZAI"), true}},
                       QStringLiteral("BL_kubun=%1 and BM_kubun=%2").arg(majorCode).arg(middleCode),
                       [](int, const QString& value) { return value; });
            if (origin.known)
                origin = ListGuard::read(product, Tab::Member, origin, false);
        });
    } catch (const StaleList& stale) {
        m_screen.confirmation().ask(Confirmation::Notice, ListGuard::staleToolMessage(Tab::Member, stale.change));
        reopenMembers();
        return false;
    } catch (...) {
        reopenMembers();
        throw;
    }
    if (inPlace && anyChange) {
        try {
            bool byPairs = false;
            for (int c = 0; c < 5; ++c)
                byPairs = byPairs || (!order[c].isEmpty() && byExpression[c] < 0);
            if (!pair && byPairs)
                ensureMapTable(work);
            work.transaction().runWhole([&] {
                change(work, {{QStringLiteral("BUZAI_S"), true}}, QString(),
                       [](int c, const QString& value) { return asLoaded(c, value).toString(); });
            });
        } catch (const DbError&) {
            inPlace = false; // the load brings the same rows
        }
    }
    if (inPlace) {
        m_loads.setOrigin(Tab::Member, origin);
        work.transaction().restart();
        bu.open();
        return true;
    }
    // The list shows the product's members again.
    m_dm.conn.IBTransaction4().restart();
    m_loads.Button4Click();
    return true;
}
