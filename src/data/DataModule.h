#pragma once

#include "Connections.h"
#include "MainScreen.h"
#include "Query.h"
#include "RebuildTransaction.h"
#include "TableDataset.h"

#include <functional>

// The data module DM2: the datasets through which the grids edit the four work
// tables, their events that keep positions dense, and the queries the commands use.
class TDM2 {
public:
    explicit TDM2(Connections& c);
    ~TDM2();
    TDM2(const TDM2&) = delete;
    TDM2& operator=(const TDM2&) = delete;

    Connections& conn;

    // The work-table dataset a tab edits.
    TableDataset& list(Tab tab);

    TableDataset IBT_dai;  // BUZAI_DAI on IBDatabase2
    TableDataset IBT_chu;  // BUZAI_CHU on IBDatabase3
    TableDataset IBT_bu;   // BUZAI_S on IBDatabase4
    TableDataset IBT_TANI; // TANI on IBDatabase2

    // Work database
    Query IBQ_FB2, IBQ_FB2_2;           // IBDatabase2: major and unit rebuilds
    Query IBQ_FB3, IBQ_FB3_2;           // IBDatabase3: middle rebuilds
    Query IBQ_touroku4, IBQ_touroku4_2; // IBDatabase4: member insert rebuild
    Query IBQ_FB4, IBQ_FB4_2;           // IBDatabase4: member delete rebuild
    Query IBQ_touroku2, IBQ_touroku2_2; // IBDatabase2
    // Product database
    Query IBQ_touroku, IBQ_touroku1_2, IBQ_touroku3;
    Query IBQuery1;      // "select * from MAS_KOUSYU_01 order by CNT"
    Query IBQuery4;      // "select * from LOOK_TANI"
    Query IBQ_TREVOLAN2; // second product database

    int savedRowNumber = 0;
    int memberNumberingSkip = 0; // set by the member grid while a selection is extended downwards

    // The current category codes "as shown on the main window"; by default the
    // current rows of the major and middle datasets.
    std::function<int()> currentMajorCode;
    std::function<int()> currentMiddleCode;

    // Runs `statement` then "COMMIT" on the query, as every rebuild step does.
    static void execCommit(Query& q, const QString& statement);

    // The member insert and delete rebuilds leave every row of BUZAI_S in one
    // normal form: codes and digits 0 rather than empty, texts NULL rather
    // than blank, the columns the list does not show empty. A writer that
    // leaves the whole list so keeps a mark under this name on IBDatabase4.
    static QString normalMembersMark();
    // Whether a row of these columns (the others empty) is in that form.
    static bool inNormalForm(const QStringList& columns, const QVector<QVariant>& row);

private:
    void installEvents();
    void installFields();          // calculated fields, formats, ranges
    void installInsertAndDelete(); // positions and the rebuilds after them
    void insertCategoryRow(TableDataset& ds, Query& q, bool middle);
    void insertMemberRow();
    void rewriteMembersFromScratch();
    // Rebuilds the member list in one transaction and shows `showRow`: by
    // `quick` when it can (it returns false, having run nothing, when the list
    // does not suit it), else from `source` (a select of K, the row's key, C,
    // its order, and the member columns as stored), with positions 1, 2, 3 …
    // in that order.
    void rebuildMembers(const std::function<bool(Query&, const WriteMark&, Rebuild::Positions&)>& quick,
                        const QString& source, int showRow);
};
