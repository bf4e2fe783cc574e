#pragma once

#include "UiSeams.h"

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

// The confirmation dialog through which every question and notice of the program
// goes. Created once and reused: callers set `mode` and the message, then call
// showCentered() and go on only when it returns 1.
//
// Result: 1 for OK / Yes; 2 for No, Esc and the close box. In the mode that asks
// about unregistered changes: 1 register, 2 discard, 3 stay, Esc and the close box.
class TMASSAGE_FORM : public QDialog {
    Q_OBJECT
public:
    enum Mode { Notice = 0, Question = 1, Unregistered = 2 };
    static constexpr int ButtonWidth = 129;
    static constexpr int ButtonHeight = 31;

    explicit TMASSAGE_FORM(QWidget* parent = nullptr);

    // Button mode of the next showing: 0 = "ＯＫ" only, 1 = "はい" / "いいえ" with
    // "いいえ" as the default, 2 = "登録する" / "破棄する" / "戻る" with "戻る" as the
    // default. Program-wide and kept between showings, so every caller sets it.
    static int mode;

    QLabel* LABEL;
    QPushButton* BitBtn1; // OK / Yes: result 1
    QPushButton* BitBtn2; // No: result 2
    QPushButton* BitBtn3; // stay (mode 2 only): result 3

    void setMessage(const QString& text);
    const QString& message() const { return m_message; }

    // Sizes the window for the message and mode, centres it on `over`'s window
    // (the screen when null) and shows it modally. Returns 1 or 2, in mode 2 also 3.
    int showCentered(QWidget* over);

    // Sizes the window and places the buttons for the current mode and message.
    // Showing does this too; callers need it only to place the window beforehand.
    void arrange();

    // Number of lines of a message. CR LF, LF CR, a lone CR and a lone LF each
    // end one line (the long warnings are written with LF CR); a break at the very
    // end starts no further line, and an empty message has none.
    static int lineCount(const QString& text);
    // The message with each of those breaks as one LF, as the label shows it.
    static QString displayText(const QString& text);

public slots:
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The answer of Esc and the close box in the current mode.
    static int escapeResult();

    QString m_message;
};

// Confirmation through the one dialog, centred on the main window.
class MassageConfirmation : public Confirmation {
public:
    explicit MassageConfirmation(TMASSAGE_FORM& form, QWidget* mainWindow = nullptr)
        : m_form(form), m_mainWindow(mainWindow)
    {
    }
    void setMainWindow(QWidget* mainWindow) { m_mainWindow = mainWindow; }

    int ask(int mode, const QString& message) override;

private:
    TMASSAGE_FORM& m_form;
    QWidget* m_mainWindow;
};
