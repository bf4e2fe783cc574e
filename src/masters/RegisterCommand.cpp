#include "RegisterCommand.h"

#include "DbError.h"
#include "ProgramState.h"
#include "RegistrationSupport.h"

RegisterCommand::RegisterCommand(RegistrationContext& context)
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
    if (!programState().registrationPermitted) {
        m_ctx.confirm.ask(Confirmation::Notice, notPermittedMessage());
        return;
    }
    switch (m_ctx.activeTab ? m_ctx.activeTab() : MasterTab::Major) {
    case MasterTab::Major:
        m_workTypes.Button6Click();
        break;
    case MasterTab::Middle:
        m_workTypes.Button7Click();
        break;
    case MasterTab::Member:
        registerMembers();
        break;
    case MasterTab::Unit:
        m_units.Button9Click();
        break;
    }
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

    if (Registration::flag(m_ctx.isNarrowed, false)) {
        Registration::call(m_ctx.endNarrowing);
        reopenEnabled();
        return;
    }
    Registration::call(m_ctx.resetSearchFields);
    try {
        m_members.Button5Click();
        Registration::call(m_ctx.memberLoad);
    } catch (...) {
        Registration::quietly(reopenEnabled);
        throw;
    }
    reopenEnabled();
}
