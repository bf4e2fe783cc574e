#include "DemoData.h"

#include "DemoCatalogue.h"

#include "Database.h"
#include "Query.h"
#include "Schema.h"

#include <QDateTime>
#include <QFile>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using namespace demo;

// splitmix64: a fixed generator, so that every build and every platform gives the
// same rows (the standard distributions differ between library versions).
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool chance(int percent) { return below(100) < percent; }
    double factor(double lo, double hi)
    {
        return lo + (hi - lo) * static_cast<double>(next() >> 11) / 9007199254740992.0;
    }

private:
    std::uint64_t m_state;
};

QString u(const char* text)
{
    return QString::fromUtf8(text);
}

double roundTo(double value, double step)
{
    return std::max(step, std::round(value / step) * step);
}
double priceStep(double value)
{
    return value < 1000 ? 1 : value < 10000 ? 10 : value < 100000 ? 100 : 1000;
}

// An INSERT with one named parameter per column, prepared once and run per row.
class Inserter {
public:
    Inserter(Database& db, const QString& table, const QStringList& columns) : m_query(&db, table), m_columns(columns)
    {
        m_query.setSql(QStringLiteral("INSERT INTO %1 (%2) VALUES (:%3)")
                           .arg(table, columns.join(','), columns.join(QStringLiteral(",:"))));
    }
    void row(const QVariantList& values)
    {
        Q_ASSERT(values.size() == m_columns.size());
        for (qsizetype i = 0; i < m_columns.size(); ++i)
            m_query.setParam(m_columns[i], values[i]);
        m_query.exec();
    }

private:
    Query m_query;
    QStringList m_columns;
};

struct Vendor {
    int code;
    int major;
    bool deleted;
};

struct Member {
    int bl, bm, bs;
    QString name, desc, remark, unit, code;
    double cost, price;
    int kamoku, vendor;
    QVariant keta;
};

class Builder {
public:
    explicit Builder(Database& db) : m_db(db) {}

    void run(bool withJutaku)
    {
        lookups(withJutaku);
        vendors();
        categories();
        members();
        schedules();
        documents();
    }

private:
    QVariant stamp()
    {
        // Registered at various times of the last business year.
        const QDateTime base(QDate(2024, 4, 1), QTime(9, 0));
        return base.addDays(m_rnd.below(360)).addSecs(60 * m_rnd.below(600));
    }

    int vendorFor(int major)
    {
        std::vector<int> candidates;
        for (const Vendor& v : m_vendors)
            if (v.major == major && !v.deleted)
                candidates.push_back(v.code);
        return candidates[static_cast<size_t>(m_rnd.below(static_cast<int>(candidates.size())))];
    }

    void lookups(bool withJutaku)
    {
        Inserter unit(m_db, "LOOK_TANI", {"CD", "NAME"});
        int cd = 0;
        for (const char* name : kUnits)
            unit.row({++cd, u(name)});

        Inserter account(m_db, "LOOK_KAMOKU", {"CD", "KUBUN", "BANGOU", "NAME"});
        int n = 0;
        for (const char* name : kAccounts) {
            ++n;
            account.row({100 + n, 1, n, u(name)});
        }

        Inserter basic(m_db, "LOOK_KIHON", {"NAME"});
        if (withJutaku)
            basic.row({QStringLiteral("JUTAKU")});
        basic.row({QStringLiteral("KEIRI")});
    }

