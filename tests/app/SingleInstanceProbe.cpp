// A minimal program start for the single-instance test:
//   single_instance_probe <window title> <instance name>
// Prints READY once it is the one instance and ACTIVATED each time a later start
// knocks; exits with 1 when another instance is running.
#include "SingleInstance.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    SingleInstance instance(args.at(2));
    if (!instance.isPrimary())
        return 1;

    QWidget window;
    window.setWindowTitle(args.at(1));
    window.showMinimized();
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, [&window] {
        SingleInstance::raiseWindow(&window);
        std::printf("ACTIVATED %s\n", window.isMinimized() ? "minimized" : "normal");
        std::fflush(stdout);
    });
    std::printf("READY\n");
    std::fflush(stdout);
    return app.exec();
}
