#include "Form1.h"

#include "Configuration.h"
#include "DBControls.h"
#include "DBGrid.h"
#include "DataModule.h"
#include "DatasetModel.h"
#include "DbError.h"
#include "Helpers.h"
#include "ProgramState.h"
#include "RegisterCommand.h"
#include "SjisCodec.h"
#include "SystemConfig.h"
#include "UiSeams.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProgressBar>
#include <QSysInfo>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kWorkDatabase = QStringLiteral("../LOCAL/MAS_MENT.fdb");
const QString kProductDatabase = QStringLiteral("../TREVOLAN.FDB");
const QString kPastDetails = QStringLiteral("変更登録時に過去の明細も変換する。");

// The progress bar of the main window as the commands see it.
class BarProgress : public ProgressSink {
public:
    explicit BarProgress(QProgressBar*& bar) : m_bar(bar) {}
    void start(int maximum) override
    {
        m_bar->setRange(0, std::max(1, maximum));
        m_bar->setValue(0);
        m_bar->show();
        m_bar->repaint();
    }
    void step(int by) override
    {
        m_bar->setValue(std::min(m_bar->maximum(), m_bar->value() + by));
        m_bar->repaint();
    }
    void finish() override { m_bar->hide(); }

private:
    QProgressBar*& m_bar;
};

// A Firebird path relative to the program folder; "server:path" stays as it is.
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

QStringList readTextLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text = SjisCodec::decode(f.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text.split('\n');
}

QTextEdit* makeNotice(const QString& name, QWidget* parent)
{
    auto* memo = new QTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setStyleSheet(QStringLiteral("QTextEdit { background: red; color: white; font-size: 20px; }"));
    memo->setPlainText(QStringLiteral("マスター変換中・・・・・・・・・・・\n時間がかかりますが強制終了しないでください。"));
    memo->hide();
    return memo;
}

// What a registration does to the window: the grid hidden behind the red notice.
class FormScreen : public RegistrationScreen {
public:
    explicit FormScreen(TForm1& form) : m_form(form) {}
    void beginWork(MasterTab tab) override { show(tab, true); }
    void endWork(MasterTab tab) override { show(tab, false); }
    void setMemberGridEnabled(bool enabled) override
    {
        m_form.DBGrid3->setEnabled(enabled);
        if (m_form.DBNavigator2)
            m_form.DBNavigator2->setEnabled(enabled);
        if (m_form.DBNavigator3)
            m_form.DBNavigator3->setEnabled(enabled);
    }

private:
    void show(MasterTab tab, bool working)
    {
        QWidget* grid = tab == MasterTab::Middle ? static_cast<QWidget*>(m_form.DBGrid2) : m_form.DBGrid1;
        QWidget* memo = tab == MasterTab::Middle ? static_cast<QWidget*>(m_form.Memo2) : m_form.Memo1;
        if (tab == MasterTab::Member || tab == MasterTab::Unit) {
            grid = tab == MasterTab::Member ? static_cast<QWidget*>(m_form.DBGrid3) : m_form.DBGrid7;
            memo = nullptr;
        }
        grid->setVisible(!working);
        if (memo) {
            memo->setVisible(working);
            memo->repaint();
        }
        m_form.repaint();
    }
    TForm1& m_form;
};

} // namespace

std::function<void(QWidget*, const QString&)>& TForm1::errorHandler()
{
    static std::function<void(QWidget*, const QString&)> handler = [](QWidget* parent, const QString& message) {
        QMessageBox::critical(parent, QApplication::applicationDisplayName(), message);
    };
    return handler;
}

void TForm1::showError(const QString& message)
{
    errorHandler()(this, message);
}

