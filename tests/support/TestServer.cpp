#include "TestServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

TestServer* TestServer::ofRun()
{
    static std::unique_ptr<TestServer> run = []() -> std::unique_ptr<TestServer> {
        const QString dir = qEnvironmentVariable("MASMENT_FBSERVER_DIR");
        if (dir.isEmpty())
            return nullptr;
        std::unique_ptr<TestServer> s(new TestServer(dir));
        QFile f(dir + QStringLiteral("/port"));
        if (f.open(QIODevice::ReadOnly))
            s->m_port = f.readAll().trimmed().toInt();
        return s;
    }();
    return run.get();
}

TestServer::TestServer(const QString& dir) : m_dir(dir), m_owned(false) {}

TestServer::TestServer() : m_tmp(std::make_unique<QTemporaryDir>()), m_dir(m_tmp->path()) {}

TestServer::~TestServer()
{
    if (m_owned)
        stop();
}

bool TestServer::start(int port)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FBSERVER_OWNER"), QString::number(QCoreApplication::applicationPid()));
    if (port > 0)
        env.insert(QStringLiteral("FBSERVER_PORT"), QString::number(port));
    else
        env.remove(QStringLiteral("FBSERVER_PORT"));
    p.setProcessEnvironment(env);
    // A server that dies at once on a loaded machine is given two more tries.
    for (int attempt = 0; attempt < 3; ++attempt) {
        p.start(QStringLiteral("bash"), {QStringLiteral(MASMENT_FBSERVER_SCRIPT), QStringLiteral("start"), m_dir});
        if (p.waitForFinished(90000) && p.exitCode() == 0) {
            m_port = QString::fromLatin1(p.readAllStandardOutput()).trimmed().toInt();
            return m_port > 0;
        }
        m_error = QString::fromLocal8Bit(p.readAllStandardError());
    }
    return false;
}

void TestServer::stop()
{
    QProcess p;
    p.start(QStringLiteral("bash"), {QStringLiteral(MASMENT_FBSERVER_SCRIPT), QStringLiteral("stop"), m_dir});
    p.waitForFinished(30000);
}

QString TestServer::connectionString(const QString& path) const
{
    return QStringLiteral("127.0.0.1/%1:%2").arg(m_port).arg(path);
}

namespace {
TestServer* current = nullptr;
} // namespace

ProductsOn::ProductsOn(TestServer& server)
{
    current = &server;
}

ProductsOn::~ProductsOn()
{
    current = nullptr;
}

QString productLocation(const QString& path)
{
    const TestServer* s = current ? current : TestServer::ofRun();
    return s ? s->connectionString(path) : path;
}
