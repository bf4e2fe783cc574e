#include "Form1.h"

#include "BZAI_CMV.h"
#include "DBControls.h"
#include "DBGrid.h"
#include "DatasetModel.h"
#include "Form3.h"
#include "Form4.h"
#include "Form7.h"
#include "Session.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kPastDetails = QStringLiteral("変更登録時に過去の明細も変換する。");

QTextEdit* makeNotice(const QString& name, QWidget* parent)
{
    auto* memo = new QTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setStyleSheet(QStringLiteral("QTextEdit { background: red; color: white; font-size: 20px; }"));
    memo->setPlainText(
        QStringLiteral("マスター変換中・・・・・・・・・・・\n時間がかかりますが強制終了しないでください。"));
    memo->hide();
    return memo;
}

// Shows a widget while another one is shown.
class VisibleWith : public QObject {
public:
    VisibleWith(QWidget* leader, QWidget* follower) : QObject(follower), m_follower(follower)
    {
        leader->installEventFilter(this);
        follower->setVisible(leader->isVisible());
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
            m_follower->setVisible(event->type() == QEvent::Show);
        return false;
    }

private:
    QWidget* m_follower;
};

QHBoxLayout* headerOf(QWidget* tab)
{
    return qobject_cast<QHBoxLayout*>(tab->property("header").value<QObject*>());
}

} // namespace

