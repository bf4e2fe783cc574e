#include "Session.h"

#include "Database.h"
#include "DbError.h"
#include "Helpers.h"
#include "SystemConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

namespace {

const QString kWorkDatabase = QStringLiteral("../LOCAL/MAS_MENT.fdb");
const QString kProductDatabase = QStringLiteral("../TREVOLAN.FDB");
const QString kSecondProductDatabase = QStringLiteral("../TREVOLAN2.FDB");

// A local path may be written with Windows separators ("..\ALT.FDB"); a
// "server:path" is kept as written, for the server's own system to read.
QString databasePath(const QString& name)
{
    const int colon = name.indexOf(':');
    if (colon > 1)
        return name;
    QString local = name;
    local.replace('\\', '/');
    return QDir::cleanPath(QFileInfo(QDir::current(), local).absoluteFilePath());
}

// Why the first line of NET.TXT cannot name the product database (empty when
// it can): nothing there, control characters or bytes that are not Shift-JIS,
// or a local folder. `path` is the line as the connection would use it.
QString netLineProblem(const QString& line, const QString& path)
{
    const QString example = QStringLiteral("（例: SERVER1:D:\\TREVOLAN\\TREVOLAN.FDB）");
    bool garbage = line.isEmpty();
    for (const QChar c : line)
        garbage = garbage || c.unicode() < 0x20 || c == QChar::ReplacementCharacter || c.unicode() == 0x7f;
    if (garbage)
        return QStringLiteral("NET.TXT の 1 行目をデータベースの指定として読めません。\n"
                              "1 行目にサーバー名:データベースファイルのパスを書いてください") +
               example + QStringLiteral("。");
    if (path.indexOf(':') <= 1 && QFileInfo(path).isDir())
        return QStringLiteral("NET.TXT の 1 行目「%1」はフォルダーです。\n"
                              "データベースファイルのパスを書いてください")
                   .arg(line) +
               example + QStringLiteral("。");
    return {};
}

// Only the two lines the program uses, each cut at a length no path reaches:
// a huge or endless file costs no time.
QStringList readTextLines(const QString& path)
{
    return readFirstLines(path, 2, 4096);
}

} // namespace

Session::Session() = default;

Session::~Session()
{
    conn.closeAll();
}

QString Session::openDatabases()
{
    Helpers::makeDirectories(QStringLiteral("../LOCAL"));
    QString failure;
    try {
        if (!QFileInfo::exists(kWorkDatabase))
            Database::createDatabase(databasePath(kWorkDatabase));
    } catch (DbError& e) {
        // The connections still learn their files, so that later errors name them.
        e.setRole(QStringLiteral("作業用データベース"));
        failure = e.text();
    }
    // Opened by the first command that reads it.
    conn.setSecondProductPath(databasePath(kSecondProductDatabase));
    state.computerName = QSysInfo::machineHostName().left(15).toUpper();
    const QString netProblem = connectAttempts();
    return failure.isEmpty() ? netProblem : failure;
}

QString Session::connectAttempts()
{
    for (Database* db : {&conn.IBDatabase1, &conn.IBDatabase2, &conn.IBDatabase3, &conn.IBDatabase4})
        db->close();
    QString netProblem;
    for (int attempt = 0; attempt < 3; ++attempt) {
        try {
            if (attempt == 0) {
                QString product = kProductDatabase;
                if (QFileInfo::exists(QStringLiteral("NET.TXT"))) {
                    const QStringList lines = readTextLines(QStringLiteral("NET.TXT"));
                    product = lines.isEmpty() ? QString() : lines.at(0).trimmed();
                    netProblem = netLineProblem(product, databasePath(product));
                    if (lines.size() > 1 && !lines.at(1).trimmed().isEmpty())
                        state.serverName = lines.at(1).trimmed();
                }
                conn.setProductPath(databasePath(product));
            }
            conn.setWorkPath(databasePath(kWorkDatabase));
            // A line that names no database is not handed to the engine at all.
            if (netProblem.isEmpty()) {
                conn.IBDatabase1.open();
                conn.IBTransaction1().start();
            }
            conn.IBDatabase2.open();
            conn.IBTransaction2().start();
            conn.IBDatabase4.open();
            conn.IBTransaction4().start();
            return netProblem;
        } catch (const DbError&) {
            // The window still comes up; later commands report their own errors.
        }
    }
    return netProblem;
}

