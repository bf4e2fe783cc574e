#include "CodeRenumbering.h"

#include <gtest/gtest.h>

namespace {

struct Chain {
    const char* name;
    QVector<CodeStep> steps;
    int start;
    int expectedCode;
    std::optional<int> expectedAccount;
};

class CodeRenumberingChains : public ::testing::TestWithParam<Chain> {};

TEST_P(CodeRenumberingChains, FollowsTheStepsInGridOrder)
{
    const Chain& c = GetParam();
    const CodeRenumbering r(c.steps);
    const auto it = r.outcomes().find(c.start);
    const int code = it == r.outcomes().end() ? c.start : it->second.code;
    const std::optional<int> account = it == r.outcomes().end() ? std::nullopt : it->second.account;
    EXPECT_EQ(code, c.expectedCode);
    EXPECT_EQ(account, c.expectedAccount);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, CodeRenumberingChains,
    ::testing::Values(
        Chain{"plainSwap", {{1, -2, {}}, {2, -1, {}}}, -2, 1, {}},
        // Old code 1 (a negative work code) meets the 1 the first step wrote.
        Chain{"chainThroughWrittenCode", {{1, -5, {}}, {2, 1, {}}}, -5, 2, {}},
        Chain{"chainStartsAtPositive", {{1, -5, {}}, {2, 1, {}}}, 1, 2, {}},
        // A duplicated old code is taken by its first row only.
        Chain{"duplicateOldCode", {{1, -3, {}}, {2, -3, {}}}, -3, 1, {}},
        Chain{"zeroCode", {{1, 0, {}}, {2, -4, {}}}, 0, 1, {}},
        Chain{"untouched", {{1, -1, {}}}, -7, -7, {}},
        // The written code comes back to where it started: only the account changes.
        Chain{"roundTripKeepsAccount", {{1, 2, 300}, {2, 1, {}}}, 2, 2, 300},
        Chain{"laterAccountWins", {{1, -5, 150}, {2, 1, 250}}, -5, 2, 250},
        Chain{"accountKeptWhenLaterStepHasNone", {{1, -5, 150}, {2, 1, {}}}, -5, 2, 150}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CodeRenumberingSql, OneStatementWithTheScopeAndOnlyTheChangingCodes)
{
    const CodeRenumbering r({{1, -2, 120}, {2, -1, {}}, {3, 3, {}}});
    EXPECT_EQ(r.updateSql({"MAS_BUZAI", "BM_kubun", "BL_kubun=4", true}).toStdString(),
              "UPDATE MAS_BUZAI set KU_KAMOKU=CASE BM_kubun WHEN -2 THEN 120 ELSE KU_KAMOKU END,"
              "BM_kubun=CASE BM_kubun WHEN -2 THEN 1 WHEN -1 THEN 2 ELSE BM_kubun END "
              "where BL_kubun=4 and BM_kubun IN (-2,-1)");
    EXPECT_EQ(r.updateSql({"DAT_SIAGE02", "BM_kubun", {}, false}).toStdString(),
              "UPDATE DAT_SIAGE02 set BM_kubun=CASE BM_kubun WHEN -2 THEN 1 WHEN -1 THEN 2 ELSE BM_kubun END "
              "where BM_kubun IN (-2,-1)");
    EXPECT_TRUE(CodeRenumbering({{1, 1, {}}}).updateSql({"T", "C", {}, false}).isEmpty());
}

} // namespace
