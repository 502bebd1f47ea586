#include "ui/tools/BackgroundWork.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <atomic>

namespace corvan::ui {
namespace {

// Work that sees the cancel only once it is done, as a preparation that has just written
// its file does: its result must still reach the window, or it would say nothing was written.
TEST(BackgroundWork, AResultReadyWhenTheCancelComesStillCounts) {
    QObject owner;
    BackgroundWork<int> work(&owner);
    std::optional<std::optional<int>> delivered;
    std::atomic<bool> started = false;
    work.start(
        [&started](QPromise<int>& promise) {
            started = true;
            while (!promise.isCanceled()) QThread::msleep(1);
            return 42;
        },
        [&](std::optional<int> result) { delivered = result; });
    while (!started) QThread::msleep(1);
    work.cancel();
    QElapsedTimer timer;
    timer.start();
    while (!delivered && timer.elapsed() < 10000) QCoreApplication::processEvents();
    ASSERT_TRUE(delivered);
    EXPECT_EQ(*delivered, 42);
}

}  // namespace
}  // namespace corvan::ui
