#pragma once

#include "Database.h"
#include "DbError.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

// An installation of its own for one benchmark: the program folder PROG is the
// current directory, the product database (when asked for) and the work
// database are created beside it.
struct BenchFolder {
    QTemporaryDir dir;
    QString productPath;
    QString workPath;

    explicit BenchFolder(bool withProduct = true, const QString& work = QStringLiteral("MAS_MENT.fdb"))
    {
        QDir(dir.path()).mkpath(QStringLiteral("PROG"));
        QDir(dir.path()).mkpath(QStringLiteral("LOCAL"));
        QDir::setCurrent(dir.path() + QStringLiteral("/PROG"));
        productPath = dir.path() + QStringLiteral("/TREVOLAN.FDB");
        workPath = dir.path() + QLatin1Char('/') + work;
        if (withProduct)
            Database::createDatabase(productPath);
        Database::createDatabase(workPath);
    }
};

inline double seconds(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

inline double timed(const std::function<void()>& f)
{
    QElapsedTimer t;
    t.start();
    f();
    return seconds(t);
}

// Runs a benchmark program's body: a database error is printed and fails the
// program; the engine is stopped either way.
inline int runBench(const std::function<void()>& body)
{
    int status = 0;
    try {
        body();
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        status = 1;
    }
    Database::shutdownEngine();
    return status;
}
