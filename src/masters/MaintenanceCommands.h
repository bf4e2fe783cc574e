#pragma once

#include "CommandContext.h"

class Query;

#include <QString>

// The maintenance commands of the second toolbar that work on the product
// database directly: piece units without decimals, the masters copied from the
// second product database, and the removal of finishing-schedule rows whose
// schedule is gone.
class MaintenanceCommands {
public:
    explicit MaintenanceCommands(CommandContext& ctx) : m_ctx(ctx) {}

    // Piece units (式, 本, 枚 …) get KETA 0 in the members and schedule rows.
    void SBS_08Click();
    // Member, major and middle master replaced by the second database's: asked
    // first, then copied in one transaction, and the copied rows counted.
    void SBS_09Click();
    void SBS_10Click();
    void SBS_11Click();
    // Schedule rows of schedules that no longer exist removed (unit tab only).
    void SBS_12Click();

    // The piece units as stored, then in the double quotes older data carries.
    static QStringList pieceUnits();

private:
    enum class Master { Members, Majors, Middles };
    void copyMaster(Master master);
    static void bindCopiedRow(Query& q, Master master, const Query& src, int position);
    // The second database open, with `table`; otherwise a notice and false.
    bool openSecond(const QString& table);

    CommandContext& m_ctx;
};
