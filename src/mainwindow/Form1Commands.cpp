#include "Form1.h"

#include "DBControls.h"
#include "DBGrid.h"
#include "DatasetModel.h"
#include "Session.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>

namespace {

const QString kSiblingProgram = QStringLiteral("KMZ_63_48.exe");

} // namespace

// The one place where the window's buttons, the member grid's title clicks and the
// category boxes' double-clicks meet what they run. Toolbar buttons are named by
// the command table's Button, the others by their member, so a misspelt name does
// not compile.
void TForm1::bindEntryPoints()
{
    CommandTable& table = m_session.commands();
    table.bind(Button::SB01, [this] { openHelp(); });
    table.bind(Button::SB09, [this] { startAccountMaster(); });
    table.bind(Button::SB12, [this] { close(); });
    for (const CommandRow& row : table.rows())
        connect(button(row), &QToolButton::clicked, this, [this, id = row.id] {
            if (const CommandRow& r = m_session.commands().find(id); r.run)
                guarded(r.run);
        });

    Session& s = m_session;
    const auto onClick = [this](QPushButton* b, std::function<void()> run) {
        connect(b, &QPushButton::clicked, this, [this, run = std::move(run)] { guarded(run); });
    };
    onClick(SpeedButton1, [this] { SpeedButton1Click(); });
    onClick(SpeedButton2, [this] { calculatePrices(); });
    onClick(SpeedButton3, [&s] { s.batchSetting().setVendor(); });
    onClick(SpeedButton4, [&s] { s.batchSetting().setAccount(); });
    onClick(SpeedButton8, [&s] { s.batchSetting().resetMemberCodes(); });
    onClick(SpeedButton9, [&s] { s.unitsFromMembers().SpeedButton9Click(); });

    // A title click on the member grid sorts the members for good.
    connect(DBGrid3->horizontalHeader(), &QHeaderView::sectionClicked, this, &TForm1::sortByTitle);
    connect(DBEdit1, &DBEdit::doubleClicked, this, [this] { guarded([this] { pickMajor(false); }); });
    connect(DBEdit4, &DBEdit::doubleClicked, this, [this] { guarded([this] { pickMajor(true); }); });
    connect(DBEdit6, &DBEdit::doubleClicked, this, [this] { guarded([this] { pickMiddle(); }); });
}

void TForm1::sortByTitle(int section)
{
    const auto& columns = DBGrid3->datasetModel()->columns();
    if (section >= 0 && section < columns.size())
        guarded([this, field = columns.at(section).field] { m_session.sort().sortBy(field); });
}

// Target ＝ source × factor ％ with the rounding.
void TForm1::calculatePrices()
{
    m_session.priceCalculation().run(
        {ComboBox1->currentText(), ComboBox2->currentText(), KIN_01->text(), RadioItems->checkedId()});
}

std::function<bool(const QString&)>& TForm1::documentOpener()
{
    static std::function<bool(const QString&)> open = [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    return open;
}

std::function<bool(const QString&)>& TForm1::programStarter()
{
    static std::function<bool(const QString&)> start = [](const QString& path) {
        return QProcess::startDetached(path, {}, QFileInfo(path).absolutePath());
    };
    return start;
}

// The help document is the program's own name with ".PDF", in the program folder.
// An installed program keeps one copy of it with its shared files, so a program
// folder laid out by hand needs none of its own.
QStringList TForm1::helpDocumentPlaces(const QString& programPath)
{
    const QFileInfo program(programPath);
    const QString name = program.completeBaseName() + QStringLiteral(".PDF");
    const QDir programDir = program.absoluteDir();
    return {QDir::current().absoluteFilePath(name), programDir.absoluteFilePath(name),
            QDir::cleanPath(programDir.absoluteFilePath(QStringLiteral("../share/masment/") + name))};
}

void TForm1::openHelp()
{
    const QStringList places = helpDocumentPlaces(QCoreApplication::applicationFilePath());
    const QString name = QFileInfo(places.first()).fileName();
    for (const QString& path : places) {
        if (!QFileInfo::exists(path))
            continue;
        if (!documentOpener()(path))
            confirmation().ask(Confirmation::Notice,
                               QStringLiteral("ヘルプファイル %1 を開けませんでした。PDF を表示するプログラムが"
                                              "入っているか確かめてください。")
                                   .arg(QDir::toNativeSeparators(path)));
        return;
    }
    confirmation().ask(Confirmation::Notice, QStringLiteral("ヘルプファイル %1 が見つかりません。").arg(name));
}

void TForm1::startAccountMaster()
{
    const QString path = QDir::current().absoluteFilePath(kSiblingProgram);
    if (!QFileInfo::exists(path)) {
        confirmation().ask(Confirmation::Notice,
                           QStringLiteral("科目マスターのプログラム %1 が見つかりません。").arg(kSiblingProgram));
        return;
    }
    if (!programStarter()(path))
        confirmation().ask(Confirmation::Notice,
                           QStringLiteral("科目マスターのプログラム %1 を起動できませんでした。").arg(kSiblingProgram));
}
