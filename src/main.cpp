#include "DataModule.h"
#include "Database.h"
#include "Form1.h"
#include "MassageForm.h"
#include "SingleInstance.h"
#include "SystemConfig.h"

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>

#include <csignal>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

// SIGTERM and SIGINT are blocked in every thread before any is started, and read
// from a signalfd in the event loop instead: the embedded database engine must
// never have its own threads interrupted, and the end of a session should close
// the window and the connections in order rather than leave the program running.
int blockTerminationSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0)
        return -1;
    return signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

void quitOnTermination(int fd, TForm1& form)
{
    if (fd < 0)
        return;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, &form);
    QObject::connect(notifier, &QSocketNotifier::activated, &form, [fd, &form] {
        signalfd_siginfo info;
        [[maybe_unused]] const auto n = ::read(fd, &info, sizeof info);
        form.closeWithoutAsking();
        QApplication::exit(0);
    });
}

} // namespace

// The command line is not read: the suite starts the program in its program
// folder, and everything it needs is found from there.
int main(int argc, char** argv)
{
    const int terminationFd = blockTerminationSignals();
    QApplication app(argc, argv);
    const QString title = applicationTitle(readProductTitle(QStringLiteral(".")));

    SingleInstance instance(QStringLiteral("QRV_41_EDIT"));
    if (!instance.isPrimary())
        return 1;  // the running instance has been brought to the front

    int rc = 0;
    try {
        QApplication::setApplicationDisplayName(title);
        QApplication::setApplicationName(QStringLiteral("masment"));
        QFont font = QApplication::font();
        font.setFamilies({QStringLiteral("IPAGothic"), font.family()});
        QApplication::setFont(font);

        TForm1 Form1;
        TDM2 DM2(Form1.conn);
        Form1.setDataModule(&DM2);
        TMASSAGE_FORM MASSAGE_FORM(&Form1);
        MassageConfirmation confirmation(MASSAGE_FORM, &Form1);
        Form1.setConfirmation(&confirmation);
        Form1.registerCommands();

        QObject::connect(&instance, &SingleInstance::activationRequested, &Form1,
                         [&Form1] { SingleInstance::raiseWindow(&Form1); });
        quitOnTermination(terminationFd, Form1);
        Form1.show();
        rc = app.exec();
        rc = 0;
        Form1.conn.closeAll();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, title, QString::fromUtf8(e.what()));
        rc = 0;
    } catch (...) {
        QMessageBox::critical(nullptr, title, QString());
        rc = 0;
    }
    Database::shutdownEngine();
    return rc;
}
