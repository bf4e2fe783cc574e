#pragma once

#include "ImportCommand.h"
#include "MemberImport.h"
#include "Schema.h"
#include "SjisCodec.h"
#include "WorkRig.h"

#include <QFile>

#include <functional>

// The import command and the dialog's work, wired as the window wires them.
// `inDialog` is what the user does while the dialog is open; by default: start the import.
class ImportRig : public WorkRig<> {
public:
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
        work({Schema::createWorkTableSql(QStringLiteral("BUSAI_SEL"))});
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
    QStringList memberNames() { return workRows("select CNT, coalesce(NAME01,'') from BUZAI_S order by CNT"); }
    QStringList handedOff(const QString& columns = "NAME01,NAME02,TAN,KIN_02,KIN_01")
    {
        return workRows(QStringLiteral("select %1 from BUSAI_SEL order by CNT").arg(columns));
    }
};
