#pragma once

#include "MainScreen.h"

class MasterLoads;
class TDM2;
struct ProgramState;

// What a command works with: the data module and its connections, the
// program-wide values, the loads, and the window through its one interface.
struct CommandContext {
    TDM2& dm;
    ProgramState& state;
    MainScreen& screen;
    MasterLoads& loads;
};
