#include "MASSAGE_FORM.h"

#include <QCloseEvent>
#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

int TMASSAGE_FORM::mode = TMASSAGE_FORM::Notice;

namespace {

constexpr int kMinWidth = 296;
constexpr int kSideMargins = 48; // label width + 24 on either side
constexpr int kLineHeight = 22;
constexpr int kChrome = 120; // label margins and the button row
constexpr int kButtonBottom = 50;
constexpr int kLabelTop = 20;
// A longer line wraps: the dialog never grows past the screen or cuts a message.
constexpr int kMaxLabelWidth = 720;

// Calls `f(begin, end)` for each line of `text` (end excludes the break) and
// returns the number of lines.
template <typename F>
int forEachLine(const QString& text, F f)
{
    int lines = 0;
    qsizetype begin = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        f(begin, i);
        ++lines;
        // CR LF and LF CR are one break each; CR CR and LF LF are two.
        if (i + 1 < n && (text[i + 1] == u'\r' || text[i + 1] == u'\n') && text[i + 1] != c)
            ++i;
        begin = i + 1;
    }
    if (begin < n) {
        f(begin, n);
        ++lines;
    }
    return lines;
}

} // namespace

TMASSAGE_FORM::TMASSAGE_FORM(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("MASSAGE_FORM"));
    setWindowTitle(QStringLiteral("確認"));
    setModal(true);

    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    LABEL = new QLabel(this);
    LABEL->setObjectName(QStringLiteral("LABEL"));
    LABEL->setTextFormat(Qt::PlainText); // messages quote user data, which may contain '<'
    QFont font;
    font.setFamilies({QStringLiteral("IPAGothic"), QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic")});
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(16);
    LABEL->setFont(font);

    BitBtn1 = new QPushButton(QStringLiteral("ＯＫ"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("いいえ &N"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn3 = new QPushButton(QStringLiteral("戻る"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn3->hide();
    for (QPushButton* b : {BitBtn1, BitBtn2, BitBtn3})
        b->setFixedSize(ButtonWidth, ButtonHeight);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { done(1); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { done(2); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { done(3); });

    setMessage(QStringLiteral("登録しました。"));
}

void TMASSAGE_FORM::setMessage(const QString& text)
{
    m_message = text;
    LABEL->setText(displayText(text));
}

int TMASSAGE_FORM::lineCount(const QString& text)
{
    return forEachLine(text, [](qsizetype, qsizetype) {});
}

QString TMASSAGE_FORM::displayText(const QString& text)
{
    QStringList lines;
    forEachLine(text, [&](qsizetype b, qsizetype e) { lines << text.mid(b, e - b); });
    return lines.join(u'\n');
}

void TMASSAGE_FORM::arrange()
{
    LABEL->setWordWrap(false);
    LABEL->adjustSize();
    if (LABEL->width() > kMaxLabelWidth) {
        LABEL->setWordWrap(true);
        LABEL->resize(kMaxLabelWidth, LABEL->heightForWidth(kMaxLabelWidth));
    }
    int w = std::max(kMinWidth, LABEL->width() + kSideMargins);
    constexpr int kThreeButtons = 3 * ButtonWidth + 2 * 8;
    if (mode == Unregistered)
        w = std::max(w, kThreeButtons + kSideMargins);
    const int h = std::max(lineCount(m_message) * kLineHeight, LABEL->height()) + kChrome;
    setFixedSize(w, h);
    LABEL->move((w - LABEL->width()) / 2, kLabelTop);

    BitBtn3->setVisible(mode == Unregistered);
    BitBtn3->setDefault(mode == Unregistered);
    if (mode == Unregistered) {
        BitBtn1->setText(QStringLiteral("登録する"));
        BitBtn2->setText(QStringLiteral("破棄する"));
        BitBtn2->show();
        // Enter leaves everything as it is.
        BitBtn1->setDefault(false);
        BitBtn2->setDefault(false);
        const int left = (w - kThreeButtons) / 2;
        const int top = h - ButtonHeight - kButtonBottom;
        BitBtn1->move(left, top);
        BitBtn2->move(left + ButtonWidth + 8, top);
        BitBtn3->move(left + 2 * (ButtonWidth + 8), top);
    } else if (mode == Question) {
        BitBtn1->setText(QStringLiteral("はい &Y"));
        BitBtn2->setText(QStringLiteral("いいえ &N"));
        BitBtn2->show();
        // Enter must not start a command by accident: "いいえ" is the default.
        BitBtn1->setDefault(false);
        BitBtn2->setDefault(true);
        BitBtn1->move(w / 2 - ButtonWidth - 4, h - ButtonHeight - kButtonBottom);
        BitBtn2->move(w / 2, h - ButtonHeight - kButtonBottom);
    } else {
        BitBtn1->setText(QStringLiteral("ＯＫ"));
        BitBtn2->hide();
        BitBtn2->setDefault(false);
        BitBtn1->setDefault(true);
        BitBtn1->move(w / 2 - ButtonWidth / 2, h - ButtonHeight - kButtonBottom);
    }
}

int TMASSAGE_FORM::showCentered(QWidget* over)
{
    arrange();
    QRect area;
    if (over)
        area = over->window()->frameGeometry();
    else if (const QScreen* s = QGuiApplication::primaryScreen())
        area = s->availableGeometry();
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
    const int result = exec();
    if (result == 1 || result == 2 || (result == 3 && mode == Unregistered))
        return result;
    return escapeResult();
}

int TMASSAGE_FORM::escapeResult()
{
    return mode == Unregistered ? 3 : 2;
}

void TMASSAGE_FORM::reject()
{
    // Esc: the same answer as "いいえ", or "戻る" when asked about unregistered changes.
    done(escapeResult());
}

void TMASSAGE_FORM::keyPressEvent(QKeyEvent* event)
{
    // As in Windows dialogs, a button's mnemonic letter without Alt presses it while
    // a button has the focus: Y answers "はい", N "いいえ". The notice's "ＯＫ" has none.
    const Qt::KeyboardModifiers mods = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (mods == Qt::NoModifier && qobject_cast<QPushButton*>(focusWidget())) {
        for (QPushButton* b : {BitBtn1, BitBtn2, BitBtn3}) {
            const QKeySequence mnemonic = QKeySequence::mnemonic(b->text());
            if (b->isVisible() && b->isEnabled() && !mnemonic.isEmpty() && mnemonic[0].key() == event->key()) {
                b->click();
                return;
            }
        }
    }
    QDialog::keyPressEvent(event);
}

void TMASSAGE_FORM::showEvent(QShowEvent* event)
{
    arrange();
    QDialog::showEvent(event);
    // The focus starts on the default button, so that Enter without moving the
    // focus gives the default answer (a focused button would take Enter itself).
    (mode == Unregistered ? BitBtn3 : mode == Question ? BitBtn2 : BitBtn1)->setFocus(Qt::OtherFocusReason);
    activateWindow();
}

void TMASSAGE_FORM::closeEvent(QCloseEvent* event)
{
    // The close box answers as Esc does.
    if (isVisible())
        done(escapeResult());
    event->accept();
}

int MassageConfirmation::ask(int mode, const QString& message)
{
    TMASSAGE_FORM::mode = mode;
    m_form.setMessage(message);
    return m_form.showCentered(m_mainWindow);
}
