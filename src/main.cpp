#include "Database.h"
#include "Form1.h"
#include "MASSAGE_FORM.h"
#include "PreviewDialog.h"
#include "QtTranslations.h"
#include "RestoreDialog.h"
#include "Session.h"
#include "SingleInstance.h"
#include "SystemConfig.h"
#include "TerminationWatcher.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

// The command line is not read: the suite starts the program in its program
// folder, and everything it needs is found from there.
int main(int argc, char** argv)
{
    TerminationWatcher::blockSignals();
    QApplication app(argc, argv);
    installQtTranslations(app);
    // Watching starts before anything can show a dialog: the end of the session
    // must end the program even while a start-up error is on the screen.
    TerminationWatcher termination;
    const QString title = applicationTitle(readProductTitle(QStringLiteral(".")));

    SingleInstance instance(QStringLiteral("QRV_41_EDIT"));
    if (!instance.isPrimary())
        return 1; // the running instance has been brought to the front

    try {
        QApplication::setApplicationDisplayName(title);
        QApplication::setApplicationName(QStringLiteral("masment"));
        QFont font = QApplication::font();
        font.setFamilies({QStringLiteral("IPAGothic"), font.family()});
        QApplication::setFont(font);

        Session session;
        TForm1 Form1(session);
        termination.onRequest = [form = QPointer<TForm1>(&Form1)] {
            if (form)
                form->closeWithoutAsking();
        };
        TMASSAGE_FORM MASSAGE_FORM(&Form1);
        MassageConfirmation confirmation(MASSAGE_FORM, &Form1);
        Form1.setConfirmation(&confirmation);
        PreviewQuestions renumbering(&Form1);
        Form1.setRenumberingQuestions(&renumbering);
        DialogBackupPicker backups(&Form1);
        session.restoreCommand().picker = &backups;

        QObject::connect(&instance, &SingleInstance::activationRequested, &Form1,
                         [&Form1] { SingleInstance::raiseWindow(&Form1); });
        if (!termination.requested())
            Form1.show();
        if (!termination.requested())
            app.exec();
    } catch (const std::exception& e) {
        if (!termination.requested())
            QMessageBox::critical(nullptr, title, QString::fromUtf8(e.what()));
    } catch (...) {
        if (!termination.requested())
            QMessageBox::critical(nullptr, title, QString());
    }
    Database::shutdownEngine();
    return 0;
}