bool TForm1::guarded(const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const DbError& e) {
        showError(e.text());
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    }
    return false;
}

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), m_progress(std::make_unique<BarProgress>(ProgressBar1))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("工種部材マスター登録"));
    buildUi();
    qApp->installEventFilter(this);

    // Create handler.
    Helpers::makeDirectories(QStringLiteral("../LOCAL"));
    try {
        if (!QFileInfo::exists(kWorkDatabase))
            Database::createDatabase(databasePath(kWorkDatabase));
    } catch (const DbError& e) {
        // The connections still learn their files, so that later errors name them.
        showError(e.text());
    }
    programState().computerName = QSysInfo::machineHostName().left(15).toUpper();
    connectAttempts();
}

TForm1::~TForm1()
{
    qApp->removeEventFilter(this);
    m_loads.reset();
}

void TForm1::connectAttempts()
{
    for (Database* db : {&conn.IBDatabase1, &conn.IBDatabase2, &conn.IBDatabase3, &conn.IBDatabase4})
        db->close();
    for (int attempt = 0; attempt < 3; ++attempt) {
        try {
            if (attempt == 0) {
                QString product = kProductDatabase;
                if (QFileInfo::exists(QStringLiteral("NET.TXT"))) {
                    const QStringList lines = readTextLines(QStringLiteral("NET.TXT"));
                    if (!lines.isEmpty())
                        product = lines.at(0).trimmed();
                    if (lines.size() > 1 && !lines.at(1).trimmed().isEmpty())
                        programState().serverName = lines.at(1).trimmed();
                }
                conn.setProductPath(databasePath(product));
            }
            conn.setWorkPath(databasePath(kWorkDatabase));
            conn.IBDatabase1.open();
            conn.IBTransaction1().start();
            conn.IBDatabase2.open();
            conn.IBTransaction2().start();
            conn.IBDatabase4.open();
            conn.IBTransaction4().start();
            return;
        } catch (const DbError&) {
            // The window still comes up; later commands report their own errors.
        }
    }
}

