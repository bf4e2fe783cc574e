#include "ErrorText.h"
#include "Database.h"
#include "DbErrorOf.h"
#include "OtherProgram.h"
#include "Query.h"
#include "TableDataset.h"
#include "TestDb.h"

#include <QFile>
#include <QProcess>

#include <cerrno>
#include <functional>
#include <gtest/gtest.h>

namespace {

using ErrorText::Reason;

class ErrorTextTest : public ::testing::Test {
protected:
    TestFolder folder;

    DbError connecting(const QString& path, const QString& name = QStringLiteral("IBDatabase1"))
    {
        Database db(name);
        db.setParams(Database::defaultParams());
        db.setDatabaseName(path);
        return dbErrorOf([&] { db.open(); });
    }
};

struct Case {
    const char* what;
    std::function<DbError()> fail;
    Reason reason;
    QStringList says; // in the user's part
};

// Each failure a user meets, made for real: the reason is told apart, the user's
// part is Japanese and names what failed, and the engine's English text is only
// in the details part.
TEST_F(ErrorTextTest, RealFailuresGetTheirJapaneseSentence)
{
    const QString db = folder.file("p.fdb");
    {
        auto d = createTestDatabase(db);
        execCommitted(*d, {"create table T (CNT integer, NAME01 varchar(4), A varchar(10) character set ASCII)"});
        execCommitted(*d, {"insert into T (CNT) values (1)"});
    }
    QFile empty(folder.file("empty.fdb"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QFile junk(folder.file("junk.fdb"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(20000, 'x'));
    junk.close();

    const auto onDb = [&](const std::function<void(Database&)>& f) {
        return [&, f] {
            Database d(QStringLiteral("IBDatabase1"));
            d.setParams(Database::defaultParams());
            d.setDatabaseName(db);
            return dbErrorOf([&] { f(d); });
        };
    };
    const QList<Case> cases = {
        {"missing file",
         [&] { return connecting(folder.file("none.fdb")); },
         Reason::FileMissing,
         {"製品データベース「", "none.fdb」がありません。"}},
        {"second database missing",
         [&] { return connecting(folder.file("TREVOLAN2.FDB"), "IBDatabase5"); },
         Reason::FileMissing,
         {"第２データベース「", "複写元のデータベース"}},
        {"empty file",
         [&] { return connecting(empty.fileName()); },
         Reason::FileDamaged,
         {"データベースとして読めません", "バックアップ"}},
        {"not a database",
         [&] { return connecting(junk.fileName(), "IBDatabase2"); },
         Reason::FileDamaged,
         {"作業用データベース「", "作り直されます"}},
        {"a folder", [&] { return connecting(folder.path()); }, Reason::IsFolder, {"フォルダーです"}},
        {"creating in a missing folder",
         [&] { return dbErrorOf([&] { Database::createDatabase(folder.file("NOLOCAL/MAS_MENT.fdb")); }); },
         Reason::FolderMissing,
         {"NOLOCAL」がないか"}},
        {"no server answers",
         [&] { return connecting(QStringLiteral("127.0.0.1/1:/x.fdb")); },
         Reason::Unreachable,
         {"データベースサーバーに接続できません"}},
        {"missing column",
         onDb([](Database& d) { Query(&d).run(QStringLiteral("select B_CD from T")); }),
         Reason::ColumnMissing,
         {"列「B_CD」", "製品データベースがこのプログラムより古い版"}},
        {"column missing from a result",
         onDb([](Database& d) {
             Query q(&d);
             q.setSql(QStringLiteral("select * from T"));
             q.open();
             q.value(QStringLiteral("KU_KAMOKU"));
         }),
         Reason::ColumnMissing,
         {"列「KU_KAMOKU」", "古い版"}},
        {"missing table",
         onDb([](Database& d) { Query(&d).run(QStringLiteral("select * from MAS_NONE")); }),
         Reason::TableMissing,
         {"表「MAS_NONE」"}},
        {"too long",
         onDb([](Database& d) {
             Query q(&d);
             q.setSql(QStringLiteral("update T set NAME01=:NAME01"));
             q.setParam(QStringLiteral("NAME01"), QStringLiteral("abcdefg"));
             q.exec();
         }),
         Reason::ValueTooLong,
         {"「名称」の値が長すぎる"}},
        {"not in the column's character set",
         onDb([](Database& d) {
             Query q(&d);
             q.setSql(QStringLiteral("update T set A=:A"));
             q.setParam(QStringLiteral("A"), QStringLiteral("あ"));
             q.exec();
         }),
         Reason::CharacterNotStored,
         {"保存できない文字"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DbError e = c.fail();
        EXPECT_EQ(e.failure().reason, c.reason) << e.text().toStdString();
        const auto [shown, details] = DbError::splitDetails(e.text());
        for (const QString& s : c.says)
            EXPECT_TRUE(shown.contains(s)) << shown.toStdString();
        EXPECT_FALSE(shown.contains(QStringLiteral("NET.TXT の 1 行目（"))) << shown.toStdString();
        // The engine's text and the statement stay out of what the user reads first.
        EXPECT_EQ(details.isEmpty(), false);
        EXPECT_FALSE(shown.contains(e.message())) << shown.toStdString();
    }
}

// Held by another program, locked row by a second attachment, set read-only:
// the states another program leaves a database in.
TEST_F(ErrorTextTest, DatabasesOtherProgramsHoldOrLockAreNamedWithWhatToDo)
{
    const QString path = folder.file("TREVOLAN2.FDB");
    {
        auto d = createTestDatabase(path);
        execCommitted(*d, {"create table T (N integer)"});
        execCommitted(*d, {"insert into T values (1)"});
    }
    {
        OtherProgram other(path);
        const DbError e = connecting(path, "IBDatabase5");
        EXPECT_EQ(e.failure().reason, Reason::FileInUse) << e.text().toStdString();
        EXPECT_TRUE(e.advice().contains("他のプログラムが使用中")) << e.advice().toStdString();
        EXPECT_TRUE(e.advice().contains("終了してから")) << e.advice().toStdString();
    }

    auto first = connectTestDatabase(path, "IBDatabase1");
    auto second = connectTestDatabase(path, "IBDatabase1");
    Query(first.get()).run(QStringLiteral("update T set N=2"));
    const DbError locked = dbErrorOf([&] { Query(second.get()).run(QStringLiteral("update T set N=3")); });
    EXPECT_EQ(locked.failure().reason, Reason::RowLocked) << locked.text().toStdString();
    EXPECT_TRUE(locked.advice().contains("他の利用者が同じデータを変更中"));
    first.reset();
    second.reset();

    QProcess gfix;
    gfix.start(QStringLiteral("gfix"), {"-user", "sysdba", "-password", "tollgates", "-mode", "read_only", path});
    ASSERT_TRUE(gfix.waitForFinished(20000));
    ASSERT_EQ(gfix.exitCode(), 0) << gfix.readAllStandardError().toStdString();
    auto readOnly = connectTestDatabase(path, "IBDatabase1");
    const DbError refused = dbErrorOf([&] {
        readOnly->transaction().runWhole([&] { Query(readOnly.get()).run(QStringLiteral("update T set N=4")); });
    });
    EXPECT_EQ(refused.failure().reason, Reason::ReadOnlyDatabase) << refused.text().toStdString();
    EXPECT_TRUE(refused.advice().startsWith("製品データベースは読み取り専用")) << refused.advice().toStdString();
    // Rolled back as a whole: the user reads that nothing changed.
    EXPECT_TRUE(refused.advice().contains("何も変更していません")) << refused.advice().toStdString();
}

// The reason a file could not be read or written, from the system's error
// number of a real failed operation.
TEST_F(ErrorTextTest, FileErrorsSayWhyInJapanese)
{
    QFile plain(folder.file("plain.txt"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    struct FileCase {
        QString path;
        QIODevice::OpenMode mode;
        int error;
        const char* says;
    };
    const QList<FileCase> cases = {
        {folder.file("none.csv"), QIODevice::ReadOnly, ENOENT, "ありません"},
        {folder.file("nodir/x.csv"), QIODevice::WriteOnly, ENOENT, "ありません"},
        {folder.path(), QIODevice::WriteOnly, EISDIR, "フォルダー"},
        {folder.file("plain.txt/x.csv"), QIODevice::WriteOnly, ENOTDIR, "フォルダーではない"},
        {folder.file(QString(300, 'a')), QIODevice::WriteOnly, ENAMETOOLONG, "長すぎ"},
    };
    for (const FileCase& c : cases) {
        QFile f(c.path);
        errno = 0;
        EXPECT_FALSE(f.open(c.mode)) << c.path.toStdString();
        EXPECT_EQ(errno, c.error) << c.path.toStdString();
        const QString why = ErrorText::forErrno(errno);
        EXPECT_TRUE(why.contains(QString::fromUtf8(c.says))) << why.toStdString();
    }
    EXPECT_TRUE(ErrorText::forErrno(ENOSPC).contains("空き"));
    EXPECT_TRUE(ErrorText::forErrno(EACCES).contains("権限"));
    EXPECT_TRUE(ErrorText::forErrno(EROFS).contains("読み取り専用"));
}

} // namespace

namespace {

// A member code longer than its column, typed into the grid: the user reads the
// column's caption and that the value was not stored, and the row keeps the rest.
TEST_F(ErrorTextTest, ATooLongCodeInTheGridIsNamedByItsCaption)
{
    auto db = createTestDatabase(folder.file("w.fdb"));
    execCommitted(*db, {"create table BUZAI_S (CNT integer, NAME01 varchar(40), B_CD varchar(20))"});
    execCommitted(*db, {"insert into BUZAI_S (CNT,NAME01) values (1,'部材')"});
    TableDataset ds(db.get(), QStringLiteral("BUZAI_S"), QStringLiteral("CNT"));
    ds.open();
    ds.setValue(QStringLiteral("B_CD"), QString(25, u'9'));
    const DbError e = dbErrorOf([&] { ds.post(); });
    const auto [shown, details] = DbError::splitDetails(e.text());
    EXPECT_TRUE(shown.startsWith("「部材CD」の値が長すぎるため、保存できませんでした。\n何も変更していません。"))
        << shown.toStdString();
    EXPECT_TRUE(details.contains("string right truncation")) << details.toStdString();
    ds.cancel();
    EXPECT_EQ(rowsOf(*db, "select NAME01, B_CD from BUZAI_S"), QStringList{"部材|∅"});
}

} // namespace
