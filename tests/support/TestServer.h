#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A private Firebird server on a loopback port (scripts/fbserver.sh): its own
// root, configuration, security database (sysdba / tollgates) and lock folder.
class TestServer {
public:
    // The server the test run started for the tests that need one, named by
    // MASMENT_FBSERVER_DIR; null when the run has none.
    static TestServer* ofRun();

    // A server of the caller's own in a temporary folder, for tests that stop
    // it; not started yet. Stopped when destroyed.
    TestServer();
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // Starts on `port` (0: a free one); false with the reason in error().
    bool start(int port = 0);
    void stop();
    int port() const { return m_port; }
    const QString& error() const { return m_error; }

    // "127.0.0.1/PORT:path", the connection string NET.TXT holds for it.
    QString connectionString(const QString& path) const;

private:
    explicit TestServer(const QString& dir);
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_dir;
    int m_port = 0;
    bool m_owned = true;
    QString m_error;
};

// Where a test's product database goes: the path itself, or the same file
// through the run's server when the tests run against one, or through the
// server made current by a ProductsOn for the time being.
QString productLocation(const QString& path);

struct ProductsOn {
    explicit ProductsOn(TestServer& server);
    ~ProductsOn();
};