bool Session::readHousingRow()
{
    try {
        Query q(&conn.IBDatabase1, QStringLiteral("IBQ_kihon"));
        q.setSql(QStringLiteral("SELECT * FROM LOOK_KIHON where NAME='JUTAKU'"));
        q.open();
        state.housingRowMissing = q.recordCount() > 0 ? 0 : 1;
        return q.recordCount() > 0;
    } catch (const DbError&) {
        state.housingRowMissing = 0;
        return false;
    }
}

void Session::attach(MainScreen& screen)
{
    if (m_screen)
        return;
    m_screen = &screen;
    m_loads = std::make_unique<MasterLoads>(dm, screen);
    m_tabs = std::make_unique<TabSteps>(dm, state, *m_loads);
    m_context = std::make_unique<CommandContext>(CommandContext{dm, state, screen, *m_loads});
    m_register = std::make_unique<RegisterCommand>(*m_context);
    m_commands.bind(Button::SB03, [this] { m_register->SB03Click(); });
    m_unregistered = std::make_unique<UnregisteredChanges>(dm, screen, *m_loads, *m_register);
    m_rows = std::make_unique<RowCommands>(dm, state, screen);
    m_commands.bind(Button::SB04, [this] { m_rows->insertRow(); });
    m_commands.bind(Button::SB05, [this] { m_rows->copyRows(); });
    m_commands.bind(Button::SB06, [this] { m_rows->cutRows(); });
    m_commands.bind(Button::SB07, [this] { m_rows->pasteRows(); });
    m_commands.bind(Button::SB08, [this] { m_rows->copyPreviousRow(); });
    m_commands.bind(Button::SBS_04, [this] { m_rows->deleteRow(); });
    m_export = std::make_unique<ExportCommand>(dm, state, screen);
    m_commands.bind(Button::SB10, [this] { m_export->run(); });
    // A list refused as stale may be saved before it is loaded again.
    m_loads->exportList = [this] { return m_export->run() != ExportCommand::Outcome::NotWritten; };
    m_import = std::make_unique<ImportCommand>(dm, state, screen);
    m_commands.bind(Button::SB11, [this] { m_import->run(); });
    m_price = std::make_unique<PriceCalculation>(dm, screen);
    m_batch = std::make_unique<BatchSetting>(dm, state, screen);
    m_batch->pickVendor = [&screen](int workType) { return screen.pickers().pickVendor(workType); };
    m_batch->pickAccount = [&screen] { return screen.pickers().pickAccount(); };
    m_gridKeys = std::make_unique<MemberGridKeys>(dm, state, screen);
    m_replace = std::make_unique<TextReplacement>(dm, screen, *m_loads);
    m_unitReplace = std::make_unique<UnitReplacement>(dm, screen, m_units);
    m_unitReplace->loads = m_loads.get();
    m_commands.bind(Button::SBS_01, [this] {
        if (m_screen->activeTab() == Tab::Unit)
            m_unitReplace->open();
        // The replacement loads the member list again: unregistered changes are asked about first.
        else if (m_screen->activeTab() != Tab::Member || m_unregistered->mayLeave(Tab::Member))
            m_replace->open();
    });
    m_rename = std::make_unique<MemberRename>(dm, screen);
    m_rename->loads = m_loads.get();
    m_commands.bind(Button::SBS_02, [this] { m_rename->open(); });
    m_maintenance = std::make_unique<MaintenanceCommands>(*m_context);
    m_commands.bind(Button::SBS_08, [this] { m_maintenance->SBS_08Click(); });
    m_commands.bind(Button::SBS_09, [this] { m_maintenance->SBS_09Click(); });
    m_commands.bind(Button::SBS_10, [this] { m_maintenance->SBS_10Click(); });
    m_commands.bind(Button::SBS_11, [this] { m_maintenance->SBS_11Click(); });
    m_commands.bind(Button::SBS_12, [this] { m_maintenance->SBS_12Click(); });
    m_restore = std::make_unique<RestoreCommand>(*m_context);
    m_restore->mayReplaceLists = [this] { return m_unregistered->mayLeave(m_screen->activeTab()); };
    m_restore->releaseProduct = [this] { m_import->work().productDatabase().close(); };
    m_commands.bind(Button::SBS_03, [this] { m_restore->run(); });
}
