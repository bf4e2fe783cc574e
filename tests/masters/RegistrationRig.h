#pragma once

#include "CodeRenumbering.h"
#include "DataModule.h"
#include "QueuedConfirmation.h"
#include "RegisterCommand.h"
#include "RegistrationContext.h"
#include "TestDb.h"

#include <QList>
#include <QStringList>
#include <QVariant>

#include <array>
#include <memory>

using Rows = QStringList;
using Values = QList<QPair<QString, QVariant>>;

// "insert into <into> values (<tuple>)" for each tuple.
QStringList inserts(const QString& into, const QStringList& tuples);

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
    void start(int) override { visible = true; }
    void step(int) override {}
    void finish() override { visible = false; }
    bool visible = false;
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
    QueuedConfirmation confirm;
    RecordingScreen screen;
    RecordingProgress progress;
    RegistrationContext ctx{*dm, confirm, progress, screen};
    std::unique_ptr<RegisterCommand> command;

    MasterTab tab = MasterTab::Major;
    bool convertDetails = true;
    bool narrowed = false;
    QStringList events;  // loads and search-field calls, in order

    // Statements, each list committed.
    void product(const QStringList& statements);
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

    // Majors 1, 2 with middles 1, 2 each, and members, schedule rows and past
    // details under them; every row names the category it belongs to.
    void standardProduct();

    // The grids of the four tabs, in tab order.
    std::array<TableDataset*, 4> grids() { return {&dm->IBT_dai, &dm->IBT_chu, &dm->IBT_bu, &dm->IBT_TANI}; }
    // Opens the grids and presses the register button on `on`.
    void registerTab(MasterTab on);
    // Empties every product row and every category, member and unit work row.
    void clearAll();

private:
    static std::unique_ptr<TDM2> connect(TestFolder& folder, Connections& conn);
    void freshWorkSnapshots();
};
