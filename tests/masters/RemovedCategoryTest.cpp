#include "Query.h"
#include "RegistrationRig.h"
#include "RenumberingCounts.h"

#include <gtest/gtest.h>

#include <QHash>
#include <QSet>

#include <array>
#include <optional>
#include <random>
#include <tuple>

namespace {

using Code = std::optional<int>;

Code packed(Code major, Code middle)
{
    return major && middle ? Code(*major * 100 + *middle) : std::nullopt;
}
Code negated(Code c)
{
    return c ? Code(-*c) : std::nullopt;
}
QString sql(Code c)
{
    return c ? QString::number(*c) : QString("null");
}

// The tables whose rows refer to a middle category. Columns: id, major, middle,
// then the packed code and BUI (its negation) where the table has them; the other
// programs read the packed code where `readsPacked`.
struct Referrer {
    const char* table;
    const char* columns;
    bool readsPacked;
    enum { Kept, Deleted, KeptOrDeleted } gone; // the rows of a removed category
};
const Referrer kReferrers[] = {
    {"DAT_MEISAI03", "ID,L_kubun,M_kubun,KU_KOUSYU", true, Referrer::Kept},
    {"DAT_JIKKOU", "ID,L_KUBUN,M_KUBUN,KOUSYU", true, Referrer::Kept},
    {"DAT_JIKKOU_MEISAI", "ID,L_kubun,M_kubun", false, Referrer::Kept},
    {"DAT_MITUMORI_M", "ID,BL_kubun,BM_kubun", false, Referrer::Kept},
    {"DAT_SIAGE02", "ID,BL_kubun,BM_kubun,KOUSYU,BUI", false, Referrer::Kept},
    // Deleted with their major, kept without category when their middle goes.
    {"MAS_SIAGE02", "BANGOU,BL_kubun,BM_kubun,KOUSYU,BUI", false, Referrer::KeptOrDeleted},
    {"MAS_BUZAI", "BS_kubun,BL_kubun,BM_kubun", false, Referrer::Deleted},
};

// Categories, and rows in every referring table that remember the middle category
// they were made under. Grids are registered by category names; afterwards every
// row must read as its own category while that exists, and as none once it is gone.
class CategoryHistory {
public:
    struct Category {
        QString name;
        int code;
        QList<Category> middles;
    };

    CategoryHistory(RegistrationRig& rig, const QList<Category>& majors) : m_rig(rig), m_majors(majors) {}

    void addRow(const QString& middle)
    {
        for (const Category& m : std::as_const(m_majors))
            for (const Category& c : m.middles)
                if (c.name == middle)
                    m_rows.append({int(m_rows.size()) + 1, middle, m.code, c.code});
    }
    // A row without category from the start, as older versions left them.
    void addLeftover(Code major, Code middle) { m_rows.append({int(m_rows.size()) + 1, {}, major, middle}); }

    void write()
    {
        QStringList s;
        for (const Category& m : std::as_const(m_majors)) {
            s << QString("insert into MAS_KOUSYU_01 (CNT,BL_kubun,NAME01) values (%1,%1,'%2')").arg(m.code).arg(m.name);
            for (const Category& c : m.middles)
                s << QString("insert into MAS_KOUSYU_02 (CNT,BL_kubun,BM_kubun,NAME01) values (%1,%2,%1,'%3')")
                         .arg(c.code)
                         .arg(m.code)
                         .arg(c.name);
        }
        for (const Row& r : std::as_const(m_rows)) {
            const QString p = sql(packed(r.major, r.middle)), bui = sql(negated(packed(r.major, r.middle)));
            const QString id = QString::number(r.id);
            const QString codes = QStringList{id, sql(r.major), sql(r.middle)}.join(',');
            s << QString("insert into DAT_MEISAI03 (ID,KU_KOUSYU) values (%1,%2)").arg(id, p)
              << QString("insert into DAT_JIKKOU (ID,KOUSYU,T_CD_2) values (%1,%2,0)").arg(id, p)
              << QString("insert into DAT_JIKKOU_MEISAI values (%1)").arg(codes)
              << QString("insert into DAT_MITUMORI_M (ID,BL_kubun,BM_kubun) values (%1)").arg(codes);
            for (const char* into : {"DAT_SIAGE02 (ID,", "MAS_SIAGE02 (BANGOU,"})
                s << QString("insert into %1BL_kubun,BM_kubun,KOUSYU,BUI) values (%2,%3,%4)").arg(into, codes, p, bui);
            s << QString("insert into MAS_BUZAI (BS_kubun,BL_kubun,BM_kubun,NAME01) values (%1,'B')").arg(codes);
        }
        m_rig.product(s);
        m_rig.addJikkouColumns();
    }

