#pragma once

#include "UiSeams.h"

#include <QElapsedTimer>

#include <memory>

class QProgressDialog;
class QWidget;

// Progress of the file import for the import dialog: after a second of work a
// small window shows how far it is, with a 中止 button. The events of the program
// (that button, the close box, the end of the session) are taken in a few times
// a second, not at every line, so that reporting costs the import nothing.
class ImportProgress : public ProgressSink {
public:
    explicit ImportProgress(QWidget* parent);
    ~ImportProgress() override;

    void start(int maximum) override;
    void step(int by) override;
    void finish() override;
    bool cancelled() override;

    // Asks the import to stop (the dialog is being closed, the session ends).
    void cancel() { m_cancelled = true; }
    // The progress window; null until the work has lasted a second.
    QProgressDialog* window() const { return m_window.get(); }

    static constexpr int kShowAfterMs = 1000;
    static constexpr int kUpdateEveryMs = 50;

private:
    void update();

    QWidget* m_parent;
    std::unique_ptr<QProgressDialog> m_window;
    QElapsedTimer m_started, m_updated;
    int m_maximum = 0;
    int m_value = 0;
    bool m_cancelled = false;
};
