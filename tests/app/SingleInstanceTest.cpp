#include <QDeadlineTimer>
#include <QProcess>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

// Waits until `process` has printed `text`, collecting its output in `seen`.
bool waitForOutput(QProcess& process, const QByteArray& text, QByteArray& seen)
{
    QDeadlineTimer deadline(10000);
    while (!seen.contains(text) && !deadline.hasExpired()) {
        if (process.state() == QProcess::NotRunning)
            return false;
        process.waitForReadyRead(100);
        seen += process.readAllStandardOutput();
    }
    return seen.contains(text);
}

// A second start activates the first and exits with 1; once the first has
// crashed, the lock and socket it left behind do not block a new start.
TEST(SingleInstance, SecondStartActivatesTheFirstUntilItCrashes)
{
    // Each run uses its own instance name so that parallel test runs don't meet.
    const QString name = QStringLiteral("masment_test_") + QUuid::createUuid().toString(QUuid::Id128);
    QProcess first, second; // killed when destroyed
    const auto start = [&](QProcess& process, const QString& title) {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(SINGLE_INSTANCE_PROBE), {title, name});
    };
    QByteArray firstOut, secondOut;
    start(first, QStringLiteral("部材マスター登録 A"));
    ASSERT_TRUE(waitForOutput(first, "READY", firstOut)) << firstOut.constData();

    start(second, QStringLiteral("部材マスター登録 B"));
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(1, second.exitCode());

    // The first window was minimised; the knock brings it back to normal.
    EXPECT_TRUE(waitForOutput(first, "ACTIVATED normal", firstOut)) << firstOut.constData();

    first.kill(); // no clean-up
    ASSERT_TRUE(first.waitForFinished(5000));
    start(second, QStringLiteral("third"));
    EXPECT_TRUE(waitForOutput(second, "READY", secondOut)) << secondOut.constData();
}

} // namespace
