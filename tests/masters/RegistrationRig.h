#pragma once

#include "CodeRenumbering.h"
#include "DataModule.h"
#include "MasterLoads.h"
#include "ProgramState.h"
#include "RegisterCommand.h"
#include "TestDb.h"
#include "TestScreen.h"

#include <QStringList>
#include <QVariant>

#include <array>
#include <functional>
#include <memory>
#include <string>

using Rows = QStringList;
using Values = QList<QPair<QString, QVariant>>;

// "insert into <into> values (<tuple>)" for each tuple.
QStringList inserts(const QString& into, const QStringList& tuples);

// The reference renumbering: one equality update per grid row and table, in grid order.
RenumberStrategy renumberRowByRow();

// Answers the questions before a renumbering from a queue (go on when empty) and
// keeps what they showed.
class RecordingQuestions : public RenumberingQuestions {
public:
    Answer othersConnected(const QList<OtherAttachment>& others) override { return next(othersShown, others); }
    Answer renumbering(const RenumberingOutline& outline) override { return next(outlines, outline); }
    QList<Answer> answers;
    QList<QList<OtherAttachment>> othersShown;
    QList<RenumberingOutline> outlines;

private:
    template <typename T>
    Answer next(QList<T>& shown, const T& what)
    {
        shown << what;
        return answers.isEmpty() ? GoOn : answers.takeFirst();
    }
};

// The main window as the registrations see it: answers from its fields, keeps
// whether the work hides it, whether progress shows and what is done to the search fields.
class RecordingScreen : public TestScreen {
public:
    explicit RecordingScreen(QStringList& events) : m_events(events) { tab = Tab::Major; }
    bool convertPastDetails(Tab) const override { return convertDetails; }
    void beginWork(Tab) override { hidden = true; }
    void endWork(Tab) override { hidden = false; }
    void setMemberGridEnabled(bool enabled) override { memberGridEnabled = enabled; }
    void endNarrowing() override
    {
        m_events << "endNarrowing";
        narrowed = false;
    }
    void resetSearchFields() override { m_events << "resetSearchFields"; }
    RenumberingQuestions& renumberingQuestions() override { return questions; }
    void start(int) override { visible = true; }
    void step(int) override
    {
        if (onStep)
            onStep();
    }
    void finish() override { visible = false; }

    bool convertDetails = true;
    bool hidden = false;
    bool memberGridEnabled = true;
    bool visible = false;         // the progress
    std::function<void()> onStep; // something that happens while a registration writes
    RecordingQuestions questions;

private:
    QStringList& m_events;
};

// The loads only noted: the registrations' own effects stay in the work tables
// for the tests to read.
class RecordingLoads : public MasterLoads {
public:
    RecordingLoads(TDM2& dm, MainScreen& screen, QStringList& events) : MasterLoads(dm, screen), m_events(events) {}
    void Button2Click() override { m_events << "majorLoad"; }
    void Button3Click() override { m_events << "middleLoad"; }
    void Button4Click() override { m_events << "memberLoad"; }
    void Button8Click() override { m_events << "unitLoad"; }
    bool completed(Tab) const override { return true; }

private:
    QStringList& m_events;
};

// A product database built from the schema, a work database with the category,
// member and unit work tables, the data module and a recording main form.
class RegistrationRig {
public:
    RegistrationRig();
    ~RegistrationRig();

    TestFolder folder;
    Connections conn;
    std::unique_ptr<TDM2> dm = connectDataModule(folder, conn);
    ProgramState state;
    QStringList events; // loads and search-field calls, in order
    RecordingScreen screen{events};
    QueuedConfirmation& confirm = screen.confirm;
    RecordingQuestions& questions = screen.questions;
    RecordingScreen& progress = screen; // the progress it shows
    RecordingLoads loads{*dm, screen, events};
    CommandContext ctx{*dm, state, screen, loads};
    std::unique_ptr<RegisterCommand> command;

    // Statements, each list committed.
    void product(const QStringList& statements) { execCommitted(conn.IBDatabase1, statements); }
    void work(const QStringList& statements);
    // One work row through parameters, so quotes, line breaks and NULLs go in as typed.
    void workRow(const QString& table, const Values& values);
    void addJikkouColumns();

    // Rows of a query as "a|b|c" (NULL as "∅").
    Rows productRows(const QString& sql);
    Rows workRows(const QString& sql);

    // Every product table, rows sorted; e_date01 left out unless asked for.
    QString dumpProduct(bool withTimestamps = false);
    // The four work tables the tabs edit, in grid order.
    Rows workTables();
    // Both, timestamps included: what a registration that changes nothing leaves.
    std::string everything() { return (dumpProduct(true) + workTables().join('\n')).toStdString(); }

    // Majors 1, 2 with middles 1, 2 each, and members, schedule rows and past
    // details under them; every row names the category it belongs to.
    void standardProduct();
    // The standard product with more members, schedule lines and units, and rows to
    // register in every tab, so that each registration gets past its questions.
    void fillEveryTab();

    // The grids of the four tabs, in tab order.
    std::array<TableDataset*, 4> grids() { return {&dm->IBT_dai, &dm->IBT_chu, &dm->IBT_bu, &dm->IBT_TANI}; }
    // Opens the grids (but the major grid when asked) and presses the register button on `on`.
    void registerTab(Tab on, bool majorGridClosed = false);
    // Empties every product row and every category, member and unit work row.
    void clearAll();
    // Whether the last registration got through.
    bool registered() const { return confirm.messages.contains("登録しました。"); }

private:
    void freshWorkSnapshots();
};
