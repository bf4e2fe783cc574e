#pragma once

#include "DataModule.h"
#include "MasterLoads.h"
#include "MemberRename.h"
#include "TestDb.h"
#include "TestScreen.h"
#include "TextReplacement.h"
#include "UnitReplacement.h"
#include "UnitsFromMembers.h"

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

// Product and work databases with category 3/5 shown on the member tab, and the
// three text commands wired as the session wires them.
class TextToolsRig {
public:
    TestFolder folder;
    Connections conn;
    std::unique_ptr<TDM2> dm = connectDataModule(folder, conn);
    TextScreen screen;
    MasterLoads loads{*dm, screen};
    TextReplacement replace{*dm, screen, loads};
    MemberRename rename{*dm, screen};
    UnitsFromMembers units{*dm};
    UnitReplacement unitReplace{*dm, screen, units};

    TextToolsRig()
    {
        replace.codeRowVisible = true;
        execCommitted(conn.IBDatabase2, {"insert into BUZAI_DAI values (1,3,'M',null)",
                                         "insert into BUZAI_CHU values (1,3,5,'m',null,null)"});
        for (Database* db : {&conn.IBDatabase3, &conn.IBDatabase4})
            db->transaction().commitAndRestart();
        dm->IBT_dai.open();
        dm->IBT_chu.open();
    }

    // Statements on the product database, committed; then the member list reloaded.
    void product(const QStringList& statements)
    {
        execCommitted(conn.IBDatabase1, statements);
        conn.IBTransaction1().commitAndRestart();
        loads.Button4Click();
    }
    // Members of category major/middle: "名称|摘要|単位", empty parts NULL.
    void members(const QStringList& rows, int major = 3, int middle = 5)
    {
        QStringList s;
        for (const QString& r : rows) {
            const QStringList p = r.split('|');
            const auto lit = [&](int i) {
                const QString v = p.value(i);
                return v.isEmpty() ? QStringLiteral("null") : '\'' + QString(v).replace('\'', "''") + '\'';
            };
            s << QStringLiteral("insert into MAS_BUZAI (BL_kubun,BM_kubun,BS_kubun,NAME01,NAME02,TANI,NAME03,B_CD) "
                                "values (%1,%2,%3,%4,%5,%6,%7,%8)")
                     .arg(major)
                     .arg(middle)
                     .arg(s.size() + 1)
                     .arg(lit(0), lit(1), lit(2), lit(3), lit(4));
        }
        product(s);
    }
    // Rows of a product query as "a|b", NULL as "∅", read through a connection of its own.
    QStringList productRows(const QString& sql)
    {
        auto db = connectTestDatabase(conn.IBDatabase1.databaseName(), QStringLiteral("check"));
        return rowsOf(*db, sql);
    }
    QStringList workRows(const QString& sql)
    {
        auto db = connectTestDatabase(conn.IBDatabase2.databaseName(), QStringLiteral("check"));
        return rowsOf(*db, sql);
    }
};