    QStringList names(const QString& major = {}) const
    {
        QStringList out;
        for (const Category& c : major.isEmpty() ? m_majors : m_majors.at(indexOf(major)).middles)
            out << c.name;
        return out;
    }

    // The major grid (`major` empty) or the middle grid of `major`, in this order;
    // names not in the master are added with the next free code.
    void registerGrid(const QString& major, const QStringList& order)
    {
        const bool middle = !major.isEmpty();
        Category* owner = middle ? &m_majors[indexOf(major)] : nullptr;
        const QList<Category> before = middle ? owner->middles : m_majors;
        int next = 1;
        for (const Category& c : before)
            next = std::max(next, c.code + 1);
        QStringList rows = {"delete from BUZAI_DAI", "delete from BUZAI_CHU"};
        if (middle)
            rows << QString("insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (1,%1,'%2')")
                        .arg(owner->code)
                        .arg(major);
        QList<Category> after;
        for (int i = 0; i < order.size(); ++i) {
            const auto was =
                std::find_if(before.cbegin(), before.cend(), [&](const Category& c) { return c.name == order[i]; });
            const QString code = QString::number(was != before.cend() ? was->code : next++);
            rows << (middle ? QString("insert into BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01) values (%1,%2,%3,'%4')")
                                  .arg(i + 1)
                                  .arg(owner->code)
                                  .arg(code, order[i])
                            : QString("insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (%1,%2,'%3')")
                                  .arg(i + 1)
                                  .arg(code, order[i]));
            after.append({order[i], i + 1, was != before.cend() ? was->middles : QList<Category>{}});
        }
        for (const Category& c : before)
            if (!order.contains(c.name)) {
                m_gone << c.name;
                for (const Category& m : c.middles)
                    m_gone << m.name;
            }
        m_rig.work(rows);
        // What the registration was told it would do is what it does.
        const RenumberingCounts counts(m_rig);
        m_rig.questions.outlines.clear();
        const Tab tab = middle ? Tab::Middle : Tab::Major;
        m_rig.registerTab(tab);
        expectOutlineDone(m_rig.questions.outlines.value(0), counts, RenumberingCounts(m_rig), tab);
        (middle ? owner->middles : m_majors) = after;
        m_log << (middle ? major + ": " : QString()) + order.join(',');
    }

