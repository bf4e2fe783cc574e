#pragma once

#include "BackupPicker.h"
#include "Backups.h"
#include "CommandContext.h"
#include "FbServices.h"
#include "OtherAttachments.h"

#include <QString>

#include <functional>

// Goes back to a backup of the product database: lists the backups, and restores
// the chosen one in place of the product database. Nobody else may be attached,
// and the user is asked twice. The backup is restored into a new file beside the
// product database and validated there; only then does the new file replace the
// product database, whose state until now is kept as one more backup ("復元前").
// Until that replacement nothing touches the product database, so a restore that
// fails or is killed leaves it as it was.
class RestoreCommand {
public:
    enum class Outcome { Restored, Cancelled, Refused, Failed };

    explicit RestoreCommand(CommandContext& context) : m_ctx(context) {}

    // The list of backups, then the restore of the one chosen.
    Outcome run();
    // The restore of `chosen`, with the refusals and questions before it.
    Outcome restore(const BackupFile& chosen);

    // Where the product database and its backups are, and whether this computer
    // reaches their folder (the swap is a rename there).
    struct Place {
        ServiceLogin login;
        QString database;     // as the engine sees it
        QString backupFolder; // likewise
        bool reachable = false;
    };
    Place place() const;

    // The list on screen; without one nothing is chosen.
    BackupPicker* picker = nullptr;
    // Asked before the lists on screen are replaced (their unregistered changes);
    // false when the user stays. Set by the session.
    std::function<bool()> mayReplaceLists;
    // Closes the program's other connections to the product database (the member
    // import's) before the swap; they connect again when next used. Set by the session.
    std::function<void()> releaseProduct;
    OwnAttachments own = OwnAttachments::ThisProcess;

    // What the replaced database is kept as, in the list of backups.
    static QString replacedWhat() { return QStringLiteral("復元前"); }
    // The new file before it replaces the product database; never the product's name.
    static QString freshName(const QDateTime& now);
    static bool isFreshName(const QString& fileName);

    static QString noBackupsMessage(const QString& folder);
    static QString serverOnlyMessage(const QString& server, const QString& folder);
    static QString othersMessage(const QList<OtherAttachment>& others);
    static QString firstQuestion(const BackupFile& chosen);
    static QString secondQuestion(const BackupFile& chosen);
    static QString failedMessage(const QString& reason);
    static QString doneMessage(const BackupFile& chosen, const QString& keptAs);

private:
    // A notice naming the other programs attached, and true, when there are any.
    bool othersAttached();
    int progressEstimate();
    // The product database's state until now, as one more backup; its file name.
    QString keepReplaced(const Place& where, const FbServices::Progress& onLine);
    void closeProduct();
    void openProduct();
    void reloadLists();

    CommandContext& m_ctx;
};
