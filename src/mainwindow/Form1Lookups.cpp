#include "Form1.h"

#include "CodePickers.h"
#include "DBControls.h"
#include "DBGrid.h"
#include "DatasetModel.h"
#include "Formula.h"
#include "Helpers.h"
#include "Session.h"
#include "keisan_in.h"
#include "trad_sen2.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Member grid columns by index.
enum MemberColumn { Unit = 3, Cost = 4, Price = 5, ListPrice = 7, Vendor = 9, Account = 10, Digits = 11 };

const QString kSiblingProgram = QStringLiteral("KMZ_63_48.exe");

// The vendor picker asks its questions through whatever confirmation the
// window has at the time, which tests replace after the window is built.
class WindowConfirmation : public Confirmation {
public:
    explicit WindowConfirmation(MainScreen& screen) : m_screen(screen) {}
    int ask(int mode, const QString& message) override { return m_screen.confirmation().ask(mode, message); }

private:
    MainScreen& m_screen;
};

// "Edit, post": the row's changes are stored before the next step looks at it.
void postRow(TableDataset& ds)
{
    if (ds.state() == TableDataset::Edit || (ds.state() == TableDataset::Insert && ds.modified()))
        ds.post();
}

QString moneyField(int column)
{
    return column == Cost    ? QStringLiteral("KIN_01")
           : column == Price ? QStringLiteral("KIN_02")
                             : QStringLiteral("KIN_06");
}

// Moves `ds` to the row whose `field` holds `code`; the code is the row number
// when no row has it.
void moveToCode(TableDataset& ds, const QString& field, int code)
{
    for (int r = 0; r < ds.recordCount(); ++r)
        if (Helpers::toIntOrZero(valueText(ds.valueAt(r, field))) == code) {
            ds.setRecNo(r + 1);
            return;
        }
    ds.setRecNo(code);
}

} // namespace

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

void TForm1::buildLookups()
{
    Session& s = m_session;
    Database& product = s.conn.IBDatabase1;
    m_forwardConfirm = std::make_unique<WindowConfirmation>(*this);
    keisan_in = new Tkeisan_in(this);
    Form_kou = new TForm_kou(product, s.state, this);
    Form_kamoku = new TForm_kamoku(product, s.state, this);
    Form_koumoku = new TForm_koumoku(product, s.state, this);
    Form_M_name = new TForm_M_name(product, s.state, this);
    Form_tani_sel = new TForm_tani_sel(product, s.state, this);
    trad_sen2 = new Ttrad_sen2(product, s.state, *m_forwardConfirm, Form_kou, this);
    TCodePicker::errorHandler() = [this](QWidget*, const QString& m) { showError(m); };

    BatchSetting& batch = s.batchSetting();
    batch.pickVendor = [this](int workType) { return pickVendor(workType); };
    batch.pickAccount = [this] { return Form_kamoku->showCentered(this) == QDialog::Accepted; };
    s.commands().bind(QStringLiteral("SB01"), [this] { openHelp(); });
    s.commands().bind(QStringLiteral("SB09"), [this] { startAccountMaster(); });

    connect(DBEdit1, &DBEdit::doubleClicked, this, [this] { guarded([this] { pickMajor(false); }); });
    connect(DBEdit4, &DBEdit::doubleClicked, this, [this] { guarded([this] { pickMajor(true); }); });
    connect(DBEdit6, &DBEdit::doubleClicked, this, [this] { guarded([this] { pickMiddle(); }); });
    buildBatchPanel();
}

