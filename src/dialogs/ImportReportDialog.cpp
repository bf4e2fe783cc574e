#include "ImportReportDialog.h"

#include "SjisCodec.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

ImportReportDialog::ImportReportDialog(const MemberImport::Report& report, QWidget* parent)
    : QDialog(parent), m_report(report)
{
    setObjectName(QStringLiteral("ImportReport"));
    setWindowTitle(QStringLiteral("取込結果"));
    resize(720, 420);
    auto* top = new QVBoxLayout(this);
    QString text = QStringLiteral("%1行を取り込みました。取り込めなかった行が%2行あります。")
                       .arg(report.imported)
                       .arg(report.refused);
    if (report.problems.size() > kShown)
        text += QStringLiteral("\n先頭の%1件を表示しています。すべては「一覧を保存」でテキストファイルに保存できます。")
                    .arg(kShown);
    else
        text += QStringLiteral("\nファイルを直して、これらの行をもう一度取り込んでください。");
    summary = new QLabel(text, this);
    summary->setWordWrap(true);
    top->addWidget(summary);

    const int rows = static_cast<int>(std::min<qsizetype>(report.problems.size(), kShown));
    list = new QTableWidget(rows, 3, this);
    list->setHorizontalHeaderLabels({QStringLiteral("行"), QStringLiteral("列"), QStringLiteral("取り込めない理由")});
    list->verticalHeader()->hide();
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->horizontalHeader()->setStretchLastSection(true);
    for (int r = 0; r < rows; ++r) {
        const MemberImport::Problem& p = report.problems.at(r);
        const QString column = p.column <= 0       ? QString()
                               : p.title.isEmpty() ? QStringLiteral("%1列目").arg(p.column)
                                                   : QStringLiteral("%1列目（%2）").arg(p.column).arg(p.title);
        list->setItem(r, 0, new QTableWidgetItem(QStringLiteral("%1行目").arg(p.line)));
        list->setItem(r, 1, new QTableWidgetItem(column));
        list->setItem(r, 2, new QTableWidgetItem(p.reason));
    }
    list->resizeColumnsToContents();
    top->addWidget(list);

    auto* buttons = new QHBoxLayout;
    saveButton = new QPushButton(QStringLiteral("一覧を保存..."), this);
    closeButton = new QPushButton(QStringLiteral("閉じる"), this);
    buttons->addWidget(saveButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    top->addLayout(buttons);

    chooseFile = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("取り込めなかった行の一覧を保存"),
                                            QDir::current().filePath(QStringLiteral("取込エラー.txt")),
                                            QStringLiteral("テキストファイル (*.txt)"));
    };
    connect(saveButton, &QPushButton::clicked, this, [this] {
        const QString path = chooseFile ? chooseFile() : QString();
        if (!path.isEmpty())
            saveTo(path);
    });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
}

bool ImportReportDialog::saveTo(const QString& path)
{
    QFile file(path);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (ok) {
        ok = file.write(SjisCodec::encode(MemberImport::reportText(m_report))) >= 0;
        file.close();
        ok = ok && file.error() == QFileDevice::NoError;
    }
    if (!ok)
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("ファイル「%1」に保存できませんでした。\n%2\n別の場所を選んでください。")
                                 .arg(QDir::toNativeSeparators(path), file.errorString()));
    return ok;
}
