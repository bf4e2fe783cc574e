#pragma once

#include "DBControls.h"
#include "DBGrid.h"
#include "Form1Probe.h"
#include "InsertRows.h"
#include "QueuedConfirmation.h"
#include "Session.h"
#include "TestDb.h"
#include "TestServer.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

// An installation in a temporary folder: PROG/ current, a product database
// beside it, and the session with its main window as the program makes them.
class MainWindowFixture {
public:
    TestFolder folder;
    QueuedConfirmation confirm;
    QStringList errors;
    std::unique_ptr<Session> session;
    std::unique_ptr<TForm1> form;
    TDM2* dm = nullptr;

    MainWindowFixture()
    {
        TForm1::errorHandler() = [this](QWidget*, const QString& m) { errors << m; };
    }
    ~MainWindowFixture() { stop(); }

    // With a server for the run, the default product database lives on it and
    // NET.TXT names it, as in a network installation.
    std::unique_ptr<Database> makeProduct(const QString& relative = QStringLiteral("TREVOLAN.FDB"), bool jutaku = true)
    {
        if (relative != QStringLiteral("TREVOLAN.FDB") || !TestServer::ofRun())
            return createProductDatabase(folder.file(relative), jutaku);
        const QString remote = productLocation(folder.file(relative));
        netTxt((remote + QStringLiteral("\r\n")).toLatin1());
        return createProductDatabase(remote, jutaku);
    }
    // A product database holding the rows `statements` insert, closed again.
    void product(const QStringList& statements, const QString& relative = QStringLiteral("TREVOLAN.FDB"),
                 bool jutaku = true)
    {
        auto db = makeProduct(relative, jutaku);
        execCommitted(*db, statements);
    }
    // PROG/NET.TXT as these bytes.
    void netTxt(const QByteArray& bytes)
    {
        QFile net(folder.file(QStringLiteral("PROG/NET.TXT")));
        if (net.open(QIODevice::WriteOnly))
            net.write(bytes);
    }
    // Rows of a product table, counted over a connection of its own.
    int productCount(const QString& table)
    {
        auto db = connectTestDatabase(folder.file(QStringLiteral("TREVOLAN.FDB")), QStringLiteral("counter"));
        return rowsOf(*db, QStringLiteral("select count(*) from ") + table).value(0).toInt();
    }
    void expectNoErrors() const { EXPECT_TRUE(errors.isEmpty()) << errors.join(QStringLiteral("\n")).toStdString(); }

    void start(bool show = true)
    {
        session = std::make_unique<Session>();
        form = std::make_unique<TForm1>(*session);
        dm = &session->dm;
        form->setConfirmation(&confirm);
        if (show)
            form->show();
    }

    void stop()
    {
        form.reset();
        session.reset();
        dm = nullptr;
    }

    ProgramState& state() { return session->state; }
    Form1Widgets& ui() { return Form1Probe::widgets(*form); }
};
