#pragma once

#include "CodeRenumbering.h"
#include "DataModule.h"
#include "RegisterCommand.h"
#include "RegistrationContext.h"
#include "TestDb.h"

#include <QList>
#include <QStringList>

#include <memory>

// Answers questions from a queue (OK when empty) and records what was asked.
class ScriptedConfirmation : public Confirmation {
public:
    int ask(int mode, const QString& message) override
    {
        modes << mode;
        messages << message;
        return answers.isEmpty() ? Ok : answers.takeFirst();
    }
    QList<int> answers;
    QList<int> modes;
    QStringList messages;
};

class RecordingScreen : public RegistrationScreen {
public:
    void beginWork(MasterTab tab) override { calls << QStringLiteral("begin%1").arg(int(tab)); hidden = true; }
    void endWork(MasterTab tab) override { calls << QStringLiteral("end%1").arg(int(tab)); hidden = false; }
    void setMemberGridEnabled(bool enabled) override
    {
        calls << (enabled ? QStringLiteral("enable") : QStringLiteral("disable"));
        memberGridEnabled = enabled;
    }
    QStringList calls;
    bool hidden = false;
    bool memberGridEnabled = true;
};

class RecordingProgress : public ProgressSink {
public:
    void start(int max) override { maximum = max; position = 0; visible = true; }
    void step(int by) override
    {
        if (by < 0)
            monotone = false;
        position += by;
    }
    void finish() override { visible = false; }
    int maximum = -1;
    int position = 0;
    bool visible = false;
    bool monotone = true;
};

// A product database built from the schema, a work database with the category,
// member and unit work tables, the data module and a recording main form.
class RegistrationRig {
public:
    RegistrationRig();
    ~RegistrationRig();

    TestFolder folder;
    Connections conn;
    std::unique_ptr<TDM2> dm = connect(folder, conn);
    ScriptedConfirmation confirm;
    RecordingScreen screen;
    RecordingProgress progress;
    RegistrationContext ctx{*dm, confirm, progress, screen};
    std::unique_ptr<RegisterCommand> command;

    MasterTab tab = MasterTab::Major;
    bool convertDetails = true;
    bool narrowed = false;
    QStringList events;  // loads and search-field calls, in order

    // Statements, each committed.
    void product(const QString& sql);
    void product(const QStringList& statements);
    void work(const QString& sql);
    void work(const QStringList& statements);
    void addJikkouColumns();

    // Rows of a query as "a|b|c" (NULL as "∅").
    QStringList productRows(const QString& sql);
    QStringList workRows(const QString& sql);

    // Every product table, rows sorted; e_date01 left out unless asked for.
    QString dumpProduct(bool withTimestamps = false);

    // Majors 1, 2 with middles 1, 2 each, and members, schedule rows and past
    // details under them; every row names the category it belongs to.
    void standardProduct();

    void openDatasets();
    void closeDatasets();
    // Empties every product row and every category, member and unit work row.
    void clearAll();

private:
    static std::unique_ptr<TDM2> connect(TestFolder& folder, Connections& conn);
};

// The row-by-row renumbering: one equality update per grid row and table, in grid order.
RenumberStrategy renumberRowByRow();
