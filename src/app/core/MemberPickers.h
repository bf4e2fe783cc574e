#pragma once

#include <QString>

#include <optional>

// The modal pickers and the calculator that the member grid and the batch panel
// open. Each picker returns true when closed with OK; the choice is then in the
// program state's picks.
class MemberPickers {
public:
    virtual ~MemberPickers() = default;
    virtual bool pickUnit() = 0;
    virtual bool pickAccount() = 0;
    // The vendor picker starts on the packed work type (major × 100 + middle).
    virtual bool pickVendor(int workType) = 0;
    // The calculator opened on a cell's amount (an empty formula for 0); its
    // result, or nothing when the user left the formula box empty (Esc empties it).
    virtual std::optional<double> calculate(double amount) = 0;
};
