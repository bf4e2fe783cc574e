#pragma once

#include "Database.h"

// The five connections of the program. The three work-database connections
// share one attachment (each keeps its own transaction), so that a load can
// drop a work table that another tab's connection has read.
class Connections {
public:
    Connections();

    Database IBDatabase1{QStringLiteral("IBDatabase1")}; // product database
    Database IBDatabase2{QStringLiteral("IBDatabase2")}; // work: BUZAI_DAI, TANI
    Database IBDatabase3{QStringLiteral("IBDatabase3")}; // work: BUZAI_CHU
    Database IBDatabase4{QStringLiteral("IBDatabase4")}; // work: BUZAI_S
    Database IBDatabase5{QStringLiteral("IBDatabase5")}; // second product database

    Transaction& IBTransaction1() { return IBDatabase1.transaction(); }
    Transaction& IBTransaction2() { return IBDatabase2.transaction(); }
    Transaction& IBTransaction3() { return IBDatabase3.transaction(); }
    Transaction& IBTransaction4() { return IBDatabase4.transaction(); }
    Transaction& IBTransaction5() { return IBDatabase5.transaction(); }

    void setProductPath(const QString& path) { IBDatabase1.setDatabaseName(path); }
    void setWorkPath(const QString& path);
    void setSecondProductPath(const QString& path) { IBDatabase5.setDatabaseName(path); }

    // Stops every transaction and closes every connection.
    void closeAll();
};
