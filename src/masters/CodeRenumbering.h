#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <map>
#include <optional>
#include <type_traits>

class Query;

// The codes of a row whose category is gone. -32768 is the negation of no SMALLINT
// code, so neither sign marking nor a renumbering step can ever select it; -99 is
// the lowest middle code a packed code holds, and -32768 × 100 − 99 unpacks to the
// same pair again. Like any negative code, the suite reads it as no category.
constexpr int kNoMajor = -32768;
constexpr int kNoMiddle = -99;
constexpr int kNoPacked = kNoMajor * 100 + kNoMiddle;

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

    // SQL for the final code of `operand`, or `otherwise` when no step touches it.
    QString codeOf(const QString& operand, const QString& otherwise) const;
    // What codeOf() computes for one starting code.
    int codeOf(int start, int otherwise) const
    {
        const auto found = m_outcomes.find(start);
        return found != m_outcomes.end() && found->second.code != start ? found->second.code : otherwise;
    }
    // SQL for the account item the steps hand to a member coded `operand`.
    QString accountOf(const QString& operand, const QString& otherwise) const;

private:
    std::map<int, Outcome> m_outcomes;
};

// How a work-type registration rewrites the product tables. Fused, it writes each
// table once, renumbering, marking and repacking in one statement. Otherwise the
// tables are sign-marked first, the given statements renumber the code columns and
// the marking and repacking follow table by table.
class RenumberStrategy {
public:
    using Steps = std::function<void(Query&, const QVector<RenumberTarget>&, const QVector<CodeStep>&)>;

    template <typename F>
    requires(!std::is_same_v<std::remove_cvref_t<F>, RenumberStrategy> &&
             std::is_invocable_v<F&, Query&, const QVector<RenumberTarget>&, const QVector<CodeStep>&>)
        RenumberStrategy(F steps)
        : m_steps(std::move(steps))
    {
    }
    static RenumberStrategy fusedTables();

    bool fused() const { return m_fused; }
    void operator()(Query& q, const QVector<RenumberTarget>& targets, const QVector<CodeStep>& steps) const
    {
        m_steps(q, targets, steps);
    }

private:
    RenumberStrategy(Steps steps, bool fused) : m_steps(std::move(steps)), m_fused(fused) {}
    Steps m_steps;
    bool m_fused = false;
};

// One pass per table.
RenumberStrategy renumberPerTable();

// The product statements of a fused registration, after the category master has
// been rewritten, in the order they run.
QStringList fusedMajorSql(const CodeRenumbering& renumbering, bool pastDetails);
QStringList fusedMiddleSql(const CodeRenumbering& renumbering, int major, bool pastDetails);

// The tables those statements rewrite: the ones left with old record versions.
QStringList rewrittenTables(bool majorRegistration, bool pastDetails);
