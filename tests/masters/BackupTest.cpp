#include "Backups.h"
#include "DbError.h"
#include "FbServices.h"
#include "RegistrationRig.h"
#include "Schema.h"
#include "TestServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

namespace {

// Every product table, rows sorted, timestamps included.
QString everyTable(Database& db)
{
    QString out;
    for (const QString& table : Schema::productTableNames()) {
        QStringList rows = rowsOf(db, "select * from " + table);
        std::sort(rows.begin(), rows.end());
        out += table + ":\n  " + rows.join("\n  ") + '\n';
    }
    return out;
}

QString backupFolder(RegistrationRig& rig)
{
    return backupFolderHere(rig.conn.IBDatabase1.databaseName());
}

void touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write("x");
}

// A folder the engine cannot finish a backup in: a read-only or a tiny file
// system mounted over it, or, without the right to mount, a folder without write
// permission (which only binds a user other than root).
class UnusableFolder {
public:
    UnusableFolder(const QString& path, bool full) : m_path(path)
    {
        QDir().mkpath(path);
        const QString options = full ? "size=4k" : "ro,size=64k";
        m_mounted = QProcess::execute("mount", {"-t", "tmpfs", "-o", options, "tmpfs", path}) == 0;
        if (!m_mounted && !full && geteuid() != 0)
            m_usable = QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
        else
            m_usable = m_mounted;
    }
    ~UnusableFolder()
    {
        if (m_mounted)
            QProcess::execute("umount", {m_path});
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    bool usable() const { return m_usable; }

private:
    QString m_path;
    bool m_mounted = false;
    bool m_usable = false;
};

} // namespace

// The backup taken before a registration that rewrites past details gives the
// product back as it was before it: restored into a new file, every table reads
// as before, and the restored file validates. Only the newest backups stay.
TEST(RegistrationBackup, RestoresTheProductAsBeforeTheRegistration)
{
    RegistrationRig rig;
    rig.fillEveryTab(); // the major grid swaps both categories
    rig.screen.convertDetails = true;
    rig.state.config.backupsKept = 2;
    const QString folder = backupFolder(rig);
    ASSERT_FALSE(folder.isEmpty());
    QDir().mkpath(folder);
    Backups store(folder);
    for (int day = 1; day <= 2; ++day)
        touch(store.nameFor(QDateTime(QDate(2020, 1, day), QTime(9, 0)), "OLD", "大項目登録"));
    const QString before = rig.dumpProduct(true);

    rig.registerTab(Tab::Major);
    ASSERT_TRUE(rig.registered());
    ASSERT_NE(rig.dumpProduct(true), before);

    const QList<BackupFile> kept = store.list();
    ASSERT_EQ(kept.size(), 2);
    EXPECT_EQ(kept[0].computer, "PC1");
    EXPECT_EQ(kept[0].what, "大項目登録");
    EXPECT_EQ(kept[1].taken, QDateTime(QDate(2020, 1, 2), QTime(9, 0)));
    // The preview named the file the backup went to.
    ASSERT_EQ(rig.questions.outlines.size(), 1);
    const QString taken = rig.questions.outlines[0].backup;
    EXPECT_EQ(QFileInfo(taken).fileName(), QFileInfo(kept[0].path).fileName());

    const ServiceLogin login = serviceLoginOf(rig.conn.IBDatabase1);
    const QString restored = rig.folder.file("restored.fdb");
    FbServices::restore(login, taken, restored);
    FbServices::validate(login, restored);
    const auto copy = connectTestDatabase(productLocation(restored), "restored");
    EXPECT_EQ(everyTable(*copy), before);
    copy->close();

    // Restoring never replaces a file.
    try {
        FbServices::restore(login, taken, restored);
        ADD_FAILURE() << "restored over an existing file";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.text().contains("すでにある")) << e.text().toStdString();
    }
}

// A backup that cannot be written stops the registration before anything is
// written: the product and the lists stay as they were, and the user reads why.
TEST(RegistrationBackup, FailedBackupStopsTheRegistration)
{
    const struct {
        bool full;
        const char* reason;
    } cases[] = {{false, "書き込め"}, {true, "ディスクの空きがない"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        RegistrationRig rig;
        rig.fillEveryTab();
        rig.screen.convertDetails = true;
        const UnusableFolder unusable(backupFolder(rig), c.full);
        if (!unusable.usable()) {
            std::cout << "no folder the backup fails in: " << c.reason << '\n';
            continue;
        }
        const QString before = rig.dumpProduct(true);
        const Rows lists = rig.workTables();
        try {
            rig.registerTab(Tab::Major);
            ADD_FAILURE() << "registered without a backup";
        } catch (const DbError& e) {
            EXPECT_TRUE(e.text().contains("バックアップを取れなかったため、登録を中止しました"))
                << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(c.reason)) << e.text().toStdString();
        }
        EXPECT_FALSE(rig.registered());
        EXPECT_EQ(rig.dumpProduct(true), before);
        EXPECT_EQ(rig.workTables(), lists);
    }
}

