#pragma once

#include <QString>

#include <functional>

class MainScreen;
class TDM2;
struct ProgramState;

// The batch commands of the 部材 tab that give every member of the grid the
// same value: the vendor or account chosen in a picker, or an empty member code.
class BatchSetting {
public:
    BatchSetting(TDM2& dm, ProgramState& state, MainScreen& screen) : m_dm(dm), m_state(state), m_screen(screen) {}

    // The pickers, shown by the window: true when closed with OK, the choice then
    // in the program state. The vendor picker is given the packed work type
    // (major × 100 + middle) of the current middle category.
    std::function<bool(int workType)> pickVendor;
    std::function<bool()> pickAccount;

    void setVendor();        // SpeedButton3
    void setAccount();       // SpeedButton4
    void resetMemberCodes(); // SpeedButton8
    int currentWorkType() const;

private:
    void update(const QString& statement);

    TDM2& m_dm;
    ProgramState& m_state;
    MainScreen& m_screen;
};
