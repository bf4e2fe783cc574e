#include "DemoData.h"
#include "Database.h"
#include "DbError.h"
#include "Query.h"
#include "SjisCodec.h"
#include "TestDb.h"

#include <QFile>
#include <QMap>
#include <QSet>

#include <gtest/gtest.h>

// One demo database (built with the housing row) serves every check.
class DemoDataTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = std::make_unique<TestFolder>();
        buildDemoProductDatabase(folder->file("demo.fdb"));
        db = connectTestDatabase(folder->file("demo.fdb"));
    }
    static void TearDownTestSuite()
    {
        db.reset();
        folder.reset();
    }
    static QVector<QVector<QVariant>> rows(const QString& sql, Database* from = nullptr)
    {
        Query q(from ? from : db.get());
        q.setSql(sql);
        q.open();
        return q.rows();
    }

    static inline std::unique_ptr<TestFolder> folder;
    static inline std::unique_ptr<Database> db;
};

// Each level hangs under an existing parent and is numbered 1, 2, 3… within it.
TEST_F(DemoDataTest, CodesAreDenseAndEveryLevelHasAnExistingParent)
{
    const char* levels[] = {
        // parent key (0 at the top), code
        "select 0, BL_kubun from MAS_KOUSYU_01 order by 1, 2",
        "select BL_kubun, BM_kubun from MAS_KOUSYU_02 order by 1, 2",
        "select BL_kubun * 100 + BM_kubun, BS_kubun from MAS_BUZAI order by 1, 2",
    };
    QSet<int> parents{0};
    for (const char* sql : levels) {
        QMap<int, int> perParent;
        QSet<int> keys; // packed keys of this level are the next level's parents
        for (const auto& r : rows(QString::fromLatin1(sql))) {
            const int parent = r[0].toInt(), code = r[1].toInt();
            EXPECT_TRUE(parents.contains(parent)) << sql << ": missing parent " << parent;
            EXPECT_EQ(code, ++perParent[parent]) << sql << ": gap under " << parent;
            keys.insert(parent * 100 + code);
        }
        EXPECT_EQ(perParent.size(), parents.size()) << sql << ": a parent without children";
        parents = keys;
    }
}

TEST_F(DemoDataTest, TextsFitTheirShiftJisWidths)
{
    for (const char* c :
         {"MAS_KOUSYU_01 NAME01 40", "MAS_KOUSYU_02 NAME01 40", "MAS_BUZAI NAME01 40", "MAS_BUZAI NAME02 40",
          "MAS_BUZAI NAME03 20", "MAS_BUZAI TANI 6", "MAS_BUZAI B_CD 20", "LOOK_TANI NAME 12", "MAS_SIIRE T_NAME01 40",
          "MAS_SIIRE T_ADD_1 60", "MAS_SIAGE02 NAME_01 40", "DAT_SIAGE02 TAN 12"}) {
        const QStringList f = QString(c).split(' '); // table, column, bytes
        const auto values = rows(QStringLiteral("select %1 from %2").arg(f[1], f[0]));
        EXPECT_FALSE(values.isEmpty()) << c;
        for (const auto& r : values) {
            const QString text = r[0].toString();
            QByteArray bytes;
            EXPECT_TRUE(SjisCodec::tryEncode(text, bytes) && SjisCodec::byteLength(text) <= f[2].toInt())
                << c << ' ' << text.toStdString();
        }
    }
}

TEST_F(DemoDataTest, HousingRowOnlyWhenAskedFor)
{
    buildDemoProductDatabase(folder->file("plain.fdb"), false);
    auto plain = connectTestDatabase(folder->file("plain.fdb"), "plain");
    const QString jutaku = "select * from LOOK_KIHON where NAME='JUTAKU'";
    EXPECT_EQ(rows(jutaku).size(), 1);
    EXPECT_EQ(rows(jutaku, plain.get()).size(), 0);
    EXPECT_EQ(rows("select * from MAS_BUZAI", plain.get()), rows("select * from MAS_BUZAI")) << "nothing else differs";
}

TEST_F(DemoDataTest, AnExistingFileIsNotOverwritten)
{
    QFile f(folder->file("taken.fdb"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a database");
    f.close();
    EXPECT_THROW(buildDemoProductDatabase(f.fileName()), DbError);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("not a database"));
}
