#include "Database.h"
#include "OtherAttachments.h"
#include "Query.h"
#include "RegistrationRig.h"
#include "TestServer.h"

#include <gtest/gtest.h>

#include <QHash>
#include <QSet>

#include <algorithm>
#include <array>
#include <numeric>
#include <optional>
#include <random>
#include <tuple>

namespace {

const auto n = [](int v) { return QString::number(v); };
const auto add = [](QStringList& to, const char* into, const QStringList& values) {
    to << inserts(into, {values.join(',')});
};

// A product database and a major grid, or a middle grid under one major.
struct Scenario {
    QStringList product, work;
    bool middle;
};

// A random product database and a category grid made from its codes.
Scenario generate(unsigned seed, bool middle)
{
    std::mt19937 rnd(seed);
    const auto pick = [&](int lo, int hi) { return lo + int(rnd() % unsigned(hi - lo + 1)); };
    const auto orNull = [&](int v) { return rnd() % 8 == 0 ? QString("null") : n(v); };
    const auto sample = [&](int lo, int hi, int count) {
        std::vector<int> all(size_t(hi - lo + 1));
        std::iota(all.begin(), all.end(), lo);
        std::shuffle(all.begin(), all.end(), rnd);
        all.resize(std::min<size_t>(all.size(), size_t(count)));
        return all;
    };
    // Braced lists evaluate in order, so a seed always gives the same rows.
    Scenario s{{}, {}, middle};
    // Past eight changing codes the lookup splits into a search tree.
    const std::vector<int> majors = sample(-2, 24, pick(2, 16));
    std::map<int, std::vector<int>> middles;
    int cnt = 0;
    for (int bl : majors) {
        add(s.product, "MAS_KOUSYU_01 (CNT,BL_kubun,NAME01)", {n(++cnt), n(bl), "'L'"});
        middles[bl] = sample(-1, 6, pick(1, 4));
        for (int bm : middles[bl])
            add(s.product, "MAS_KOUSYU_02 (CNT,BL_kubun,BM_kubun,NAME01)", {n(++cnt), n(bl), n(bm), "'M'"});
    }
    const auto major = [&] { return rnd() % 4 == 0 ? pick(-3, 12) : majors[rnd() % majors.size()]; };
    const auto packed = [&] {
        const int bl = major();
        return orNull(bl * 100 + pick(0, 9));
    };
    for (int i = 0; i < 30; ++i)
        add(s.product, "MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01,KU_KAMOKU)",
            {orNull(major()), orNull(pick(-1, 7)), n(i), "'B'", n(pick(1, 9))});
    for (int i = 0; i < 15; ++i) {
        const QString bui = rnd() % 3 == 0 ? n(pick(1, 9)) : orNull(-pick(1, 1299));
        add(s.product, "MAS_SIAGE02 (BUI,BANGOU,BL_kubun,BM_kubun,KOUSYU)",
            {bui, n(i), orNull(major()), orNull(pick(-1, 7)), orNull(pick(0, 1299))});
        add(s.product, "DAT_SIAGE02 (ID,BL_kubun,BM_kubun,BUI,KOUSYU)",
            {n(i), orNull(major()), orNull(pick(-1, 7)), bui, orNull(pick(0, 1299))});
        for (const char* into : {"DAT_JIKKOU_MEISAI (ID,L_kubun,M_kubun)", "DAT_MITUMORI_M (ID,BL_kubun,BM_kubun)"})
            add(s.product, into, {n(i), orNull(major()), orNull(pick(-1, 7))});
        add(s.product, "DAT_MEISAI03 (ID,KU_KOUSYU)", {n(i), packed()});
        add(s.product, "DAT_JIKKOU (ID,KOUSYU,T_CD_2)", {n(i), packed(), n(i)});
    }

    // The grid: the loaded codes reordered, some removed, some added, and the
    // odd code a grid can hold (0, empty, negative, a duplicate). Middles are
    // registered under a live major: one coded below 1 is refused.
    int bl = majors[rnd() % majors.size()];
    if (middle && bl <= 0)
        bl = std::max(1, *std::max_element(majors.begin(), majors.end()));
    std::vector<int> codes = middle ? middles[bl] : majors;
    std::shuffle(codes.begin(), codes.end(), rnd);
    std::vector<QString> grid;
    int highest = 0;
    for (int c : codes) {
        highest = std::max(highest, c);
        if (rnd() % 5 != 0)
            grid.push_back(n(c));
    }
    for (int added = pick(0, 2); added > 0; --added)
        grid.insert(grid.begin() + int(rnd() % (grid.size() + 1)), n(++highest));
    if (rnd() % 3 == 0 && !grid.empty())
        grid.push_back(grid[rnd() % grid.size()]);
    if (rnd() % 3 == 0)
        grid.insert(grid.begin() + int(rnd() % (grid.size() + 1)), n(-pick(1, 3)));
    if (rnd() % 4 == 0)
        grid.push_back(rnd() % 2 ? QString("0") : QString("null"));
    if (grid.empty())
        grid.push_back(n(++highest));

    if (middle)
        add(s.work, "BUZAI_DAI (CNT,BL_kubun,NAME01)", {"1", n(bl), "'L'"});
    static const char* accounts[] = {"null", "50", "100", "101", "300", "599", "600"};
    bool named = false; // a grid that names nothing is refused
    for (int i = 0; i < int(grid.size()); ++i) {
        const bool unnamed = rnd() % 10 == 0 && (named || i + 1 < int(grid.size()));
        const QString name = unnamed ? QString("null") : QString("'N%1'").arg(i);
        named = named || !unnamed;
        if (middle)
            add(s.work, "BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01,KU_KAMOKU)",
                {n(i + 1), n(bl), grid[i], name, accounts[rnd() % 7]});
        else
            add(s.work, "BUZAI_DAI (CNT,BL_kubun,NAME01)", {n(i + 1), grid[i], name});
    }
    return s;
}

// The product tables after registering `s` on emptied databases with `strategy`.
QString registered(RegistrationRig& rig, const Scenario& s, RenumberStrategy strategy)
{
    rig.clearAll();
    rig.product(s.product);
    rig.work(s.work);
    rig.command->workTypes().setRenumberStrategy(std::move(strategy));
    rig.confirm.messages.clear();
    rig.registerTab(s.middle ? Tab::Middle : Tab::Major);
    EXPECT_TRUE(rig.registered());
    return rig.dumpProduct();
}

// The one-statement renumbering must leave every product table exactly as the
// row-by-row updates do, on random databases and grids. Removed categories and
// negative codes of older versions included: marking rows without category is
// no part of the renumbering, so both strategies meet it alike.
TEST(RenumberingEquivalence, OneStatementPerTableEqualsRowByRow)
{
    RegistrationRig rig;
    rig.addJikkouColumns();
    for (unsigned seed = 1; seed <= 40; ++seed)
        for (bool middle : {false, true})
            for (bool convert : {true, false}) {
                SCOPED_TRACE(testing::Message()
                             << "seed " << seed << (middle ? " middle" : " major") << " convert " << convert);
                rig.screen.convertDetails = convert;
                const Scenario s = generate(seed, middle);
                const QString reference = registered(rig, s, renumberRowByRow());
                ASSERT_EQ(registered(rig, s, renumberPerTable()).toStdString(), reference.toStdString());
            }
}

QString describe(const RenumberingOutline& o)
{
    QStringList out;
    for (const RenumberingOutline::Code& c : o.codes)
        out << QString::asprintf("%s:%d>%d%s", qUtf8Printable(c.name), c.oldCode, c.newCode, c.added ? "+" : "");
    for (const RenumberingOutline::Gone& g : o.gone)
        out << QString::asprintf("-%s(%d) m%d b%d sd%d sk%d p%d", qUtf8Printable(g.name), g.code, g.middles, g.members,
                                 g.scheduleDeleted, g.scheduleKept, g.pastDetails);
    return out.join(' ');
}

// Another attachment to the product database is named and may stop the
// registration; the program's own connection is never counted. Here a second
// attachment of the test process plays the other program.
TEST(RenumberingPreview, OtherAttachmentsAskedFirst)
{
    RegistrationRig rig;
    rig.command->workTypes().setOwnAttachments(OwnAttachments::ListedOnly);
    rig.fillEveryTab(); // both grids renumber
    const QString before = rig.dumpProduct(true);
    rig.screen.convertDetails = false;
    const auto other = connectTestDatabase(rig.conn.IBDatabase1.databaseName(), "other");
    for (Tab tab : {Tab::Major, Tab::Middle}) {
        rig.questions = {};
        rig.questions.answers = {RenumberingQuestions::Stop};
        rig.registerTab(tab);
        ASSERT_EQ(rig.questions.othersShown.value(0).size(), 1);
        const OtherAttachment& a = rig.questions.othersShown.first().first();
        // Through a server the other program is named by its address; embedded, it is on this computer.
        EXPECT_EQ(a.host.isEmpty(), TestServer::ofRun() == nullptr) << a.host.toStdString();
        EXPECT_EQ(rig.dumpProduct(true), before);
    }
    // As the program counts them, every attachment of its own process is its own.
    EXPECT_TRUE(otherAttachments(rig.conn.IBDatabase1, {}, OwnAttachments::ThisProcess).isEmpty());

    rig.questions = {};
    rig.registerTab(Tab::Major);
    EXPECT_EQ(rig.productRows("select BL_kubun, NAME01 from MAS_KOUSYU_01 order by CNT"), (Rows{"1|M2", "2|M1"}));
}

using Code = std::optional<int>;

const auto packed = [](Code major, Code middle) {
    return major && middle ? Code(*major * 100 + *middle) : std::nullopt;
};
const auto sql = [](Code c) { return c ? QString::number(*c) : QString("null"); };

// The tables whose rows refer to a middle category. Columns: id, major, middle,
// then the packed code and BUI (its negation) where the table has them; the other
// programs read the packed code where `readsPacked`.
const struct Referrer {
    const char* table;
    const char* columns;
    bool readsPacked;
    enum { Kept, Deleted, KeptOrDeleted } gone; // the rows of a removed category
} kReferrers[] = {
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
            s << inserts("MAS_KOUSYU_01 (CNT,BL_kubun,NAME01)", {QString("%1,%1,'%2'").arg(m.code).arg(m.name)});
            for (const Category& c : m.middles)
                s << inserts("MAS_KOUSYU_02 (CNT,BL_kubun,BM_kubun,NAME01)",
                             {QString("%1,%2,%1,'%3'").arg(c.code).arg(m.code).arg(c.name)});
        }
        for (const Row& r : std::as_const(m_rows)) {
            const Code p = packed(r.major, r.middle);
            const QString id = QString::number(r.id), codes = QStringList{id, sql(r.major), sql(r.middle)}.join(',');
            const QString withPacked = codes + ',' + sql(p) + ',' + sql(p ? Code(-*p) : p);
            s << inserts("DAT_MEISAI03 (ID,KU_KOUSYU)", {id + ',' + sql(p)})
              << inserts("DAT_JIKKOU (ID,KOUSYU,T_CD_2)", {id + ',' + sql(p) + ",0"})
              << inserts("DAT_JIKKOU_MEISAI", {codes}) << inserts("DAT_MITUMORI_M (ID,BL_kubun,BM_kubun)", {codes})
              << inserts("DAT_SIAGE02 (ID,BL_kubun,BM_kubun,KOUSYU,BUI)", {withPacked})
              << inserts("MAS_SIAGE02 (BANGOU,BL_kubun,BM_kubun,KOUSYU,BUI)", {withPacked})
              << inserts("MAS_BUZAI (BS_kubun,BL_kubun,BM_kubun,NAME01)", {codes + ",'B'"});
        }
        m_rig.product(s);
        m_rig.addJikkouColumns();
    }

    // The major grid (`major` empty) or the middle grid of `major`, in this order;
    // names not in the master are added with the next free code. With `told`, the
    // outline is stopped once first, changing nothing, and must read so.
    void registerGrid(const QString& major, const QStringList& order, const QString& told = {})
    {
        const bool middle = !major.isEmpty();
        const auto owner = std::find_if(m_majors.begin(), m_majors.end(), [&](auto& c) { return c.name == major; });
        const int majorCode = middle ? owner->code : 0;
        QList<Category>& level = middle ? owner->middles : m_majors;
        int next = 1;
        for (const Category& c : level)
            next = std::max(next, c.code + 1);
        QStringList rows = {"delete from BUZAI_DAI", "delete from BUZAI_CHU"};
        if (middle)
            rows << inserts("BUZAI_DAI (CNT,BL_kubun,NAME01)", {QString("1,%1,'%2'").arg(majorCode).arg(major)});
        QList<Category> after;
        for (int i = 0; i < order.size(); ++i) {
            const auto was =
                std::find_if(level.cbegin(), level.cend(), [&](const Category& c) { return c.name == order[i]; });
            const int code = was != level.cend() ? was->code : next++;
            const QString codes = middle ? QString("%1,%2").arg(majorCode).arg(code) : QString::number(code);
            rows << inserts(middle ? "BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01)" : "BUZAI_DAI (CNT,BL_kubun,NAME01)",
                            {QString("%1,%2,'%3'").arg(i + 1).arg(codes, order[i])});
            after.append({order[i], i + 1, was != level.cend() ? was->middles : QList<Category>{}});
        }
        for (const Category& c : level)
            if (!order.contains(c.name)) {
                m_gone << c.name;
                for (const Category& m : c.middles)
                    m_gone << m.name;
            }
        m_rig.work(rows);
        const Tab tab = middle ? Tab::Middle : Tab::Major;
        RecordingQuestions& q = m_rig.questions;
        q = {};
        if (!told.isEmpty()) {
            const QString before = m_rig.dumpProduct(true);
            m_rig.confirm.messages.clear();
            q.answers = {RenumberingQuestions::Stop};
            m_rig.registerTab(tab);
            EXPECT_EQ(m_rig.dumpProduct(true), before);
            EXPECT_FALSE(m_rig.registered() || m_rig.screen.hidden);
            ASSERT_EQ(q.outlines.size(), 1);
            EXPECT_EQ(describe(q.outlines.takeFirst()), told);
        }
        m_rig.registerTab(tab);
        level = after;
    }

    void expectRowsKeepTheirCategory()
    {
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
                    EXPECT_EQ(bui, pack ? Code(-*pack) : pack);
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

    RegistrationRig& m_rig;
    QList<Category> m_majors;
    QList<Row> m_rows;
    QSet<QString> m_gone;
};

