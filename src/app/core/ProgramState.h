#pragma once

#include <QString>

// Program-wide values kept by the main window and read by the commands.
struct ProgramState {
    QString computerName;          // upper-cased; written as PC_NAME by registrations
    QString startDirectory;        // made current again before file dialogs
    int windows10Flag = 7;         // 10 only on Windows 10
    bool registrationPermitted = false;
    int housingRowMissing = 0;     // 1 when LOOK_KIHON has no "JUTAKU" row
    int reloadGuard = 0;           // 1 while a tab is switched or the window closes
    QString serverName;            // second line of NET.TXT
};

ProgramState& programState();
