#pragma once

#include "CommandContext.h"

#include <QString>

// Unit registration (Button9, "単位登録"): LOOK_TANI is rewritten from the unit
// grid, each unit numbered by its grid position (an empty row leaves a gap).
// All or nothing: a failure keeps LOOK_TANI as it was and throws the error on.
class UnitRegistration {
public:
    explicit UnitRegistration(CommandContext& context);

    void Button9Click();

    static QString question() { return QStringLiteral("単位マスターを登録しますか？"); }

private:
    void registerUnits();

    CommandContext& m_ctx;
};
