#include "TerminationWatcher.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

sigset_t terminationSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

void rejectLater(QDialog* dialog)
{
    QTimer::singleShot(0, dialog, &QDialog::reject);
}

} // namespace

void TerminationWatcher::blockSignals()
{
    const sigset_t set = terminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TerminationWatcher::TerminationWatcher(QObject* parent) : QObject(parent)
{
    const sigset_t set = terminationSignals();
    m_fd = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (m_fd < 0)
        return;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        signalfd_siginfo info;
        while (::read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {}
        request();
    });
}

TerminationWatcher::~TerminationWatcher()
{
    if (qApp)
        qApp->removeEventFilter(this);
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

void TerminationWatcher::request()
{
    if (m_requested)
        return;
    m_requested = true;
    qApp->installEventFilter(this);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible())
            rejectLater(dialog);
    if (onRequest)
        onRequest();
    // Leaves every running event loop, the nested ones of dialogs included.
    QCoreApplication::exit(0);
}

bool TerminationWatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show)
        if (auto* dialog = qobject_cast<QDialog*>(watched))
            rejectLater(dialog);
    return QObject::eventFilter(watched, event);
}
