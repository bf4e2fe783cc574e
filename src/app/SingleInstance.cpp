#include "SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QWidget>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

const QByteArray kActivate = QByteArrayLiteral("activate\n");

QString userName()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
#ifdef Q_OS_UNIX
    // Services and containers often run without USER; the uid is always there.
    if (user.isEmpty())
        user = QStringLiteral("uid%1").arg(::getuid());
#endif
    return user;
}

// Lock and socket names must be plain file names.
QString sanitized(const QString& text)
{
    QString out;
    for (const QChar ch : text)
        out += ch.isLetterOrNumber() || ch == QLatin1Char('_') ? ch : QLatin1Char('_');
    return out;
}

} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), m_serverName(sanitized(name + QLatin1Char('_') + userName()))
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::isPrimary()
{
    if (m_decided)
        return m_primary;
    m_decided = true;
    m_lock = std::make_unique<QLockFile>(QDir(QDir::tempPath()).filePath(m_serverName + QStringLiteral(".lock")));
    // Held for the whole run: only a dead owner (checked by process id) makes it stale.
    m_lock->setStaleLockTime(0);
    m_primary = m_lock->tryLock(0);
    if (m_primary)
        listen();
    else
        knock();
    return m_primary;
}

void SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a crashed owner would block listen(); we hold the lock now.
    QLocalServer::removeServer(m_serverName);
    m_server->listen(m_serverName);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::readKnock);
}

void SingleInstance::readKnock()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const auto readLines = [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() == kActivate)
                    emit activationRequested();
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, readLines);
        readLines();
    }
}

void SingleInstance::knock() const
{
    // The first instance may hold the lock but not yet listen; try for about a second.
    for (int attempt = 0; attempt < 10; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(200)) {
            socket.write(kActivate);
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            if (socket.state() != QLocalSocket::UnconnectedState)
                socket.waitForDisconnected(1000);
            return;
        }
        QThread::msleep(100);
    }
}

void SingleInstance::raiseWindow(QWidget* window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}
