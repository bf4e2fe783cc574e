#include "PreviewDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

void fill(QTableWidget* grid, const QStringList& captions, const QList<QStringList>& rows)
{
    grid->clear();
    grid->setColumnCount(int(captions.size()));
    grid->setHorizontalHeaderLabels(captions);
    grid->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(rows[r][c]);
            if (c > 0 && !rows[r][c].isEmpty() && (rows[r][c][0].isDigit() || rows[r][c] == QStringLiteral("新規")))
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid->setItem(r, c, item);
        }
    grid->resizeColumnsToContents();
}

QTableWidget* readOnlyGrid(QWidget* parent)
{
    auto* grid = new QTableWidget(parent);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setFocusPolicy(Qt::NoFocus);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setStretchLastSection(true);
    return grid;
}

} // namespace

TPreviewDialog::TPreviewDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PreviewDialog"));
    setWindowTitle(QStringLiteral("登録前の確認"));
    setModal(true);
    resize(640, 460);

    Label = new QLabel(this);
    Label->setWordWrap(true);
    CodeGrid = readOnlyGrid(this);
    GoneLabel = new QLabel(this);
    GoneLabel->setWordWrap(true);
    GoneGrid = readOnlyGrid(this);
    GoOnButton = new QPushButton(QStringLiteral("続行"), this);
    StopButton = new QPushButton(QStringLiteral("中止"), this);
    // Enter presses the default button wherever the focus is.
    GoOnButton->setAutoDefault(false);
    StopButton->setAutoDefault(false);
    connect(GoOnButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(StopButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(GoOnButton);
    buttons->addWidget(StopButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label);
    layout->addWidget(CodeGrid, 1);
    layout->addWidget(GoneLabel);
    layout->addWidget(GoneGrid, 1);
    layout->addLayout(buttons);
}

void TPreviewDialog::defaultTo(QPushButton* button)
{
    GoOnButton->setDefault(button == GoOnButton);
    StopButton->setDefault(button == StopButton);
    button->setFocus();
}

void TPreviewDialog::setOthers(const QList<OtherAttachment>& others)
{
    Label->setText(QStringLiteral("次のコンピューター・プログラムが製品データベースを使用中です。\n"
                                  "登録すると工種のコードが変わり、使用中の画面の工種が食い違います。"
                                  "他の方の作業が終わってから登録してください。登録を続けますか？"));
    QList<QStringList> rows;
    for (const OtherAttachment& a : others)
        rows << QStringList{a.host.isEmpty() ? QStringLiteral("このコンピューター") : a.host,
                            a.program.isEmpty() ? QStringLiteral("（プロセス番号 %1）").arg(a.processId) : a.program,
                            a.since.toString(QStringLiteral("yyyy/MM/dd HH:mm"))};
    fill(CodeGrid, {QStringLiteral("コンピューター"), QStringLiteral("プログラム"), QStringLiteral("接続日時")}, rows);
    GoneLabel->hide();
    GoneGrid->hide();
    defaultTo(StopButton);
}

void TPreviewDialog::setOutline(const RenumberingOutline& outline)
{
    const QString master = outline.major ? QStringLiteral("大項目") : QStringLiteral("中項目");
    QString text = QStringLiteral("%1マスターを登録すると、工種のコードが次のように変わります。").arg(master);
    if (!outline.backup.isEmpty()) {
        // A server's folder is written as the server writes it.
        const qsizetype cut = std::max(outline.backup.lastIndexOf(u'/'), outline.backup.lastIndexOf(u'\\'));
        text +=
            QStringLiteral("\n続行すると、変更の前に製品データベースをバックアップします。\n保存先: %1\nファイル名: %2")
                .arg(outline.backup.left(cut), outline.backup.mid(cut + 1));
    }
    Label->setText(text);
    QList<QStringList> codes;
    for (const RenumberingOutline::Code& c : outline.codes)
        codes << QStringList{c.name, c.added ? QStringLiteral("新規") : QString::number(c.oldCode),
                             QString::number(c.newCode),
                             c.added || c.oldCode == c.newCode ? QString() : QStringLiteral("変更")};
    fill(CodeGrid, {QStringLiteral("名称"), QStringLiteral("旧コード"), QStringLiteral("新コード"), QString()}, codes);

    GoneLabel->setVisible(outline.losesSomething());
    GoneGrid->setVisible(outline.losesSomething());
    if (outline.losesSomething()) {
        GoneLabel->setText(
            QStringLiteral("一覧にない工種は削除され、次のデーターが削除されるか、工種のないデーターとして残ります。"));
        QStringList captions{QStringLiteral("コード"), QStringLiteral("名称")};
        if (outline.major)
            captions << QStringLiteral("削除される中項目");
        captions << QStringLiteral("削除される部材");
        if (outline.major)
            captions << QStringLiteral("削除される仕上マスター");
        captions << QStringLiteral("工種なしになる仕上データ");
        if (outline.pastDetails)
            captions << QStringLiteral("工種なしになる過去の明細");
        QList<QStringList> rows;
        for (const RenumberingOutline::Gone& g : outline.gone) {
            QStringList row{g.code ? QString::number(g.code) : QString(),
                            g.code ? g.name : QStringLiteral("（工種のないデーター）")};
            if (outline.major)
                row << QString::number(g.middles);
            row << QString::number(g.members);
            if (outline.major)
                row << QString::number(g.scheduleDeleted);
            row << QString::number(g.scheduleKept);
            if (outline.pastDetails)
                row << QString::number(g.pastDetails);
            rows << row;
        }
        fill(GoneGrid, captions, rows);
    }
    // Deleting is not undone: then stopping is what Enter does.
    defaultTo(outline.losesSomething() ? StopButton : GoOnButton);
}

RenumberingQuestions::Answer PreviewQuestions::ask(TPreviewDialog& dialog)
{
    if (m_mainWindow)
        dialog.move(m_mainWindow->window()->frameGeometry().center() - dialog.rect().center());
    return dialog.exec() == QDialog::Accepted ? GoOn : Stop;
}

RenumberingQuestions::Answer PreviewQuestions::othersConnected(const QList<OtherAttachment>& others)
{
    TPreviewDialog dialog(m_mainWindow);
    dialog.setOthers(others);
    return ask(dialog);
}

RenumberingQuestions::Answer PreviewQuestions::renumbering(const RenumberingOutline& outline)
{
    TPreviewDialog dialog(m_mainWindow);
    dialog.setOutline(outline);
    return ask(dialog);
}