// Target ＝ source × factor ％ with the rounding, and the three batch setters.
void TForm1::buildBatchPanel()
{
    QWidget* tab = PageControl1->widget(static_cast<int>(Tab::Member));
    auto* row = new QHBoxLayout();
    ComboBox1 = new QComboBox(tab);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems({QStringLiteral("原価"), QStringLiteral("単価"), QStringLiteral("定価")});
    ComboBox1->setCurrentText(QStringLiteral("単価"));
    ComboBox2 = new QComboBox(tab);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->addItems(
        {QStringLiteral("利益率"), QStringLiteral("原価"), QStringLiteral("単価"), QStringLiteral("定価")});
    KIN_01 = new QLineEdit(QStringLiteral("25"), tab);
    KIN_01->setObjectName(QStringLiteral("KIN_01"));
    KIN_01->setFixedWidth(60);
    KIN_01->setAlignment(Qt::AlignRight);
    RadioGroup1 = new QGroupBox(QStringLiteral("端数処理"), tab);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioItems = new QButtonGroup(RadioGroup1);
    auto* radios = new QHBoxLayout(RadioGroup1);
    radios->setContentsMargins(4, 0, 4, 0);
    int id = 0;
    for (const char* item : {"一円", "拾円", "百円", "千円", "自動"}) {
        auto* b = new QRadioButton(QString::fromUtf8(item), RadioGroup1);
        RadioItems->addButton(b, id++);
        radios->addWidget(b);
    }
    RadioItems->button(PriceCalculation::Automatic)->setChecked(true);
    auto makeButton = [tab](QPushButton*& b, const QString& name, const QString& caption) {
        b = new QPushButton(caption, tab);
        b->setObjectName(name);
        b->setFocusPolicy(Qt::NoFocus);
    };
    makeButton(SpeedButton2, QStringLiteral("SpeedButton2"), QStringLiteral("計算&K"));
    makeButton(SpeedButton3, QStringLiteral("SpeedButton3"), QStringLiteral("業者セット"));
    makeButton(SpeedButton4, QStringLiteral("SpeedButton4"), QStringLiteral("科目セット"));
    makeButton(SpeedButton8, QStringLiteral("SpeedButton8"), QStringLiteral("部材CD初期化"));
    row->addWidget(ComboBox1);
    row->addWidget(new QLabel(QStringLiteral("＝"), tab));
    row->addWidget(ComboBox2);
    row->addWidget(new QLabel(QStringLiteral("×"), tab));
    row->addWidget(KIN_01);
    row->addWidget(new QLabel(QStringLiteral("％"), tab));
    row->addWidget(RadioGroup1);
    for (QPushButton* b : {SpeedButton2, SpeedButton3, SpeedButton4, SpeedButton8})
        row->addWidget(b);
    row->addStretch();
    qobject_cast<QVBoxLayout*>(tab->layout())->insertLayout(2, row);

    Session& s = m_session;
    connect(SpeedButton2, &QPushButton::clicked, this, [this, &s] {
        guarded([this, &s] {
            s.priceCalculation().run(
                {ComboBox1->currentText(), ComboBox2->currentText(), KIN_01->text(), RadioItems->checkedId()});
        });
    });
    connect(SpeedButton3, &QPushButton::clicked, this, [this, &s] { guarded([&s] { s.batchSetting().setVendor(); }); });
    connect(SpeedButton4, &QPushButton::clicked, this,
            [this, &s] { guarded([&s] { s.batchSetting().setAccount(); }); });
    connect(SpeedButton8, &QPushButton::clicked, this,
            [this, &s] { guarded([&s] { s.batchSetting().resetMemberCodes(); }); });
}

bool TForm1::pickVendor(int workType)
{
    trad_sen2->Edit3->setText(QString::number(workType));
    return trad_sen2->showCentered(this) == QDialog::Accepted;
}