void TForm1::setDataModule(TDM2* dm)
{
    m_dm = dm;
    m_loads = std::make_unique<MasterLoads>(*dm, *this);
    using Col = DatasetModel::Column;
    const auto right = Qt::AlignRight | Qt::AlignVCenter;
    auto bind = [this](DBGrid* grid, TableDataset& ds, QVector<Col> cols) {
        auto* model = new DatasetModel(ds, std::move(cols), grid);
        model->onError = [this](const QString& m) { showError(m); };
        grid->setDatasetModel(model);
        grid->onError = [this](const QString& m) { showError(m); };
        grid->confirmDelete = [this] {
            return !m_confirm || m_confirm->ask(Confirmation::Question, QStringLiteral("行を削除しますか？")) == 1;
        };
    };
    bind(DBGrid1, dm->IBT_dai, {{"№", "№", 33, true, right}, {"NAME01", "名称", 420}});
    bind(DBGrid2, dm->IBT_chu, {{"№", "№", 33, true, right}, {"NAME01", "名称", 420}});
    bind(DBGrid3, dm->IBT_bu,
         {{"№", "№", 34, true, right},
          {"NAME01", "名称", 300},
          {"NAME02", "摘要", 260},
          {"TANI", "単位", 50},
          {"KIN_01", "原　価", 80, false, right},
          {"KIN_02", "単　価", 80, false, right},
          {"利益率", "利益率", 60, true, right},
          {"KIN_06", "定　価", 80, false, right},
          {"NAME03", "備考", 150},
          {"S_CD", "業者CD", 60, false, right},
          {"KU_KAMOKU", "科目", 45, false, right},
          {"KETA", "桁", 30, false, right},
          {"B_CD", "部材CD", 110}});
    bind(DBGrid7, dm->IBT_TANI, {{"№", "№", 33, true, right}, {"NAME", "名称", 200}});

    auto* tab2 = PageControl1->widget(1);
    auto* tab3 = PageControl1->widget(2);
    DBEdit2 = new DBEdit("DBEdit2", dm->IBT_dai, "BL_KUBUN", tab2);
    DBEdit1 = new DBEdit("DBEdit1", dm->IBT_dai, "NAME01", tab2);
    DBNavigator1 = new DBNavigator("DBNavigator1", dm->IBT_dai, tab2);
    DBEdit3 = new DBEdit("DBEdit3", dm->IBT_dai, "BL_KUBUN", tab3);
    DBEdit4 = new DBEdit("DBEdit4", dm->IBT_dai, "NAME01", tab3);
    DBNavigator2 = new DBNavigator("DBNavigator2", dm->IBT_dai, tab3);
    DBEdit5 = new DBEdit("DBEdit5", dm->IBT_chu, "BM_KUBUN", tab3);
    DBEdit6 = new DBEdit("DBEdit6", dm->IBT_chu, "NAME01", tab3);
    DBNavigator3 = new DBNavigator("DBNavigator3", dm->IBT_chu, tab3);
    DBNavigatorMajor = new DBNavigator("DBNavigator4", dm->IBT_dai, PageControl1->widget(0));
    static_cast<QHBoxLayout*>(PageControl1->widget(0)->property("header").value<QObject*>())->insertWidget(0, DBNavigatorMajor);

    auto place = [](QWidget* tab, QList<QWidget*> widgets) {
        auto* header = qobject_cast<QHBoxLayout*>(tab->property("header").value<QObject*>());
        int i = 0;
        for (QWidget* w : widgets)
            header->insertWidget(i++, w);
    };
    for (DBEdit* e : {DBEdit2, DBEdit3, DBEdit5})
        e->setFixedWidth(50);
    for (DBEdit* e : {DBEdit1, DBEdit4, DBEdit6})
        e->setFixedWidth(260);
    place(tab2, {new QLabel(QStringLiteral("大項目"), tab2), DBEdit2, DBEdit1, DBNavigator1});
    place(tab3, {new QLabel(QStringLiteral("大項目"), tab3), DBEdit3, DBEdit4, DBNavigator2,
                 new QLabel(QStringLiteral("中項目"), tab3), DBEdit5, DBEdit6, DBNavigator3});

    // A change of the shown category reloads the dependent list.
    connect(DBEdit2, &DBEdit::changed, this, [this] {
        if (activeTab() == MiddleTab && programState().reloadGuard == 0)
            guarded([this] { Button3Click(); });
    });
    for (DBEdit* e : {DBEdit3, DBEdit5})
        connect(e, &DBEdit::changed, this, [this] {
            if (activeTab() == MemberTab && programState().reloadGuard == 0)
                guarded([this] { Button4Click(); });
        });
    connect(DBNavigator1, &DBNavigator::clicked, this, [this] { guarded([this] { Button3Click(); }); });
    connect(DBNavigator2, &DBNavigator::clicked, this, [this] {
        guarded([this] {
            programState().reloadGuard = 1;
            try {
                Button3Click();
            } catch (...) {
                programState().reloadGuard = 0;
                throw;
            }
            programState().reloadGuard = 0;
            Button4Click();
        });
    });
    connect(DBNavigator3, &DBNavigator::clicked, this, [this] { guarded([this] { Button4Click(); }); });
    for (DBNavigator* n : {DBNavigator1, DBNavigator2, DBNavigator3, DBNavigatorMajor})
        connect(n, &DBNavigator::failed, this, &TForm1::showError);
}

int TForm1::activeTab() const
{
    return PageControl1->currentIndex() + 1;
}

void TForm1::setActiveTab(int tab)
{
    if (PageControl1->currentIndex() == tab - 1)
        tabShown(tab - 1);  // showing the active tab again runs its steps again
    else
        PageControl1->setCurrentIndex(tab - 1);
}

void TForm1::Button2Click() { m_loads->Button2Click(); }
void TForm1::Button3Click() { m_loads->Button3Click(); }
void TForm1::Button4Click() { m_loads->Button4Click(); }
void TForm1::Button8Click() { m_loads->Button8Click(); }

