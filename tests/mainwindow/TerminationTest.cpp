#include "TestDb.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

// The end of a session reaches the real program in whatever state it is, and the
// next start is not locked out by a process that lingers. Parameters: whether
// ../LOCAL is a file (the window's create handler shows its error box; otherwise
// there is no product database and the first load's error box is open), and the
// signal.
class TerminationTest : public ::testing::TestWithParam<std::tuple<bool, int>> {
protected:
    TestFolder folder;

    void startProgram(QProcess& p)
    {
        QDir().mkpath(folder.file("tmp"));
        QDir().mkpath(folder.file("fblock"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", folder.file("tmp"));
        env.insert("FIREBIRD_LOCK", folder.file("fblock"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(folder.programDir());
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QStringLiteral(MASMENT_EXE), {});
        ASSERT_TRUE(p.waitForStarted(10000));
    }
};

TEST_P(TerminationTest, EndsInItsErrorBoxAndTheNextStartRuns)
{
    const auto [localIsAFile, signal] = GetParam();
    QFile blocker(folder.file("LOCAL"));
    ASSERT_TRUE(!localIsAFile || blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QProcess p;
    startProgram(p);
    // The signal comes once the program has had time to reach its error box.
    QThread::msleep(2500);
    ASSERT_EQ(p.state(), QProcess::Running) << "the program ended by itself";
    ::kill(static_cast<pid_t>(p.processId()), signal);
    EXPECT_TRUE(p.waitForFinished(30000)) << "still running after the signal";
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);

    // A later start becomes the running instance instead of exiting at once.
    QFile::remove(folder.file("LOCAL"));
    QProcess next;
    startProgram(next);
    EXPECT_FALSE(next.waitForFinished(2500)) << "the next start exited with " << next.exitCode();
    next.kill();
    next.waitForFinished(10000);
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminationTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Values(SIGTERM, SIGINT)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "StartUpErrorBox" : "LoadErrorBox") +
                                    (std::get<1>(info.param) == SIGTERM ? "_SIGTERM" : "_SIGINT");
                         });
