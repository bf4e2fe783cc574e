#include "RegisterCommand.h"

#include "DataModule.h"
#include "DbError.h"
#include "MasterLoads.h"
#include "ProgramState.h"
#include "RegistrationSupport.h"

RegisterCommand::RegisterCommand(CommandContext& context)
    : m_ctx(context), m_workTypes(context), m_members(context), m_units(context)
{
}

void RegisterCommand::SB03Click()
{
    Connections& conn = m_ctx.dm.conn;
    // A fresh product transaction, so the registration sees what others committed.
    try {
        conn.IBTransaction1().stop();
        conn.IBTransaction1().start();
    } catch (const DbError&) {
        conn.IBDatabase1.open();
        conn.IBTransaction1().start();
    }
    if (!m_ctx.state.registrationPermitted) {
        m_ctx.screen.confirmation().ask(Confirmation::Notice, notPermittedMessage());
        return;
    }
    const Tab tab = m_ctx.screen.activeTab();
    if (!loaded(tab)) {
        m_ctx.screen.confirmation().ask(Confirmation::Notice, notLoadedMessage());
        return;
    }
    switch (tab) {
    case Tab::Major: m_workTypes.Button6Click(); break;
    case Tab::Middle: m_workTypes.Button7Click(); break;
    case Tab::Member: registerMembers(); break;
    case Tab::Unit: m_units.Button9Click(); break;
    }
}

QString RegisterCommand::notLoadedMessage()
{
    return QStringLiteral(
        "マスターの読込が完了していないため、登録できません。\n"
        "製品データベースに接続できることを確かめ、タブを表示し直して読み込んでから登録してください。");
}

// A tab's list is registered only over a complete copy of its master, and the lists
// it depends on (the current major and middle category) must be complete too.
bool RegisterCommand::loaded(Tab tab) const
{
    const MasterLoads& loads = m_ctx.loads;
    switch (tab) {
    case Tab::Member:
        if (!loads.completed(Tab::Member))
            return false;
        [[fallthrough]];
    case Tab::Middle:
        if (!loads.completed(Tab::Middle))
            return false;
        [[fallthrough]];
    case Tab::Major: return loads.completed(Tab::Major);
    case Tab::Unit: return loads.completed(Tab::Unit);
    }
    return false;
}

void RegisterCommand::registerMembers()
{
    TableDataset& grid = m_ctx.dm.IBT_bu;
    const auto reopenEnabled = [&] {
        grid.close();
        m_ctx.screen.setMemberGridEnabled(true);
        grid.open();
    };
    Registration::postPending(grid);
    grid.close();
    m_ctx.screen.setMemberGridEnabled(false);
    grid.open();

    if (m_ctx.screen.memberGridNarrowed()) {
        m_ctx.screen.endNarrowing();
        reopenEnabled();
        return;
    }
    m_ctx.screen.resetSearchFields();
    try {
        m_members.Button5Click();
        if (m_members.refusedAsStale()) {
            reopenEnabled();
            return;
        }
        m_ctx.loads.Button4Click();
    } catch (...) {
        Registration::quietly(reopenEnabled);
        throw;
    }
    reopenEnabled();
}
