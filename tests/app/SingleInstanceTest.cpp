#include <QDeadlineTimer>
#include <QProcess>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (QProcess* p : {&m_first, &m_second}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }

    // Each run uses its own instance name so that parallel test runs don't meet.
    void start(QProcess& process, const QString& title)
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(SINGLE_INSTANCE_PROBE), {title, m_name});
    }

    static bool waitForOutput(QProcess& process, const QByteArray& text, QByteArray& seen)
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

    const QString m_name = QStringLiteral("masment_test_") + QUuid::createUuid().toString(QUuid::Id128);
    QProcess m_first;
    QProcess m_second;
};

// A second start activates the first and exits with 1; once the first has
// crashed, the lock and socket it left behind do not block a new start.
TEST_F(SingleInstanceTest, SecondStartActivatesTheFirstUntilItCrashes)
{
    QByteArray firstOut, secondOut;
    start(m_first, QStringLiteral("部材マスター登録 A"));
    ASSERT_TRUE(waitForOutput(m_first, "READY", firstOut)) << firstOut.constData();

    start(m_second, QStringLiteral("部材マスター登録 B"));
    ASSERT_TRUE(m_second.waitForFinished(10000));
    EXPECT_EQ(QProcess::NormalExit, m_second.exitStatus());
    EXPECT_EQ(1, m_second.exitCode());
    EXPECT_FALSE(m_second.readAllStandardOutput().contains("READY"));

    // The first window was minimised; the knock brings it back to normal.
    EXPECT_TRUE(waitForOutput(m_first, "ACTIVATED normal", firstOut)) << firstOut.constData();
    EXPECT_EQ(QProcess::Running, m_first.state());

    m_first.kill(); // no clean-up
    ASSERT_TRUE(m_first.waitForFinished(5000));
    start(m_second, QStringLiteral("third"));
    EXPECT_TRUE(waitForOutput(m_second, "READY", secondOut)) << secondOut.constData();
}

} // namespace
