#include "DataModule.h"
#include "Database.h"
#include "Form1.h"
#include "MassageForm.h"
#include "SingleInstance.h"
#include "SystemConfig.h"

#include <QApplication>
#include <QMessageBox>

// The command line is not read: the suite starts the program in its program
// folder, and everything it needs is found from there.
int main(int argc, char** argv)
{
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
