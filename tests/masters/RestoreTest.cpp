#include "RestoreCommand.h"

#include "DataModule.h"
#include "Database.h"
#include "MasterLoads.h"
#include "ProgramState.h"
#include "WorkRig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct RestoreRig : WorkRig<> {
    MasterLoads loads{*dm, screen};
    CommandContext ctx{*dm, state, screen, loads};
    RestoreCommand command{ctx};

    RestoreRig()
    {
        // A second attachment of the test process plays the other program.
        command.own = OwnAttachments::ListedOnly;
        state.computerName = QStringLiteral("PC-01");
        product({"insert into MAS_KOUSYU_01 (CNT, BL_kubun, NAME01) values (1, 1, '基礎工事')",
                 "insert into MAS_KOUSYU_01 (CNT, BL_kubun, NAME01) values (2, 2, '髙木〜工事')",
                 "insert into MAS_BUZAI (BL_kubun, BM_kubun, BS_kubun, NAME01, KIN_01) values (1, 1, 1, '生コン', 1.5)",
                 "insert into DAT_MEISAI03 (ID, L_kubun, M_kubun, KU_KOUSYU) values (7, 1, 1, 101)",
                 "insert into LOOK_TANI (CD, NAME) values (1, 'ｍ３')"});
    }

    QString productFile() const { return pathOnEngine(conn.IBDatabase1.databaseName()); }
    Backups store() const { return Backups(Backups::folderFor(productFile())); }

    // A backup of the product database now, as a registration takes one.
    BackupFile takeBackup(const QString& what)
    {
        const Backups backups = store();
        QDir().mkpath(backups.folder());
        FbServices::backup(serviceLoginOf(conn.IBDatabase1), productFile(),
                           backups.nameFor(QDateTime::currentDateTime(), state.computerName, what));
        return backups.list().first();
    }

    // Every table of the product database with its rows, through a connection of its own.
    QStringList everyTable()
    {
        auto db = connectTestDatabase(conn.IBDatabase1.databaseName(), QStringLiteral("check"));
        QStringList out;
        for (const QString& table : columnValues(*db,
                                                 "select trim(RDB$RELATION_NAME) as N from RDB$RELATIONS "
                                                 "where RDB$SYSTEM_FLAG = 0 and RDB$VIEW_BLR is null order by 1",
                                                 "N")) {
            QStringList rows = rowsOf(*db, "select * from " + table);
            rows.sort();
            out << table + ": " + rows.join(QStringLiteral(" / "));
        }
        return out;
    }

    void changeProduct()
    {
        product({"delete from MAS_KOUSYU_01 where BL_kubun = 2", "update MAS_BUZAI set NAME01 = '変更後'",
                 "insert into LOOK_TANI (CD, NAME) values (2, '式')", "create table EXTRA (N integer)"});
    }

    QStringList besideProduct() const
    {
        return QFileInfo(productFile()).absoluteDir().entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    }
};

} // namespace

// Back to the backup: every table as it was when it was taken, the replaced
// database kept as one more backup, which in turn gives the changes back.
TEST(Restore, GivesBackEveryTableAndKeepsTheReplacedDatabase)
{
    RestoreRig rig;
    const QStringList before = rig.everyTable();
    const BackupFile backup = rig.takeBackup(QStringLiteral("大項目登録"));
    rig.changeProduct();
    const QStringList changed = rig.everyTable();
    ASSERT_NE(changed, before);
    const QStringList filesBefore = rig.besideProduct();

    EXPECT_EQ(rig.command.restore(backup), RestoreCommand::Outcome::Restored)
        << rig.screen.confirm.messages.join('\n').toStdString();
    EXPECT_EQ(rig.everyTable(), before);
    EXPECT_EQ(rig.besideProduct(), filesBefore); // no restore file left behind
    EXPECT_GE(rig.screen.progressSteps, 1);
    EXPECT_EQ(rig.screen.progressFinishes, 1);
    // The program's own connection works on the restored database.
    EXPECT_EQ(rowsOf(rig.conn.IBDatabase1, "select NAME01 from MAS_BUZAI"), QStringList{"生コン"});

    const QList<BackupFile> list = rig.store().list();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list.first().what, RestoreCommand::replacedWhat());
    EXPECT_EQ(list.first().computer, QStringLiteral("PC-01"));
    EXPECT_TRUE(rig.screen.confirm.messages.last().contains(QFileInfo(list.first().path).fileName()));
    EXPECT_EQ(rig.command.restore(list.first()), RestoreCommand::Outcome::Restored)
        << rig.screen.confirm.messages.join('\n').toStdString();
    EXPECT_EQ(rig.everyTable(), changed);
}

