#pragma once

#include "TextDialogs.h"

// "文字列置換": seven rows of search and replacement text over the string
// replacement's fields. The work is TextReplacement's; the form shows its fields
// and hands the user's entries back before running it.
class TForm7 : public QDialog {
    Q_OBJECT
public:
    explicit TForm7(TextReplacement& work, QWidget* parent = nullptr);

    QLineEdit* Edit[15] = {}; // Edit1 … Edit14
    QLabel* Label10;          // "ＣＤ"
    QCheckBox* CheckBox1;     // "半角"
    QPushButton* Button1;     // "実　　　　行"
    QPushButton* BitBtn2;     // cancel

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void store();
    TextReplacement& m_work;
};
