#pragma once

#include "MainScreen.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <array>

class MasterLoads;
class ReplacementPlan;
class TDM2;

// "置　換" on the member tab: the string replacement dialog's fields and work.
// A replacement changes the members of the shown middle category in the product
// member master, the same category's finishing-schedule rows that carry the
// same texts, and then reloads the member list from the product.
class TextReplacement {
public:
    TextReplacement(TDM2& dm, MainScreen& screen, MasterLoads& loads);

    // The dialog's fields Edit1 … Edit14: odd numbers search, even numbers
    // replace; rows 名称 (1/2, 9/10), 摘要 (3/4, 11/12), 備考 (5/6), 単位 (7/8),
    // ＣＤ (13/14).
    QString& edit(int n) { return m_edits.at(static_cast<size_t>(n)); }
    bool halfWidth = false;      // "半角": a replacement goes in in its half-width form
    bool codeRowVisible = false; // the ＣＤ row, made visible when the window is first shown

    // Opens the dialog for the current member (twice, as the dialog is shown
    // again after it closes) and refreshes the member list afterwards.
    void open();

    // "実　　　　行". True when the dialog closes: false when there is nothing to
    // search for or the replacement was refused (with a notice). A database error
    // changes nothing and goes on to the caller.
    bool run();

private:
    void prefill();
    void reopenMembers();
    // Writes the plan to the product masters, then to the list in place when it
    // is the product's copy, else loads the list again.
    bool apply(const ReplacementPlan& plan, const QStringList& listColumns, const QVector<QVector<QVariant>>& listRows,
               int major, int middle);

    TDM2& m_dm;
    MainScreen& m_screen;
    MasterLoads& m_loads;
    std::array<QString, 15> m_edits{};
};
