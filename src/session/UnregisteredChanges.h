#pragma once

#include "MainScreen.h"

#include <QString>

class MasterLoads;
class RegisterCommand;
class TDM2;

// What becomes of a list's changes that are not registered yet when something is
// about to replace the list with the product's copy or leave it: the user
// registers them, discards them or stays where he was. Nothing is asked when
// the list holds no such changes (TableDataset::unregistered()).
class UnregisteredChanges {
public:
    UnregisteredChanges(TDM2& dm, MainScreen& screen, MasterLoads& loads, RegisterCommand& registration)
        : m_dm(dm), m_screen(screen), m_loads(loads), m_register(registration)
    {
    }

    // What follows the question when the user discards the changes.
    enum class Then {
        Reload,  // nothing replaces the list: it is loaded again here
        Replaced // the caller loads the list or ends the program
    };

    bool pending(Tab tab) const;
    // Asks about the changes of `tab`'s list, which must be the active tab's.
    // True when the move may go on: nothing was changed, the changes were
    // registered, or they were discarded. False when the user stays or the
    // registration did not run.
    bool mayLeave(Tab tab, Then then = Then::Reload);

    static QString question(Tab tab);

private:
    TDM2& m_dm;
    MainScreen& m_screen;
    MasterLoads& m_loads;
    RegisterCommand& m_register;
};
