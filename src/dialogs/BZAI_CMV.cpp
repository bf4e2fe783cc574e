#include "BZAI_CMV.h"

#include "DbError.h"
#include "ImportProgress.h"
#include "ImportReportDialog.h"
#include "ImportText.h"
#include "MemberImport.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kCodeColumn = 3;
const QColor kEditable(0xFF, 0xFF, 0xC0); // light yellow: the one cell the user types in

QTableWidgetItem* readOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

QTableWidget* grid(QWidget* parent, const QStringList& captions)
{
    auto* g = new QTableWidget(0, static_cast<int>(captions.size()), parent);
    g->setHorizontalHeaderLabels(captions);
    g->verticalHeader()->hide();
    g->setColumnWidth(0, 24);
    g->setFont(QFont(QStringLiteral("ＭＳ 明朝"), 10));
    return g;
}

} // namespace

TBZAI_CMV::TBZAI_CMV(MemberImport& work, QWidget* parent) : QDialog(parent), m_work(work)
{
    setObjectName(QStringLiteral("BZAI_CMV"));
    setWindowTitle(QStringLiteral("ファイル取込"));
    resize(900, 560);
    auto* top = new QVBoxLayout(this);
    for (const QString& text : {QStringLiteral("部材マスターのカンマ・ＴＡＢ区切のCSV・TEXTファイルを読み込みます。"),
                                QStringLiteral("文字列の途中にカンマがあると読み込みにずれが出ることがあります。")}) {
        auto* label = new QLabel(text, this);
        label->setStyleSheet(QStringLiteral("color: blue"));
        top->addWidget(label);
    }
    auto* buttons = new QHBoxLayout;
    Label1 = new QLabel(QStringLiteral("ﾚｺｰﾄﾞNo"), this);
    SpeedButton4 = new QPushButton(QStringLiteral("←"), this);
    SpeedButton5 = new QPushButton(QStringLiteral("→"), this);
    SpeedButton2 = new QPushButton(QStringLiteral("対応CD登録"), this);
    SpeedButton3 = new QPushButton(QStringLiteral("対応CD呼出"), this);
    SpeedButton1 = new QPushButton(QStringLiteral("取込開始"), this);
    CheckBox1 = new QCheckBox(QStringLiteral("先頭もデーター"), this);
    for (QWidget* w : std::initializer_list<QWidget*>{Label1, SpeedButton4, SpeedButton5, SpeedButton2, SpeedButton3,
                                                      SpeedButton1, CheckBox1})
        buttons->addWidget(w);
    buttons->addStretch();
    top->addLayout(buttons);
    top->addWidget(new QLabel(QStringLiteral("CDに右表の対応CDをセットします。　↓"), this));
    auto* grids = new QHBoxLayout;
    DBGrid2 = grid(this, {QStringLiteral("CD"), QStringLiteral("列名"), QStringLiteral("例題"), QStringLiteral("CD"),
                          QStringLiteral("対応コード")});
    DBGrid2->setToolTip(QStringLiteral("CDに右表の対応CDをセットします。"));
    DBGrid1 = grid(this, {QStringLiteral("CD"), QStringLiteral("列名"), QStringLiteral("種類")});
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grids->addWidget(DBGrid2, 3);
    grids->addWidget(DBGrid1, 2);
    top->addLayout(grids);

    connect(SpeedButton1, &QPushButton::clicked, this, [this] { importRows(); });
    connect(SpeedButton2, &QPushButton::clicked, this, [this] { guarded([this] { m_work.saveMapping(); }); });
    connect(SpeedButton3, &QPushButton::clicked, this, [this] {
        guarded([this] { m_work.loadMapping(); });
        fillMapping();
    });
    for (auto [button, step] : {std::pair{SpeedButton4, -1}, std::pair{SpeedButton5, +1}})
        connect(button, &QPushButton::clicked, this, [this, step] {
            guarded([&] { m_work.browse(step); });
            fillMapping();
        });
    connect(DBGrid2, &QTableWidget::cellChanged, this, &TBZAI_CMV::codeEdited);
    showReport = [this](const MemberImport::Report& report) {
        ImportReportDialog dialog(report, this);
        dialog.exec();
    };
}

