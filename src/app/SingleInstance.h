#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;
class QWidget;

// Keeps one copy of the program per user. The first start holds a lock file and
// listens on a local socket; a later start knocks on that socket so that the
// first one can bring its window forward, and then gives up.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& name = QStringLiteral("QRV_41_EDIT"), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the one instance. Otherwise the running instance
    // has been asked to come forward (if it could be reached) and false returned.
    bool isPrimary();

    // Restores a minimised window and brings it to the front.
    static void raiseWindow(QWidget* window);

signals:
    void activationRequested();

private:
    void listen();
    void knock() const;
    void readKnock();

    QString m_serverName;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    bool m_primary = false;
    bool m_decided = false;
};
