#pragma once

#include "TextDialogs.h"

// "単位変換": the unit to replace and its replacement.
class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(UnitReplacement& work, QWidget* parent = nullptr);

    QLineEdit* Edit7;     // 置換前
    QLineEdit* Edit8;     // 置換後
    QPushButton* Button1; // 実　行
    QPushButton* BitBtn2; // cancel

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    UnitReplacement& m_work;
};