// 外壁工事 (major 6) is removed; registering again without an edit must not hand
// its estimate details to 基礎工事 (5) or to 木工事 (12, now 6). The same for a
// removed middle category, then with major and middle registrations interleaved,
// categories added, codes with gaps and packed codes past 1,000. What the
// registration tells before it renumbers is what it does.
TEST(RemovedCategory, StaysWithoutCategoryThroughLaterRegistrations)
{
    RegistrationRig rig;
    QStringList order{"仮設工事", "解体工事", "土工事", "地業工事", "基礎工事", "外壁工事", "木工事"};
    QList<CategoryHistory::Category> majors;
    for (const QString& name : order) {
        majors.append({name, name == "木工事" ? 12 : int(majors.size()) + 1, {}});
        for (int bm : {1, 2, 4})
            majors.last().middles.append({QString("%1・%2").arg(name).arg(bm), bm, {}});
    }
    CategoryHistory h(rig, majors);
    for (const QString& major : QStringList{"基礎工事", "外壁工事", "木工事"})
        for (const QString& middle : QStringList{"・1", "・2", "・4"})
            h.addRow(major + middle); // ids 1 … 9
    // Left by older versions: a removed major (packed -599), a removed middle (packed
    // 797: major 7, middle 97), a major 0, and a row without codes.
    h.addLeftover(-6, 1);
    h.addLeftover(8, -3);
    h.addLeftover(0, 3);
    h.addLeftover(std::nullopt, std::nullopt);
    h.write();

    order.removeOne("外壁工事");
    const auto registerAndCheck = [&](const QString& major, const QStringList& grid, const QString& told = {}) {
        SCOPED_TRACE((major + ": " + grid.join(',')).toStdString());
        h.registerGrid(major, grid, told);
        h.expectRowsKeepTheirCategory();
    };
    registerAndCheck({}, order,
                     "仮設工事:1>1 解体工事:2>2 土工事:3>3 地業工事:4>4 基礎工事:5>5 木工事:12>6 -外壁工事(6) m3 b3 "
                     "sd3 sk3 p12 -(7) m0 b0 sd0 sk0 p2 -(8) m0 b1 sd0 sk0 p0 -(0) m0 b1 sd0 sk0 p0");
    registerAndCheck({}, order);
    registerAndCheck("基礎工事", {"基礎工事・1", "基礎工事・4"},
                     "基礎工事・1:1>1 基礎工事・4:4>2 -基礎工事・2(2) m0 b1 sd0 sk2 p4 -(0) m0 b1 sd0 sk0 p0");
    registerAndCheck("基礎工事", {"基礎工事・1", "基礎工事・4"});
    order.move(order.indexOf("木工事"), 0);
    order.insert(2, "新工事");
    registerAndCheck({}, order,
                     "木工事:6>1 仮設工事:1>2 新工事:7>3+ 解体工事:2>4 土工事:3>5 地業工事:4>6 基礎工事:5>7");
    registerAndCheck("木工事", {"木工事・4", "木工事・新", "木工事・1"});
    registerAndCheck({}, order);
    registerAndCheck("基礎工事", {"基礎工事・1", "基礎工事・4"});
    registerAndCheck("木工事", {"木工事・1", "木工事・4"});
    registerAndCheck("新工事", {"新工事・1"});
    // The schedule-master line of 基礎工事・2 (id 2) outlives the major registrations.
    EXPECT_EQ(rig.productRows("select BL_kubun, BM_kubun from MAS_SIAGE02 where BANGOU=2"), Rows{"-32768|-99"});
}

} // namespace
