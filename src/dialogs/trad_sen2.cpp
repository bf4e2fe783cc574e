#include "trad_sen2.h"

#include "CodeLookups.h"
#include "CodePickers.h"
#include "DbError.h"
#include "FormState.h"
#include "Helpers.h"
#include "UiSeams.h"
#include "VendorSearch.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDir>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

int Ttrad_sen2::sortDirection = 0;

namespace {

struct GridColumn {
    const char* field;
    const char16_t* title;
    int width;
};
const GridColumn kColumns[] = {
    {"T_CD", u"仕入先CD", 80}, {"T_KEY", u"キー", 100}, {"T_NAME01", u"名称", 0},
    {"T_TEL", u"TEL", 130},    {"T_FAX", u"FAX", 130},  {"KU_KOUSYU", u"工種CD", 70},
};
constexpr int kNameColumn = 2;
constexpr int kMemoWidth = 172;
constexpr int kMemoMargins = 8; // the memo's own border and inner margins

QLabel* label(const QString& name, const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

} // namespace

Ttrad_sen2::Ttrad_sen2(Database& product, ProgramState& state, Confirmation& confirm, TForm_kou* workTypes,
                       QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_db(product), m_state(state), m_confirm(confirm), m_workTypes(workTypes),
      m_query(&product, QStringLiteral("IBQuery1")), m_update(&product, QStringLiteral("IBQ_touroku"))
{
    setObjectName(QStringLiteral("trad_sen2"));
    setWindowTitle(QStringLiteral("業者選択"));
    setModal(true);

    // Created in the order the form state lists them.
    Edit3 = new QLineEdit(this);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    Edit3->setAttribute(Qt::WA_InputMethodEnabled, false);
    Edit3->installEventFilter(this);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setPlaceholderText(QStringLiteral("電話番号の下４桁、ﾌﾘｶﾞﾅ･名称の一部で検索できます。"));
    Edit1->installEventFilter(this);
    CheckBox1 = new QCheckBox(QStringLiteral("50音順"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);
    CheckBox2 = new QCheckBox(QStringLiteral("検索 先頭一致"), this);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    connect(CheckBox1, &QCheckBox::clicked, this, &Ttrad_sen2::search);
    connect(CheckBox2, &QCheckBox::clicked, this, &Ttrad_sen2::search);

    BitBtn2 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);
    connect(BitBtn2, &QPushButton::clicked, this, &Ttrad_sen2::ok);
    BitBtn1 = new QPushButton(QStringLiteral("キャンセル"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, &Ttrad_sen2::cancel);

    DBGrid1 = new QTableWidget(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->verticalHeader()->hide();
    // One line per vendor: a key or name wider than its column is cut, and shows
    // whole in its tooltip.
    DBGrid1->setWordWrap(false);
    DBGrid1->setTextElideMode(Qt::ElideRight);
    DBGrid1->verticalHeader()->setDefaultSectionSize(DBGrid1->fontMetrics().height() + 8);
    DBGrid1->setColumnCount(static_cast<int>(std::size(kColumns)));
    QStringList titles;
    for (const GridColumn& c : kColumns)
        titles << QString::fromUtf16(c.title);
    DBGrid1->setHorizontalHeaderLabels(titles);
    DBGrid1->horizontalHeader()->setSectionsClickable(true);
    DBGrid1->installEventFilter(this);
    connect(DBGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this, &Ttrad_sen2::resort);
    connect(DBGrid1, &QTableWidget::cellDoubleClicked, this, &Ttrad_sen2::ok);

    auto* panel = new QGridLayout;
    panel->addWidget(label(QStringLiteral("Label3"), QStringLiteral("工種CD"), this), 0, 0);
    panel->addWidget(Edit3, 0, 1);
    panel->addWidget(CheckBox1, 0, 2);
    panel->addWidget(CheckBox2, 0, 3);
    panel->addWidget(label(QStringLiteral("Label1"), QStringLiteral("検索キー"), this), 1, 0);
    panel->addWidget(Edit1, 1, 1, 1, 3);
    panel->addWidget(BitBtn1, 1, 4);
    panel->addWidget(BitBtn2, 1, 5);
    panel->addWidget(
        label(QStringLiteral("Label2"), QStringLiteral("↑ 検索キー・名前・電話番号の下4桁で検索できます。"), this), 2,
        1, 1, 3);
    panel->addWidget(
        label(QStringLiteral("Label4"), QStringLiteral("検索ｷｰを指定した場合は、工種CDを無視して検索します。"), this),
        3, 1, 1, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panel);
    layout->addWidget(DBGrid1);
    resize(803, 592);
}

QString Ttrad_sen2::stateFile() const
{
    const QString dir = m_state.config.startDirectory;
    return dir.isEmpty() ? QStringLiteral("TRAD_SEL.DAT") : QDir(dir).filePath(QStringLiteral("TRAD_SEL.DAT"));
}

int Ttrad_sen2::showCentered(QWidget* over)
{
    if (QWidget* w = over ? over->window() : nullptr)
        move(w->geometry().center() - rect().center());
    return exec();
}

void Ttrad_sen2::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_state.config.koushuMode == 0)
        Edit3->clear();
    int fixed = 0;
    for (int c = 0; c < DBGrid1->columnCount(); ++c)
        if (c != kNameColumn) {
            DBGrid1->setColumnWidth(c, kColumns[c].width);
            fixed += kColumns[c].width;
        }
    DBGrid1->setColumnWidth(kNameColumn, std::max(100, DBGrid1->width() - fixed - 24));
    search();
    Edit1->setFocus();
}

void Ttrad_sen2::fillGrid()
{
    const int rows = m_query.recordCount();
    DBGrid1->clearContents();
    DBGrid1->setRowCount(rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < DBGrid1->columnCount(); ++c) {
            auto* item = new QTableWidgetItem(CodeLookups::cell(m_query, r, QString::fromLatin1(kColumns[c].field)));
            item->setToolTip(item->text());
            DBGrid1->setItem(r, c, item);
        }
    if (rows > 0)
        DBGrid1->setCurrentCell(0, 0);
}

void Ttrad_sen2::search()
{
    using namespace VendorSearch;
    const QString order = orderLine(CheckBox1->isChecked());
    showVendors([&] { return byText(Edit1->text(), CheckBox2->isChecked(), order); },
                [&] { return byWorkType(Edit3->text(), orderLine(CheckBox1->isChecked(), QStringLiteral("a."))); },
                order);
}

void Ttrad_sen2::resort(int column)
{
    if (column < 0 || column >= DBGrid1->columnCount())
        return;
    using namespace VendorSearch;
    const QString field = QString::fromLatin1(kColumns[column].field);
    const QString direction = sortDirection == 1 ? QStringLiteral(" desc") : QString();
    sortDirection = 1 - sortDirection;
    const QString order = QStringLiteral("order by ") + field + direction;
    showVendors([&] { return resortByText(Edit1->text(), CheckBox2->isChecked(), order); },
                [&] {
                    return resortByWorkType(Helpers::toIntOrZero(Edit3->text()),
                                            QStringLiteral("order by a.") + field + direction);
                },
                order);
}

// The search text first; else the work type, and every vendor when there is
// none or it finds nobody.
void Ttrad_sen2::showVendors(const std::function<VendorSearch::Statement()>& byText,
                             const std::function<VendorSearch::Statement()>& byWorkType, const QString& order)
{
    try {
        if (!Edit1->text().isEmpty()) {
            byText().open(m_query);
        } else {
            if (!Edit3->text().isEmpty())
                byWorkType().open(m_query);
            if (Edit3->text().isEmpty() || m_query.recordCount() == 0)
                VendorSearch::all(order).open(m_query);
        }
    } catch (const DbError& e) {
        m_query.close();
        TCodePicker::errorHandler()(this, e.text());
    }
    fillGrid();
}

QString Ttrad_sen2::memoLine(const QString& text) const
{
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(16);
    const QFontMetrics metrics(font);
    const QString line = Helpers::firstLine(text);
    qsizetype n = line.size();
    while (n > 1 && metrics.horizontalAdvance(line.left(n)) > kMemoWidth - kMemoMargins)
        --n;
    return line.left(n);
}

void Ttrad_sen2::ok()
{
    const int row = DBGrid1->currentRow();
    if (row < 0) {
        // An empty list has no vendor to hand back or to update.
        reject();
        return;
    }
    auto field = [this, row](const char* name) { return CodeLookups::cell(m_query, row, QString::fromLatin1(name)); };
    m_state.picks.vendorCode = QString::number(Helpers::toIntOrZero(field("T_CD")));
    m_name01 = field("T_NAME01");
    m_name02 = field("T_NAME02");
    try {
        if (!field("T_NAME03").isEmpty()) {
            m_shortName = memoLine(field("T_NAME03"));
        } else if (!m_name01.isEmpty()) {
            m_shortName = memoLine(VendorSearch::shortName(m_name01));
            m_update.close();
            m_update.setSql(QStringLiteral("UPDATE MAS_SIIRE set T_NAME03=:NAME where T_CD=:CD"));
            m_update.setParam(QStringLiteral("NAME"), m_shortName);
            m_update.setParam(QStringLiteral("CD"), m_state.picks.vendorCode.toInt());
            m_update.exec();
            m_update.run(QStringLiteral("COMMIT"));
        }
        const int workType = Helpers::toIntOrZero(Edit3->text());
        if (field("KU_KOUSYU").isEmpty() && workType > 0 &&
            m_confirm.ask(Confirmation::Question, m_name01 + QStringLiteral("に工種をセットしますか？")) ==
                Confirmation::Ok) {
            m_update.close();
            m_update.setSql(QStringLiteral("UPDATE MAS_SIIRE set KU_KOUSYU=:KOUSYU where T_CD=:CD"));
            m_update.setParam(QStringLiteral("KOUSYU"), workType);
            m_update.setParam(QStringLiteral("CD"), m_state.picks.vendorCode.toInt());
            m_update.exec();
            m_update.run(QStringLiteral("COMMIT"));
        }
    } catch (const DbError& e) {
        // The choice stands; only the vendor's upkeep failed.
        TCodePicker::errorHandler()(this, e.text());
    }
    accept();
}

void Ttrad_sen2::cancel()
{
    reject();
}

void Ttrad_sen2::done(int r)
{
    if (r != QDialog::Accepted) {
        m_state.picks.vendorCode.clear();
        m_name01.clear();
        m_name02.clear();
        m_shortName.clear();
    }
    m_query.close();
    Edit1->setFocus();
    saveFormState(this, stateFile());
    QDialog::done(r);
}

void Ttrad_sen2::pickWorkType()
{
    if (!m_workTypes)
        return;
    QApplication::processEvents();
    const QPoint at = QCursor::pos();
    m_workTypes->move(at.x(), at.y() - 40);
    if (m_workTypes->exec() == QDialog::Accepted) {
        Edit3->setText(QString::number(m_state.picks.workTypeCode));
        search();
    }
}

bool Ttrad_sen2::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Edit3 && event->type() == QEvent::MouseButtonDblClick) {
        pickWorkType();
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int k = static_cast<QKeyEvent*>(event)->key();
    const bool enter = k == Qt::Key_Return || k == Qt::Key_Enter;
    if (watched == Edit1 && enter) {
        search();
        if (DBGrid1->rowCount() > 0)
            DBGrid1->setFocus();
        return true;
    }
    if (watched == DBGrid1 && enter) {
        ok();
        return true;
    }
    if (watched == DBGrid1 && k == Qt::Key_Up && DBGrid1->currentRow() <= 0) {
        // Up on the first row goes back to the search text.
        Edit1->setFocus();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
