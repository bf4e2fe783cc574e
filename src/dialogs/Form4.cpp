#include "Form4.h"

#include "UnitReplacement.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TForm4::TForm4(UnitReplacement& work, QWidget* parent) : QDialog(parent), m_work(work)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("単位変換"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("置換前"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("置換後"), this), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("単位"), this), 1, 0);
    Edit7 = new QLineEdit(this);
    Edit7->setObjectName(QStringLiteral("Edit7"));
    Edit8 = new QLineEdit(this);
    Edit8->setObjectName(QStringLiteral("Edit8"));
    for (QLineEdit* e : {Edit7, Edit8})
        e->setFixedWidth(60);
    grid->addWidget(Edit7, 1, 1);
    grid->addWidget(Edit8, 1, 2);
    Button1 = new QPushButton(QStringLiteral("実　行"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    BitBtn2 = new QPushButton(QStringLiteral("キャンセル"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(Button1, 2, 1);
    grid->addWidget(BitBtn2, 2, 2);
    connect(Button1, &QPushButton::clicked, this, [this] {
        m_work.before = Edit7->text();
        m_work.after = Edit8->text();
        if (TextDialogs::guarded(this, [this] { return m_work.run(); }))
            accept();
    });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm4::showEvent(QShowEvent* event)
{
    Edit7->setText(m_work.before);
    Edit8->setText(m_work.after);
    QDialog::showEvent(event);
}

void TForm4::done(int result)
{
    m_work.after = Edit8->text();
    QDialog::done(result);
}
