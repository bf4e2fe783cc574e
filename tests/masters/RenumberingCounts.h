#pragma once

#include "MainScreen.h"

class RegistrationRig;

// The product rows a renumbering deletes or leaves without category, counted in
// the database: the difference before and after a registration is what it did.
struct RenumberingCounts {
    explicit RenumberingCounts(RegistrationRig& rig);
    int middles, members, scheduleMaster, schedulesWithoutCategory, pastWithoutCategory;
};

// Checks that what `outline` told is what the registration of `tab` did.
void expectOutlineDone(const RenumberingOutline& outline, const RenumberingCounts& before,
                       const RenumberingCounts& after, Tab tab);
