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
    const MasterTab tab = m_ctx.activeTab ? m_ctx.activeTab() : MasterTab::Major;
    if (!loaded(tab)) {
        m_ctx.confirm.ask(Confirmation::Notice, notLoadedMessage());
        return;
    }
    switch (tab) {
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

QString RegisterCommand::notLoadedMessage()
{
    return QStringLiteral("マスターの読込が完了していないため、登録できません。\n"
                          "製品データベースに接続できることを確かめ、タブを表示し直して読み込んでから登録してください。");
}

// A tab's list is registered only over a complete copy of its master, and the lists
// it depends on (the current major and middle category) must be complete too.
bool RegisterCommand::loaded(MasterTab tab) const
{
    if (!m_ctx.loadCompleted)
        return true;
    switch (tab) {
    case MasterTab::Member:
        if (!m_ctx.loadCompleted(MasterTab::Member))
            return false;
        [[fallthrough]];
    case MasterTab::Middle:
        if (!m_ctx.loadCompleted(MasterTab::Middle))
            return false;
        [[fallthrough]];
    case MasterTab::Major:
        return m_ctx.loadCompleted(MasterTab::Major);
    case MasterTab::Unit:
        return m_ctx.loadCompleted(MasterTab::Unit);
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
