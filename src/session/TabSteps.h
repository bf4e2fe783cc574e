#pragma once

#include "MainScreen.h"
#include "ProgramState.h"

#include <optional>

class MasterLoads;
class TDM2;

// What showing a tab does to the data: which datasets close, which transactions
// end, and which load fills the tab's work table. The window sets the captions
// and the focus around it.
class TabSteps {
public:
    TabSteps(TDM2& dm, ProgramState& state, MasterLoads& loads) : m_dm(dm), m_state(state), m_loads(loads) {}

    void show(Tab tab);

private:
    void closeMiddlesAndMembers();
    void showMajor();
    void showMiddle();
    void showMember();
    void showUnit();

    TDM2& m_dm;
    ProgramState& m_state;
    MasterLoads& m_loads;
    std::optional<ReloadGuard> m_unitHold; // the guard stays on while the unit tab is shown
    int m_lastMajorRow = 0;                // record number of the major shown when the unit tab closed the list
};
