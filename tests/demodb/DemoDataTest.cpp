#include "DemoData.h"
#include "Database.h"
#include "DbError.h"
#include "SjisCodec.h"
#include "TestDb.h"

#include <QFile>
#include <QMap>
#include <QSet>

#include <gtest/gtest.h>

namespace {

// A demo database in `folder`, connected; with the housing row unless told otherwise.
std::unique_ptr<Database> demo(const TestFolder& folder, const QString& name, bool housingRow = true)
{
    buildDemoProductDatabase(folder.file(name), housingRow);
    return connectTestDatabase(folder.file(name), name);
}

// Each level hangs under an existing parent and is numbered 1, 2, 3… within it;
// every text fits its column in Shift-JIS; the housing row only when asked for.
TEST(DemoData, DenseCodesTextsThatFitAndTheHousingRowOnlyWhenAskedFor)
{
    TestFolder folder;
    const auto db = demo(folder, "demo.fdb");
    QSet<int> parents{0};
    for (const char* sql : {"select 0, BL_kubun from MAS_KOUSYU_01 order by 1, 2", // parent key (0 at the top), code
                            "select BL_kubun, BM_kubun from MAS_KOUSYU_02 order by 1, 2",
                            "select BL_kubun * 100 + BM_kubun, BS_kubun from MAS_BUZAI order by 1, 2"}) {
        QMap<int, int> perParent;
        QSet<int> keys; // packed keys of this level are the next level's parents
        for (const QString& row : rowsOf(*db, sql)) {
            const int parent = row.section('|', 0, 0).toInt(), code = row.section('|', 1, 1).toInt();
            EXPECT_TRUE(parents.contains(parent)) << sql << ": missing parent " << parent;
            EXPECT_EQ(code, ++perParent[parent]) << sql << ": gap under " << parent;
            keys.insert(parent * 100 + code);
        }
        EXPECT_EQ(perParent.size(), parents.size()) << sql << ": a parent without children";
        parents = keys;
    }

    for (const char* c :
         {"MAS_KOUSYU_01 NAME01 40", "MAS_KOUSYU_02 NAME01 40", "MAS_BUZAI NAME01 40", "MAS_BUZAI NAME02 40",
          "MAS_BUZAI NAME03 20", "MAS_BUZAI TANI 6", "MAS_BUZAI B_CD 20", "LOOK_TANI NAME 12", "MAS_SIIRE T_NAME01 40",
          "MAS_SIIRE T_ADD_1 60", "MAS_SIAGE02 NAME_01 40", "DAT_SIAGE02 TAN 12"}) {
        const QStringList f = QString(c).split(' '); // table, column, bytes
        const QStringList texts = columnValues(*db, QString("select %1 from %2").arg(f[1], f[0]), f[1]);
        EXPECT_FALSE(texts.isEmpty()) << c;
        for (const QString& text : texts) {
            QByteArray bytes;
            EXPECT_TRUE(SjisCodec::tryEncode(text, bytes) && SjisCodec::byteLength(text) <= f[2].toInt())
                << c << ' ' << text.toStdString();
        }
    }

    const auto plain = demo(folder, "plain.fdb", false);
    const QString jutaku = "select * from LOOK_KIHON where NAME='JUTAKU'";
    EXPECT_EQ(rowsOf(*db, jutaku).size(), 1);
    EXPECT_EQ(rowsOf(*plain, jutaku).size(), 0);
}

TEST(DemoData, AnExistingFileIsNotOverwritten)
{
    TestFolder folder;
    QFile f(folder.file("taken.fdb"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a database");
    f.close();
    EXPECT_THROW(buildDemoProductDatabase(f.fileName()), DbError);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("not a database"));
}

} // namespace
