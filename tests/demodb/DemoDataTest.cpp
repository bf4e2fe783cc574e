#include "DemoData.h"
#include "Database.h"
#include "DbError.h"
#include "Query.h"
#include "Schema.h"
#include "SjisCodec.h"
#include "TestDb.h"

#include <QFile>
#include <QMap>
#include <QSet>

#include <gtest/gtest.h>

namespace {

QVector<QVector<QVariant>> rowsOf(Database& db, const QString& sql)
{
    Query q(&db);
    q.setSql(sql);
    q.open();
    return q.rows();
}

int toInt(const QVariant& v)
{
    return v.toInt();
}

} // namespace

// One demo database serves the read-only checks.
class DemoDataTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = new TestFolder;
        buildDemoProductDatabase(folder->file("demo.fdb"));
        db = connectTestDatabase(folder->file("demo.fdb")).release();
    }
    static void TearDownTestSuite()
    {
        delete db;
        delete folder;
    }

    static QVector<QVector<QVariant>> rows(const QString& sql) { return rowsOf(*db, sql); }

    // Packed codes (major × 100 + middle) of the middle categories.
    static QSet<int> middles()
    {
        QSet<int> packed;
        for (const auto& r : rows("select BL_kubun, BM_kubun from MAS_KOUSYU_02"))
            packed.insert(toInt(r[0]) * 100 + toInt(r[1]));
        return packed;
    }

    static QSet<int> codes(const QString& sql)
    {
        QSet<int> set;
        for (const auto& r : rows(sql))
            set.insert(toInt(r[0]));
        return set;
    }

    static inline TestFolder* folder = nullptr;
    static inline Database* db = nullptr;
};

TEST_F(DemoDataTest, CategoryCodesAreDenseAndPositionsFollowThem)
{
    const auto majors = rows("select CNT, BL_kubun from MAS_KOUSYU_01 order by BL_kubun");
    ASSERT_GE(majors.size(), 8);
    for (int i = 0; i < majors.size(); ++i) {
        EXPECT_EQ(toInt(majors[i][1]), i + 1);
        EXPECT_EQ(toInt(majors[i][0]), i + 1);
    }

    const auto mids = rows("select CNT, BL_kubun, BM_kubun from MAS_KOUSYU_02 order by BL_kubun, BM_kubun");
    QMap<int, int> perMajor;
    for (int i = 0; i < mids.size(); ++i) {
        const int bl = toInt(mids[i][1]);
        EXPECT_EQ(toInt(mids[i][0]), i + 1) << "middle CNT follows the code order";
        EXPECT_GE(bl, 1);
        EXPECT_LE(bl, majors.size()) << "middle category under a missing major " << bl;
        EXPECT_EQ(toInt(mids[i][2]), ++perMajor[bl]) << "BM_kubun dense within major " << bl;
    }
    EXPECT_EQ(perMajor.size(), majors.size()) << "every major has middle categories";
    for (auto it = perMajor.cbegin(); it != perMajor.cend(); ++it) {
        EXPECT_GE(it.value(), 3) << "major " << it.key();
        EXPECT_LE(it.value(), 6) << "major " << it.key();
    }
}

TEST_F(DemoDataTest, MembersSitUnderExistingMiddlesWithDenseNumbers)
{
    const QSet<int> packed = middles();
    const auto members =
        rows("select BL_kubun, BM_kubun, BS_kubun, B_CD from MAS_BUZAI order by BL_kubun, BM_kubun, BS_kubun");
    EXPECT_GE(members.size(), 250);
    EXPECT_LE(members.size(), 800);

    QMap<int, int> perMiddle;
    QSet<QString> memberCodes;
    for (const auto& r : members) {
        const int bl = toInt(r[0]), bm = toInt(r[1]);
        EXPECT_TRUE(packed.contains(bl * 100 + bm)) << "member under missing middle " << bl << '-' << bm;
        EXPECT_EQ(toInt(r[2]), ++perMiddle[bl * 100 + bm]) << "BS_kubun dense in " << bl << '-' << bm;
        const QString code = r[3].toString();
        EXPECT_TRUE(code.startsWith(QStringLiteral("%1-%2-").arg(bl).arg(bm, 2, 10, QChar('0')))) << code.toStdString();
        memberCodes.insert(code);
    }
    EXPECT_EQ(memberCodes.size(), members.size()) << "member codes are unique";
    EXPECT_EQ(perMiddle.size(), packed.size()) << "every middle category has members";
}

