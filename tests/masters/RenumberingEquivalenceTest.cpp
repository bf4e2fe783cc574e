#include "RegistrationRig.h"
#include "RegistrationSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

// Random product databases and category grids: the one-statement renumbering
// must leave every product table exactly as the row-by-row updates do.
class RenumberingEquivalence : public ::testing::Test {
protected:
    RegistrationRig rig;

    struct Scenario {
        QStringList product;
        QStringList work;
    };

    static QString orNull(std::mt19937& rnd, int value, int nullOneIn = 8)
    {
        return rnd() % nullOneIn == 0 ? QString("null") : QString::number(value);
    }

    static Scenario generate(unsigned seed, bool middle)
    {
        std::mt19937 rnd(seed);
        const auto pick = [&](int lo, int hi) { return lo + int(rnd() % unsigned(hi - lo + 1)); };
        const auto sample = [&](int lo, int hi, int count) {
            std::vector<int> all;
            for (int v = lo; v <= hi; ++v)
                all.push_back(v);
            std::shuffle(all.begin(), all.end(), rnd);
            all.resize(std::min<size_t>(all.size(), size_t(count)));
            return all;
        };
        Scenario s;
        const std::vector<int> majors = sample(-2, 10, pick(2, 6));
        std::map<int, std::vector<int>> middles;
        int cnt = 0;
        for (int bl : majors) {
            s.product << QString("insert into MAS_KOUSYU_01 (CNT,BL_kubun,NAME01) values (%1,%2,'L%2')").arg(++cnt).arg(bl);
            middles[bl] = sample(-1, 6, pick(1, 4));
            for (int bm : middles[bl])
                s.product << QString("insert into MAS_KOUSYU_02 (CNT,BL_kubun,BM_kubun,NAME01) values "
                                     "(%1,%2,%3,'M%2-%3')")
                                 .arg(++cnt)
                                 .arg(bl)
                                 .arg(bm);
        }
        const auto major = [&] { return rnd() % 4 == 0 ? pick(-3, 12) : majors[rnd() % majors.size()]; };
        for (int i = 0; i < 30; ++i)
            s.product << QString("insert into MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01,KU_KAMOKU) values "
                                 "(%1,%2,%3,'B%3',%4)")
                             .arg(orNull(rnd, major()))
                             .arg(orNull(rnd, pick(-1, 7)))
                             .arg(i)
                             .arg(pick(1, 9));
        for (int i = 0; i < 15; ++i) {
            const QString bui = rnd() % 3 == 0 ? QString::number(pick(1, 9)) : orNull(rnd, -pick(1, 1299));
            s.product << QString("insert into MAS_SIAGE02 (BUI,BANGOU,BL_kubun,BM_kubun,KOUSYU) values (%1,%2,%3,%4,%5)")
                             .arg(bui)
                             .arg(i)
                             .arg(orNull(rnd, major()))
                             .arg(orNull(rnd, pick(-1, 7)))
                             .arg(orNull(rnd, pick(0, 1299)));
            s.product << QString("insert into DAT_SIAGE02 (ID,BL_kubun,BM_kubun,BUI,KOUSYU) values (%1,%2,%3,%4,%5)")
                             .arg(i)
                             .arg(orNull(rnd, major()))
                             .arg(orNull(rnd, pick(-1, 7)))
                             .arg(bui)
                             .arg(orNull(rnd, pick(0, 1299)));
            s.product << QString("insert into DAT_JIKKOU_MEISAI (ID,L_kubun,M_kubun) values (%1,%2,%3)")
                             .arg(i)
                             .arg(orNull(rnd, major()))
                             .arg(orNull(rnd, pick(-1, 7)));
            s.product << QString("insert into DAT_MITUMORI_M (ID,BL_kubun,BM_kubun) values (%1,%2,%3)")
                             .arg(i)
                             .arg(orNull(rnd, major()))
                             .arg(orNull(rnd, pick(-1, 7)));
            s.product << QString("insert into DAT_MEISAI03 (ID,KU_KOUSYU) values (%1,%2)")
                             .arg(i)
                             .arg(orNull(rnd, major() * 100 + pick(0, 9)));
            s.product << QString("insert into DAT_JIKKOU (ID,KOUSYU,T_CD_2) values (%1,%2,%1)")
                             .arg(i)
                             .arg(orNull(rnd, major() * 100 + pick(0, 9)));
        }

        // The grid: the loaded codes reordered, some removed, some added, and the
        // odd code a grid can hold (0, empty, negative, a duplicate).
        const int bl = majors[rnd() % majors.size()];
        std::vector<int> codes = middle ? middles[bl] : majors;
        std::shuffle(codes.begin(), codes.end(), rnd);
        std::vector<QString> grid;
        int highest = 0;
        for (int c : codes) {
            highest = std::max(highest, c);
            if (rnd() % 5 != 0)
                grid.push_back(QString::number(c));
        }
        for (int added = pick(0, 2); added > 0; --added)
            grid.insert(grid.begin() + int(rnd() % (grid.size() + 1)), QString::number(++highest));
        if (rnd() % 3 == 0 && !grid.empty())
            grid.push_back(grid[rnd() % grid.size()]);
        if (rnd() % 3 == 0)
            grid.insert(grid.begin() + int(rnd() % (grid.size() + 1)), QString::number(-pick(1, 3)));
        if (rnd() % 4 == 0)
            grid.push_back(rnd() % 2 ? QString("0") : QString("null"));

        if (middle)
            s.work << QString("insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (1,%1,'L')").arg(bl);
        static const char* accounts[] = {"null", "50", "100", "101", "300", "599", "600"};
        for (size_t i = 0; i < grid.size(); ++i) {
            const QString name = rnd() % 10 == 0 ? QString("null") : QString("'N%1'").arg(i);
            if (middle)
                s.work << QString("insert into BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01,KU_KAMOKU) values "
                                  "(%1,%2,%3,%4,%5)")
                              .arg(i + 1)
                              .arg(bl)
                              .arg(grid[i], name, accounts[rnd() % 7]);
            else
                s.work << QString("insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (%1,%2,%3)")
                              .arg(i + 1)
                              .arg(grid[i], name);
        }
        return s;
    }

