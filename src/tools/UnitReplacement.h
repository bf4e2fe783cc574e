#pragma once

#include "MainScreen.h"

#include <QString>

class Database;
class MasterLoads;
class TDM2;
class UnitsFromMembers;

// "置　換" on the unit tab: a unit replaced in every member, finishing-schedule
// master row and finishing-schedule document row of the product; the unit list
// is then rebuilt from the members.
class UnitReplacement {
public:
    UnitReplacement(TDM2& dm, MainScreen& screen, UnitsFromMembers& units) : m_dm(dm), m_screen(screen), m_units(units)
    {
    }

    QString before; // "置換前", filled from the current unit at every opening
    QString after;  // "置換後", kept between openings

    // When set, the replacement changes nothing while the unit list is older
    // than the product's units it was loaded from.
    MasterLoads* loads = nullptr;

    void open();

    // "実　行": true when the dialog closes. An empty field, or a new unit that
    // cannot be stored, keeps it open. The three product statements run in one
    // transaction; the texts are bound as values, so quotes are plain characters.
    bool run();

private:
    void runReplacement(Database& product, const QString& was, const QString& now);

    TDM2& m_dm;
    MainScreen& m_screen;
    UnitsFromMembers& m_units;
};
