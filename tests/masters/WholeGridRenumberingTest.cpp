#include "Query.h"
#include "RegistrationRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace {

QString n(int v)
{
    return QString::number(v);
}

// Categories `loaded` with rows in every referring table, and a grid of `grid`.
// Major registration gives each major two middles; middle registration works
// under major 1, with a second major whose rows must stay as they are.
void build(RegistrationRig& rig, bool middle, const std::vector<int>& loaded, const std::vector<int>& grid)
{
    QStringList product, work;
    const auto add = [&](const QString& into, const QStringList& values) {
        product << QString("insert into %1 values (%2)").arg(into, values.join(','));
    };
    QList<std::pair<int, int>> pairs;
    // Past a hundred categories one middle each is enough.
    const int middles = loaded.size() > 100 ? 1 : 2;
    for (int c : loaded)
        for (int m = 1; m <= middles; ++m)
            pairs.append(middle ? std::pair{m, c} : std::pair{c, m});
    int id = 0;
    for (const auto& [bl, bm] : pairs) {
        const QString packed = n(bl * 100 + bm);
        ++id;
        add("MAS_KOUSYU_02 (CNT,BL_kubun,BM_kubun,NAME01)", {n(id), n(bl), n(bm), "'M'"});
        add("MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01,KU_KAMOKU)", {n(bl), n(bm), n(id), "'B'", "7"});
        add("MAS_SIAGE02 (BUI,BANGOU,BL_kubun,BM_kubun,KOUSYU)",
            {id % 2 ? "-" + packed : "5", n(id), n(bl), n(bm), packed});
        add("DAT_SIAGE02 (ID,BL_kubun,BM_kubun,BUI,KOUSYU)", {n(id), n(bl), n(bm), "-" + packed, packed});
        add("DAT_JIKKOU_MEISAI (ID,L_kubun,M_kubun)", {n(id), n(bl), n(bm)});
        add("DAT_MITUMORI_M (ID,BL_kubun,BM_kubun)", {n(id), n(bl), n(bm)});
        add("DAT_MEISAI03 (ID,KU_KOUSYU)", {n(id), packed});
        add("DAT_JIKKOU (ID,KOUSYU,T_CD_2)", {n(id), packed, n(id)});
    }
    for (int c : middle ? std::vector<int>{1, 2} : loaded)
        add("MAS_KOUSYU_01 (CNT,BL_kubun,NAME01)", {n(c), n(c), "'L'"});

    if (middle)
        work << "insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (1,1,'L')";
    for (int i = 0; i < int(grid.size()); ++i)
        work << (middle ? QString("insert into BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01,KU_KAMOKU) "
                                  "values (%1,1,%2,'N',%3)")
                              .arg(i + 1)
                              .arg(grid[size_t(i)])
                              .arg(i % 3 ? "null" : "300")
                        : QString("insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (%1,%2,'N')")
                              .arg(i + 1)
                              .arg(grid[size_t(i)]));
    rig.clearAll();
    rig.product(product);
    rig.work(work);
}

// renumberPerTable() is fused; wrapped, the same statements take the unfused path:
// sign marking and repacking as the steps do them, the renumbering one UPDATE per
// table (an IN list, or a range beyond 1,000 codes).
RenumberStrategy perTableStatements()
{
    return [](Query& q, const QVector<RenumberTarget>& targets, const QVector<CodeStep>& steps) {
        renumberPerTable()(q, targets, steps);
    };
}

std::vector<int> range(int from, int to)
{
    std::vector<int> v(size_t(to - from + 1));
    std::iota(v.begin(), v.end(), from);
    return v;
}

// Grids the random equivalence test rarely draws: the fused statements, the
// per-table statements and the row-by-row steps must leave the same tables.
TEST(WholeGridRenumbering, FusedAndPerTableEqualRowByRow)
{
    struct Case {
        const char* name;
        bool middle;
        std::vector<int> loaded, grid;
    };
    std::vector<int> reversed = range(1, 9);
    std::reverse(reversed.begin(), reversed.end());
    std::vector<int> withoutFour = range(1, 7);
    withoutFour.erase(withoutFour.begin() + 3);
    // Past 1,000 codes the per-table statement selects its rows by a range.
    std::vector<int> many = range(1, 1100);
    std::rotate(many.begin(), many.begin() + 700, many.end());
    const Case cases[] = {
        {"every major moves", false, range(1, 9), reversed},
        {"every middle moves", true, range(1, 9), reversed},
        {"major removed in the middle", false, range(1, 7), withoutFour},
        {"middle removed in the middle", true, range(1, 7), withoutFour},
        {"1,100 majors", false, range(1, 1100), many},
    };
    RegistrationRig rig;
    rig.addJikkouColumns();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString reference;
        for (auto strategy : {renumberRowByRow(), renumberPerTable(), perTableStatements()}) {
            build(rig, c.middle, c.loaded, c.grid);
            rig.command->workTypes().setRenumberStrategy(strategy);
            rig.confirm.messages.clear();
            rig.registerTab(c.middle ? Tab::Middle : Tab::Major);
            ASSERT_TRUE(rig.confirm.messages.contains("登録しました。"));
            const QString dump = rig.dumpProduct();
            if (reference.isEmpty())
                reference = dump;
            else
                EXPECT_EQ(dump.toStdString(), reference.toStdString());
        }
        // The removed category's rows read as no category; the others as their own.
        if (c.grid.size() < c.loaded.size()) {
            const QString gone = "L_kubun=-32768 and M_kubun=-99 and KU_KOUSYU=-3276899";
            EXPECT_EQ(rig.productRows("select count(*) from DAT_MEISAI03 where " + gone), Rows{c.middle ? "1" : "2"});
            EXPECT_EQ(rig.productRows("select count(*) from MAS_BUZAI where BL_kubun<0 or BM_kubun<0"), Rows{"0"});
        } else {
            // The row made under category 1 follows it to its place in the grid.
            const int at = int(std::find(c.grid.begin(), c.grid.end(), 1) - c.grid.begin()) + 1;
            const QString first = QString("KU_KOUSYU=%1").arg(c.middle ? 100 + at : at * 100 + 1);
            EXPECT_EQ(rig.productRows("select count(*) from DAT_MEISAI03 where ID=1 and " + first), Rows{"1"});
        }
    }
}

} // namespace
