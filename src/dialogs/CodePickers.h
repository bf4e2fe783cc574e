#pragma once

#include "ProgramState.h"
#include "Query.h"

#include <QDialog>
#include <QStringList>

#include <functional>

class Database;
class QPushButton;
class QTableWidget;

// One list picker: a borderless grid filled by one query when shown, Enter or a
// double-click for OK, the starting row taken from the previous choice. The
// choice goes to the program-wide `PickerResults`; the caller reads it after OK.
class TCodePicker : public QDialog {
    Q_OBJECT
public:
    struct Column {
        QString field;
        int width; // 0: the rest of the grid
    };

    TCodePicker(Database& product, ProgramState& state, const QString& name, const QString& caption,
                QList<Column> columns, QWidget* parent);

    QTableWidget* DBGrid1;
    QPushButton* BitBtn1;           // OK
    QPushButton* BitBtn2 = nullptr; // Cancel, where the picker has one

    Query& query() { return m_query; }
    int currentRow() const;

    // Centres the window on `over`'s window and shows it modally.
    int showCentered(QWidget* over);

    // How database errors reach the user; the main window routes them to its
    // error dialog. The list then stays closed.
    static std::function<void(QWidget*, const QString&)>& errorHandler();

public slots:
    void ok();
    // Every way of closing: the list is closed; the unit picker keeps its row.
    void done(int r) override;

protected:
    // Builds and opens the statement; returns the starting row (-1 for the first).
    virtual int openList() = 0;
    // Copies row `row` of the list into the results.
    virtual void takeRow(int row) = 0;
    virtual void placeBeside(QWidget*) {}
    virtual void beforeClose() {}

    void setWheelMovesRows(bool on) { m_wheel = on; }
    void setRestGap(int gap) { m_restGap = gap; }

    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    Database& m_db;
    ProgramState& m_state;
    Query m_query;

private:
    void fillGrid();

    QList<Column> m_columns;
    int m_restGap = 22;
    bool m_wheel = false;
};

// Work types, for the vendor picker's work-type box. "ALL" marks every row and
// acts as OK on the last one.
class TForm_kou : public TCodePicker {
    Q_OBJECT
public:
    TForm_kou(Database& product, ProgramState& state, QWidget* parent = nullptr);
    QPushButton* ALL;

protected:
    int openList() override;
    void takeRow(int row) override;
};

// Account items (科目); seeds an empty LOOK_KAMOKU. No Cancel button: the close
// box cancels.
class TForm_kamoku : public TCodePicker {
    Q_OBJECT
public:
    TForm_kamoku(Database& product, ProgramState& state, QWidget* parent = nullptr);

protected:
    int openList() override;
    void takeRow(int row) override;
};

// Major categories (大項目).
class TForm_koumoku : public TCodePicker {
    Q_OBJECT
public:
    TForm_koumoku(Database& product, ProgramState& state, QWidget* parent = nullptr);

protected:
    int openList() override;
    void takeRow(int row) override;
};

// Middle categories (中項目), of the chosen major category when there is one.
class TForm_M_name : public TCodePicker {
    Q_OBJECT
public:
    TForm_M_name(Database& product, ProgramState& state, QWidget* parent = nullptr);

protected:
    int openList() override;
    void takeRow(int row) override;
};

// Units. Remembers the row last looked at, also on Cancel, and keeps itself
// within the main window's height.
class TForm_tani_sel : public TCodePicker {
    Q_OBJECT
public:
    TForm_tani_sel(Database& product, ProgramState& state, QWidget* parent = nullptr);

protected:
    int openList() override;
    void takeRow(int row) override;
    void placeBeside(QWidget* mainWindow) override;
    void beforeClose() override;
};
