#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>

// What a string replacement changes, planned from the member list alone: for
// every member column, each value that changes and what it becomes, in the
// order the list first holds them. The plan touches no database; applying it
// writes the same changes to the product masters and the work table.
class ReplacementPlan {
public:
    // A member column the dialog works on, with its finishing-schedule column.
    struct Column {
        const char* member;
        const char* schedule;
        const char* label;
        int bytes; // width of the member column
    };
    static constexpr int kColumnCount = 5; // 名称, 摘要, 備考, 単位, ＣＤ
    static const std::array<Column, kColumnCount> kColumns;

    // One row of the dialog: its search and replace fields and its column.
    struct Step {
        int search;
        int replace;
        int column;
    };
    // In the dialog's order; the ＣＤ row last.
    static const std::array<Step, 7> kSteps;

    using Edits = std::array<QString, 15>; // the dialog's Edit1 … Edit14 (index 0 unused)
    using Member = std::array<QString, kColumnCount>;

    // Half-width characters that fit on one line of the working box.
    static constexpr int kBoxUnits = 52;

    // `edits` as typed; `halfWidth` the "半角" tick; `codeRow` whether the ＣＤ row is shown.
    ReplacementPlan(const Edits& edits, bool halfWidth, bool codeRow, const QVector<Member>& members);

    // Whether any row of the dialog holds a search text.
    static bool anySearch(const Edits& edits);
    // Both 名称 and 摘要 searched: only members holding exactly both texts change, together.
    bool pair() const { return m_pair; }
    bool anyChange() const;

    // A field's text as the database reads it back, so that look-alikes match;
    // a replacement as it goes in (half-width when asked).
    const QString& typed(int field) const { return m_typed.at(static_cast<size_t>(field)); }
    const QString& inserted(int field) const { return m_inserted.at(static_cast<size_t>(field)); }

    // Per column: the old values that change, and old → new.
    const QStringList& olds(int column) const { return m_order.at(static_cast<size_t>(column)); }
    QString newValue(int column, const QString& old) const { return m_maps.at(static_cast<size_t>(column)).value(old); }
    // What `value` becomes: its new value, or itself when it does not change.
    QString after(int column, const QString& value) const
    {
        return m_maps.at(static_cast<size_t>(column)).value(value, value);
    }
    bool changes(int column, const QString& value) const
    {
        return m_maps.at(static_cast<size_t>(column)).contains(value);
    }

    // All or nothing: the notice refusing the replacement because a new value
    // would not fit its column, or nothing when every value fits.
    QString fitProblem() const;

    // The row of the dialog (index into kSteps) that alone changes `column`, in
    // every value holding its search text, with a replacement the member load
    // keeps as it is: a list that is the product's copy can take the change from
    // the two texts. -1 when the column changes by its pairs of old and new values.
    int byTexts(int column) const { return m_byTexts.at(static_cast<size_t>(column)); }

    // The value a replacement gives the member load, for the list kept in place.
    static QString asLoaded(int column, const QString& value);

private:
    bool acts(const Step& step) const;
    void planPair(const QVector<Member>& members);
    void planSteps(const QVector<Member>& members);
    void add(int column, const QString& old, const QString& now, const Member& member);
    void planByTexts(const QVector<Member>& members);

    Edits m_typed, m_inserted;
    bool m_codeRow = false;
    bool m_pair = false;
    std::array<QHash<QString, QString>, kColumnCount> m_maps;
    std::array<QStringList, kColumnCount> m_order;
    std::array<QHash<QString, QString>, kColumnCount>
        m_namedBy; // old value → 名称 of its first member, for the refusal
    std::array<int, kColumnCount> m_byTexts{-1, -1, -1, -1, -1};
};
