#pragma once

#include "BatchSetting.h"
#include "CommandTable.h"
#include "Connections.h"
#include "DataModule.h"
#include "ExportCommand.h"
#include "ImportCommand.h"
#include "MainScreen.h"
#include "MaintenanceCommands.h"
#include "MasterLoads.h"
#include "MemberGridKeys.h"
#include "MemberRename.h"
#include "MemberSearch.h"
#include "MemberSort.h"
#include "PriceCalculation.h"
#include "ProgramState.h"
#include "RegisterCommand.h"
#include "RestoreCommand.h"
#include "RowCommands.h"
#include "TabSteps.h"
#include "TextReplacement.h"
#include "UnitReplacement.h"
#include "UnitsFromMembers.h"
#include "UnregisteredChanges.h"

#include <memory>

// One run of the program: the program-wide values, the five connections, the data
// module, the loads and the commands. main() creates it, then the window, which
// only receives references; the window is the session's MainScreen.
class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    ProgramState state;
    Connections conn;
    TDM2 dm{conn};

    // The create handler's database steps: the work database made when missing,
    // the computer name, the connection attempts. Returns the message of a work
    // database that could not be created or of a NET.TXT that names no database
    // (empty when all went well).
    QString openDatabases();

    // The show handler's look at LOOK_KIHON: whether the product has the "JUTAKU"
    // row; sets housingRowMissing. False also when the lookup fails.
    bool readHousingRow();

    // Binds the commands to the window; called once the window exists.
    void attach(MainScreen& screen);
    bool attached() const { return m_screen != nullptr; }

    MainScreen& screen() { return *m_screen; }
    MasterLoads& loads() { return *m_loads; }
    TabSteps& tabs() { return *m_tabs; }
    RegisterCommand& registerCommand() { return *m_register; }
    UnregisteredChanges& unregisteredChanges() { return *m_unregistered; }
    CommandTable& commands() { return m_commands; }
    RowCommands& rows() { return *m_rows; }
    MemberSort& sort() { return m_sort; }
    MemberSearch& search() { return m_search; }
    ExportCommand& exportCommand() { return *m_export; }
    ImportCommand& importCommand() { return *m_import; }
    PriceCalculation& priceCalculation() { return *m_price; }
    BatchSetting& batchSetting() { return *m_batch; }
    MemberGridKeys& memberGridKeys() { return *m_gridKeys; }
    TextReplacement& textReplacement() { return *m_replace; }
    MemberRename& memberRename() { return *m_rename; }
    UnitReplacement& unitReplacement() { return *m_unitReplace; }
    UnitsFromMembers& unitsFromMembers() { return m_units; }
    MaintenanceCommands& maintenance() { return *m_maintenance; }
    RestoreCommand& restoreCommand() { return *m_restore; }

private:
    // Returns why NET.TXT names no usable database (empty when it does).
    QString connectAttempts();

    MainScreen* m_screen = nullptr;
    std::unique_ptr<MasterLoads> m_loads;
    std::unique_ptr<TabSteps> m_tabs;
    std::unique_ptr<CommandContext> m_context;
    std::unique_ptr<RegisterCommand> m_register;
    std::unique_ptr<UnregisteredChanges> m_unregistered;
    std::unique_ptr<RowCommands> m_rows;
    std::unique_ptr<ExportCommand> m_export;
    std::unique_ptr<ImportCommand> m_import;
    std::unique_ptr<PriceCalculation> m_price;
    std::unique_ptr<BatchSetting> m_batch;
    std::unique_ptr<MemberGridKeys> m_gridKeys;
    std::unique_ptr<TextReplacement> m_replace;
    std::unique_ptr<MemberRename> m_rename;
    std::unique_ptr<UnitReplacement> m_unitReplace;
    std::unique_ptr<MaintenanceCommands> m_maintenance;
    std::unique_ptr<RestoreCommand> m_restore;
    UnitsFromMembers m_units{dm};
    MemberSort m_sort{dm};
    MemberSearch m_search{dm};
    CommandTable m_commands;
};
