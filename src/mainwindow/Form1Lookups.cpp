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

// The vendor picker asks its questions through whatever confirmation the
// window has at the time, which tests replace after the window is built.
class WindowConfirmation : public Confirmation {
public:
    explicit WindowConfirmation(MainScreen& screen) : m_screen(screen) {}
    int ask(int mode, const QString& message) override { return m_screen.confirmation().ask(mode, message); }

private:
    MainScreen& m_screen;
};

// The pickers and the calculator as the commands reach them.
class DialogPickers : public MemberPickers {
public:
    DialogPickers(QWidget* over, Form1Widgets& w) : m_over(over), m_w(w) {}
    bool pickUnit() override { return m_w.Form_tani_sel->showCentered(m_over) == QDialog::Accepted; }
    bool pickAccount() override { return m_w.Form_kamoku->showCentered(m_over) == QDialog::Accepted; }
    bool pickVendor(int workType) override
    {
        m_w.trad_sen2->Edit3->setText(QString::number(workType));
        return m_w.trad_sen2->showCentered(m_over) == QDialog::Accepted;
    }
    std::optional<double> calculate(double amount) override
    {
        m_w.keisan_in->Edit1->setText(amount != 0 ? Formula::shortestText(amount) : QString());
        m_w.keisan_in->showCentered(m_over);
        if (m_w.keisan_in->Edit1->text().isEmpty())
            return std::nullopt;
        return m_w.keisan_in->result();
    }

private:
    QWidget* m_over;
    Form1Widgets& m_w;
};

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
    Form1Widgets& widgets = *this;
    m_pickers = std::make_unique<DialogPickers>(this, widgets);
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
    {
        // The move alone must not reload; the loads below run once each.
        const ReloadGuard guard(s);
        moveToCode(m_session.dm.IBT_dai, QStringLiteral("BL_KUBUN"), Helpers::toIntOrZero(s.picks.majorCode));
        reloadMiddles();
    }
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
    {
        const ReloadGuard guard(s);
        moveToCode(m_session.dm.IBT_chu, QStringLiteral("BM_KUBUN"), Helpers::toIntOrZero(s.picks.middleCode));
    }
    reloadMembers();
}

MemberPickers& TForm1::pickers()
{
    return *m_pickers;
}
