#include "Database.h"

#include <QApplication>

#include <gtest/gtest.h>

// The embedded database engine keeps caches for the life of the process, which a
// leak check at exit would report; sanitizer builds read this before main().
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}

// Every test program runs with a QApplication (offscreen in CI) and stops the
// embedded database engine before it exits.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    Database::shutdownEngine();
    return rc;
}
