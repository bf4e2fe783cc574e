#pragma once

#include "SystemConfig.h"

#include <QString>

// Program-wide values of one run, owned by the session and passed by reference to
// the window and the commands.
struct ProgramState {
    SystemConfig config;  // SYSTEM.DAT; config.startDirectory is made current again before files are opened
    QString computerName; // upper-cased; written as PC_NAME by registrations
    bool registrationPermitted = false;
    int housingRowMissing = 0; // 1 when LOOK_KIHON has no "JUTAKU" row
    int reloadGuard = 0;       // 1 while a tab is switched or the window closes
    QString serverName;        // second line of NET.TXT
};
