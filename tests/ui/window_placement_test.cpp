// Where the debug windows open: beside the main window where there is room, else
// over it, and always inside the screen's available area.

#include <gtest/gtest.h>

#include <QScreen>
#include <QTest>

#include "ui/debugger_form.h"
#include "ui/desktop_window.h"
#include "ui/window_placement.h"

namespace {

TEST(WindowPlacementTest, BesideWhereThereIsRoomElseOverAndAlwaysInsideTheScreen) {
    const QRect screen(0, 0, 1280, 800);
    const QSize debugger(960, 780);
    const struct {
        const char* name;
        QRect owner;
        QSize window;
        int step;
        QRect expected;
    } cases[] = {
        {"right of the owner", {10, 10, 300, 400}, {300, 200}, 0, {318, 10, 300, 200}},
        {"right, a step lower", {10, 10, 300, 400}, {300, 200}, 2, {318, 90, 300, 200}},
        {"left when the right is full", {900, 10, 300, 400}, {300, 200}, 0, {592, 10, 300, 200}},
        {"over the owner when neither side has room", {200, 0, 300, 400}, debugger, 3, {320, 20, 960, 780}},
        {"pulled up into the screen", {10, 700, 300, 90}, {300, 200}, 0, {318, 600, 300, 200}},
        {"cut to a smaller screen", {0, 0, 300, 400}, {1400, 900}, 0, {0, 0, 1280, 800}},
    };
    for (const auto& test : cases) {
        const QRect frame = TWindowPlacement::DebugWindowFrame(test.owner, test.window, screen, test.step);
        EXPECT_EQ(frame, test.expected) << test.name;
        EXPECT_TRUE(screen.contains(frame)) << test.name;
    }
    // A screen whose available area does not start at the origin (a panel on the left).
    EXPECT_EQ(TWindowPlacement::DebugWindowFrame({60, 0, 300, 400}, {960, 780}, {48, 24, 1232, 776}, 0),
              QRect(60, 24, 960, 776));
}

using WindowPlacementMainTest = DesktopTest;

// On the tests' 1280 x 800 screen, with the main window in the middle, the Debugger
// fits on neither side: every debug window still opens whole inside the screen, the
// small ones beside the main window.
TEST_F(WindowPlacementMainTest, EveryDebugWindowOpensInsideASmallScreen) {
    Start();
    window->move(500, 100);
    QApplication::processEvents();
    const QRect available = window->screen()->availableGeometry();
    ASSERT_EQ(available.width(), 1280);
    for (QAction* menu : {window->menuDebugZ80, window->menuDebugMemory, window->menuDebugVideo, window->menuDebugger,
                          window->menuMemoryView, window->menuVRAMView}) {
        menu->trigger();
        QApplication::processEvents();
    }
    int beside = 0;
    for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow() || !child->isVisible()) continue;
        const QRect frame = child->frameGeometry();
        const std::string name = child->windowTitle().toStdString();
        EXPECT_TRUE(available.contains(frame)) << name << " at " << frame.x() << "," << frame.y() << " " << frame.width()
                                               << "x" << frame.height();
        const bool room = window->frameGeometry().right() + TWindowPlacement::gap + frame.width() < available.right();
        EXPECT_EQ(frame.left() > window->frameGeometry().right(), room) << name;
        beside += room;
    }
    EXPECT_EQ(beside, 2) << "Z80 Info and V9918 info fit beside the main window";
}

}  // namespace
