#include "RestoreDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

TRestoreDialog::TRestoreDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RestoreDialog"));
    setWindowTitle(QStringLiteral("バックアップから戻す"));
    setModal(true);
    resize(640, 400);

    Label = new QLabel(this);
    Label->setWordWrap(true);
    BackupGrid = new QTableWidget(this);
    BackupGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    BackupGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    BackupGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    BackupGrid->verticalHeader()->hide();
    RestoreButton = new QPushButton(QStringLiteral("戻す"), this);
    CloseButton = new QPushButton(QStringLiteral("閉じる"), this);
    // Going back is never the answer Enter gives by itself: two questions follow,
    // but the list is the first step of a change that cannot be undone by hand.
    RestoreButton->setAutoDefault(false);
    CloseButton->setAutoDefault(false);
    CloseButton->setDefault(true);
    connect(RestoreButton, &QPushButton::clicked, this, [this] {
        if (chosen() >= 0)
            accept();
    });
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(BackupGrid, &QTableWidget::cellDoubleClicked, this, &QDialog::accept);
    connect(BackupGrid, &QTableWidget::itemSelectionChanged, this,
            [this] { RestoreButton->setEnabled(chosen() >= 0); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(RestoreButton);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label);
    layout->addWidget(BackupGrid, 1);
    layout->addLayout(buttons);
}

void TRestoreDialog::setBackups(const QList<BackupListing>& backups, const QString& folder)
{
    Label->setText(QStringLiteral("製品データベースを戻すバックアップを選んで「戻す」を押してください。\n"
                                  "選んだバックアップより後の変更は失われます（戻す前に確認します）。\n"
                                  "バックアップの場所: %1")
                       .arg(folder));
    BackupGrid->clear();
    BackupGrid->setColumnCount(4);
    BackupGrid->setHorizontalHeaderLabels(
        {QStringLiteral("日時"), QStringLiteral("コンピューター"), QStringLiteral("内容"), QStringLiteral("大きさ")});
    BackupGrid->setRowCount(int(backups.size()));
    for (int r = 0; r < backups.size(); ++r) {
        const BackupListing& b = backups.at(r);
        const QStringList cells{b.taken.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")), b.computer, b.what,
                                sizeText(b.bytes)};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells.at(c));
            if (c == 3)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            BackupGrid->setItem(r, c, item);
        }
    }
    BackupGrid->resizeColumnsToContents();
    BackupGrid->horizontalHeader()->setStretchLastSection(false);
    BackupGrid->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    BackupGrid->clearSelection();
    RestoreButton->setEnabled(false);
}

int TRestoreDialog::chosen() const
{
    const QList<QTableWidgetSelectionRange> ranges = BackupGrid->selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.first().topRow();
}

QString TRestoreDialog::sizeText(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KB").arg(double(bytes) / 1024, 0, 'f', 1);
    if (bytes < 1024LL * 1024 * 1024)
        return QStringLiteral("%1 MB").arg(double(bytes) / (1024 * 1024), 0, 'f', 1);
    return QStringLiteral("%1 GB").arg(double(bytes) / (1024.0 * 1024 * 1024), 0, 'f', 1);
}

int DialogBackupPicker::pick(const QList<BackupListing>& backups, const QString& folder)
{
    TRestoreDialog dialog(m_mainWindow);
    dialog.setBackups(backups, folder);
    if (m_mainWindow)
        dialog.move(m_mainWindow->window()->frameGeometry().center() - dialog.rect().center());
    return dialog.exec() == QDialog::Accepted ? dialog.chosen() : -1;
}