void TBZAI_CMV::showCentered(QWidget* over)
{
    if (over)
        move(over->window()->geometry().center() - rect().center());
    exec();
}

bool TBZAI_CMV::guarded(const std::function<void()>& step)
{
    try {
        step();
        return true;
    } catch (const DbError& e) {
        // The statement goes into the details part, not into what the user reads first.
        const bool advised = !e.advice().isEmpty();
        QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(),
                        advised ? e.advice() : e.message(), QMessageBox::Ok, this);
        box.setDetailedText((advised ? e.message() + QLatin1Char('\n') : QString()) + e.statement());
        box.exec();
    }
    return false;
}

void TBZAI_CMV::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    guarded([this] { m_work.show(); });
    m_filling = true;
    const auto& targets = ImportText::targets();
    DBGrid1->setRowCount(static_cast<int>(targets.size()));
    for (int r = 0; r < targets.size(); ++r) {
        DBGrid1->setItem(r, 0, readOnlyItem(QString::number(targets.at(r).code)));
        DBGrid1->setItem(r, 1, readOnlyItem(targets.at(r).name));
        DBGrid1->setItem(r, 2, readOnlyItem(targets.at(r).kind));
    }
    m_filling = false;
    fillMapping();
}

void TBZAI_CMV::fillMapping()
{
    m_filling = true;
    QVector<MemberImport::Column> columns;
    guarded([&] { columns = m_work.columns(); });
    DBGrid2->setRowCount(static_cast<int>(columns.size()));
    for (int r = 0; r < columns.size(); ++r) {
        const MemberImport::Column& c = columns.at(r);
        DBGrid2->setItem(r, 0, readOnlyItem(QString::number(c.number)));
        DBGrid2->setItem(r, 1, readOnlyItem(c.title));
        DBGrid2->setItem(r, 2, readOnlyItem(c.example));
        auto* code = new QTableWidgetItem(c.code ? QString::number(*c.code) : QString());
        code->setBackground(kEditable);
        DBGrid2->setItem(r, kCodeColumn, code);
        const ImportText::Target* t = c.code ? ImportText::target(*c.code) : nullptr;
        DBGrid2->setItem(r, 4, readOnlyItem(t ? t->name : QString()));
    }
    Label1->setText(m_work.recordLabel());
    m_filling = false;
}

void TBZAI_CMV::codeEdited(int row, int column)
{
    if (m_filling || column != kCodeColumn)
        return;
    const QString text = DBGrid2->item(row, column)->text().trimmed();
    bool ok = false;
    const int value = text.toInt(&ok);
    // A small integer or nothing, as the column holds.
    const std::optional<int> code = ok && value >= -32768 && value <= 32767 ? std::optional<int>(value) : std::nullopt;
    guarded([&] { m_work.setCode(DBGrid2->item(row, 0)->text().toInt(), code); });
    fillMapping();
}

void TBZAI_CMV::setControlsEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4,
                                                      SpeedButton5, CheckBox1, DBGrid1, DBGrid2})
        w->setEnabled(enabled);
}

void TBZAI_CMV::importRows()
{
    if (m_importing)
        return;
    m_work.titleIsData = CheckBox1->isChecked();
    ImportProgress progress(this);
    m_progress = &progress;
    m_importing = true;
    setControlsEnabled(false);
    MemberImport::Report report;
    const bool imported = guarded([&] { report = m_work.importRows(&progress); });
    m_importing = false;
    m_progress = nullptr;
    setControlsEnabled(true);
    Label1->setText(m_work.recordLabel());
    if (m_closeRequested) {
        m_closeRequested = false;
        done(m_closeResult);
        return;
    }
    // Stopped with 中止: the dialog stays for another try; nothing was handed on.
    if (!imported || report.cancelled)
        return;
    if (!report.problems.isEmpty() && showReport)
        showReport(report);
    accept();
}

void TBZAI_CMV::done(int result)
{
    if (m_importing) {
        // Esc, the close box or the end of the session while importing: stop first.
        m_closeRequested = true;
        m_closeResult = result;
        if (m_progress)
            m_progress->cancel();
        return;
    }
    guarded([this] { m_work.close(); });
    QDialog::done(result);
}
