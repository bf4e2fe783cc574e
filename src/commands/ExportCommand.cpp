#include "ExportCommand.h"

#include "DataModule.h"
#include "ErrorText.h"
#include "GridExport.h"
#include "Helpers.h"
#include "ProgramState.h"

#include <QDir>
#include <QFile>

#include <cerrno>

namespace {

struct ExportTarget {
    TableDataset* dataset = nullptr;
    QString question;
    QString proposedName;
};

// A category name proposed as a file name must not reach into other folders.
QString fileNameOf(QString name)
{
    for (QChar& ch : name)
        if (ch == QLatin1Char('/') || ch == QLatin1Char('\\') || ch == QLatin1Char(':'))
            ch = QLatin1Char('_');
    return name.trimmed();
}

// Why the file could not be written, from the system's error number.
QString reasonFor(const QString& fileName)
{
    QFile probe(fileName);
    errno = 0;
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Append))
        return ErrorText::forErrno(errno);
    return QStringLiteral("書き込み中にエラーが発生しました。");
}

} // namespace

ExportCommand::ExportCommand(TDM2& dm, ProgramState& state, MainScreen& screen)
    : m_dm(dm), m_state(state), m_screen(screen)
{
}

ExportCommand::Outcome ExportCommand::run()
{
    ExportTarget target;
    switch (m_screen.activeTab()) {
    case Tab::Member:
        target = {&m_dm.IBT_bu, QStringLiteral("部材マスターをＣＳＶファイルに変換しますか？"),
                  m_dm.IBT_chu.active() ? m_dm.IBT_chu.text(QStringLiteral("NAME01")) : QString()};
        break;
    case Tab::Middle:
        target = {&m_dm.IBT_chu, QStringLiteral("中項目マスターをＣＳＶファイルに変換しますか？"),
                  m_dm.IBT_dai.active() ? m_dm.IBT_dai.text(QStringLiteral("NAME01")) : QString()};
        break;
    case Tab::Major:
        target = {&m_dm.IBT_dai, QStringLiteral("大項目マスターをＣＳＶファイルに変換しますか？"),
                  QStringLiteral("大項目")};
        break;
    case Tab::Unit: return Outcome::Declined;
    }
    TableDataset& ds = *target.dataset;
    const QAbstractItemModel* model = gridModel ? gridModel(m_screen.activeTab()) : nullptr;
    if (!ds.active() || ds.recordCount() == 0 || !model)
        return Outcome::Declined;
    if (m_screen.confirmation().ask(Confirmation::Question, target.question) != Confirmation::Ok) {
        m_screen.showMainToolbar();
        return Outcome::Declined;
    }
    const QString start = m_state.config.startDirectory;
    Helpers::changeToDirectory(start);
    const QString proposed =
        QDir(start.isEmpty() ? QDir::currentPath() : start).filePath(fileNameOf(target.proposedName));
    const QString fileName =
        m_screen.files().saveFileName(QString(), proposed, QStringLiteral("Text File (*.csv)"), QStringLiteral("csv"));
    Outcome outcome = Outcome::NotWritten;
    if (!fileName.isEmpty()) {
        ds.first();
        const bool written = writeGridExport(fileName, *model);
        ds.last(); // the grid stands on the last row, as after walking it
        if (written)
            outcome = Outcome::Written;
        else
            m_screen.confirmation().ask(Confirmation::Notice,
                                        QStringLiteral("ファイル「%1」に書き込めませんでした。\n%2")
                                            .arg(QDir::toNativeSeparators(fileName), reasonFor(fileName)));
    }
    Helpers::changeToDirectory(start);
    return outcome;
}
