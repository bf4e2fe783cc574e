#pragma once

// Internal to the data layer: the only place besides the data layer's own .cpp
// files that sees Firebird's client API.
#include <firebird/Interface.h>

#include <QString>

namespace FbApi {

Firebird::IMaster* master();
Firebird::IUtil* util();
Firebird::IProvider* provider();

// Converts a Firebird failure into a DbError carrying the statement.
[[noreturn]] void rethrow(const Firebird::FbException& e, const QString& statement = {});

} // namespace FbApi
