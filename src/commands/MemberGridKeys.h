#pragma once

#include <QVector>

class MainScreen;
class TDM2;
struct ProgramState;

// The member grid's own keys: the calculator on a money cell, Enter walking the
// columns and looking up an empty unit, account or vendor, Down taking a blank
// row away, Delete clearing the digits. The window tells which key arrived where;
// the command does the data work and says what the grid does next. While the
// grid is narrowed every key keeps its plain grid meaning.
class MemberGridKeys {
public:
    // Member grid columns by index.
    enum Column { Name = 1, Unit = 3, Cost = 4, Price = 5, ListPrice = 7, Vendor = 9, Account = 10, Digits = 11 };
    enum class Key { Space, Enter, Delete, UpOrTab, Down, DoubleClick, Other };

    struct Outcome {
        bool consumed = false; // the grid does not see the key
        int selectColumn = -1; // the grid takes the keyboard again on this column
    };

    MemberGridKeys(TDM2& dm, const ProgramState& state, MainScreen& screen) : m_dm(dm), m_state(state), m_screen(screen)
    {
    }

    // Every key in the grid starts here. True when the key is this command's;
    // the window then ends the cell editing and calls press().
    bool takes(Key key, int column, bool editing, bool plain);
    // `readOnly` tells, per grid column, which ones Enter walks over.
    Outcome press(Key key, int column, const QVector<bool>& readOnly);

private:
    Outcome calculator(int column);
    Outcome enter(int column, const QVector<bool>& readOnly);
    Outcome lookup(int column);
    Outcome down(int column);
    void clearDigits();

    TDM2& m_dm;
    const ProgramState& m_state;
    MainScreen& m_screen;
};