    void vendors()
    {
        Inserter ins(m_db, "MAS_SIIRE",
                     {"T_CD",    "T_KEY",   "T_NAME01", "T_NAME02",  "T_TEL",     "T_FAX",     "T_TANTOU", "T_ZIP_CD",
                      "T_ADD_1", "T_ADD_2", "KU_TAX",   "KU_KOUSYU", "KU_KAMOKU", "KU_G_KETA", "KU_KIN_K", "KU_TAX_K",
                      "KIN_01",  "KIN_02",  "KIN_03",   "KU_HARAI",  "KU_SIME",   "E_DATE04"});
        const auto& majors = catalogue();
        const int count = static_cast<int>(std::size(kSurnames));
        for (int i = 0; i < count; ++i) {
            // Three vendors per trade, two more for carpentry and interiors.
            const int major = i < 30 ? i / 3 + 1 : (i == 30 ? 4 : 7);
            const MajorDef& m = majors[static_cast<size_t>(major - 1)];
            const int middle = m_rnd.between(1, static_cast<int>(m.middles.size()));
            const auto& trade = m.trades[i % 2];
            const QString stem = u(kSurnames[i][0]) + u(trade[0]);
            const QString name = i % 3 == 0   ? u("株式会社") + stem
                                 : i % 3 == 1 ? stem + u("株式会社")
                                              : u("有限会社") + stem;
            const City& city = kCities[i % std::size(kCities)];
            const QString tel = phone(u(city.area));
            // The fax line is the next number, as small offices usually have it.
            QString fax = tel;
            fax.back() = QChar('0' + (fax.back().digitValue() + 1) % 10);
            const QString zip = QStringLiteral("%1-%2").arg(u(city.zip)).arg(m_rnd.between(1, 9999), 4, 10, QChar('0'));
            const QString street =
                u(city.name) + u(kTowns[m_rnd.below(static_cast<int>(std::size(kTowns)))]) +
                QStringLiteral("%1-%2-%3").arg(m_rnd.between(1, 5)).arg(m_rnd.between(1, 20)).arg(m_rnd.between(1, 30));
            const QVariant building = i % 5 == 2 ? QVariant(u(kSurnames[(i + 5) % count][0]) + u("ビル ") +
                                                            QString::number(m_rnd.between(2, 8)) + 'F')
                                                 : QVariant();
            const bool deleted = i == 7 || i == 22;
            const int code = 101 + i;
            m_vendors.push_back({code, major, deleted});
            ins.row({code,
                     (u(kSurnames[i][1]) + u(trade[1])).left(10),
                     name,
                     i % 4 == 0 ? QVariant(u("資材部")) : QVariant(),
                     tel,
                     fax,
                     u(kSurnames[(i + 11) % count][0]),
                     zip,
                     street,
                     building,
                     1,
                     major * 100 + middle,
                     m.middles[static_cast<size_t>(middle - 1)].kamoku,
                     0,
                     0,
                     0,
                     0.0,
                     0.0,
                     0.0,
                     1,
                     i % 2 == 0 ? 20 : 31,
                     deleted ? QVariant(QDate(2023, 3, 31)) : QVariant()});
        }
    }

    // Tokyo numbers have a two-digit area code and four-digit exchange.
    QString phone(const QString& area)
    {
        const int exchange = area.size() == 2 ? m_rnd.between(3000, 6999) : m_rnd.between(200, 899);
        return QStringLiteral("%1-%2-%3").arg(area).arg(exchange).arg(m_rnd.between(0, 9999), 4, 10, QChar('0'));
    }

    void categories()
    {
        Inserter major(m_db, "MAS_KOUSYU_01", {"CNT", "BL_kubun", "NAME01", "NAME02", "e_date01", "PC_NAME"});
        Inserter middle(m_db, "MAS_KOUSYU_02",
                        {"CNT", "BL_kubun", "BM_kubun", "NAME01", "NAME02", "KU_KAMOKU", "e_date01", "PC_NAME"});
        Inserter list(m_db, "MAS_KOUSYU", {"BL_KUBUN", "BM_KUBUN", "NAME01"});
        int bl = 0, cnt = 0;
        for (const MajorDef& m : catalogue()) {
            ++bl;
            major.row({bl, bl, u(m.name), QVariant(), stamp(), QStringLiteral("JIMU-PC01")});
            int bm = 0;
            for (const MiddleDef& c : m.middles) {
                ++bm;
                middle.row({++cnt, bl, bm, u(c.name), bm == 1 ? QVariant(u(m.name)) : QVariant(), c.kamoku, stamp(),
                            QStringLiteral("JIMU-PC01")});
                list.row({bl, bm, u(c.name)});
            }
        }
    }

