#include "DBControls.h"

#include "DbError.h"
#include "TableDataset.h"

#include <QHBoxLayout>
#include <QToolButton>

DBEdit::DBEdit(const QString& name, TableDataset& dataset, const QString& field, QWidget* parent)
    : QLineEdit(parent), m_ds(dataset), m_field(field)
{
    setObjectName(name);
    setReadOnly(true);
    connect(&m_ds, &TableDataset::reset, this, &DBEdit::refresh);
    connect(&m_ds, &TableDataset::currentChanged, this, &DBEdit::refresh);
    connect(&m_ds, &TableDataset::rowChanged, this, &DBEdit::refresh);
}

void DBEdit::refresh()
{
    const QString t = m_ds.active() ? m_ds.text(m_field) : QString();
    if (t == text())
        return;
    setText(t);
    emit changed();
}

void DBEdit::mouseDoubleClickEvent(QMouseEvent* event)
{
    QLineEdit::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

DBNavigator::DBNavigator(const QString& name, TableDataset& dataset, QWidget* parent) : QWidget(parent), m_ds(dataset)
{
    setObjectName(name);
    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(1);
    enum Move { First, Prior, Next, Last };
    const struct {
        const char* text;
        const char* tip;
        Move move;
    } buttons[] = {{"|◀", "先頭", First}, {"◀", "前へ", Prior}, {"▶", "次へ", Next}, {"▶|", "最後", Last}};
    for (const auto& b : buttons) {
        auto* btn = new QToolButton(this);
        btn->setText(QString::fromUtf8(b.text));
        btn->setToolTip(QString::fromUtf8(b.tip));
        btn->setFixedSize(30, 24);
        btn->setFocusPolicy(Qt::NoFocus);
        const Move move = b.move;
        connect(btn, &QToolButton::clicked, this, [this, move] {
            if (!m_ds.active() || (mayMove && !mayMove()))
                return;
            try {
                switch (move) {
                case First: m_ds.first(); break;
                case Prior: m_ds.prior(); break;
                case Next: m_ds.next(); break;
                case Last: m_ds.last(); break;
                }
            } catch (const DbError& e) {
                emit failed(e.text());
                return;
            }
            emit clicked();
        });
        lay->addWidget(btn);
    }
}
