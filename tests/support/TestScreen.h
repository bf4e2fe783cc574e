#pragma once

#include "MainScreen.h"
#include "QueuedConfirmation.h"

#include <QDir>
#include <QList>
#include <QStringList>

// The main window as the commands see it in tests: a chosen tab and selection,
// questions and file dialogs answered from queues, progress and toolbar counted.
class TestScreen : public MainScreen, public FileChooser, public ProgressSink {
public:
    Tab tab = Tab::Member;
    QList<int> selection;
    bool narrowed = false;
    QueuedConfirmation confirm;
    QStringList openAnswers;
    QString saveAnswer;    // the save dialog's result; empty is Cancel
    QStringList saveShown; // proposed path, filter, suffix of each showing
    QString cwdWhileShown; // the current directory while the save dialog is open
    int mainToolbarShown = 0;
    int progressStarts = 0, progressSteps = 0, progressFinishes = 0;

    Tab activeTab() const override { return tab; }
    void showTab(Tab t) override { tab = t; }
    bool convertPastDetails(Tab) const override { return false; }
    void beginWork(Tab) override {}
    void endWork(Tab) override {}
    void setMemberGridEnabled(bool) override {}
    QList<int> selectedRows(Tab t) const override { return t == tab ? selection : QList<int>{}; }
    void clearSelectedRows(Tab) override { selection.clear(); }
    void showMainToolbar() override { ++mainToolbarShown; }
    bool memberGridNarrowed() const override { return narrowed; }
    Confirmation& confirmation() override { return confirm; }
    ProgressSink& progress() override { return *this; }
    FileChooser& files() override { return *this; }

    QString openFileName(const QString&, const QString&, const QString&) override
    {
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    QString saveFileName(const QString&, const QString& proposed, const QString& filter, const QString& suffix) override
    {
        saveShown << proposed << filter << suffix;
        cwdWhileShown = QDir::currentPath();
        return saveAnswer;
    }
    void start(int) override { ++progressStarts; }
    void step(int by) override { progressSteps += by; }
    void finish() override { ++progressFinishes; }
};
