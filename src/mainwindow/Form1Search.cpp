#include "Form1.h"

#include "DBGrid.h"
#include "Session.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

// Two keyword boxes and the search button under the category fields of the
// 部材 tab; the button's caption tells whether the grid is narrowed.
void TForm1::buildSearch()
{
    QWidget* tab = PageControl1->widget(static_cast<int>(Tab::Member));
    auto* row = new QHBoxLayout();
    Edit1 = new QLineEdit(tab);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit2 = new QLineEdit(tab);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    SpeedButton1 = new QPushButton(m_session.search().caption(), tab);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    for (QLineEdit* e : {Edit1, Edit2})
        e->setFixedWidth(200);
    row->addWidget(new QLabel(QStringLiteral("キーワード"), tab));
    row->addWidget(Edit1);
    row->addWidget(Edit2);
    row->addWidget(SpeedButton1);
    row->addStretch();
    qobject_cast<QVBoxLayout*>(tab->layout())->insertLayout(1, row);
}

void TForm1::SpeedButton1Click()
{
    MemberSearch& search = m_session.search();
    if (search.narrowed()) {
        endNarrowing();
        return;
    }
    search.search(Edit1->text(), Edit2->text());
    SpeedButton1->setText(search.caption());
    DBGrid3->clearSelectedRows();
}

bool TForm1::memberGridNarrowed() const
{
    return m_session.search().narrowed();
}

void TForm1::endNarrowing()
{
    MemberSearch& search = m_session.search();
    try {
        search.reset();
    } catch (...) {
        SpeedButton1->setText(search.caption());
        throw;
    }
    SpeedButton1->setText(search.caption());
    resetSearchFields();
    // The rows picked in the narrowed grid are other rows of the whole list.
    DBGrid3->clearSelectedRows();
}

void TForm1::abandonNarrowing()
{
    MemberSearch& search = m_session.search();
    search.abandon();
    SpeedButton1->setText(search.caption());
    resetSearchFields();
    DBGrid3->clearSelectedRows();
}

void TForm1::resetSearchFields()
{
    Edit1->clear();
    Edit2->clear();
}
