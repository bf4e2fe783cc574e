#include "CodePickers.h"

#include "CodeLookups.h"
#include "DbError.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

using CodeLookups::cell;
using CodeLookups::cellInt;

TCodePicker::TCodePicker(Database& product, ProgramState& state, const QString& name, const QString& caption,
                         QList<Column> columns, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_db(product), m_state(state), m_query(&product, name + QStringLiteral("_Query")), m_columns(std::move(columns))
{
    setObjectName(name);
    setWindowTitle(caption);
    setModal(true);

    DBGrid1 = new QTableWidget(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->horizontalHeader()->hide();
    DBGrid1->verticalHeader()->hide();
    DBGrid1->setFrameShape(QFrame::NoFrame);
    DBGrid1->installEventFilter(this);
    DBGrid1->viewport()->installEventFilter(this);
    connect(DBGrid1, &QTableWidget::cellDoubleClicked, this, &TCodePicker::ok);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, &TCodePicker::ok);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->addWidget(DBGrid1);
}

std::function<void(QWidget*, const QString&)>& TCodePicker::errorHandler()
{
    static std::function<void(QWidget*, const QString&)> handler = [](QWidget* parent, const QString& message) {
        QMessageBox::critical(parent, QApplication::applicationDisplayName(), message);
    };
    return handler;
}

int TCodePicker::currentRow() const
{
    return DBGrid1->currentRow();
}

int TCodePicker::showCentered(QWidget* over)
{
    if (QWidget* w = over ? over->window() : nullptr) {
        move(w->geometry().center() - rect().center());
        placeBeside(w);
    }
    return exec();
}

void TCodePicker::ok()
{
    const int row = currentRow();
    if (row >= 0)
        takeRow(row);
    accept();
}

void TCodePicker::fillGrid()
{
    DBGrid1->clear();
    DBGrid1->setColumnCount(static_cast<int>(m_columns.size()));
    DBGrid1->setRowCount(m_query.recordCount());
    for (int r = 0; r < m_query.recordCount(); ++r)
        for (int c = 0; c < m_columns.size(); ++c)
            DBGrid1->setItem(r, c, new QTableWidgetItem(cell(m_query, r, m_columns[c].field)));
    int fixed = 0;
    for (int c = 0; c < m_columns.size(); ++c)
        fixed += m_columns[c].width;
    for (int c = 0; c < m_columns.size(); ++c)
        DBGrid1->setColumnWidth(c, m_columns[c].width > 0 ? m_columns[c].width
                                                          : std::max(40, DBGrid1->width() - fixed - m_restGap));
}

void TCodePicker::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    int start = -1;
    try {
        start = openList();
    } catch (const DbError& e) {
        m_query.close();
        errorHandler()(this, e.text());
    }
    fillGrid();
    if (DBGrid1->rowCount() > 0)
        DBGrid1->setCurrentCell(std::max(0, start), 0);
    DBGrid1->setFocus();
}

void TCodePicker::done(int r)
{
    beforeClose();
    m_query.close();
    QDialog::done(r);
}

bool TCodePicker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == DBGrid1 && event->type() == QEvent::KeyPress) {
        const int k = static_cast<QKeyEvent*>(event)->key();
        if (k == Qt::Key_Return || k == Qt::Key_Enter) {
            ok();
            return true;
        }
    }
    if (m_wheel && watched == DBGrid1->viewport() && event->type() == QEvent::Wheel) {
        // One row per notch: towards the user (negative delta) is down.
        const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
        const int row = currentRow() + (delta < 1 ? 1 : -1);
        if (row >= 0 && row < DBGrid1->rowCount())
            DBGrid1->setCurrentCell(row, std::max(0, DBGrid1->currentColumn()));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

namespace {

// OK, and Cancel where the picker has one, under the grid.
QPushButton* addButtons(QDialog* dialog, QList<QPushButton*> buttons)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* b : buttons)
        row->addWidget(b);
    static_cast<QVBoxLayout*>(dialog->layout())->addLayout(row);
    return buttons.isEmpty() ? nullptr : buttons.front();
}

QPushButton* cancelButton(QDialog* dialog)
{
    auto* b = new QPushButton(QStringLiteral("キャンセル"), dialog);
    b->setObjectName(QStringLiteral("BitBtn2"));
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, dialog, &QDialog::reject);
    return b;
}

} // namespace

