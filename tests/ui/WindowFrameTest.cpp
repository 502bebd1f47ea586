#include "ui/WindowFrame.h"

#include <gtest/gtest.h>

namespace corvan::ui {
namespace {

// A tool window goes beside the main window where the screen has room, shrinks before it
// covers it, and covers it only where nothing else fits.
TEST(WindowFrameTest, AToolWindowStandsBesideTheMainWindow) {
    const QSize wanted(500, 500), minimum(300, 300);
    const struct {
        QRect screen, main, placed;
    } cases[] = {
        {{0, 0, 1024, 768}, {0, 0, 427, 400}, {435, 0, 500, 500}},        // right
        {{0, 0, 1280, 800}, {700, 50, 427, 400}, {192, 50, 500, 500}},    // left
        {{0, 0, 1280, 800}, {426, 0, 427, 400}, {861, 0, 419, 500}},      // right, narrower
        {{0, 0, 1280, 800}, {426, 300, 427, 400}, {861, 300, 419, 500}},  // level as can be
        {{0, 0, 700, 1200}, {100, 0, 427, 400}, {100, 408, 500, 500}},    // below
        {{0, 0, 700, 1000}, {100, 600, 427, 400}, {100, 92, 500, 500}},   // above
        {{0, 0, 600, 500}, {100, 50, 427, 400}, {300, 50, 300, 300}},     // no room at all
    };
    for (const auto& c : cases) {
        const QRect placed = besideMainWindow(c.main, wanted, minimum, c.screen);
        EXPECT_EQ(placed, c.placed) << c.main.x() << "," << c.main.y();
        EXPECT_TRUE(c.screen.contains(placed));
        const bool room = c.main.width() + minimum.width() < c.screen.width();
        EXPECT_TRUE(!room || !placed.intersects(c.main)) << c.main.x();
    }
}

}  // namespace
}  // namespace corvan::ui
