#pragma once

class TDM2;

// "部材から単位取込" on the unit tab: the unit list rebuilt from the units the
// product's members use, the standard units (式; m, ㎡; m3, ｍ3, 坪) first.
class UnitsFromMembers {
public:
    explicit UnitsFromMembers(TDM2& dm) : m_dm(dm) {}

    // One transaction: on an error the unit list stays as it was and the error
    // goes on to the caller.
    void SpeedButton9Click();

private:
    TDM2& m_dm;
};
