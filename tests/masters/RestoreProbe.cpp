// The program in the middle of a restore, for the test that kills it:
//   restore_probe <product database> <work database> <backup file>
// Prints RESTORING when the restore has begun, then waits to be killed.
#include "DataModule.h"
#include "MasterLoads.h"
#include "ProgramState.h"
#include "RestoreCommand.h"
#include "TestScreen.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

namespace {

class StoppedScreen : public TestScreen {
public:
    void step(int) override
    {
        std::printf("RESTORING\n");
        std::fflush(stdout);
        for (;;)
            QThread::sleep(1);
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4)
        return 2;
    Connections conn;
    conn.setProductPath(args.at(1));
    conn.setWorkPath(args.at(2));
    for (Database* db : {&conn.IBDatabase1, &conn.IBDatabase2, &conn.IBDatabase3, &conn.IBDatabase4}) {
        db->open();
        db->transaction().start();
    }
    TDM2 dm(conn);
    ProgramState state;
    StoppedScreen screen;
    MasterLoads loads(dm, screen);
    CommandContext ctx{dm, state, screen, loads};
    RestoreCommand command(ctx);
    BackupFile backup;
    backup.path = args.at(3);
    command.restore(backup);
    return 1; // never reached: the first line of the restore stops here
}
