#include "Form3.h"

#include "MemberRename.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TForm3::TForm3(MemberRename& work, QWidget* parent) : QDialog(parent), m_work(work)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("部材名称修正"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("修正前"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("修正後"), this), 0, 2);
    QLineEdit** pairs[][2] = {{&Edit1, &Edit2}, {&Edit3, &Edit4}, {&Edit7, &Edit8}};
    const char* labels[] = {"名称", "摘要", "単位"};
    const int numbers[][2] = {{1, 2}, {3, 4}, {7, 8}};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(new QLabel(QString::fromUtf8(labels[i]), this), i + 1, 0);
        for (int side = 0; side < 2; ++side) {
            auto* e = new QLineEdit(this);
            e->setObjectName(QStringLiteral("Edit%1").arg(numbers[i][side]));
            e->setFixedWidth(i == 2 ? 60 : 341);
            if (side == 0) {
                e->setReadOnly(true);
                e->setFocusPolicy(Qt::NoFocus);
                e->setStyleSheet(QStringLiteral("QLineEdit { background: lightgray; }"));
            }
            grid->addWidget(e, i + 1, side + 1);
            *pairs[i][side] = e;
        }
    }
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("キャンセル"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    grid->addWidget(BitBtn1, 4, 1);
    grid->addWidget(BitBtn2, 4, 2);
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        m_work.after[0] = Edit2->text();
        m_work.after[1] = Edit4->text();
        m_work.after[2] = Edit8->text();
        bool refused = false;
        TextDialogs::guarded(this, [&] {
            refused = !m_work.run();
            return true;
        });
        // Only a text that cannot be stored keeps the dialog open for correcting it.
        if (!refused)
            accept();
    });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm3::showEvent(QShowEvent* event)
{
    Edit1->setText(m_work.before[0]);
    Edit3->setText(m_work.before[1]);
    Edit7->setText(m_work.before[2]);
    Edit2->setText(m_work.after[0]);
    Edit4->setText(m_work.after[1]);
    Edit8->setText(m_work.after[2]);
    QDialog::showEvent(event);
    Edit2->setFocus();
}
