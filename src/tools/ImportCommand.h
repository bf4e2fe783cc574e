#pragma once

#include "MainScreen.h"
#include "MemberImport.h"

#include <functional>

class TDM2;
struct ProgramState;

// SB11 "ﾌｧｲﾙ取込" on the member tab: copies the chosen file to the work copy,
// lets the import dialog turn it into rows of BUSAI_SEL and puts those rows into
// the member list in front of the current row.
class ImportCommand {
public:
    ImportCommand(TDM2& dm, ProgramState& state, MainScreen& screen);

    // The import dialog's work; the dialog is built on it.
    MemberImport& work() { return m_work; }
    // Shows the import dialog modally; its rows are waiting in BUSAI_SEL afterwards.
    std::function<void()> showDialog;

    void run();

    // The rows of BUSAI_SEL into BUZAI_S from position `at` on; the members from
    // there move behind them and the grid shows record `row`. One transaction: on
    // an error the member list stays as it was and the error goes on to the caller.
    void handOff(int at, int row);

private:
    bool makeWorkCopy(const QString& path);
    void prepareHandOffTable();

    TDM2& m_dm;
    ProgramState& m_state;
    MainScreen& m_screen;
    MemberImport m_work;
};