// The member grid's own keys; while the grid is narrowed they keep their plain
// grid meaning. True when the key was used up.
bool TForm1::memberGridKey(QKeyEvent* ke)
{
    QWidget* f = QApplication::focusWidget();
    if (!f || !(f == DBGrid3 || DBGrid3->isAncestorOf(f)) || memberGridNarrowed())
        return false;
    TDM2& dm = m_session.dm;
    TableDataset& ds = dm.IBT_bu;
    if (!ds.active())
        return false;
    dm.memberNumberingSkip = 0;
    const bool editing = DBGrid3->editing();
    const int column = DBGrid3->currentIndex().isValid() ? DBGrid3->currentIndex().column() : -1;
    const bool plain = !(ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    switch (ke->key()) {
    case Qt::Key_Space:
        if (!plain || (column != Cost && column != Price && column != ListPrice))
            return false;
        DBGrid3->commitEdit();
        guarded([this] { calculatorForCell(); });
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        DBGrid3->commitEdit();
        guarded([this] { enterInMemberGrid(); });
        return true;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        if (editing || !plain || column != Digits)
            return false;
        guarded([this] { clearDigits(); });
        return true;
    case Qt::Key_Up:
    case Qt::Key_Tab:
        if (!editing)
            guarded([&ds] { postRow(ds); });
        return false;
    case Qt::Key_Down: {
        if (!plain)
            return false;
        const bool wasEditing = DBGrid3->commitEdit();
        bool used = false;
        if (!guarded([&] { used = downInMemberGrid(); }) || used)
            return true;
        if (wasEditing) {
            // The editor is gone; the grid itself moves down.
            QKeyEvent again(QEvent::KeyPress, Qt::Key_Down, ke->modifiers());
            QCoreApplication::sendEvent(DBGrid3, &again);
            return true;
        }
        return false;
    }
    default: return false;
    }
}

bool TForm1::memberGridDoubleClick(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonDblClick || watched != DBGrid3->viewport() || memberGridNarrowed())
        return false;
    const QModelIndex at = DBGrid3->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
    if (!at.isValid() || (at.column() != Unit && at.column() != Account && at.column() != Vendor))
        return false;
    if (!m_session.dm.IBT_bu.active())
        return false;
    DBGrid3->setCurrentIndex(at);
    guarded([this, c = at.column()] { lookupFor(c); });
    return true;
}

void TForm1::calculatorForCell()
{
    TableDataset& ds = m_session.dm.IBT_bu;
    if (ds.recordCount() == 0)
        return;
    const int column = DBGrid3->currentIndex().column();
    const QString field = moneyField(column);
    const double now = ds.value(field).toDouble();
    keisan_in->Edit1->setText(now != 0 ? Formula::shortestText(now) : QString());
    keisan_in->showCentered(this);
    if (!keisan_in->Edit1->text().isEmpty()) {
        // The amount is cut, never rounded up, to the places the office prices in.
        const SystemConfig& cfg = m_session.state.config;
        const int places = column == ListPrice ? 0 : std::clamp(column == Price ? cfg.tankaKeta : cfg.genkaKeta, 0, 2);
        const int unit = places == 0 ? -1 : places == 1 ? -10 : -100;
        ds.setValue(field, Helpers::roundValue(keisan_in->result(), -1, unit));
    }
    DBGrid3->setFocus();
    DBGrid3->selectColumn(column);
}

void TForm1::enterInMemberGrid()
{
    TableDataset& ds = m_session.dm.IBT_bu;
    postRow(ds);
    if (ds.recordCount() == 0)
        return;
    const int column = DBGrid3->currentIndex().isValid() ? DBGrid3->currentIndex().column() : 1;
    // An account or vendor of 0 is none, as an empty cell.
    if ((column == Unit && ds.text(QStringLiteral("TANI")).isEmpty()) ||
        (column == Account && Helpers::toIntOrZero(ds.text(QStringLiteral("KU_KAMOKU"))) == 0) ||
        (column == Vendor && Helpers::toIntOrZero(ds.text(QStringLiteral("S_CD"))) == 0))
        lookupFor(column);
    postRow(ds);
    const auto& columns = DBGrid3->datasetModel()->columns();
    const int next = Helpers::nextGridColumn(static_cast<int>(columns.size()), column, true,
                                             [&columns](int c) { return columns.at(c).readOnly; });
    DBGrid3->setFocus();
    DBGrid3->selectColumn(next);
}

