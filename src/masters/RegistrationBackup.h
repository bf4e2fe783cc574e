#pragma once

#include "CommandContext.h"

#include <QDateTime>
#include <QString>

struct RenumberingOutline;

// The backup of the product database a category registration takes before it
// writes anything, when it will rewrite past documents or remove a category: the
// one change an office cannot undo by editing a grid.
class RegistrationBackup {
public:
    // Decides from what the registration will do whether it needs a backup, and
    // names the backup in the outline for the preview.
    RegistrationBackup(CommandContext& context, RenumberingOutline& outline);

    static bool needed(const RenumberingOutline& outline);

    // The file the backup goes to, as the engine sees it; empty when none is needed.
    const QString& file() const { return m_file; }

    // Takes the backup (the progress shows while it runs), then deletes all but the
    // newest backups SYSTEM.DAT asks to keep. A failure or a stop throws a DbError
    // that says the registration was stopped and why; nothing has been changed then.
    void take();

private:
    CommandContext& m_ctx;
    QString m_file;
};
