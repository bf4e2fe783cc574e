#include "RegistrationBackup.h"

#include "Backups.h"
#include "DataModule.h"
#include "DbError.h"
#include "FbServices.h"
#include "ProgramState.h"
#include "Query.h"
#include "UiSeams.h"

#include <QDir>

namespace {

// What a backup is named after: the registration it was taken for.
QString whatOf(const RenumberingOutline& outline, const TDM2& dm)
{
    if (outline.major)
        return QStringLiteral("大項目登録");
    const int major = dm.currentMajorCode ? dm.currentMajorCode() : 0;
    return QStringLiteral("中項目登録（大項目%1）").arg(major);
}

// The steps of the progress: gbak tells when it starts on each table's rows.
int tablesOf(Database& product)
{
    try {
        Query q(&product);
        q.setSql(QStringLiteral("select count(*) from RDB$RELATIONS where coalesce(RDB$SYSTEM_FLAG, 0)=0"));
        q.open();
        return q.value(0).toInt();
    } catch (const DbError&) {
        return 0; // only the bar's scale is lost
    }
}

} // namespace

RegistrationBackup::RegistrationBackup(CommandContext& context, RenumberingOutline& outline) : m_ctx(context)
{
    if (!needed(outline))
        return;
    const QString product = m_ctx.dm.conn.IBDatabase1.databaseName();
    const QString computer = m_ctx.state.computerName.isEmpty() ? QStringLiteral("PC") : m_ctx.state.computerName;
    m_file =
        Backups(Backups::folderFor(product)).nameFor(QDateTime::currentDateTime(), computer, whatOf(outline, m_ctx.dm));
    outline.backup = m_file;
}

bool RegistrationBackup::needed(const RenumberingOutline& outline)
{
    return outline.losesSomething() || (outline.pastDetails && outline.changesCodes());
}

void RegistrationBackup::take()
{
    if (m_file.isEmpty())
        return;
    Database& product = m_ctx.dm.conn.IBDatabase1;
    const QString name = product.databaseName();
    const SystemConfig& config = m_ctx.state.config;
    const QString here = backupFolderHere(name, config.backupShare);
    // The folder is made where this computer reaches it; a server's own folder
    // is made by whoever sets the server up.
    if (!here.isEmpty())
        QDir().mkpath(here);

    ProgressSink& progress = m_ctx.screen.progress();
    progress.start(tablesOf(product) + 1);
    try {
        FbServices::backup(serviceLoginOf(product), pathOnEngine(name), m_file, [&](const QString& line) {
            if (line.contains(QLatin1String("writing data for table")))
                progress.step();
            return !progress.cancelled();
        });
    } catch (const DbError& e) {
        progress.finish();
        throw DbError(QStringLiteral("登録の前に製品データベースのバックアップを取れなかったため、登録を中止しました。"
                                     "何も変更していません。\n") +
                      e.text());
    }
    progress.finish();
    // Older backups go only once a newer one is there.
    if (!here.isEmpty())
        Backups(here).prune(config.backupsKept);
}