void TForm1::registerCommands()
{
    if (!m_dm || !m_confirm || m_register)
        return;
    m_screen = std::make_unique<FormScreen>(*this);
    m_regContext = std::make_unique<RegistrationContext>(*m_dm, *m_confirm, *m_progress, *m_screen);
    RegistrationContext& ctx = *m_regContext;
    ctx.convertMajorDetails = [this] { return CheckBox1->isChecked(); };
    ctx.convertMiddleDetails = [this] { return CheckBox2->isChecked(); };
    ctx.majorLoad = [this] { Button2Click(); };
    ctx.middleLoad = [this] { Button3Click(); };
    ctx.memberLoad = [this] { Button4Click(); };
    ctx.unitLoad = [this] { Button8Click(); };
    ctx.activeTab = [this] { return static_cast<MasterTab>(activeTab() - 1); };
    ctx.loadCompleted = [this](MasterTab tab) { return m_loads->completed(static_cast<int>(tab) + 1); };
    // The grid cannot be narrowed yet: there is no search on the member tab.
    ctx.isNarrowed = [] { return false; };
    m_register = std::make_unique<RegisterCommand>(ctx);
    connect(SB[2], &QToolButton::clicked, this, [this] { SB03Click(); });
}

void TForm1::SB03Click()
{
    if (!m_register)
        return;
    guarded([this] { m_register->SB03Click(); });
}

void TForm1::closeWithoutAsking()
{
    programState().reloadGuard = 1;
    m_closeConfirmed = true;
    close();
}

void TForm1::SB12Click()
{
    close();
}

bool TForm1::housingRowMissing() const
{
    return programState().housingRowMissing == 1;
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    guarded([this] { FormShow(); });
}

void TForm1::FormShow()
{
    // Not Windows 10 here: the grids keep the normal window colour.
    setWindowTitle(QApplication::applicationDisplayName().isEmpty() ? windowTitle()
                                                                    : QApplication::applicationDisplayName());
    DBGrid1->setColumnWidth(0, 25);
    DBGrid2->setColumnWidth(0, 25);
    DBGrid3->setColumnWidth(0, 34);
    DBGrid7->setColumnWidth(0, 45);
    readConfiguration(this, QStringLiteral("SYSTEM.DAT"));
    programState().startDirectory = QDir::currentPath();
    systemConfig().startDirectory = programState().startDirectory;
    Helpers::makeDirectories(QStringLiteral("../LOCAL"));
    SB[6]->setEnabled(true);
    programState().registrationPermitted = true;

    try {
        Query q(&conn.IBDatabase1, QStringLiteral("IBQ_kihon"));
        q.setSql(QStringLiteral("SELECT * FROM LOOK_KIHON where NAME='JUTAKU'"));
        q.open();
        if (q.recordCount() > 0) {
            programState().housingRowMissing = 0;
        } else {
            CheckBox1->setChecked(false);
            CheckBox2->setChecked(false);
            programState().housingRowMissing = 1;
        }
    } catch (const DbError&) {
        CheckBox1->setChecked(false);
        CheckBox2->setChecked(false);
        programState().housingRowMissing = 0;
    }

    resize(1393, 750);
    if (m_dm) {
        // On the very first start the work tables do not exist yet; only the
        // major load creates them, so the middle tab's step would fail.
        if (workTableExists(QStringLiteral("BUZAI_CHU")))
            setActiveTab(MiddleTab);
        setActiveTab(MajorTab);
    }
    SBS[0]->setEnabled(true);
    programState().registrationPermitted = true;
}

bool TForm1::workTableExists(const QString& table)
{
    try {
        Query q(&conn.IBDatabase2, QStringLiteral("relations"));
        q.setSql(QStringLiteral("select count(*) as N from RDB$RELATIONS where RDB$RELATION_NAME=:T"));
        q.setParam(QStringLiteral("T"), table);
        q.open();
        return q.value(QStringLiteral("N")).toInt() > 0;
    } catch (const DbError&) {
        return false;
    }
}

