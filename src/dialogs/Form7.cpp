#include "Form7.h"

#include "TextReplacement.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TForm7::TForm7(TextReplacement& work, QWidget* parent) : QDialog(parent), m_work(work)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("文字列置換"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("検索文字列"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("置換文字列"), this), 0, 2);
    const std::pair<const char*, int> rows[] = {{"名称", 1}, {"名称", 9}, {"摘要", 3}, {"摘要", 11},
                                                {"備考", 5}, {"単位", 7}, {"ＣＤ", 13}};
    int r = 1;
    for (const auto& [label, search] : rows) {
        auto* l = new QLabel(QString::fromUtf8(label), this);
        grid->addWidget(l, r, 0);
        for (int n : {search, search + 1}) {
            Edit[n] = new QLineEdit(this);
            Edit[n]->setObjectName(QStringLiteral("Edit%1").arg(n));
            Edit[n]->setFixedWidth(251);
            grid->addWidget(Edit[n], r, n == search ? 1 : 2);
        }
        if (search == 13) {
            Label10 = l;
            for (int n : {13, 14})
                Edit[n]->setInputMethodHints(Qt::ImhPreferLatin);
        }
        ++r;
    }
    CheckBox1 = new QCheckBox(QStringLiteral("半角"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    grid->addWidget(CheckBox1, r, 2);
    grid->addWidget(
        new QLabel(QStringLiteral("文字列の置き換えは、実行と同時に仕上表マスターにも反映されます。"), this), ++r, 0, 1,
        3);
    Button1 = new QPushButton(QStringLiteral("実　　　　行"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    BitBtn2 = new QPushButton(QStringLiteral("キャンセル"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    grid->addWidget(Button1, ++r, 1);
    grid->addWidget(BitBtn2, r, 2);
    connect(Button1, &QPushButton::clicked, this, [this] {
        store();
        if (TextDialogs::guarded(this, [this] { return m_work.run(); }))
            accept();
    });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm7::showEvent(QShowEvent* event)
{
    for (int n = 1; n <= 14; ++n)
        Edit[n]->setText(m_work.edit(n));
    CheckBox1->setChecked(m_work.halfWidth);
    for (QWidget* w :
         {static_cast<QWidget*>(Label10), static_cast<QWidget*>(Edit[13]), static_cast<QWidget*>(Edit[14])})
        w->setVisible(m_work.codeRowVisible);
    QDialog::showEvent(event);
}

// The texts stay with the work between showings, however the dialog closes.
void TForm7::done(int result)
{
    store();
    QDialog::done(result);
}

void TForm7::store()
{
    for (int n = 1; n <= 14; ++n)
        m_work.edit(n) = Edit[n]->text();
    m_work.halfWidth = CheckBox1->isChecked();
}
