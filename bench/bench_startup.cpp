// Times start-up to the first painted main window on the demo installation that
// scripts/run lays out: a copy of its folder is named by MASMENT_DEMO_DIR. The
// single-instance guard is left out, so a running program does not hold it up.
#include "BenchScreen.h"
#include "Database.h"
#include "Form1.h"
#include "MASSAGE_FORM.h"
#include "Session.h"
#include "SystemConfig.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

#include <cstdio>

namespace {

// Stops the clock at the first paint of any widget: the main window is the
// first thing start-up shows.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(const QElapsedTimer& clock) : m_clock(clock) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && seconds < 0) {
            seconds = double(m_clock.nsecsElapsed()) / 1e9;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }
    double seconds = -1;

private:
    const QElapsedTimer& m_clock;
};

} // namespace

int main(int argc, char** argv)
{
    QElapsedTimer clock;
    clock.start();
    const QString demo = qEnvironmentVariable("MASMENT_DEMO_DIR");
    if (demo.isEmpty() || !QDir(demo + "/PROG").exists()) {
        std::printf("start-up: skipped, MASMENT_DEMO_DIR names no demo folder (scripts/run lays one out)\n");
        return 0;
    }
    QDir::setCurrent(demo + "/PROG");
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(applicationTitle(readProductTitle(QStringLiteral("."))));
    FirstPaint paint(clock);
    {
        Session session;
        TForm1 form(session);
        TMASSAGE_FORM message(&form);
        MassageConfirmation confirmation(message, &form);
        form.setConfirmation(&confirmation);
        app.installEventFilter(&paint);
        form.show();
        QTimer::singleShot(30000, &app, &QCoreApplication::quit);
        app.exec();
        form.closeWithoutAsking();
    }
    Database::shutdownEngine();
    if (paint.seconds < 0) {
        std::printf("start-up: no paint within 30 s\n");
        return 1;
    }
    reportRow("start-up to the first painted window, demo database", paint.seconds);
    return 0;
}