void TForm1::tabShown(int index)
{
    if (!m_dm || !m_shown)
        return;
    const int tab = index + 1;
    if (m_previousTab == UnitTab && tab != UnitTab) {
        SBS[11]->setText(QString());
        SBS[11]->setEnabled(false);
    }
    m_previousTab = tab;
    guarded([&] {
        try {
            switch (tab) {
            case MajorTab: showMajorTab(); break;
            case MiddleTab: showMiddleTab(); break;
            case MemberTab: showMemberTab(); break;
            case UnitTab: showUnitTab(); break;
            default: break;
            }
        } catch (...) {
            if (tab != UnitTab)
                programState().reloadGuard = 0;
            throw;
        }
    });
}

void TForm1::showMajorTab()
{
    programState().reloadGuard = 1;
    m_dm->IBT_bu.close();
    m_dm->IBT_chu.close();
    conn.IBTransaction4().stop();
    conn.IBTransaction3().stop();
    m_dm->IBT_dai.close();
    conn.IBTransaction2().stop();
    conn.IBDatabase2.reconnect();
    conn.IBTransaction2().start();
    setCaptions(MajorTab);
    conn.IBTransaction4().stop();
    conn.IBTransaction3().stop();
    Button2Click();
    programState().reloadGuard = 0;
    focusGrid(DBGrid1);
}

void TForm1::showMiddleTab()
{
    programState().reloadGuard = 1;
    m_dm->IBT_bu.close();
    m_dm->IBT_chu.close();
    conn.IBTransaction4().stop();
    conn.IBTransaction3().stop();
    setCaptions(MiddleTab);
    conn.IBTransaction4().stop();
    // The unit tab closes the major list; the middle list belongs under the major
    // that was shown before, never under an empty one.
    if (!m_dm->IBT_dai.active() && workTableExists(QStringLiteral("BUZAI_DAI"))) {
        m_dm->IBT_dai.open();
        if (m_lastMajorRow > 0)
            m_dm->IBT_dai.setRecNo(std::min(m_lastMajorRow, m_dm->IBT_dai.recordCount()));
    }
    Button3Click();
    programState().reloadGuard = 0;
    focusGrid(DBGrid2);
}

void TForm1::showMemberTab()
{
    programState().reloadGuard = 0;
    setCaptions(MemberTab);
    if (!m_dm->IBT_dai.active())
        Button2Click();
    if (!m_dm->IBT_chu.active())
        Button3Click();
    Button4Click();
    programState().reloadGuard = 0;
    focusGrid(DBGrid3);
}

void TForm1::showUnitTab()
{
    programState().reloadGuard = 1;
    if (m_dm->IBT_dai.active())
        m_lastMajorRow = m_dm->IBT_dai.recNo();
    m_dm->IBT_dai.close();
    m_dm->IBT_chu.close();
    m_dm->IBT_bu.close();
    setCaptions(UnitTab);
    Button8Click();
    // The guard stays on while the unit tab is shown.
}

void TForm1::setCaptions(int tab)
{
    struct Row {
        QToolButton* button;
        const char* captions[4];  // nullptr keeps the caption
    };
    const char* cleared = "";
    const Row rows[] = {
        {SB[4], {cleared, cleared, "コピー", cleared}},
        {SB[5], {"切　取", "切　取", "切　取", cleared}},
        {SB[6], {"貼　付", "貼　付", "貼　付", cleared}},
        {SB[7], {cleared, cleared, "前行ｺﾋﾟｰ", cleared}},
        {SB[9], {"ﾌｧｲﾙ出力", "ﾌｧｲﾙ出力", "ﾌｧｲﾙ出力", cleared}},
        {SB[10], {cleared, cleared, "ﾌｧｲﾙ取込", cleared}},
        {SBS[0], {cleared, cleared, "置　換", "置　換"}},
        {SBS[1], {cleared, cleared, "修　正", cleared}},
        {SBS[4], {cleared, nullptr, cleared, cleared}},
        {SBS[8], {cleared, cleared, cleared, nullptr}},
        {SBS[9], {cleared, cleared, cleared, cleared}},
        {SBS[11], {nullptr, nullptr, nullptr, "仕上処理"}},
    };
    for (const Row& r : rows)
        if (const char* c = r.captions[tab - 1])
            r.button->setText(QString::fromUtf8(c));
    const bool majorOrUnit = tab == MajorTab || tab == UnitTab;
    SBS[10]->setEnabled(tab == MajorTab);
    SBS[11]->setEnabled(majorOrUnit);
}

