#pragma once

#include "MainScreen.h"
#include "QueuedConfirmation.h"

#include <QDir>
#include <QList>
#include <QStringList>

// The main window as the commands see it in tests and benchmarks: a chosen tab
// and selection, questions, pickers and file dialogs answered from queues
// (questions OK, pickers and dialogs cancelled when the queue is empty),
// progress and toolbar counted.
class TestScreen : public MainScreen, public FileChooser, public ProgressSink, public MemberPickers {
public:
    Tab tab = Tab::Member;
    bool pastDetails = false; // "変更登録時に過去の明細も変換する。"
    QList<int> selection;
    bool narrowed = false;
    QString gridColumn;                 // the member grid's column under the cursor
    QList<TextDialog> textDialogsShown; // each cancelled
    QueuedConfirmation confirm;
    AlwaysGoOn goOn;
    QStringList openAnswers;
    QString saveAnswer;                        // the save dialog's result; empty is Cancel
    QStringList saveShown;                     // proposed path, filter, suffix of each showing
    QString cwdWhileShown;                     // the current directory while the save dialog is open
    QList<bool> pickAnswers;                   // OK or Cancel of each picker shown
    QStringList pickersShown;                  // "unit", "account", "vendor 301" for each picker shown
    QList<std::optional<double>> calculations; // each calculator's result
    QList<double> amounts;                     // what each calculator was opened on
    int mainToolbarShown = 0;
    int progressStarts = 0, progressSteps = 0, progressFinishes = 0;

    Tab activeTab() const override { return tab; }
    void showTab(Tab t) override { tab = t; }
    bool convertPastDetails(Tab) const override { return pastDetails; }
    void beginWork(Tab) override {}
    void endWork(Tab) override {}
    void setMemberGridEnabled(bool) override {}
    bool memberGridNarrowed() const override { return narrowed; }
    void endNarrowing() override { narrowed = false; }
    void abandonNarrowing() override { narrowed = false; }
    void resetSearchFields() override {}
    QList<int> selectedRows(Tab t) const override { return t == tab ? selection : QList<int>{}; }
    void clearSelectedRows(Tab) override { selection.clear(); }
    void showMainToolbar() override { ++mainToolbarShown; }
    QString memberGridColumn() const override { return gridColumn; }
    bool showTextDialog(TextDialog d) override
    {
        textDialogsShown << d;
        return false;
    }
    MemberPickers& pickers() override { return *this; }
    Confirmation& confirmation() override { return confirm; }
    ProgressSink& progress() override { return *this; }
    FileChooser& files() override { return *this; }
    RenumberingQuestions& renumberingQuestions() override { return goOn; }

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

    bool pickUnit() override { return pick(QStringLiteral("unit")); }
    bool pickAccount() override { return pick(QStringLiteral("account")); }
    bool pickVendor(int workType) override { return pick(QStringLiteral("vendor %1").arg(workType)); }
    std::optional<double> calculate(double amount) override
    {
        amounts << amount;
        return calculations.isEmpty() ? std::nullopt : calculations.takeFirst();
    }

private:
    bool pick(const QString& which)
    {
        pickersShown << which;
        return !pickAnswers.isEmpty() && pickAnswers.takeFirst();
    }
};