void TForm1::lookupFor(int column)
{
    TableDataset& ds = m_session.dm.IBT_bu;
    if (ds.recordCount() == 0)
        return;
    const PickerResults& p = m_session.state.picks;
    if (column == Unit && Form_tani_sel->showCentered(this) == QDialog::Accepted)
        ds.setValue(QStringLiteral("TANI"), p.unitName);
    else if (column == Account && Form_kamoku->showCentered(this) == QDialog::Accepted)
        ds.setValue(QStringLiteral("KU_KAMOKU"), QString::number(p.accountCode));
    else if (column == Vendor && pickVendor(m_session.batchSetting().currentWorkType()))
        ds.setValue(QStringLiteral("S_CD"), p.vendorCode);
    DBGrid3->setFocus();
    DBGrid3->selectColumn(column);
}

// Down leaves a row: a row left completely blank goes away, and the row that
// followed it takes the cursor; a blank last row goes away too, instead of the
// grid appending another blank one below it. True when the key was used up.
bool TForm1::downInMemberGrid()
{
    TDM2& dm = m_session.dm;
    TableDataset& ds = dm.IBT_bu;
    postRow(ds);
    if (DBGrid3->multiSelect() && DBGrid3->selectedRows().contains(ds.recNo())) {
        // The selection grows downwards: the appended row must not renumber the table.
        dm.memberNumberingSkip = 1;
        return false;
    }
    if (ds.recordCount() == 0)
        return false;
    for (const char* f : {"NAME01", "NAME02", "NAME03", "TANI", "KIN_01", "KIN_02"})
        if (!ds.text(QString::fromLatin1(f)).isEmpty())
            return false;
    const int column = DBGrid3->currentIndex().isValid() ? DBGrid3->currentIndex().column() : 1;
    ds.remove();
    DBGrid3->selectColumn(column);
    return true;
}

void TForm1::clearDigits()
{
    TableDataset& ds = m_session.dm.IBT_bu;
    if (ds.recordCount() == 0)
        return;
    const bool browsing = ds.state() == TableDataset::Browse;
    ds.setValue(QStringLiteral("KETA"), QVariant());
    if (browsing)
        ds.post();
}

void TForm1::pickMajor(bool memberTab)
{
    if (Form_koumoku->showCentered(this) != QDialog::Accepted)
        return;
    if (!mayLeaveList(memberTab ? Tab::Member : Tab::Middle, true))
        return;
    // The narrowed rows go back to their own category before another one loads.
    if (memberTab && memberGridNarrowed())
        endNarrowing();
    ProgramState& s = m_session.state;
    // The move alone must not reload; the loads below run once each.
    s.reloadGuard = 1;
    try {
        moveToCode(m_session.dm.IBT_dai, QStringLiteral("BL_KUBUN"), Helpers::toIntOrZero(s.picks.majorCode));
        reloadMiddles();
    } catch (...) {
        s.reloadGuard = 0;
        throw;
    }
    s.reloadGuard = 0;
    if (memberTab)
        reloadMembers();
}

void TForm1::pickMiddle()
{
    ProgramState& s = m_session.state;
    const int major = m_session.dm.currentMajorCode();
    if (major > 0)
        s.picks.majorCode = QString::number(major);
    if (Form_M_name->showCentered(this) != QDialog::Accepted)
        return;
    if (!mayLeaveList(Tab::Member, true))
        return;
    if (memberGridNarrowed())
        endNarrowing();
    s.reloadGuard = 1;
    try {
        moveToCode(m_session.dm.IBT_chu, QStringLiteral("BM_KUBUN"), Helpers::toIntOrZero(s.picks.middleCode));
    } catch (...) {
        s.reloadGuard = 0;
        throw;
    }
    s.reloadGuard = 0;
    reloadMembers();
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
