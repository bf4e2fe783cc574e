#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// The end of a session (SIGTERM, SIGINT) ends the program in order, whatever it is
// doing: a start-up error box, a question, a running command between two dialogs.
//
// The signals are blocked in every thread before any is started (the embedded
// database engine must never have its own threads interrupted) and read from a
// signalfd in the event loop. When one arrives, every modal dialog is rejected,
// every event loop is left, and any dialog opened afterwards is rejected as soon
// as it shows, so the code under way runs to its end and main() can close the
// connections.
class TerminationWatcher : public QObject {
    Q_OBJECT
public:
    // Blocks the signals in the calling thread (and so in threads started later).
    // Call before QApplication and before anything starts a thread.
    static void blockSignals();

    // Starts watching; needs the application object.
    explicit TerminationWatcher(QObject* parent = nullptr);
    ~TerminationWatcher() override;

    bool requested() const { return m_requested; }

    // Runs once when the end of the session is requested (e.g. close the window
    // without the exit question).
    std::function<void()> onRequest;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void request();

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    bool m_requested = false;
};
