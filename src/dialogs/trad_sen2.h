#pragma once

#include "ProgramState.h"
#include "Query.h"
#include "VendorSearch.h"

#include <QDialog>

#include <functional>

class Confirmation;
class Database;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TForm_kou;

// The vendor picker. The caller puts the packed work-type code into Edit3, shows
// the window and after OK reads state.picks.vendorCode. On OK the chosen vendor
// gets a short name when it has none, and, if the user agrees, the work type.
class Ttrad_sen2 : public QDialog {
    Q_OBJECT
public:
    // `workTypes` is the picker opened by a double-click on Edit3 (none: nothing opens).
    Ttrad_sen2(Database& product, ProgramState& state, Confirmation& confirm, TForm_kou* workTypes = nullptr,
               QWidget* parent = nullptr);

    QLineEdit* Edit3;     // packed work-type code
    QLineEdit* Edit1;     // search text
    QCheckBox* CheckBox1; // 50音順
    QCheckBox* CheckBox2; // prefix match
    QPushButton* BitBtn2; // OK
    QPushButton* BitBtn1; // Cancel
    QTableWidget* DBGrid1;

    // Title clicks alternate ascending and descending, for every column alike,
    // and the direction carries over to the next showing.
    static int sortDirection;

    Query& query() { return m_query; }
    QString chosenName() const { return m_name01; }
    QString chosenShortName() const { return m_shortName; }

    int showCentered(QWidget* over);
    // The state file, written into the start directory on every close.
    QString stateFile() const;

public slots:
    void search();
    void resort(int column);
    void ok();
    void cancel();
    void done(int r) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showVendors(const std::function<VendorSearch::Statement()>& byText,
                     const std::function<VendorSearch::Statement()>& byWorkType, const QString& order);
    void fillGrid();
    void pickWorkType();
    // The first line of `text` as the hidden memo of the suite shows it: cut to
    // what fits on one line of its width.
    QString memoLine(const QString& text) const;

    Database& m_db;
    ProgramState& m_state;
    Confirmation& m_confirm;
    TForm_kou* m_workTypes;
    Query m_query;
    Query m_update;
    QString m_name01, m_name02, m_shortName;
};