    void members()
    {
        Inserter ins(m_db, "MAS_BUZAI",
                     {"BL_kubun", "BM_kubun", "BS_kubun", "KU_KAMOKU", "NAME01", "NAME02", "NAME03", "TANI", "KIN_01",
                      "KIN_02", "KIN_06", "TAX_KU", "B_CD", "S_CD", "KETA", "e_date01", "PC_NAME"});
        int bl = 0;
        for (const MajorDef& m : catalogue()) {
            ++bl;
            int bm = 0;
            for (const MiddleDef& c : m.middles) {
                ++bm;
                int bs = 0;
                for (const ItemDef& item : c.items) {
                    const QStringList variants = u(item.variants).split('|');
                    for (qsizetype s = 0; s < variants.size(); ++s) {
                        Member mb{bl,
                                  bm,
                                  ++bs,
                                  u(item.name),
                                  variants[s],
                                  {},
                                  u(item.unit),
                                  {},
                                  0,
                                  0,
                                  item.kamoku ? item.kamoku : c.kamoku,
                                  vendorFor(bl),
                                  {}};
                        const double raw = item.cost * (1.0 + 0.35 * static_cast<double>(s)) * m_rnd.factor(0.9, 1.1);
                        mb.cost = roundTo(raw, priceStep(raw));
                        // A few items sell at cost (materials the client supplies or
                        // bargains); the rest carry the usual 15–45 % margin.
                        const double margin = m_rnd.chance(6) ? 1.0 : m_rnd.factor(1.15, 1.45);
                        mb.price = roundTo(mb.cost * margin, priceStep(mb.cost * margin));
                        const double list = mb.cost * m_rnd.factor(1.5, 2.2);
                        if (m_rnd.chance(25))
                            mb.remark = u(kRemarks[m_rnd.below(static_cast<int>(std::size(kRemarks)))]);
                        mb.code = QStringLiteral("%1-%2-%3")
                                      .arg(bl)
                                      .arg(bm, 2, 10, QChar('0'))
                                      .arg(bs * 10, 5, 10, QChar('0'));
                        const int k = m_rnd.below(10);
                        mb.keta = k == 0 ? QVariant() : k < 7 ? QVariant(0) : QVariant(k < 9 ? 1 : 2);
                        ins.row({bl, bm, mb.bs, mb.kamoku, mb.name, mb.desc,
                                 mb.remark.isEmpty() ? QVariant() : QVariant(mb.remark), mb.unit, mb.cost, mb.price,
                                 roundTo(list, priceStep(list) * 10), 0, mb.code, mb.vendor, mb.keta, stamp(),
                                 QStringLiteral("JIMU-PC01")});
                        m_members.push_back(mb);
                    }
                }
            }
        }
    }

    const Member& memberOfMajor(int major)
    {
        for (;;) {
            const Member& m = m_members[static_cast<size_t>(m_rnd.below(static_cast<int>(m_members.size())))];
            if (m.bl == major)
                return m;
        }
    }

