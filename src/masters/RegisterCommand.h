#pragma once

#include "CommandContext.h"
#include "MemberRegistration.h"
#include "UnitRegistration.h"
#include "WorkTypeRegistration.h"

// The register command (SB03, "登　録"): runs the registration of the active tab.
// A narrowed member grid is widened and the whole list registered in one press.
class RegisterCommand {
public:
    explicit RegisterCommand(CommandContext& context);

    void SB03Click();

    static QString notPermittedMessage() { return QStringLiteral("登録には管理者権限が必要です。"); }
    static QString notLoadedMessage();

    WorkTypeRegistration& workTypes() { return m_workTypes; }
    MemberRegistration& members() { return m_members; }
    UnitRegistration& units() { return m_units; }

private:
    bool loaded(Tab tab) const;
    void registerMembers();

    CommandContext& m_ctx;
    WorkTypeRegistration m_workTypes;
    MemberRegistration m_members;
    UnitRegistration m_units;
};