QToolButton* TForm1::button(const CommandRow& row) const
{
    return (row.shift ? SBS : SB)[row.functionKey - 1];
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

// The toolbars come from the session's command table: the buttons, their first
// captions and the commands they run.
QWidget* TForm1::buildToolbars()
{
    ToolPanel = new QWidget(this);
    auto* v = new QVBoxLayout(ToolPanel);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    // No layout in the bars: the resize rule places the buttons.
    auto makeBar = [this](const QString& name) {
        auto* bar = new QWidget(ToolPanel);
        bar->setObjectName(name);
        bar->setFixedHeight(40);
        return bar;
    };
    ToolBar3 = makeBar(QStringLiteral("ToolBar3"));
    ToolBar1 = makeBar(QStringLiteral("ToolBar1"));
    ToolBar1->hide();
    for (const CommandRow& row : m_session.commands().rows()) {
        auto* b = new QToolButton(row.shift ? ToolBar1 : ToolBar3);
        b->setObjectName(row.button);
        b->setText(row.initialCaption);
        b->setFocusPolicy(Qt::NoFocus);
        (row.shift ? SBS : SB)[row.functionKey - 1] = b;
    }
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
    return ToolPanel;
}

void TForm1::bindGrids()
{
    TDM2& dm = m_session.dm;
    using Col = DatasetModel::Column;
    const auto right = Qt::AlignRight | Qt::AlignVCenter;
    auto bind = [this](DBGrid* grid, TableDataset& ds, QVector<Col> cols) {
        auto* model = new DatasetModel(ds, std::move(cols), grid);
        model->onError = [this](const QString& m) { showError(m); };
        model->onNotice = [this](const QString& m) { confirmation().ask(Confirmation::Notice, m); };
        grid->setDatasetModel(model);
        grid->onError = [this](const QString& m) { showError(m); };
        grid->confirmDelete = [this] {
            return confirmation().ask(Confirmation::Question, QStringLiteral("行を削除しますか？")) == Confirmation::Ok;
        };
    };
    bind(DBGrid1, dm.IBT_dai, {{"№", "№", 33, true, right}, {"NAME01", "名称", 420}});
    bind(DBGrid2, dm.IBT_chu, {{"№", "№", 33, true, right}, {"NAME01", "名称", 420}});
    bind(DBGrid3, dm.IBT_bu,
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
    bind(DBGrid7, dm.IBT_TANI, {{"№", "№", 33, true, right}, {"NAME", "名称", 200}});
    DBGrid3->horizontalHeader()->setSectionsClickable(true);
    bindCategoryFields();
}

// The current major and middle category above the middle and member grids, with
// their navigators; a change of the shown category reloads the dependent list.
void TForm1::bindCategoryFields()
{
    TDM2& dm = m_session.dm;
    auto* tab1 = PageControl1->widget(0);
    auto* tab2 = PageControl1->widget(1);
    auto* tab3 = PageControl1->widget(2);
    DBEdit2 = new DBEdit("DBEdit2", dm.IBT_dai, "BL_KUBUN", tab2);
    DBEdit1 = new DBEdit("DBEdit1", dm.IBT_dai, "NAME01", tab2);
    DBNavigator1 = new DBNavigator("DBNavigator1", dm.IBT_dai, tab2);
    DBEdit3 = new DBEdit("DBEdit3", dm.IBT_dai, "BL_KUBUN", tab3);
    DBEdit4 = new DBEdit("DBEdit4", dm.IBT_dai, "NAME01", tab3);
    DBNavigator2 = new DBNavigator("DBNavigator2", dm.IBT_dai, tab3);
    DBEdit5 = new DBEdit("DBEdit5", dm.IBT_chu, "BM_KUBUN", tab3);
    DBEdit6 = new DBEdit("DBEdit6", dm.IBT_chu, "NAME01", tab3);
    DBNavigator3 = new DBNavigator("DBNavigator3", dm.IBT_chu, tab3);
    DBNavigatorMajor = new DBNavigator("DBNavigator4", dm.IBT_dai, tab1);
    headerOf(tab1)->insertWidget(0, DBNavigatorMajor);

    auto place = [](QWidget* tab, QList<QWidget*> widgets) {
        int i = 0;
        for (QWidget* w : widgets)
            headerOf(tab)->insertWidget(i++, w);
    };
    for (DBEdit* e : {DBEdit2, DBEdit3, DBEdit5})
        e->setFixedWidth(50);
    for (DBEdit* e : {DBEdit1, DBEdit4, DBEdit6})
        e->setFixedWidth(260);
    place(tab2, {new QLabel(QStringLiteral("大項目"), tab2), DBEdit2, DBEdit1, DBNavigator1});
    place(tab3, {new QLabel(QStringLiteral("大項目"), tab3), DBEdit3, DBEdit4, DBNavigator2,
                 new QLabel(QStringLiteral("中項目"), tab3), DBEdit5, DBEdit6, DBNavigator3});

    const ProgramState& state = m_session.state;
    connect(DBEdit2, &DBEdit::changed, this, [this, &state] {
        if (activeTab() == Tab::Middle && state.reloadGuard == 0)
            guarded([this] { reloadMiddles(); });
    });
    for (DBEdit* e : {DBEdit3, DBEdit5})
        connect(e, &DBEdit::changed, this, [this, &state] {
            if (activeTab() == Tab::Member && state.reloadGuard == 0)
                guarded([this] { reloadMembers(); });
        });
    // Each of them loads the list of its tab again.
    DBNavigator1->mayMove = [this] { return mayLeaveList(Tab::Middle, true); };
    for (DBNavigator* n : {DBNavigator2, DBNavigator3})
        n->mayMove = [this] { return mayLeaveList(Tab::Member, true); };
    connect(DBNavigator1, &DBNavigator::clicked, this, [this] { guarded([this] { reloadMiddles(); }); });
    connect(DBNavigator2, &DBNavigator::clicked, this, [this] {
        guarded([this] {
            {
                // The middles reload without the members following each change; then the members once.
                const ReloadGuard guard(m_session.state);
                reloadMiddles();
            }
            reloadMembers();
        });
    });
    connect(DBNavigator3, &DBNavigator::clicked, this, [this] { guarded([this] { reloadMembers(); }); });
    for (DBNavigator* n : {DBNavigator1, DBNavigator2, DBNavigator3, DBNavigatorMajor})
        connect(n, &DBNavigator::failed, this, &TForm1::showError);
}

// The export writes what the grids show; the import shows its dialog over the window.
void TForm1::bindFileCommands()
{
    m_session.exportCommand().gridModel = [this](Tab tab) -> const QAbstractItemModel* {
        DBGrid* grids[] = {DBGrid1, DBGrid2, DBGrid3, DBGrid7};
        return tab == Tab::Unit ? nullptr : grids[static_cast<int>(tab)]->datasetModel();
    };
    BZAI_CMV = new TBZAI_CMV(m_session.importCommand().work(), this);
    m_session.importCommand().showDialog = [this] { BZAI_CMV->showCentered(this); };
}

// The text tools' dialogs, and the unit tab's rebuild from the members, which is
// offered while the second toolbar is.
void TForm1::bindTextTools()
{
    Form7 = new TForm7(m_session.textReplacement(), this);
    Form3 = new TForm3(m_session.memberRename(), this);
    Form4 = new TForm4(m_session.unitReplacement(), this);
    auto* unitTab = PageControl1->widget(static_cast<int>(Tab::Unit));
    SpeedButton9 = new QPushButton(QStringLiteral("部材から単位取込"), unitTab);
    SpeedButton9->setObjectName(QStringLiteral("SpeedButton9"));
    headerOf(unitTab)->insertWidget(0, SpeedButton9);
    new VisibleWith(ToolBar1, SpeedButton9);
}
