#pragma once

#include <QString>
#include <QVector>

#include <functional>
#include <map>
#include <optional>

class Query;

// One row of a category grid as registration renumbers it: the rows that carry
// `oldCode` get `position`; with an account item, members take it as well.
struct CodeStep {
    int position = 0;
    int oldCode = 0;
    std::optional<int> account;
};

// A code column to renumber, optionally restricted (e.g. "BL_kubun=3").
struct RenumberTarget {
    QString table;
    QString column;
    QString scope;
    bool carriesAccount = false; // KU_KAMOKU follows the step's account item
};

// The renumbering of a grid taken as one mapping. Applying the steps one after
// another (each an equality update, in grid order) can chain: a code written by
// an earlier step may equal the old code of a later one. The mapping follows
// those chains, so one statement per table gives what the steps give in turn.
class CodeRenumbering {
public:
    explicit CodeRenumbering(const QVector<CodeStep>& steps);

    struct Outcome {
        int code;
        std::optional<int> account;
    };
    // Starting code → final code and account item, for the codes the steps touch.
    const std::map<int, Outcome>& outcomes() const { return m_outcomes; }

    // The single UPDATE for a target; empty when it would change nothing.
    QString updateSql(const RenumberTarget& target) const;

private:
    std::map<int, Outcome> m_outcomes;
};

// How the renumbering statements are issued for a set of targets.
using RenumberStrategy =
    std::function<void(Query& q, const QVector<RenumberTarget>& targets, const QVector<CodeStep>& steps)>;

// One statement per target.
RenumberStrategy renumberPerTable();