TEST_F(DemoDataTest, MemberLookupsResolve)
{
    const QSet<int> vendors = codes("select T_CD from MAS_SIIRE");
    const QSet<int> accounts = codes("select CD from LOOK_KAMOKU");
    QSet<QString> units;
    for (const auto& r : rows("select NAME from LOOK_TANI"))
        units.insert(r[0].toString());
    EXPECT_GE(vendors.size(), 24);
    EXPECT_GE(accounts.size(), 10);
    EXPECT_TRUE(units.contains(QString::fromUtf8("㎡")));
    EXPECT_TRUE(units.contains(QString::fromUtf8("人工")));

    for (const auto& r : rows("select TANI, S_CD, KU_KAMOKU, NAME01 from MAS_BUZAI")) {
        const std::string name = r[3].toString().toStdString();
        EXPECT_TRUE(units.contains(r[0].toString())) << name << " unit " << r[0].toString().toStdString();
        EXPECT_TRUE(vendors.contains(toInt(r[1]))) << name << " vendor " << toInt(r[1]);
        EXPECT_TRUE(accounts.contains(toInt(r[2]))) << name << " account " << toInt(r[2]);
    }
    for (const auto& r : rows("select KU_KAMOKU from MAS_KOUSYU_02"))
        EXPECT_TRUE(accounts.contains(toInt(r[0])));
    const QSet<int> packed = middles();
    for (const auto& r : rows("select T_CD, KU_KOUSYU from MAS_SIIRE"))
        EXPECT_TRUE(packed.contains(toInt(r[1]))) << "vendor " << toInt(r[0]) << " work type " << toInt(r[1]);
}

TEST_F(DemoDataTest, PricesAreBelievable)
{
    int aboveCost = 0;
    const auto members = rows("select KIN_01, KIN_02, KIN_06, NAME01 from MAS_BUZAI");
    for (const auto& r : members) {
        const double cost = r[0].toDouble(), price = r[1].toDouble(), list = r[2].toDouble();
        const std::string name = r[3].toString().toStdString();
        EXPECT_GT(cost, 0) << name;
        EXPECT_GE(price, cost) << name;
        EXPECT_GE(list, price) << name;
        aboveCost += price > cost;
    }
    EXPECT_GT(aboveCost, members.size() * 8 / 10) << "most members carry a margin";
}

TEST_F(DemoDataTest, TextsFitTheirShiftJisWidths)
{
    struct Column {
        const char* table;
        const char* column;
        int bytes;
    };
    const Column columns[] = {
        {"MAS_KOUSYU_01", "NAME01", 40}, {"MAS_KOUSYU_02", "NAME01", 40}, {"MAS_KOUSYU", "NAME01", 40},
        {"MAS_BUZAI", "NAME01", 40},     {"MAS_BUZAI", "NAME02", 40},     {"MAS_BUZAI", "NAME03", 20},
        {"MAS_BUZAI", "TANI", 6},        {"MAS_BUZAI", "B_CD", 20},       {"LOOK_TANI", "NAME", 12},
        {"LOOK_KAMOKU", "NAME", 30},     {"MAS_SIIRE", "T_KEY", 20},      {"MAS_SIIRE", "T_NAME01", 40},
        {"MAS_SIIRE", "T_ADD_1", 60},    {"MAS_SIAGE01", "NAME01", 40},   {"MAS_SIAGE02", "NAME_01", 40},
        {"MAS_SIAGE02", "NAME_02", 40},  {"MAS_SIAGE02", "TAN", 12},      {"DAT_SIAGE02", "TAN", 12},
    };
    for (const Column& c : columns) {
        const auto values = rows(QStringLiteral("select %1 from %2").arg(c.column, c.table));
        EXPECT_FALSE(values.isEmpty()) << c.table;
        for (const auto& r : values) {
            const QString text = r[0].toString();
            QByteArray bytes;
            EXPECT_TRUE(SjisCodec::tryEncode(text, bytes)) << c.table << '.' << c.column << ' ' << text.toStdString();
            EXPECT_LE(SjisCodec::byteLength(text), c.bytes) << c.table << '.' << c.column << ' ' << text.toStdString();
        }
    }
}