void TForm1::focusGrid(DBGrid* grid)
{
    grid->setFocus();
    grid->selectColumn(1);
}

bool TForm1::anyGridFocused() const
{
    QWidget* f = QApplication::focusWidget();
    for (DBGrid* g : {DBGrid1, DBGrid2, DBGrid3, DBGrid7})
        if (f && (f == g || g->isAncestorOf(f)))
            return true;
    return false;
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (m_closeConfirmed) {
        event->accept();
        return;
    }
    if (m_confirm && m_confirm->ask(Confirmation::Question, QStringLiteral("終了しますか？")) != 1) {
        event->ignore();
        return;
    }
    programState().reloadGuard = 1;
    m_closeConfirmed = true;
    event->accept();
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    const int w = width();
    const int each = static_cast<int>(w / 12.2);
    const int last = static_cast<int>(w / 12.25);
    const auto place = [each](auto* const* items, int lastWidth) {
        int x = 0;
        for (int i = 0; i < 12; ++i) {
            const int bw = i == 11 ? lastWidth : each;
            items[i]->setGeometry(x, 0, bw, items[i]->parentWidget()->height());
            x += bw;
        }
    };
    place(SB, last);
    place(SBS, last);
    place(FKey, each);
    ToolPanel->setFixedHeight(42 + ToolBar2->height());
}

void TForm1::showSecondToolbar(bool second)
{
    ToolBar1->setVisible(second);
    ToolBar3->setVisible(!second);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (!isActiveWindow() || QApplication::activeModalWidget())
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::KeyRelease) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (!ke->isAutoRepeat())
            showSecondToolbar(false);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    auto* ke = static_cast<QKeyEvent*>(event);
    // The window sees every key once, before the focused control.
    if (watched != QApplication::focusWidget() && !(watched == this && !QApplication::focusWidget()))
        return false;
    const int key = ke->key();
    if (key == Qt::Key_Shift) {
        showSecondToolbar(true);
        return false;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) {
        const int i = key - Qt::Key_F1;
        const bool second = ke->modifiers() & Qt::ShiftModifier;
        if (!second && key == Qt::Key_F2 && anyGridFocused())
            return false;
        QToolButton* b = second ? SBS[i] : SB[i];
        if (b->isEnabled())
            b->click();
        return true;
    }
    if (!anyGridFocused() && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down)) {
        focusNextChild();
        return true;
    }
    if (!anyGridFocused() && key == Qt::Key_Up) {
        focusPreviousChild();
        return true;
    }
    return false;
}

