#include "ImportCommand.h"

#include "DataModule.h"
#include "Helpers.h"
#include "ImportText.h"
#include "MemberImport.h"
#include "ProgramState.h"
#include "Rebuild.h"
#include "Schema.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace {

// Hand-off columns of BUZAI_S and the BUSAI_SEL columns that feed them.
const QList<std::pair<QString, QString>> kHandOff = {
    {"NAME01", "NAME01"},    {"NAME02", "NAME02"}, {"NAME03", "NAME03"}, {"B_CD", "B_CD"},
    {"TANI", "TAN"},         {"KIN_01", "KIN_01"}, {"KIN_02", "KIN_02"}, {"KIN_06", "KIN_06"},
    {"KU_KAMOKU", "KAMOKU"}, {"S_CD", "S_CD"},     {"KETA", "KETA"}};

const QStringList kTextColumns = {"NAME01", "NAME02", "NAME03", "B_CD", "TAN"};

// Rows behind the insertion point used to move by this much.
constexpr int kShift = 10000;
constexpr int kProgressFrom = 1000;

} // namespace

ImportCommand::ImportCommand(TDM2& dm, ProgramState& state, MainScreen& screen)
    : m_dm(dm), m_state(state), m_screen(screen), m_work(*dm.IBT_bu.database(), screen.progress())
{
}

bool ImportCommand::makeWorkCopy(const QString& path)
{
    // Whatever its name, the chosen file is read: its content and its extension
    // tell commas from TABs.
    const ImportText::FileLines file = ImportText::readLines(path);
    QString error = file.error;
    if (error.isEmpty() && file.lines.isEmpty())
        error = QStringLiteral("ファイル「%1」にはデーターがありません。").arg(QDir::toNativeSeparators(path));
    if (error.isEmpty()) {
        QFile::remove(MemberImport::workCopyName());
        ImportText::writeLines(MemberImport::workCopyName(), file, &error);
        m_work.setSeparator(ImportText::detectSeparator(file.lines.value(0), path));
    }
    if (!error.isEmpty()) {
        m_screen.confirmation().ask(Confirmation::Notice, error);
        return false;
    }
    return true;
}

void ImportCommand::prepareHandOffTable()
{
    Database& db = *m_dm.IBT_bu.database();
    Query q(&db, QStringLiteral("IBQ_touroku2"));
    q.setSql(Schema::createWorkTableSql(QStringLiteral("BUSAI_SEL")));
    if (q.execIgnoringError()) {
        q.run(QStringLiteral("COMMIT"));
        return;
    }
    db.transaction().stop();
    q.run(QStringLiteral("Delete from BUSAI_SEL"));
    q.run(QStringLiteral("COMMIT"));
}

void ImportCommand::run()
{
    if (m_screen.activeTab() != Tab::Member)
        return;
    TableDataset& grid = m_dm.IBT_bu;
    const bool hasRows = grid.active() && grid.recordCount() > 0;
    const int at = hasRows ? grid.value(QStringLiteral("CNT")).toInt() : 0;
    const int row = grid.recNo();
    if (m_screen.confirmation().ask(Confirmation::Question,
                                    QStringLiteral("ＣＳＶ形式で保存されたデータを読み込みますか？")) !=
        Confirmation::Ok)
        return;
    const QString start = m_state.config.startDirectory;
    const QString path = m_screen.files().openFileName(
        QString(), start, QStringLiteral("CSV・テキスト (*.csv *.CSV *.txt *.TXT *.tsv *.TSV);;すべてのファイル (*)"));
    if (path.isEmpty())
        return;
    if (!start.isEmpty())
        Helpers::changeToDirectory(start);
    if (!makeWorkCopy(path))
        return;
    m_work.setStartDirectory(start);
    m_work.setProductPath(m_dm.conn.IBDatabase1.databaseName());
    m_screen.showMainToolbar();
    if (grid.active())
        grid.checkBrowseMode();
    grid.close();
    grid.database()->transaction().stop();
    const auto reopen = [&] {
        grid.database()->transaction().start();
        grid.open();
        grid.setRecNo(row);
    };
    try {
        prepareHandOffTable();
        if (showDialog)
            showDialog();
    } catch (...) {
        reopen();
        throw;
    }
    // A stopped import leaves the member list as it was.
    if (m_work.lastReport().cancelled) {
        reopen();
        return;
    }
    handOff(at, row);
}

void ImportCommand::handOff(int at, int row)
{
    TableDataset& grid = m_dm.IBT_bu;
    Database& db = *grid.database();
    Query q(&db, QStringLiteral("IBQ_touroku2"));
    ProgressSink& progress = m_screen.progress();
    bool showProgress = false;
    const auto finish = [&] {
        if (showProgress)
            progress.finish();
    };
    // The rows held move as a block and the imported ones come in front of
    // them: the grid reads back only the imported rows.
    try {
        Rebuild::inOneTransaction(db, grid, [&](Rebuild::Positions& positions) {
            q.setSql(QStringLiteral("select (select count(*) from BUSAI_SEL), (select max(CNT) from BUZAI_S), "
                                    "(select count(distinct CNT) from BUSAI_SEL where CNT between 1 and "
                                    "(select count(*) from BUSAI_SEL)) from RDB$DATABASE"));
            q.open();
            const int count = q.value(0).toInt();
            const int highest = q.value(1).isValid() ? q.value(1).toInt() : at;
            // Numbered 1 … count already (as the import dialog numbers them):
            // the numbers give the order without ranking the rows.
            const bool numbered = q.value(2).toInt() == count;
            showProgress = count > kProgressFrom;
            if (showProgress)
                progress.start(count);
            // Far enough that no moved row meets an imported one, nor another moved row on its way.
            const int shift = std::max(kShift, highest - at + count + 1);
            positions.move(q, {{at - 1, shift}}, false);
            // The rows in their order from `at` on; empty texts become NULL.
            QStringList columns{QStringLiteral("CNT")},
                values{(numbered ? QStringLiteral("%1+CNT") : QStringLiteral("%1+row_number() over (order by CNT)"))
                           .arg(at - 1)};
            for (const auto& [column, source] : kHandOff) {
                columns << column;
                QString value = kTextColumns.contains(source) ? Rebuild::textOrNull(source) : source;
                // The import box holds 12 characters of unit, the member table 6: cut rather
                // than let one long unit refuse the whole import.
                if (column == QLatin1String("TANI"))
                    value = QStringLiteral("substring(%1 from 1 for 6)").arg(value);
                values << value;
            }
            positions.add(q,
                          {QStringLiteral("Insert into BUZAI_S (%1)").arg(columns.join(',')),
                           QStringLiteral("select %1 from BUSAI_SEL").arg(values.join(','))},
                          at, qint64(at) + count - 1);
            if (showProgress)
                progress.step(count);
            return row;
        });
    } catch (...) {
        finish();
        throw;
    }
    finish();
}
