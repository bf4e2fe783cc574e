#include "keisan_in.h"

#include "Formula.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kFormulaLength = 100;

// Keypad rows as laid out on the window; each entry is the caption and the
// text it appends (empty for the command keys).
struct KeyDef {
    const char16_t* caption;
    const char16_t* appends;
};

const KeyDef kKeypad[5][5] = {
    {{u"AC", u""}, {u"BS", u""}, {u"(", u"("}, {u")", u")"}, {u"ESC", u""}},
    {{u"7", u"7"}, {u"8", u"8"}, {u"9", u"9"}, {u"÷", u"/"}, {u"＾", u"^"}},
    {{u"4", u"4"}, {u"5", u"5"}, {u"6", u"6"}, {u"×", u"*"}, {u"％", u""}},
    {{u"1", u"1"}, {u"2", u"2"}, {u"3", u"3"}, {u"-", u"-"}, {u"=", u""}},
    {{u"0", u"0"}, {u"00", u"00"}, {u"・", u"."}, {u"+", u"+"}, {nullptr, nullptr}},
};

// The component names the rest of the suite knows the keys by.
const QMap<QString, QString>& keyNames()
{
    static const QMap<QString, QString> names = {
        {QStringLiteral("0"), QStringLiteral("SpeedButton1")},
        {QStringLiteral("00"), QStringLiteral("SpeedButton2")},
        {QStringLiteral("・"), QStringLiteral("SpeedButton3")},
        {QStringLiteral("="), QStringLiteral("SpeedButton4")},
        {QStringLiteral("1"), QStringLiteral("SpeedButton5")},
        {QStringLiteral("2"), QStringLiteral("SpeedButton6")},
        {QStringLiteral("+"), QStringLiteral("SpeedButton7")},
        {QStringLiteral("3"), QStringLiteral("SpeedButton8")},
        {QStringLiteral("4"), QStringLiteral("SpeedButton9")},
        {QStringLiteral("5"), QStringLiteral("SpeedButton10")},
        {QStringLiteral("6"), QStringLiteral("SpeedButton11")},
        {QStringLiteral("-"), QStringLiteral("SpeedButton12")},
        {QStringLiteral("7"), QStringLiteral("SpeedButton13")},
        {QStringLiteral("8"), QStringLiteral("SpeedButton14")},
        {QStringLiteral("9"), QStringLiteral("SpeedButton15")},
        {QStringLiteral("×"), QStringLiteral("SpeedButton16")},
        {QStringLiteral("("), QStringLiteral("SpeedButton17")},
        {QStringLiteral(")"), QStringLiteral("SpeedButton18")},
        {QStringLiteral("BS"), QStringLiteral("SpeedButton19")},
        {QStringLiteral("÷"), QStringLiteral("SpeedButton20")},
        {QStringLiteral("＾"), QStringLiteral("SpeedButton21")},
        {QStringLiteral("AC"), QStringLiteral("SpeedButton22")},
        {QStringLiteral("％"), QStringLiteral("SpeedButton23")},
        {QStringLiteral("ESC"), QStringLiteral("SpeedButton24")},
    };
    return names;
}

QString failureText(Formula::Status status)
{
    switch (status) {
    case Formula::Status::Undefined: return QStringLiteral("計算できません（０で割っています）。");
    case Formula::Status::OutOfRange: return QStringLiteral("計算結果が大きすぎます。");
    default: return QStringLiteral("計算式が正しくありません。");
    }
}

} // namespace