    void expectRowsKeepTheirCategory()
    {
        SCOPED_TRACE(m_log.join(" / ").toStdString());
        QHash<QPair<int, int>, QString> middles;
        Rows masters;
        for (const Category& m : std::as_const(m_majors)) {
            const QString major = QString("%1|%2|").arg(m.code).arg(m.name);
            if (m.middles.isEmpty())
                masters << major + "∅|∅";
            for (const Category& c : m.middles) {
                middles.insert({m.code, c.code}, c.name);
                masters << major + QString("%1|%2").arg(c.code).arg(c.name);
            }
        }
        ASSERT_EQ(m_rig.productRows("select k1.BL_kubun, k1.NAME01, k2.BM_kubun, k2.NAME01 from MAS_KOUSYU_01 k1 left "
                                    "join MAS_KOUSYU_02 k2 on k2.BL_kubun=k1.BL_kubun order by k1.CNT, k2.CNT"),
                  masters);
        const auto nameOf = [&](Code major, Code middle) {
            return major && middle ? middles.value({*major, *middle}) : QString();
        };

        m_rig.conn.IBTransaction1().commitAndRestart();
        for (const Referrer& t : kReferrers) {
            Query q(&m_rig.conn.IBDatabase1);
            q.setSql(QString("select %1 from %2").arg(t.columns, t.table));
            q.open();
            const int columns = int(q.fieldNames().size());
            QHash<int, std::array<Code, 5>> now;
            for (; !q.eof(); q.next())
                for (int i = 1; i < columns; ++i)
                    now[q.value(0).toInt()][i] = q.value(i).isNull() ? std::nullopt : Code(q.value(i).toInt());
            for (const Row& r : std::as_const(m_rows)) {
                SCOPED_TRACE(QString("%1 row %2 of '%3'").arg(t.table).arg(r.id).arg(r.origin).toStdString());
                const bool gone = m_gone.contains(r.origin), live = !r.origin.isEmpty() && !gone;
                if (!now.contains(r.id)) {
                    EXPECT_TRUE(t.gone != Referrer::Kept && !live) << "row lost";
                    continue;
                }
                EXPECT_FALSE(gone && t.gone == Referrer::Deleted) << "row of a removed category kept";
                const auto [id, major, middle, pack, bui] = now.value(r.id);
                if (columns > 3) {
                    EXPECT_EQ(pack, packed(major, middle)) << "packed code and pair disagree";
                }
                if (columns > 4 && (t.gone == Referrer::Kept || bui.value_or(0) < 0)) {
                    EXPECT_EQ(bui, negated(pack));
                }
                const QString read =
                    t.readsPacked ? (pack ? nameOf(*pack / 100, *pack % 100) : QString()) : nameOf(major, middle);
                EXPECT_EQ(read, live ? r.origin : QString());

                // Once without category, in the one representation that nothing selects.
                const Code initial = packed(r.major, r.middle);
                const bool wasNegative =
                    t.readsPacked ? initial.value_or(0) < 0 : r.major.value_or(0) < 0 || r.middle.value_or(0) < 0;
                if ((gone || wasNegative) && t.gone != Referrer::Deleted) {
                    EXPECT_EQ(std::make_tuple(major, middle), std::make_tuple(Code(-32768), Code(-99)));
                    EXPECT_TRUE(columns < 4 || pack == Code(-3276899));
                }
                if (!r.major && !r.middle) {
                    EXPECT_TRUE(!major && !middle && !pack) << "NULL codes stay NULL";
                }
            }
        }
    }

private:
    struct Row {
        int id;
        QString origin; // empty: none
        Code major, middle;
    };

    int indexOf(const QString& major) const
    {
        for (int i = 0; i < m_majors.size(); ++i)
            if (m_majors[i].name == major)
                return i;
        return -1;
    }

