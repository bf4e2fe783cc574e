#pragma once

#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

// Shows `dialog` modally through `show` and runs `act` once its loop runs. A
// dialog still open after `limitMs` is ended with 99 and fails the test instead
// of hanging it; the watchdog ends with this showing, so it cannot close a later one.
template <typename Dialog, typename Show>
int runModal(Dialog& dialog, const std::function<void()>& act, Show show, int limitMs = 3000)
{
    QTimer::singleShot(0, &dialog, act);
    bool hung = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &dialog, [&] {
        hung = true;
        dialog.done(99);
    });
    watchdog.start(limitMs);
    const int rc = show();
    EXPECT_FALSE(hung) << "the dialog stayed open";
    return rc;
}