    void schedules()
    {
        Inserter head(m_db, "MAS_SIAGE01", {"BUI", "BANGOU", "NAME01"});
        Inserter line(m_db, "MAS_SIAGE02",
                      {"BUI", "BANGOU", "BL_kubun", "BM_kubun", "BS_kubun", "KOUSYU", "NAME_01", "NAME_02", "NAME_03",
                       "TAN", "KIN_01", "KIN_02", "KAMOKU", "T_CD_2", "B_CD", "KETA"});
        auto write = [&](int bui, int bangou, const Member& m) {
            line.row({bui, bangou, m.bl, m.bm, m.bs, m.bl * 100 + m.bm, m.name, m.desc,
                      m.remark.isEmpty() ? QVariant() : QVariant(m.remark), m.unit, m.cost, m.price, m.kamoku, m.vendor,
                      m.code, m.keta});
        };
        for (const ScheduleDef& s : kSchedules) {
            head.row({s.bui, s.bangou, u(s.name)});
            const int lines = m_rnd.between(4, 7);
            for (int i = 0; i < lines; ++i)
                write(s.bui, s.bangou, memberOfMajor(s.majors[static_cast<size_t>(i) % s.majors.size()]));
        }
        // Lines kept per work type: BUI holds the negated packed code.
        for (int i = 0; i < 14; ++i) {
            const Member& pick = m_members[static_cast<size_t>(m_rnd.below(static_cast<int>(m_members.size())))];
            const int lines = m_rnd.between(1, 3);
            for (int n = 1; n <= lines; ++n) {
                const Member* m = &pick;
                for (const Member& other : m_members)
                    if (other.bl == pick.bl && other.bm == pick.bm && other.bs == pick.bs + n - 1)
                        m = &other;
                write(-(m->bl * 100 + m->bm), n, *m);
            }
        }
    }

    void documents()
    {
        Inserter estimate(m_db, "DAT_MITUMORI_M", {"ID", "BL_kubun", "BM_kubun", "NAME01"});
        Inserter detail(m_db, "DAT_MEISAI03", {"ID", "L_kubun", "M_kubun", "KU_KOUSYU"});
        Inserter order(m_db, "DAT_JIKKOU", {"ID", "KOUSYU", "T_CD_2"});
        Inserter orderLine(m_db, "DAT_JIKKOU_MEISAI", {"ID", "L_kubun", "M_kubun"});
        Inserter finish(m_db, "DAT_SIAGE02", {"ID", "BL_kubun", "BM_kubun", "BUI", "KOUSYU", "TAN"});

        const auto& majors = catalogue();
        for (int id = 1; id <= 12; ++id) {
            const int lines = m_rnd.between(6, 14);
            for (int i = 0; i < lines; ++i) {
                const int bl = m_rnd.between(1, static_cast<int>(majors.size()));
                const auto& middles = majors[static_cast<size_t>(bl - 1)].middles;
                const int bm = m_rnd.between(1, static_cast<int>(middles.size()));
                estimate.row({id, bl, bm, u(middles[static_cast<size_t>(bm - 1)].name)});
                detail.row({id, bl, bm, bl * 100 + bm});
            }
        }
        for (int id = 1; id <= 24; ++id) {
            const Member& m = m_members[static_cast<size_t>(m_rnd.below(static_cast<int>(m_members.size())))];
            order.row({id, m.bl * 100 + m.bm, vendorFor(m.bl)});
            const int lines = m_rnd.between(1, 4);
            for (int i = 0; i < lines; ++i)
                orderLine.row({id, m.bl, m.bm});
        }
        for (int id = 1; id <= 6; ++id) {
            for (const ScheduleDef& s : kSchedules) {
                if (m_rnd.chance(40))
                    continue;
                const Member& m = memberOfMajor(s.majors.front());
                finish.row({id, m.bl, m.bm, s.bui, m.bl * 100 + m.bm, m.unit});
            }
        }
    }

    Database& m_db;
    Random m_rnd{20240401};
    std::vector<Vendor> m_vendors;
    std::vector<Member> m_members;
};

} // namespace

void buildDemoProductDatabase(const QString& path, bool withJutaku)
{
    Database::createDatabase(path);
    try {
        Database db(QStringLiteral("demo"));
        db.setDatabaseName(path);
        db.setParams(Database::defaultParams());
        db.transaction().setParams({QStringLiteral("concurrency"), QStringLiteral("nowait")});
        db.open();
        try {
            Schema::createProductTables(db);
            Builder(db).run(withJutaku);
            // One commit for the whole fill: committing per row is many times slower.
            db.transaction().commit();
        } catch (...) {
            // Closing the connection would commit; leave nothing half-written behind.
            db.transaction().rollback();
            throw;
        }
    } catch (...) {
        QFile::remove(path);
        throw;
    }
}
