#pragma once

#include "DataModule.h"
#include "ProgramState.h"
#include "Form1.h"
#include "QueuedConfirmation.h"
#include "Schema.h"
#include "TestDb.h"

#include <QDir>
#include <QFile>

// An installation in a temporary folder: PROG/ current, a product database
// beside it, and the main window with its data module as the program makes them.
class MainWindowFixture {
public:
    TestFolder folder;
    QueuedConfirmation confirm;
    QStringList errors;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<TDM2> dm;

    MainWindowFixture()
    {
        programState() = ProgramState{};
        TForm1::errorHandler() = [this](QWidget*, const QString& m) { errors << m; };
    }
    ~MainWindowFixture()
    {
        dm.reset();
        form.reset();
    }

    std::unique_ptr<Database> makeProduct(const QString& relative = QStringLiteral("TREVOLAN.FDB"), bool jutaku = true)
    {
        auto db = createTestDatabase(folder.file(relative), QStringLiteral("product"));
        Schema::createProductTables(*db);
        if (jutaku)
            exec(*db, QStringLiteral("insert into LOOK_KIHON (NAME) values ('JUTAKU')"));
        return db;
    }

    static void exec(Database& db, const QString& sql)
    {
        Query q(&db);
        q.setSql(sql);
        q.exec();
        q.setSql(QStringLiteral("COMMIT"));
        q.exec();
    }

    void start(bool show = true)
    {
        form = std::make_unique<TForm1>();
        dm = std::make_unique<TDM2>(form->conn);
        form->setDataModule(dm.get());
        form->setConfirmation(&confirm);
        if (show)
            form->show();
    }
};
