#pragma once

#include <QDialog>

#include <functional>

#include "MemberImport.h"

class ImportProgress;
class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

// The import dialog "ファイル取込": the columns of the work copy on the left, each
// given a target code from the list on the right, and the buttons that save or
// recall the mapping and start the import. The work is MemberImport's; this
// form only shows it and passes on the user's entries.
class TBZAI_CMV : public QDialog {
    Q_OBJECT
public:
    explicit TBZAI_CMV(MemberImport& work, QWidget* parent = nullptr);

    QLabel* Label1;            // record label
    QPushButton* SpeedButton4; // ←
    QPushButton* SpeedButton5; // →
    QPushButton* SpeedButton2; // 対応CD登録
    QPushButton* SpeedButton3; // 対応CD呼出
    QPushButton* SpeedButton1; // 取込開始
    QCheckBox* CheckBox1;      // 先頭もデーター
    QTableWidget* DBGrid2;     // mapping (CMV_01)
    QTableWidget* DBGrid1;     // targets (CMV_02)

    // Shown modally by the import command; centred on `over`.
    void showCentered(QWidget* over);

    // Shows the lines an import left out (modally); tests answer it.
    std::function<void(const MemberImport::Report&)> showReport;
    bool importing() const { return m_importing; }

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void fillMapping();
    void codeEdited(int row, int column);
    void importRows();
    // Runs a step; a database error is shown and the dialog stays open.
    bool guarded(const std::function<void()>& step);

    void setControlsEnabled(bool enabled);

    MemberImport& m_work;
    bool m_filling = false;
    bool m_importing = false;
    // Closing while the import runs stops it; the dialog closes once it has stopped.
    bool m_closeRequested = false;
    int m_closeResult = 0;
    ImportProgress* m_progress = nullptr;
};