TEST_F(DemoDataTest, DocumentsCarryConsistentPackedCodes)
{
    const QSet<int> packed = middles();
    auto existing = [&](int bl, int bm) { return packed.contains(bl * 100 + bm); };

    const auto estimates = rows("select BL_kubun, BM_kubun from DAT_MITUMORI_M");
    EXPECT_FALSE(estimates.isEmpty());
    for (const auto& r : estimates)
        EXPECT_TRUE(existing(toInt(r[0]), toInt(r[1])));

    const auto details = rows("select L_kubun, M_kubun, KU_KOUSYU from DAT_MEISAI03");
    EXPECT_FALSE(details.isEmpty());
    for (const auto& r : details) {
        EXPECT_EQ(toInt(r[2]), toInt(r[0]) * 100 + toInt(r[1]));
        EXPECT_TRUE(existing(toInt(r[0]), toInt(r[1])));
    }

    const QSet<int> vendors = codes("select T_CD from MAS_SIIRE");
    QMap<int, int> orderKousyu;
    for (const auto& r : rows("select ID, KOUSYU, T_CD_2 from DAT_JIKKOU")) {
        orderKousyu[toInt(r[0])] = toInt(r[1]);
        EXPECT_TRUE(packed.contains(toInt(r[1]))) << "order " << toInt(r[0]);
        EXPECT_TRUE(vendors.contains(toInt(r[2]))) << "order " << toInt(r[0]);
    }
    const auto orderLines = rows("select ID, L_kubun, M_kubun from DAT_JIKKOU_MEISAI");
    EXPECT_FALSE(orderLines.isEmpty());
    for (const auto& r : orderLines) {
        ASSERT_TRUE(orderKousyu.contains(toInt(r[0]))) << "order line without order " << toInt(r[0]);
        EXPECT_EQ(toInt(r[1]) * 100 + toInt(r[2]), orderKousyu[toInt(r[0])]) << "order " << toInt(r[0]);
    }

    const auto finishing = rows("select BL_kubun, BM_kubun, KOUSYU, BUI from DAT_SIAGE02");
    EXPECT_FALSE(finishing.isEmpty());
    for (const auto& r : finishing) {
        EXPECT_EQ(toInt(r[2]), toInt(r[0]) * 100 + toInt(r[1]));
        EXPECT_TRUE(existing(toInt(r[0]), toInt(r[1])));
        EXPECT_GT(toInt(r[3]), 0);
    }
}

TEST_F(DemoDataTest, FinishingScheduleLinesMatchTheirHeadersAndMembers)
{
    QSet<QPair<int, int>> headers;
    for (const auto& r : rows("select BUI, BANGOU from MAS_SIAGE01"))
        headers.insert({toInt(r[0]), toInt(r[1])});
    QMap<QString, QString> memberNames; // "bl-bm-bs" -> NAME01
    for (const auto& r : rows("select BL_kubun, BM_kubun, BS_kubun, NAME01 from MAS_BUZAI"))
        memberNames[QStringLiteral("%1-%2-%3").arg(toInt(r[0])).arg(toInt(r[1])).arg(toInt(r[2]))] = r[3].toString();

    int perWorkType = 0;
    const auto lines = rows("select BUI, BANGOU, BL_kubun, BM_kubun, BS_kubun, KOUSYU, NAME_01 from MAS_SIAGE02");
    for (const auto& r : lines) {
        const int bui = toInt(r[0]), kousyu = toInt(r[5]);
        EXPECT_EQ(kousyu, toInt(r[2]) * 100 + toInt(r[3]));
        if (bui > 0) {
            EXPECT_TRUE(headers.contains({bui, toInt(r[1])})) << "schedule " << bui << '/' << toInt(r[1]);
        }
        else {
            EXPECT_EQ(bui, -kousyu);
            ++perWorkType;
        }
        const QString key = QStringLiteral("%1-%2-%3").arg(toInt(r[2])).arg(toInt(r[3])).arg(toInt(r[4]));
        EXPECT_EQ(r[6].toString(), memberNames.value(key)) << key.toStdString();
    }
    EXPECT_GT(perWorkType, 0);
    EXPECT_GT(lines.size() - perWorkType, 0);
}

// Builds that need a database of their own.
class DemoDataBuildTest : public ::testing::Test {
protected:
    TestFolder folder;
};

TEST_F(DemoDataBuildTest, BuildsAreIdenticalApartFromTheHousingRow)
{
    buildDemoProductDatabase(folder.file("a.fdb"), true);
    buildDemoProductDatabase(folder.file("b.fdb"), false);
    auto a = connectTestDatabase(folder.file("a.fdb"), "A");
    auto b = connectTestDatabase(folder.file("b.fdb"), "B");

    for (const QString& table : Schema::productTableNames()) {
        if (table == "LOOK_KIHON")
            continue;
        const QString sql = "select * from " + table;
        const auto ra = rowsOf(*a, sql), rb = rowsOf(*b, sql);
        ASSERT_EQ(ra.size(), rb.size()) << table.toStdString();
        for (int i = 0; i < ra.size(); ++i)
            ASSERT_EQ(ra[i], rb[i]) << table.toStdString() << " row " << i;
    }
    EXPECT_EQ(rowsOf(*a, "select * from LOOK_KIHON where NAME='JUTAKU'").size(), 1);
    EXPECT_EQ(rowsOf(*b, "select * from LOOK_KIHON where NAME='JUTAKU'").size(), 0);
    EXPECT_FALSE(rowsOf(*b, "select * from LOOK_KIHON").isEmpty()) << "only the housing row is left out";
}

TEST_F(DemoDataBuildTest, AnExistingFileIsNeitherOverwrittenNorRemoved)
{
    const QString path = folder.file("taken.fdb");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a database");
    }
    EXPECT_THROW(buildDemoProductDatabase(path), DbError);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("not a database"));
}
