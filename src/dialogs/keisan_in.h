#pragma once

#include <QDialog>
#include <QMap>
#include <QString>

class QLineEdit;
class QPushButton;

// The calculator for a money cell of the member grid. The caller fills Edit1,
// shows the window modally and afterwards reads Edit1 (empty: write nothing) and
// result(). Created once and reused.
//
// A formula that cannot be evaluated never closes the window with OK: the hint
// line says why and the formula stays as typed, so no wrong amount is written.
class Tkeisan_in : public QDialog {
    Q_OBJECT
public:
    explicit Tkeisan_in(QWidget* parent = nullptr);

    QLineEdit* Edit1;     // formula
    QLineEdit* Edit2;     // hint line
    QPushButton* BitBtn2; // OK
    QPushButton* BitBtn1; // hidden cancel
    QPushButton* Button1; // hidden "中止"

    // Keypad buttons by caption ("0", "00", "・", "1" … "9", "+", "-", "×", "÷",
    // "(", ")", "＾", "BS", "AC", "=", "％", "ESC").
    QPushButton* key(const QString& caption) const { return m_keys.value(caption); }

    double result() const { return m_result; }

    static QString hintText();

    // Centres the window on `over`'s window and shows it modally.
    int showCentered(QWidget* over);

    void append(const QString& text);
    void backspace();
    void clearFormula();
    // "=": the value replaces the formula. False (with the reason in the hint
    // line) when the formula cannot be evaluated.
    bool evaluateInPlace();
    void percent();
    void escape(); // empties the formula and closes with Cancel
    void accept() override;
    void reject() override;
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool evaluate(double& value);
    void caretToEnd();

    QMap<QString, QPushButton*> m_keys;
    double m_result = 0;
};
