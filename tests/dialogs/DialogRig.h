#pragma once

#include "CodePickers.h"
#include "Database.h"
#include "InsertRows.h"
#include "ModalRun.h"
#include "TestDb.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

// One product database for a suite of dialog tests, made once with `rows`.
class ProductSuite : public ::testing::Test {
protected:
    static void makeProduct(const QStringList& rows)
    {
        folder = new TestFolder;
        db = createProductDatabase(folder->file(QStringLiteral("TREVOLAN.FDB"))).release();
        execCommitted(*db, rows);
    }
    static void TearDownTestSuite()
    {
        delete db;
        delete folder;
    }
    static inline TestFolder* folder = nullptr;
    static inline Database* db = nullptr;
    ProgramState state;
};