// A stop asked for while the backup runs ends it without a file left behind.
TEST(RegistrationBackup, StoppedBackupLeavesNoFile)
{
    RegistrationRig rig;
    rig.fillEveryTab();
    const QString folder = backupFolder(rig);
    QDir().mkpath(folder);
    const QString file = Backups(folder).nameFor(QDateTime::currentDateTime(), "PC1", "stop");
    EXPECT_THROW(FbServices::backup(serviceLoginOf(rig.conn.IBDatabase1),
                                    pathOnEngine(rig.conn.IBDatabase1.databaseName()), file,
                                    [](const QString&) { return false; }),
                 DbError);
    EXPECT_FALSE(QFile::exists(file));
}

// Names carry the time, the computer and what was registered through list(),
// whatever characters they hold; other files in the folder are left alone.
TEST(Backups, NamesListAndPrune)
{
    QTemporaryDir dir;
    Backups store(dir.path());
    const QDateTime t0(QDate(2024, 5, 1), QTime(8, 30, 15));
    const struct {
        int minutes;
        QString computer, what, listedComputer, listedWhat;
    } names[] = {{0, "PC1", "大項目登録", "PC1", "大項目登録"},
                 {2, "OFFICE_2", "中項目登録（大項目3）", "OFFICE-2", "中項目登録（大項目3）"},
                 {1, "PC1", "a/b:c*d?\"e\"<f>|g h", "PC1", "a-b-c-d--e--f--g-h"}};
    for (const auto& n : names)
        touch(store.nameFor(t0.addSecs(60 * n.minutes), n.computer, n.what));
    touch(dir.filePath("notes.fbk"));
    touch(dir.filePath("20240501-083015_PC1.txt"));

    const QList<BackupFile> listed = store.list();
    ASSERT_EQ(listed.size(), 3);
    for (const int i : {0, 1, 2}) {
        const auto& n = names[i == 0 ? 1 : i == 1 ? 2 : 0]; // newest first
        EXPECT_EQ(listed[i].taken, t0.addSecs(60 * n.minutes));
        EXPECT_EQ(listed[i].computer, n.listedComputer);
        EXPECT_EQ(listed[i].what, n.listedWhat);
        EXPECT_EQ(listed[i].bytes, 1);
    }
    store.prune(1);
    EXPECT_EQ(store.list().size(), 1);
    EXPECT_EQ(store.list()[0].computer, "OFFICE-2");
    EXPECT_TRUE(QFile::exists(dir.filePath("notes.fbk")));
    // A second backup in the same second gets a name of its own and lists as the newer.
    const QDateTime t1 = t0.addSecs(3600);
    touch(store.nameFor(t1, "PC1", "復元前"));
    const QString second = store.nameFor(t1, "PC1", "復元前");
    EXPECT_FALSE(QFile::exists(second));
    touch(second);
    EXPECT_EQ(store.list().value(0).path, QFileInfo(second).absoluteFilePath());
    EXPECT_EQ(store.list().value(0).what, "復元前");
    store.prune(1);

    // Beside the database, as the engine that writes it sees the folder.
    EXPECT_EQ(Backups::folderFor("/srv/t/TREVOLAN.FDB"), "/srv/t/BACKUP");
    EXPECT_EQ(Backups::folderFor("host/3051:/srv/t/TREVOLAN.FDB"), "/srv/t/BACKUP");
    EXPECT_EQ(Backups::folderFor("SERVER1:D:\\TREVOLAN\\TREVOLAN.FDB"), "D:\\TREVOLAN\\BACKUP");
    EXPECT_EQ(Backups("D:\\TREVOLAN\\BACKUP").nameFor(t0, "PC1", "x"),
              "D:\\TREVOLAN\\BACKUP\\20240501-083015_PC1_x.fbk");
    // Reached from here only on this computer or through the share SYSTEM.DAT names.
    EXPECT_EQ(backupFolderHere("127.0.0.1/3051:/srv/t/T.FDB"), "/srv/t/BACKUP");
    EXPECT_EQ(backupFolderHere("SERVER1:D:\\T\\T.FDB"), "");
    EXPECT_EQ(backupFolderHere("SERVER1:D:\\T\\T.FDB", "/mnt/server1/BACKUP"), "/mnt/server1/BACKUP");
}