Tkeisan_in::Tkeisan_in(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("keisan_in"));
    setWindowTitle(QStringLiteral("計算式"));
    setModal(true);
    setStyleSheet(QStringLiteral("Tkeisan_in { background: black; }"));

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Edit1->setMaxLength(kFormulaLength);
    Edit1->setAttribute(Qt::WA_InputMethodEnabled, false);
    Edit1->installEventFilter(this);

    Edit2 = new QLineEdit(hintText(), this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setFrame(false);
    Edit2->setReadOnly(true);
    Edit2->setFocusPolicy(Qt::NoFocus);

    auto* grid = new QGridLayout;
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 5; ++c) {
            const KeyDef& def = kKeypad[r][c];
            if (!def.caption)
                continue;
            const QString caption = QString::fromUtf16(def.caption);
            const QString appends = QString::fromUtf16(def.appends);
            auto* b = new QPushButton(caption, this);
            b->setObjectName(keyNames().value(caption));
            b->setFocusPolicy(Qt::NoFocus); // the formula box keeps the keyboard
            b->setAutoDefault(false);
            m_keys.insert(caption, b);
            grid->addWidget(b, r, c);
            if (!appends.isEmpty())
                connect(b, &QPushButton::clicked, this, [this, appends] { append(appends); });
        }
    }
    connect(m_keys[QStringLiteral("BS")], &QPushButton::clicked, this, &Tkeisan_in::backspace);
    connect(m_keys[QStringLiteral("AC")], &QPushButton::clicked, this, &Tkeisan_in::clearFormula);
    connect(m_keys[QStringLiteral("=")], &QPushButton::clicked, this, &Tkeisan_in::evaluateInPlace);
    connect(m_keys[QStringLiteral("％")], &QPushButton::clicked, this, &Tkeisan_in::percent);
    connect(m_keys[QStringLiteral("ESC")], &QPushButton::clicked, this, &Tkeisan_in::escape);

    BitBtn2 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);
    BitBtn2->setFocusPolicy(Qt::NoFocus);
    connect(BitBtn2, &QPushButton::clicked, this, &Tkeisan_in::accept);
    grid->addWidget(BitBtn2, 4, 4);

    BitBtn1 = new QPushButton(QStringLiteral("ESC"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    BitBtn1->hide();
    connect(BitBtn1, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });

    Button1 = new QPushButton(QStringLiteral("中止"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    Button1->hide();
    connect(Button1, &QPushButton::clicked, this, &Tkeisan_in::escape);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Edit1);
    layout->addWidget(Edit2);
    layout->addLayout(grid);
}

QString Tkeisan_in::hintText()
{
    return QStringLiteral("四則計算　２０文字分の計算式が入力できます。");
}

int Tkeisan_in::showCentered(QWidget* over)
{
    adjustSize();
    if (QWidget* w = over ? over->window() : nullptr)
        move(w->geometry().center() - rect().center());
    return exec();
}

void Tkeisan_in::caretToEnd()
{
    Edit1->setCursorPosition(static_cast<int>(Edit1->text().size()));
}

void Tkeisan_in::append(const QString& text)
{
    // The box's length limit holds for the keypad as for typing.
    const QString next = Edit1->text() + text;
    if (next.size() <= Edit1->maxLength())
        Edit1->setText(next);
    caretToEnd();
}

void Tkeisan_in::backspace()
{
    QString text = Edit1->text();
    text.chop(1);
    Edit1->setText(text);
    caretToEnd();
}

void Tkeisan_in::clearFormula()
{
    Edit1->clear();
}

bool Tkeisan_in::evaluate(double& value)
{
    const Formula::Outcome outcome = Formula::evaluate(Edit1->text());
    if (outcome.status != Formula::Status::Ok) {
        Edit2->setText(failureText(outcome.status));
        return false;
    }
    Edit2->setText(hintText());
    value = outcome.value;
    return true;
}

bool Tkeisan_in::evaluateInPlace()
{
    double value = 0;
    if (!evaluate(value)) {
        caretToEnd();
        return false;
    }
    m_result = value;
    Edit1->setText(Formula::shortestText(value));
    caretToEnd();
    return true;
}

void Tkeisan_in::percent()
{
    const QString before = Edit1->text();
    append(QStringLiteral("*100"));
    if (Edit1->text() == before) {
        Edit2->setText(QStringLiteral("計算式が長すぎます。"));
        return; // a full box: "％" would evaluate the formula without the "*100"
    }
    // A formula that fails goes back to what was typed, without the "*100".
    if (!evaluateInPlace()) {
        Edit1->setText(before);
        caretToEnd();
    }
}

void Tkeisan_in::escape()
{
    Edit1->clear();
    done(QDialog::Rejected);
}

void Tkeisan_in::accept()
{
    if (Edit1->text().isEmpty()) {
        done(QDialog::Rejected);
        return;
    }
    double value = 0;
    if (!evaluate(value))
        return; // stays open with the reason shown
    // An exact 0 would read as "nothing entered" to the caller; 0.00001 cuts to 0.
    m_result = value == 0 ? 0.00001 : value;
    QDialog::accept();
}

void Tkeisan_in::reject()
{
    // Esc and the close box act as the "ESC" key: the caller then writes nothing.
    escape();
}

void Tkeisan_in::showEvent(QShowEvent* event)
{
    m_result = 0;
    Edit2->setText(hintText());
    if (Edit1->text() == QStringLiteral("0"))
        Edit1->clear();
    Edit1->setFocus();
    caretToEnd();
    QDialog::showEvent(event);
}

void Tkeisan_in::setVisible(bool visible)
{
    QDialog::setVisible(visible);
    // A dialog gives its focus widget the focus as if tabbed into, which selects
    // the whole text: the first key typed would replace the amount instead of
    // extending the formula.
    if (visible) {
        Edit1->deselect();
        caretToEnd();
    }
}

bool Tkeisan_in::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        const int k = static_cast<QKeyEvent*>(event)->key();
        if (k == Qt::Key_Return || k == Qt::Key_Enter) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
