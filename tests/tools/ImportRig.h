#pragma once

#include "DataModule.h"
#include "ImportCommand.h"
#include "MemberImport.h"
#include "ProgramState.h"
#include "QueuedConfirmation.h"
#include "Schema.h"
#include "SjisCodec.h"
#include "TestDb.h"
#include "TestScreen.h"

#include <QFile>

#include <functional>

// Work and product databases, the data module, the import command and the
// dialog's work, wired as the window wires them. `inDialog` is what the user does
// while the dialog is open; by default: start the import.
class ImportRig {
public:
    TestFolder folder;
    Connections conn;
    std::unique_ptr<TDM2> dm = connectDataModule(folder, conn);
    ProgramState state;
    TestScreen screen;
    ImportCommand command{*dm, state, screen};
    MemberImport& dialog = command.work();
    std::function<void()> inDialog = [this] { dialog.importRows(); };

    ImportRig()
    {
        state.config.startDirectory = folder.programDir();
        command.showDialog = [this] {
            dialog.show();
            inDialog();
            dialog.close();
        };
        execCommitted(conn.IBDatabase2, {Schema::createWorkTableSql(QStringLiteral("BUSAI_SEL"))});
        conn.IBTransaction4().commitAndRestart(); // sees the tables made on IBDatabase2
        dm->IBT_bu.open();
    }

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(folder.file(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    }
    QString writeSjis(const QString& name, const QString& text) { return writeFile(name, SjisCodec::encode(text)); }

    // The import command on `path`, answering yes.
    void import(const QString& path)
    {
        screen.openAnswers = {path};
        command.run();
    }

    // Members with positions 1…n named by `names`.
    void members(const QStringList& names)
    {
        QStringList s{"delete from BUZAI_S"};
        for (int i = 0; i < names.size(); ++i)
            s << QStringLiteral("insert into BUZAI_S (CNT,BL_kubun,BM_kubun,NAME01) values (%1,1,1,'%2')")
                     .arg(i + 1)
                     .arg(names.at(i));
        dm->IBT_bu.close();
        conn.IBTransaction4().commitAndRestart();
        execCommitted(conn.IBDatabase4, s);
        dm->IBT_bu.open();
    }

    // Rows of a work-database query as "a|b|c", NULL as "∅".
    QStringList rows(const QString& sql)
    {
        auto db = connectTestDatabase(conn.IBDatabase2.databaseName(), QStringLiteral("check"));
        return rowsOf(*db, sql);
    }
    QStringList memberNames() { return rows("select CNT, coalesce(NAME01,'') from BUZAI_S order by CNT"); }
    QStringList handedOff(const QString& columns = "NAME01,NAME02,TAN,KIN_02,KIN_01")
    {
        return rows(QStringLiteral("select %1 from BUSAI_SEL order by CNT").arg(columns));
    }
};
