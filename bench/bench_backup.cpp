// Times the backup a major registration takes before it rewrites the past
// details, on the product database of realistic size (100 major × 20 middle
// categories, 20,000 members, 500,000 past detail rows): beside gbak's own
// backup of the same database, and beside the registration it protects, which it
// should not outlast.
#include "Backups.h"
#include "BenchFolder.h"
#include "BenchProduct.h"
#include "BenchScreen.h"
#include "Connections.h"
#include "DataModule.h"
#include "ListGuard.h"
#include "ProgramState.h"
#include "RegisterCommand.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

// The first bar a registration shows is its backup's: when it starts and ends.
class BackupBar : public ProgressSink {
public:
    BackupBar() { m_clock.start(); }
    void start(int) override
    {
        if (m_started < 0)
            m_started = m_clock.nsecsElapsed();
    }
    void step(int) override {}
    void finish() override
    {
        if (m_started >= 0 && m_finished < 0)
            m_finished = m_clock.nsecsElapsed();
    }
    double seconds() const { return m_finished < 0 ? 0.0 : double(m_finished - m_started) / 1e9; }

private:
    QElapsedTimer m_clock;
    qint64 m_started = -1, m_finished = -1;
};

class Screen : public BenchScreen {
public:
    ProgressSink& progress() override { return bar; }
    BackupBar bar;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    BenchFolder folder;
    Connections conn;
    conn.setProductPath(folder.productPath);
    conn.setWorkPath(folder.workPath);
    for (Database* db : {&conn.IBDatabase1, &conn.IBDatabase2, &conn.IBDatabase3, &conn.IBDatabase4})
        db->open();
    const QString gbak = QStandardPaths::findExecutable("gbak");
    if (gbak.isEmpty()) {
        std::fprintf(stderr, "gbak not found\n");
        return 1;
    }

    return runBench([&] {
        std::printf("building product database ...\n");
        buildProduct(conn.IBDatabase1);
        createWorkTables(conn.IBDatabase2);
        readRewrittenTables(conn.IBDatabase1);

        // gbak's own backup: a program of its own with its own engine, so the
        // program's connection lets go of the file meanwhile.
        conn.IBDatabase1.close();
        const QString gbakFile = folder.dir.filePath("gbak.fbk");
        int exitCode = -1;
        const double bound = timed([&] {
            exitCode = QProcess::execute(
                gbak, {"-b", "-user", "SYSDBA", "-password", "tollgates", folder.productPath, gbakFile});
        });
        if (exitCode != 0)
            throw DbError(QStringLiteral("gbak failed (%1)").arg(exitCode));
        std::printf("  gbak's backup: %lld bytes\n", QFileInfo(gbakFile).size());
        QFile::remove(gbakFile);
        conn.IBDatabase1.open();

        TDM2 dm(conn);
        Screen screen;
        NoReload loads(dm, screen);
        ProgramState state;
        state.registrationPermitted = true;
        state.computerName = "BENCH";
        CommandContext ctx{dm, state, screen, loads};
        RegisterCommand command(ctx);
        // Majors in reverse order: every code of every table changes.
        fill(conn.IBDatabase2, "insert into BUZAI_DAI (CNT,BL_kubun,NAME01) values (:CNT,:BL,:N)", kMajors,
             [&](Query& q, int i) {
                 q.setParam("CNT", i + 1);
                 q.setParam("BL", kMajors - i);
                 q.setParam("N", QStringLiteral("大項目%1").arg(kMajors - i));
             });
        dm.IBT_dai.open();
        screen.tab = Tab::Major;
        loads.setOrigin(Tab::Major, ListGuard::read(conn.IBDatabase1, Tab::Major, {true, 0, 0, {}}, false));
        const double total = timed([&] { command.SB03Click(); });

        const QList<BackupFile> taken = Backups(Backups::folderFor(folder.productPath)).list();
        if (taken.size() != 1)
            throw DbError(QStringLiteral("the registration took %1 backups").arg(taken.size()));
        std::printf("  the registration's backup: %lld bytes\n", taken.first().bytes);
        const double backup = screen.bar.seconds();
        reportRow("backup before a registration, with its progress", backup, bound);
        reportRow("  the same beside the major registration without it", backup, total - backup);
        reportRow("major registration with its backup, past details", total);
    });
}
