#pragma once

#include "TextDialogs.h"

// "部材名称修正": the member's 名称, 摘要 and 単位 before (read-only) and after.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(MemberRename& work, QWidget* parent = nullptr);

    QLineEdit* Edit1;     // 修正前 名称
    QLineEdit* Edit2;     // 修正後 名称
    QLineEdit* Edit3;     // 修正前 摘要
    QLineEdit* Edit4;     // 修正後 摘要
    QLineEdit* Edit7;     // 修正前 単位
    QLineEdit* Edit8;     // 修正後 単位
    QPushButton* BitBtn1; // OK
    QPushButton* BitBtn2; // cancel

protected:
    void showEvent(QShowEvent* event) override;

private:
    MemberRename& m_work;
};
