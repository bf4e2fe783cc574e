#pragma once

#include "DbError.h"

#include <gtest/gtest.h>

// The DbError that `f` throws; a test failure and an empty error when it throws none.
template <typename F>
DbError dbErrorOf(F&& f)
{
    try {
        f();
    } catch (const DbError& e) {
        return e;
    }
    ADD_FAILURE() << "no DbError thrown";
    return DbError(QString());
}
