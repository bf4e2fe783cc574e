#pragma once

#include "MasterLoads.h"
#include "MemberRename.h"
#include "TextReplacement.h"
#include "UnitReplacement.h"
#include "UnitsFromMembers.h"
#include "WorkRig.h"

#include <functional>

// The screen of the text tools: the grid column under the cursor, and what the
// user does while a dialog is open (by default nothing: the dialog is cancelled).
class TextScreen : public TestScreen {
public:
    QString column = QStringLiteral("NAME01");
    std::function<bool()> inDialog = [] { return false; };
    QList<TextDialog> shown;
    QString memberGridColumn() const override { return column; }
    bool showTextDialog(TextDialog d) override
    {
        shown << d;
        return inDialog();
    }
};

// Category 3/5 shown on the member tab and the text commands wired as the session wires them.
class TextToolsRig : public WorkRig<TextScreen> {
public:
    MasterLoads loads{*dm, screen};
    TextReplacement replace{*dm, screen, loads};
    MemberRename rename{*dm, screen};
    UnitsFromMembers units{*dm};
    UnitReplacement unitReplace{*dm, screen, units};

    TextToolsRig()
    {
        replace.codeRowVisible = true;
        work({"insert into BUZAI_DAI values (1,3,'M',null)", "insert into BUZAI_CHU values (1,3,5,'m',null,null)"});
        dm->IBT_dai.open();
        dm->IBT_chu.open();
    }
    // Statements on the product database, committed; then the member list reloaded.
    void product(const QStringList& statements)
    {
        WorkRig::product(statements);
        loads.Button4Click();
    }
    // Members of category major/middle: "名称|摘要|単位|備考|部材CD", empty parts NULL.
    void members(const QStringList& rows, int major = 3, int middle = 5)
    {
        QStringList values;
        for (const QString& r : rows) {
            QStringList v = r.split('|');
            v.resize(5);
            for (QString& p : v)
                p = p.isEmpty() ? QStringLiteral("null") : '\'' + p.replace('\'', "''") + '\'';
            values << QStringLiteral("%1,%2,%3,").arg(major).arg(middle).arg(values.size() + 1) + v.join(',');
        }
        product(inserts("MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01,NAME02,TANI,NAME03,B_CD)", values));
    }
};
