#pragma once

#include "SystemConfig.h"

#include <QString>

// Choices handed back by the lookup dialogs. They keep their values between
// showings, and some dialogs start from them (the last unit, major category …).
struct PickerResults {
    QString vendorCode;   // T_CD of the chosen vendor; empty after Cancel
    int workTypeCode = 0; // packed major × 100 + middle
    int workTypeMajor = 0;
    int workTypeMiddle = 0;
    QString workTypeName;
    int accountCode = 0; // LOOK_KAMOKU.CD
    int accountKubun = 0;
    QString accountName;
    QString majorCode; // shared by the major and middle pickers
    QString majorName;
    QString middleCode;
    QString middleName;
    QString unitName;
    int unitCode = 0; // also kept on Cancel: the next showing starts there
};

// Program-wide values of one run, owned by the session and passed by reference to
// the window and the commands.
struct ProgramState {
    SystemConfig config;  // SYSTEM.DAT; config.startDirectory is made current again before files are opened
    QString computerName; // upper-cased; written as PC_NAME by registrations
    bool registrationPermitted = false;
    int housingRowMissing = 0; // 1 when LOOK_KIHON has no "JUTAKU" row
    int reloadGuard = 0;       // 1 while a tab is switched or the window closes; held by ReloadGuard
    QString serverName;        // second line of NET.TXT
    PickerResults picks;
};

// Holds the reload guard on while it lives: a change of the shown category then
// reloads nothing, so that the loads under way run once each. It gives the guard
// back as it found it, also when the work throws.
class ReloadGuard {
public:
    explicit ReloadGuard(ProgramState& state) : m_state(state), m_found(state.reloadGuard) { state.reloadGuard = 1; }
    ~ReloadGuard() { m_state.reloadGuard = m_found; }
    ReloadGuard(const ReloadGuard&) = delete;
    ReloadGuard& operator=(const ReloadGuard&) = delete;

private:
    ProgramState& m_state;
    int m_found;
};
