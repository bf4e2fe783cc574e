#include "CodeRenumbering.h"

#include <gtest/gtest.h>

namespace {

TEST(CodeRenumbering, FollowsTheStepsInGridOrder)
{
    struct Chain {
        const char* name;
        QVector<CodeStep> steps;
        int start;
        int expectedCode;
        std::optional<int> expectedAccount;
    };
    const Chain chains[] = {
        {"plain swap", {{1, -2, {}}, {2, -1, {}}}, -2, 1, {}},
        // Old code 1 (a negative work code) meets the 1 the first step wrote.
        {"chain through a written code", {{1, -5, {}}, {2, 1, {}}}, -5, 2, {}},
        {"chain starting at a positive code", {{1, -5, {}}, {2, 1, {}}}, 1, 2, {}},
        // A duplicated old code is taken by its first row only.
        {"duplicate old code", {{1, -3, {}}, {2, -3, {}}}, -3, 1, {}},
        {"zero code", {{1, 0, {}}, {2, -4, {}}}, 0, 1, {}},
        {"untouched", {{1, -1, {}}}, -7, -7, {}},
        // The written code comes back to where it started: only the account changes.
        {"round trip keeps the account", {{1, 2, 300}, {2, 1, {}}}, 2, 2, 300},
        {"later account wins", {{1, -5, 150}, {2, 1, 250}}, -5, 2, 250},
        {"account kept when a later step has none", {{1, -5, 150}, {2, 1, {}}}, -5, 2, 150},
    };
    for (const Chain& c : chains) {
        SCOPED_TRACE(c.name);
        const CodeRenumbering r(c.steps);
        const auto it = r.outcomes().find(c.start);
        const bool touched = it != r.outcomes().end();
        EXPECT_EQ(touched ? it->second.code : c.start, c.expectedCode);
        EXPECT_EQ(touched ? it->second.account : std::nullopt, c.expectedAccount);
    }
}

} // namespace
