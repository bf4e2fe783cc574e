#pragma once

#include "MainScreen.h"
#include "Rebuild.h"

#include <QList>
#include <QString>

class TableDataset;
class Query;
class TDM2;
struct ProgramState;

// The row commands of the toolbar: insert, copy, cut, paste, copy the previous
// member and delete. Cut and paste move rows through the clipboard tables, which
// live in the work database and so outlast tab switches and restarts. Every
// rebuild is one transaction: the table is rebuilt or left as it was.
class RowCommands {
public:
    RowCommands(TDM2& dm, ProgramState& state, MainScreen& screen);

    void insertRow();       // SB04
    void copyRows();        // SB05, members
    void cutRows();         // SB06
    void pasteRows();       // SB07
    void copyPreviousRow(); // SB08, members
    void deleteRow();       // SBS_04

private:
    TableDataset* datasetOf(Tab tab) const;
    // The member rows the command works on: the grid's selection and the current
    // row, as record numbers in grid order.
    QList<int> selectedMembers() const;
    // Runs of consecutive selected rows as position ranges, read before the grid closes.
    struct Run {
        int from, to; // CNT of the first and last row of the run
        int index;    // 0-based place of the run's first row in the selection
    };
    QList<Run> runsOf(const QList<int>& rows) const;
    // Copies member rows to the clipboard, `first` the clipboard position of the first.
    static void clipMembers(Query& q, const QList<Run>& runs, int first);
    void cutCategory(bool middle);
    void cutMembers();
    void paste(Tab tab);
    int pastePoint(Tab tab, int& shown) const;
    static void pasteInPlace(Query& q, Rebuild::Positions& positions, const Rebuild::MemberCounts& counts, int split);

    TDM2& m_dm;
    ProgramState& m_state;
    MainScreen& m_screen;
};