QWidget* TForm1::buildToolbars()
{
    ToolPanel = new QWidget(this);
    auto* v = new QVBoxLayout(ToolPanel);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    const char* mainCaptions[12] = {"Ｈｅｌｐ", "", "登　録", "挿　入", "ｺﾋﾟｰ", "切　取",
                                    "貼　付", "前行ｺﾋﾟｰ", "科目ﾏｽﾀｰ", "ファイル", "", "終　了"};
    const char* secondCaptions[12] = {"", "", "", "行削除", "", "", "", "", "S", "L", "M", ""};
    auto makeBar = [this](const QString& name, QToolButton** buttons, const char* const* captions,
                          const QString& prefix) {
        // No layout: the resize rule places the buttons, and their widths must not
        // become the window's minimum width.
        auto* bar = new QWidget(ToolPanel);
        bar->setObjectName(name);
        bar->setFixedHeight(40);
        for (int i = 0; i < 12; ++i) {
            buttons[i] = new QToolButton(bar);
            buttons[i]->setObjectName(prefix + QStringLiteral("%1").arg(i + 1, 2, 10, QChar('0')));
            buttons[i]->setText(QString::fromUtf8(captions[i]));
            buttons[i]->setFocusPolicy(Qt::NoFocus);
        }
        return bar;
    };
    ToolBar3 = makeBar(QStringLiteral("ToolBar3"), SB, mainCaptions, QStringLiteral("SB"));
    ToolBar1 = makeBar(QStringLiteral("ToolBar1"), SBS, secondCaptions, QStringLiteral("SBS_"));
    ToolBar1->hide();
    ToolBar2 = new QWidget(ToolPanel);
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    for (int i = 0; i < 12; ++i) {
        FKey[i] = new QLabel(QStringLiteral("F%1").arg(i + 1), ToolBar2);
        FKey[i]->setAlignment(Qt::AlignCenter);
    }
    ToolBar2->setFixedHeight(FKey[0]->sizeHint().height());
    v->addWidget(ToolBar3);
    v->addWidget(ToolBar1);
    v->addWidget(ToolBar2);
    connect(SB[11], &QToolButton::clicked, this, &TForm1::SB12Click);
    return ToolPanel;
}

void TForm1::buildUi()
{
    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(4, 4, 4, 4);
    v->addWidget(buildToolbars());

    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    auto makeTab = [this](const QString& name, const QString& caption, DBGrid*& grid, const QString& gridName,
                          QCheckBox** check, const QString& checkName) {
        auto* tab = new QWidget(PageControl1);
        tab->setObjectName(name);
        auto* lay = new QVBoxLayout(tab);
        auto* header = new QHBoxLayout();
        header->addStretch();
        tab->setProperty("header", QVariant::fromValue<QObject*>(header));
        lay->addLayout(header);
        if (check) {
            *check = new QCheckBox(kPastDetails, tab);
            (*check)->setObjectName(checkName);
            (*check)->setChecked(true);
            header->addWidget(*check);
        }
        grid = new DBGrid(gridName, tab);
        lay->addWidget(grid, 1);
        PageControl1->addTab(tab, caption);
        return tab;
    };
    makeTab(QStringLiteral("TabSheet1"), QStringLiteral("大項目"), DBGrid1, QStringLiteral("DBGrid1"), &CheckBox1,
            QStringLiteral("CheckBox1"));
    makeTab(QStringLiteral("TabSheet2"), QStringLiteral("中項目"), DBGrid2, QStringLiteral("DBGrid2"), &CheckBox2,
            QStringLiteral("CheckBox2"));
    makeTab(QStringLiteral("TabSheet3"), QStringLiteral("部　材"), DBGrid3, QStringLiteral("DBGrid3"), nullptr, {});
    makeTab(QStringLiteral("TabSheet4"), QStringLiteral("単　位"), DBGrid7, QStringLiteral("DBGrid7"), nullptr, {});
    // Working areas of the commands; never shown.
    for (int i = 5; i <= 10; ++i) {
        auto* hidden = new QWidget(PageControl1);
        hidden->setObjectName(QStringLiteral("TabSheet%1").arg(i));
        PageControl1->addTab(hidden, QString());
        PageControl1->setTabVisible(i - 1, false);
    }
    PageControl1->setCurrentIndex(0);
    connect(PageControl1, &QTabWidget::currentChanged, this, &TForm1::tabShown);

    Memo1 = makeNotice(QStringLiteral("Memo1"), PageControl1->widget(0));
    PageControl1->widget(0)->layout()->addWidget(Memo1);
    Memo2 = makeNotice(QStringLiteral("Memo2"), PageControl1->widget(1));
    PageControl1->widget(1)->layout()->addWidget(Memo2);
    v->addWidget(PageControl1, 1);

    ProgressBar1 = new QProgressBar(central);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->hide();
    v->addWidget(ProgressBar1);
    setCentralWidget(central);
}