    RegistrationRig& m_rig;
    QList<Category> m_majors;
    QList<Row> m_rows;
    QSet<QString> m_gone;
    QStringList m_log;
};

// 外壁工事 (major 6) is removed; registering again without an edit must not hand
// its estimate details to 基礎工事 (5) or to 木工事 (7, now 6). The same for a
// removed middle category, then with major and middle registrations interleaved.
TEST(RemovedCategory, StaysWithoutCategoryThroughLaterRegistrations)
{
    RegistrationRig rig;
    QList<CategoryHistory::Category> majors;
    for (const QString& name :
         QStringList{"仮設工事", "解体工事", "土工事", "地業工事", "基礎工事", "外壁工事", "木工事"}) {
        majors.append({name, int(majors.size()) + 1, {}});
        for (int bm = 1; bm <= 3; ++bm)
            majors.last().middles.append({QString("%1・%2").arg(name).arg(bm), bm, {}});
    }
    CategoryHistory h(rig, majors);
    for (const QString& major : QStringList{"基礎工事", "外壁工事", "木工事"})
        for (const QString& middle : QStringList{"・1", "・2", "・3"})
            h.addRow(major + middle); // ids 1 … 9
    // Left by older versions: a removed major (packed -599), a removed middle (packed
    // 697: major 6, middle 97), and a row without codes.
    h.addLeftover(-6, 1);
    h.addLeftover(7, -3);
    h.addLeftover(std::nullopt, std::nullopt);
    h.write();

    QStringList order = h.names();
    order.removeOne("外壁工事");
    const auto registerAndCheck = [&](const QString& major, const QStringList& grid) {
        h.registerGrid(major, grid);
        h.expectRowsKeepTheirCategory();
    };
    for (int round = 0; round < 3; ++round)
        registerAndCheck({}, order);
    for (int round = 0; round < 3; ++round)
        registerAndCheck("基礎工事", {"基礎工事・1", "基礎工事・3"});
    order.move(order.indexOf("木工事"), 0);
    registerAndCheck({}, order);
    registerAndCheck("木工事", {"木工事・3", "木工事・1"});
    registerAndCheck({}, order);
    registerAndCheck("基礎工事", {"基礎工事・1", "基礎工事・3"});
    registerAndCheck("木工事", {"木工事・1", "木工事・3"});
    // The schedule-master line of 基礎工事・2 (id 2) outlives the major registrations.
    EXPECT_EQ(rig.productRows("select BL_kubun, BM_kubun from MAS_SIAGE02 where BANGOU=2"), Rows{"-32768|-99"});
}

// Random removals, reorders and additions, major and middle registrations
// interleaved: no row ever moves to another category, and a row of a removed one
// never comes back to any.
TEST(RemovedCategory, RandomRegistrationsNeverMoveARow)
{
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        std::mt19937 rnd(seed);
        const auto chance = [&](int in) { return rnd() % unsigned(in) == 0; };
        const auto insertSomewhere = [&](QStringList& list, const QString& name) {
            list.insert(int(rnd() % unsigned(list.size() + 1)), name);
        };
        RegistrationRig rig;
        QList<CategoryHistory::Category> majors;
        QStringList middles;
        for (int i = 1, code = 0, n = 3 + int(rnd() % 3); i <= n; ++i) {
            code += 1 + int(rnd() % 3); // the master may have gaps
            majors.append({QString("大%1").arg(i), code, {}});
            for (int j = 1, bm = 0, k = 1 + int(rnd() % 4); j <= k; ++j) {
                bm += 1 + int(rnd() % 2);
                majors.last().middles.append({QString("中%1-%2").arg(i).arg(j), bm, {}});
                middles << majors.last().middles.last().name;
            }
        }
        CategoryHistory h(rig, majors);
        for (int i = 0; i < 12; ++i)
            h.addRow(middles[int(rnd() % middles.size())]);
        h.addLeftover(-2, 1);
        h.addLeftover(1, -1);
        h.addLeftover(0, 3);
        h.addLeftover(std::nullopt, std::nullopt);
        h.write();

        for (int step = 0, added = 0; step < 8 && !testing::Test::HasFailure(); ++step) {
            const QStringList majorNames = h.names();
            const QString major = chance(3) ? QString() : majorNames[int(rnd() % majorNames.size())];
            QStringList order;
            for (const QString& name : h.names(major))
                if (!chance(major.isEmpty() ? 5 : 4))
                    insertSomewhere(order, name);
            if (order.isEmpty() || chance(3))
                insertSomewhere(order, QString(major.isEmpty() ? "新大%1" : "新中%1").arg(++added));
            h.registerGrid(major, order);
            h.expectRowsKeepTheirCategory();
        }
    }
}

} // namespace
