#pragma once

#include "MainScreen.h"

#include <QString>

class MasterLoads;
class TDM2;

// "修　正" on the member tab: a member's 名称, 摘要 and 単位 changed wherever the
// product carries the same three texts (members and finishing-schedule rows of
// every category), and in the member list.
class MemberRename {
public:
    MemberRename(TDM2& dm, MainScreen& screen) : m_dm(dm), m_screen(screen) {}

    // The dialog's fields, in the order 名称, 摘要, 単位.
    QString before[3]; // "修正前", read-only
    QString after[3];  // "修正後"

    // When set, the rename changes nothing while the member list is older than
    // the product's rows it was loaded from.
    MasterLoads* loads = nullptr;

    // Fills the fields from the current member, shows the dialog and returns the
    // member list to the row it was on.
    void open();

    // "OK": true when the dialog closes; false after a notice about a text that
    // cannot be stored. The product statements run in one transaction, the member
    // list's after it; a database error changes nothing and goes on to the caller.
    bool run();

private:
    TDM2& m_dm;
    MainScreen& m_screen;
    bool m_dialogOpen = false; // the dialog's closing reopens the member list
};