TForm_kou::TForm_kou(Database& product, ProgramState& state, QWidget* parent)
    : TCodePicker(product, state, QStringLiteral("Form_kou"), QStringLiteral("工種選択"),
                  {{QStringLiteral("CD"), 40}, {QStringLiteral("NAME01"), 0}}, parent)
{
    setWheelMovesRows(true);
    DBGrid1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    BitBtn2 = cancelButton(this);
    ALL = new QPushButton(QStringLiteral("ALL"), this);
    ALL->setObjectName(QStringLiteral("ALL"));
    ALL->setAutoDefault(false);
    connect(ALL, &QPushButton::clicked, this, [this] {
        for (int r = 0; r < DBGrid1->rowCount(); ++r) {
            DBGrid1->setCurrentCell(r, 0, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        ok();
    });
    addButtons(this, {BitBtn2, ALL, BitBtn1});
    resize(448, 400);
}

int TForm_kou::openList()
{
    m_query.close();
    m_query.setSql(CodeLookups::workTypeStatement(m_state.config.companyName));
    m_query.open();
    const int start = m_state.picks.workTypeCode;
    return start > 0 ? CodeLookups::startingRow(m_query, QStringLiteral("CD"), start) : -1;
}

void TForm_kou::takeRow(int row)
{
    PickerResults& p = m_state.picks;
    p.workTypeMajor = cellInt(m_query, row, QStringLiteral("BL_KUBUN"));
    p.workTypeMiddle = cellInt(m_query, row, QStringLiteral("BM_KUBUN"));
    p.workTypeCode = p.workTypeMajor * 100 + p.workTypeMiddle;
    p.workTypeName = cell(m_query, row, QStringLiteral("NAME01"));
}

TForm_kamoku::TForm_kamoku(Database& product, ProgramState& state, QWidget* parent)
    : TCodePicker(product, state, QStringLiteral("Form_kamoku"), QStringLiteral("科目"),
                  {{QStringLiteral("CD"), 38}, {QStringLiteral("NAME"), 160}}, parent)
{
    addButtons(this, {BitBtn1});
    resize(235, 300);
}

int TForm_kamoku::openList()
{
    CodeLookups::openAccounts(m_query);
    return -1;
}

void TForm_kamoku::takeRow(int row)
{
    PickerResults& p = m_state.picks;
    p.accountCode = cellInt(m_query, row, QStringLiteral("CD"));
    p.accountKubun = cellInt(m_query, row, QStringLiteral("KUBUN"));
    p.accountName = cell(m_query, row, QStringLiteral("NAME"));
}

TForm_koumoku::TForm_koumoku(Database& product, ProgramState& state, QWidget* parent)
    : TCodePicker(product, state, QStringLiteral("Form_koumoku"), QStringLiteral("大項目名選択"),
                  {{QStringLiteral("BL_KUBUN"), 64}, {QStringLiteral("NAME01"), 0}}, parent)
{
    setRestGap(21);
    BitBtn2 = cancelButton(this);
    addButtons(this, {BitBtn2, BitBtn1});
    resize(327, 400);
}

int TForm_koumoku::openList()
{
    m_query.close();
    m_query.setSql(CodeLookups::majorStatement());
    m_query.open();
    const QString& start = m_state.picks.majorCode;
    return start.isEmpty() ? -1 : CodeLookups::startingRow(m_query, QStringLiteral("BL_KUBUN"), start.toInt());
}

void TForm_koumoku::takeRow(int row)
{
    m_state.picks.majorCode = cell(m_query, row, QStringLiteral("BL_KUBUN"));
    m_state.picks.majorName = cell(m_query, row, QStringLiteral("NAME01"));
}

TForm_M_name::TForm_M_name(Database& product, ProgramState& state, QWidget* parent)
    : TCodePicker(product, state, QStringLiteral("Form_M_name"), QStringLiteral("中項目名選択"),
                  {{QStringLiteral("BM_KUBUN"), 64}, {QStringLiteral("NAME01"), 0}}, parent)
{
    setRestGap(21);
    setWheelMovesRows(true);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    BitBtn2 = cancelButton(this);
    addButtons(this, {BitBtn2, BitBtn1});
    resize(330, 400);
}

int TForm_M_name::openList()
{
    m_query.close();
    m_query.setSql(CodeLookups::middleStatement(m_state.picks.majorCode));
    m_query.open();
    const QString& start = m_state.picks.middleCode;
    return start.isEmpty() ? -1 : CodeLookups::startingRow(m_query, QStringLiteral("BM_KUBUN"), start.toInt());
}

void TForm_M_name::takeRow(int row)
{
    m_state.picks.majorCode = cell(m_query, row, QStringLiteral("BL_KUBUN"));
    m_state.picks.middleCode = cell(m_query, row, QStringLiteral("BM_KUBUN"));
    m_state.picks.middleName = cell(m_query, row, QStringLiteral("NAME01"));
}

TForm_tani_sel::TForm_tani_sel(Database& product, ProgramState& state, QWidget* parent)
    : TCodePicker(product, state, QStringLiteral("Form_tani_sel"), QStringLiteral("単位選択"),
                  {{QStringLiteral("NAME"), 0}}, parent)
{
    setRestGap(20);
    setWheelMovesRows(true);
    BitBtn2 = cancelButton(this);
    addButtons(this, {BitBtn2, BitBtn1});
    resize(132, 400);
}

int TForm_tani_sel::openList()
{
    m_query.close();
    m_query.setSql(CodeLookups::unitStatement());
    m_query.open();
    const int start = m_state.picks.unitCode;
    return start > 0 ? CodeLookups::startingRow(m_query, QStringLiteral("CD"), start) : -1;
}

void TForm_tani_sel::takeRow(int row)
{
    m_state.picks.unitName = cell(m_query, row, QStringLiteral("NAME"));
    m_state.picks.unitCode = cellInt(m_query, row, QStringLiteral("CD"));
}

void TForm_tani_sel::placeBeside(QWidget* mainWindow)
{
    const QRect main = mainWindow->frameGeometry();
    int top = y();
    if (top < 1)
        top = main.top() + 50;
    if (top + height() > main.bottom())
        top = main.bottom() - height();
    if (top < 0)
        top = 10;
    move(x(), top);
}

void TForm_tani_sel::beforeClose()
{
    // The next showing starts at the row last looked at, whatever the answer.
    if (currentRow() >= 0)
        m_state.picks.unitCode = cellInt(m_query, currentRow(), QStringLiteral("CD"));
}