// Nothing is asked or written while another program is attached; it is named.
// いいえ at either question leaves everything as it was.
TEST(Restore, RefusedWithAnotherAttachmentAndStoppedByEitherNo)
{
    RestoreRig rig;
    const BackupFile backup = rig.takeBackup(QStringLiteral("中項目登録"));
    rig.changeProduct();
    const QStringList changed = rig.everyTable();
    const QStringList files = rig.besideProduct();
    {
        const auto other = connectTestDatabase(rig.conn.IBDatabase1.databaseName(), "other");
        EXPECT_EQ(rig.command.restore(backup), RestoreCommand::Outcome::Refused);
        ASSERT_EQ(rig.screen.confirm.modes, QList<int>{Confirmation::Notice});
        EXPECT_TRUE(rig.screen.confirm.messages.first().contains("使用中"))
            << rig.screen.confirm.messages.first().toStdString();
        // The other program is this test process.
        EXPECT_TRUE(rig.screen.confirm.messages.first().contains(QString::number(QCoreApplication::applicationPid())));
    }
    for (const QList<int>& answers : {QList<int>{Confirmation::No}, QList<int>{Confirmation::Ok, Confirmation::No}}) {
        rig.screen.confirm = {};
        rig.screen.confirm.answers = answers;
        EXPECT_EQ(rig.command.restore(backup), RestoreCommand::Outcome::Cancelled);
        EXPECT_EQ(rig.screen.confirm.messages.size(), answers.size());
        EXPECT_EQ(rig.everyTable(), changed);
        EXPECT_EQ(rig.besideProduct(), files);
        EXPECT_EQ(rig.store().list().size(), 1);
    }
    // The second question names what is lost: everything since the backup's time.
    EXPECT_TRUE(rig.screen.confirm.messages.last().contains(backup.taken.toString("yyyy/MM/dd HH:mm:ss")));
    EXPECT_TRUE(rig.screen.confirm.messages.last().contains("すべて失われます"));
}

// A damaged backup fails the restore, and the product database stays as it was:
// its tables and the files beside it.
TEST(Restore, DamagedBackupLeavesTheProductAsItWas)
{
    RestoreRig rig;
    const BackupFile good = rig.takeBackup(QStringLiteral("大項目登録"));
    rig.changeProduct();
    BackupFile damaged = good;
    damaged.path = good.path + QStringLiteral(".damaged");
    {
        QFile in(good.path), out(damaged.path);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
        QByteArray bytes = in.readAll();
        bytes.truncate(bytes.size() / 2);
        for (qsizetype i = 2048; i < bytes.size(); i += 512)
            bytes[i] = char(0xA5);
        out.write(bytes);
    }
    const QStringList changed = rig.everyTable();
    const QStringList files = rig.besideProduct();

    EXPECT_EQ(rig.command.restore(damaged), RestoreCommand::Outcome::Failed);
    EXPECT_TRUE(rig.screen.confirm.messages.last().contains("製品データベースは元のままです"));
    EXPECT_EQ(rig.everyTable(), changed);
    EXPECT_EQ(rig.besideProduct(), files);
    EXPECT_EQ(rig.store().list().size(), 1); // nothing was replaced, so nothing kept
    EXPECT_EQ(rig.screen.progressFinishes, 1);
    EXPECT_EQ(rowsOf(rig.conn.IBDatabase1, "select count(*) from MAS_KOUSYU_01"), QStringList{"1"});
}

// The program killed in the middle of a restore: the product database is still
// the one it was and usable, and the next restore works.
TEST(Restore, KilledHalfwayLeavesAUsableProductAndTheNextRestoreWorks)
{
    RestoreRig rig;
    const QStringList before = rig.everyTable();
    const BackupFile backup = rig.takeBackup(QStringLiteral("大項目登録"));
    rig.changeProduct();
    const QStringList changed = rig.everyTable();
    // The embedded engine lets one process at a time open the files.
    rig.dm.reset();
    rig.conn.closeAll();

    QProcess probe;
    probe.start(QStringLiteral(MASMENT_RESTORE_PROBE),
                {rig.productFile(), rig.folder.file("MAS_MENT.fdb"), backup.path});
    QByteArray seen;
    while (!seen.contains("RESTORING") && probe.waitForReadyRead(20000))
        seen += probe.readAllStandardOutput();
    ASSERT_TRUE(seen.contains("RESTORING")) << seen.toStdString() << probe.readAllStandardError().toStdString();
    probe.kill(); // SIGKILL
    ASSERT_TRUE(probe.waitForFinished(10000));

    EXPECT_EQ(rig.everyTable(), changed);
    for (Database* db : {&rig.conn.IBDatabase1, &rig.conn.IBDatabase2, &rig.conn.IBDatabase3, &rig.conn.IBDatabase4}) {
        db->open();
        db->transaction().start();
    }
    rig.dm = std::make_unique<TDM2>(rig.conn);
    MasterLoads loads{*rig.dm, rig.screen};
    CommandContext ctx{*rig.dm, rig.state, rig.screen, loads};
    RestoreCommand again{ctx};
    again.own = OwnAttachments::ListedOnly;
    EXPECT_EQ(again.restore(backup), RestoreCommand::Outcome::Restored)
        << rig.screen.confirm.messages.join('\n').toStdString();
    EXPECT_EQ(rig.everyTable(), before);
    for (const QString& name : rig.besideProduct())
        EXPECT_FALSE(RestoreCommand::isFreshName(name)) << name.toStdString();
}
