#pragma once

#include <QString>

// Builds a product database filled with the masters and some past documents of a
// made-up home builder, for trying the program, for tests and for benchmarks.
//
// Creates the file at `path` (which must not exist), creates every product table
// and fills them in one transaction. The content is fixed: every build gives the
// same rows. Without `withJutaku` the LOOK_KIHON row "JUTAKU" is left out, which
// switches the program to its non-housing behaviour.
//
// Throws DbError on a database failure; the half-built file is removed then.
void buildDemoProductDatabase(const QString& path, bool withJutaku = true);