    QString runWith(const Scenario& s, bool middle, RenumberStrategy strategy)
    {
        rig.clearAll();
        rig.product(s.product);
        rig.work(s.work);
        rig.openDatasets();
        rig.tab = middle ? MasterTab::Middle : MasterTab::Major;
        rig.command->workTypes().setRenumberStrategy(std::move(strategy));
        rig.command->SB03Click();
        return rig.dumpProduct();
    }
};

// Maps every old code straight to its first position, blind to chains.
RenumberStrategy renumberIgnoringChains()
{
    return [](Query& q, const QVector<RenumberTarget>& targets, const QVector<CodeStep>& steps) {
        QStringList cases, keys;
        for (const CodeStep& s : steps) {
            if (keys.contains(QString::number(s.oldCode)))
                continue;
            keys << QString::number(s.oldCode);
            cases << QString("WHEN %1 THEN %2").arg(s.oldCode).arg(s.position);
        }
        if (keys.isEmpty())
            return;
        for (const RenumberTarget& t : targets)
            Registration::run(q, QString("UPDATE %1 set %2=CASE %2 %3 END where %4%2 IN (%5)")
                                     .arg(t.table, t.column, cases.join(' '),
                                          t.scope.isEmpty() ? QString() : t.scope + " and ", keys.join(',')));
    };
}

// The random grids must reach the cases where the simple mapping goes wrong, or
// the comparison above proves little.
TEST_F(RenumberingEquivalence, RandomGridsContainChains)
{
    rig.addJikkouColumns();
    int differing = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        const Scenario s = generate(seed, false);
        if (runWith(s, false, renumberIgnoringChains()) != runWith(s, false, renumberRowByRow()))
            ++differing;
    }
    EXPECT_GT(differing, 0);
}

TEST_F(RenumberingEquivalence, OneStatementPerTableEqualsRowByRow)
{
    rig.addJikkouColumns();
    for (unsigned seed = 1; seed <= 40; ++seed) {
        for (bool middle : {false, true}) {
            for (bool convert : {true, false}) {
                SCOPED_TRACE(QString("seed %1 %2 convert %3").arg(seed).arg(middle ? "middle" : "major").arg(convert).toStdString());
                rig.convertDetails = convert;
                const Scenario s = generate(seed, middle);
                const QString fast = runWith(s, middle, renumberPerTable());
                const QString reference = runWith(s, middle, renumberRowByRow());
                ASSERT_EQ(fast.toStdString(), reference.toStdString());
            }
        }
    }
}

} // namespace
