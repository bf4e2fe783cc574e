#pragma once

#include "Database.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

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
